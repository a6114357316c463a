#pragma once
// The Point Data dialog's model: takes pointing points from the shared state
// into the point list, deletes them after the operator confirms, saves them as a
// point file, and asks about unsaved points when the program closes. The grid
// shows one title row and one row per point; row r holds point r-1.
//
// Runs on the user-interface thread.

#include <functional>
#include <optional>
#include <string>

namespace orv {

class System;
class PointList;
struct PointConditions;

// The save dialog of the point file: filters "Pointing Model" (*.pat) and "All
// Files" (*.*), start directory ".", a prompt before overwriting.
struct PointFileDialog {
    static constexpr const char* FilterName = "Pointing Model";
    static constexpr const char* Pattern = "*.pat";
    static constexpr const char* DefaultExtension = "pat";
    static constexpr const char* Title = "Save Pointing Model Points";
};

class OrvPointsDlg {
public:
    // The save dialog: the chosen file name, or nullopt when cancelled.
    using ChooseFile = std::function<std::optional<std::string>()>;
    // A Yes/No question box: true for Yes.
    using AskYesNo = std::function<bool(const std::string& question)>;

    static constexpr int Columns = 6;
    static constexpr const char* UnsavedQuestion = "There is unsaved Point Data.\r\nDo you wish to save it?";

    explicit OrvPointsDlg(System& system);

    // Appends the next object's RA and Dec and the telescope's RA, Dec and HA,
    // with the date, the equinoxes of the two places and the pointing terms in
    // force beside them (for a fit); a 101st point is ignored. From the second
    // point on, the new row is selected and the row before it becomes the
    // grid's top row.
    void TakePoint();

    // "About To Delete Point #: <selected row>\r\nPlease Confirm?"
    std::string DeleteQuestion() const;
    // With points in the list, asks the question; on Yes removes the selected
    // row's point. Returns whether a point was removed.
    bool DeletePoint(const AskYesNo& confirm);

    // The save dialog, then the file. Returns the failure to show the operator
    // (the list and PointsChanged then stay as they were); nullopt when saved
    // or cancelled.
    std::optional<std::string> SavePointsAs(const ChooseFile& choose);

    // At close: with unsaved points asks UnsavedQuestion, on Yes SavePointsAs.
    // The program closes whatever the answer; a failed save is returned.
    std::optional<std::string> QuerySavePoints(const AskYesNo& ask, const ChooseFile& choose);

    // The grid: selected row (1 .. count, 1 when empty) and top data row.
    int SelectedRow() const { return selectedRow_; }
    // Only rows that hold a point can be selected; false otherwise.
    bool SelectRow(int row);
    int TopRow() const { return topRow_; }
    // Row 0 is the title row; data rows show RA, Dec, HA, next RA, next Dec
    // sexagesimal (RA, HA and next RA with tenths). Rows without a point are empty.
    std::string CellText(int row, int column) const;

    const PointList& points() const;

private:
    PointConditions Conditions() const;

    System& system_;
    PointList& list_;
    int selectedRow_ = 1;
    int topRow_ = 1;
};

}  // namespace orv
