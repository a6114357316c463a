#pragma once
// The Movement window's model: where the telescope goes next. Every "Apply"
// only loads the command parameters and requests a state code through the
// Commander; the state machine sets the next object, and motion starts only
// with "Start Slew" (12) or "Start Trail" (11).
//
// The window shows the fields; this class gives their settings, what the menu
// loads into them, and what each button sends. The library page works on the
// display list (LibraryList), the mark page on the system's shared mark table.

#include <functional>
#include <optional>
#include <string>

#include "astro/ObjectLibrary.h"
#include "config/MarkTable.h"
#include "controllers/DegreeSpinModel.h"
#include "controllers/RealSpinModel.h"

namespace orv {

class System;

// State codes the Movement window requests.
namespace move_code {
inline constexpr int RADecTarget = 6, Offset = 7, LibraryTarget = 8, MarkTarget = 9, ZenithTarget = 10,
                     StartTrail = 11, StartSlew = 12, HADecTarget = 33;
}

// The cover/dewar service position: hour angle -4.83 h (-4 h 49 min 48 s), declination 0.
inline constexpr double CoverHourAngle = -4.83;

inline constexpr int MoveHelpTopic = 2;

// The filter of the mark file dialogs, as "description|patterns|..." pairs.
inline constexpr const char* MarkFileFilter = "Zev Mark Files|*.mrk|All Files|*.*|";
inline constexpr const char* MarkFileExtension = "mrk";

// The three fields of the RA/Dec page: hours, degrees, years (0 = the display equinox).
struct SlewPositionFields {
    double RA = 0, Dec = 0, Epoch = 0;
};

// The file dialogs and questions of the mark page, handed in by the window.
struct MarkFileDialogs {
    AskSaveQuestion ask;                                    // "Save Changes ...?" Yes/No/Cancel
    ChooseSaveName chooseSaveName;                          // the save dialog
    std::function<std::optional<std::string>()> chooseOpenName;   // the open dialog
};

class OrvMoveDlg {
public:
    explicit OrvMoveDlg(System& system);

    // Spin settings of the fields, by control name.
    static DegreeSpinSettings SlewRASpin();     // "Hours", 0 to 24, wraps
    static DegreeSpinSettings SlewDecSpin();    // "Degs", -90 to 90, whole seconds
    static RealSpinSettings SlewEpochSpin();    // step 0.5
    static DegreeSpinSettings SlewHASpin();     // "Hours", no limits
    static DegreeSpinSettings SlewHDecSpin();   // "Deg", no limits
    static RealSpinSettings OffsetSpin();       // RAOffSpin, DecOffSpin: "Arcsec", step 1

    // Opening from the menu: the RA/Dec page shows the next object again,
    // whatever was typed and not applied.
    SlewPositionFields MoveMnuClick() const;

    // "Slew Position" page.
    void ApplySlewSpinClick(const SlewPositionFields& fields);   // 6: RA, Dec, epoch
    void ApplyHSlewSpinClick(double haHours, double decDegrees);  // 33: HA, Dec, 0
    // "Offset/Other" page.
    void ApplyOffBtnClick(double raArcsec, double decArcsec);     // 7
    void ApplyZenithBtnClick();                                  // 10
    void SlewToCoverBtnClick();                                  // 33: -4.83, 0, 0
    // The buttons below the pages.
    void StartSlewBtnClick();
    void StartTrailBtnClick();
    void StopBtnClick();   // StopRequest, then 13

    // Library page. The grid shows library().FillLibraryGrid() and is refilled
    // after every sort.
    const LibraryList& library() const { return library_; }
    int sortIndex() const { return sortIndex_; }
    void SortByRadioClick(int index);
    // One step of the find dialog from the current grid row (0: none).
    LibraryList::SearchResult FindDialog1Find(const std::string& text, int currentGridRow, bool down) const;
    // 8 with the Number of the record in the grid row; false, nothing sent,
    // when no record row is selected.
    bool ApplyLibBtnClick(int gridRow);

    // Mark page; rows as the grid numbers them (row r shows entry r - 1).
    MarkTable& marks() { return marks_; }
    const MarkTable& marks() const { return marks_; }
    // 9 with the entry index (row - 1); false, nothing sent, outside rows 1..500.
    bool ApplyTableBtnClick(int selectedRow);
    // The row to select afterwards.
    int MoveUpBtnClick(int selectedRow);
    int MoveDownBtnClick(int selectedRow);
    bool DeleteBtnClick(int selectedRow);
    // Inserts the telescope's RA, Dec and display epoch at the selected row.
    bool UseCurrentBtnClick(int selectedRow);
    struct MarkFind {
        int row;              // the row to select; 0 when nothing was found
        std::string message;  // the warning when nothing was found
    };
    MarkFind FindMarkStep(int selectedRow, const std::string& text) const;

    // The current mark file name without its directory, for " Filename:".
    std::string MarkFileDis() const;

    struct FileOutcome {
        bool done = false;    // the file was loaded or written
        std::string error;    // to show in a message box; empty if none
    };
    // "Load Mark File": asks about unsaved changes, then the open dialog, then
    // loads. A file that cannot be read whole leaves table and name as they were.
    FileOutcome LoadMarks(const MarkFileDialogs& dialogs);
    // "Save Mark File": to the existing file of the current name, else as "Save Marks As".
    FileOutcome SaveMarks(const MarkFileDialogs& dialogs);
    FileOutcome SaveMarksAs(const MarkFileDialogs& dialogs);
    // Before the program closes: unsaved changes are offered for saving. False
    // when the operator cancels (or a save they asked for fails): the program
    // keeps running.
    FileOutcome QuerySaveMarksAtExit(const MarkFileDialogs& dialogs);

private:
    System& system_;
    MarkTable& marks_;
    LibraryList library_;
    int sortIndex_ = 0;
};

}  // namespace orv
