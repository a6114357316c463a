#pragma once
// The Movement window: the next object by RA/Dec, by hour angle, by offset,
// the zenith, the cover/dewar position, the object library and the mark table,
// and the Start Slew / Stop / Start Trail buttons. OrvMoveDlg decides what each
// button sends; this window shows the fields and hands their values over.
// Modeless, on top of the other windows, created once for the run.

#include "controllers/OrvMoveDlg.h"
#include "ui/TOrvDialog.h"

class QButtonGroup;
class QLabel;
class QPushButton;
class QTabWidget;

namespace orv::ui {

class GridView;
class LibraryGridModel;
class MarkGridModel;
class TDegreeSpin;
class TFindDialog;
class TRealSpin;

class TMoveDlg : public TOrvDialog {
    Q_OBJECT
public:
    enum Page { SlewPage, OffsetPage, LibraryPage, MarkPage };

    explicit TMoveDlg(System& system, QWidget* parent = nullptr);

    // "&Movement...": the RA/Dec fields from the next object, then the window.
    void MoveMnuClick();
    // The main window's close sequence: unsaved marks are offered for saving.
    // False when the operator cancels: the program keeps running.
    bool QuerySaveMarks();

    OrvMoveDlg& controller() { return controller_; }
    QTabWidget* pages() const { return pages_; }
    GridView* libGrid() const { return libGrid_; }
    GridView* markGrid() const { return markGrid_; }
    TFindDialog* libraryFind() const { return libraryFind_; }
    TFindDialog* markFind() const { return markFind_; }

private:
    void buildSlewPage();
    void buildOffsetPage();
    void buildLibraryPage();
    void buildMarkPage();

    MarkFileDialogs markDialogs();
    // After a mark command: repaint the grid, show the file name, report an error.
    void marksDone(const OrvMoveDlg::FileOutcome& outcome);
    void librarySearch(const QString& text, bool down);
    void markSearch(const QString& text);

    OrvMoveDlg controller_;
    QTabWidget* pages_;
    TDegreeSpin* slewRA_ = nullptr;
    TDegreeSpin* slewDec_ = nullptr;
    TRealSpin* slewEpoch_ = nullptr;
    TDegreeSpin* slewHA_ = nullptr;
    TDegreeSpin* slewHDec_ = nullptr;
    TRealSpin* raOff_ = nullptr;
    TRealSpin* decOff_ = nullptr;
    QButtonGroup* sortBy_ = nullptr;
    GridView* libGrid_ = nullptr;
    LibraryGridModel* libModel_ = nullptr;
    GridView* markGrid_ = nullptr;
    MarkGridModel* markModel_ = nullptr;
    QLabel* markFile_ = nullptr;
    TFindDialog* libraryFind_ = nullptr;
    TFindDialog* markFind_ = nullptr;
    QPushButton* applySlew_ = nullptr;
    QPushButton* applyLib_ = nullptr;
};

}  // namespace orv::ui
