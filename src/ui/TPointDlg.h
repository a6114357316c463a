#pragma once
// The Point Data window: the collected pointing points in a grid, Take Point,
// Delete Point (after a question), Save File (the .pat save dialog), and the
// pointing-model fit of those points with its Apply. OrvPointsDlg and
// OrvPointFit decide; this window shows the grid, the fit's report and its
// residual plot. Modeless, on top, created once.

#include <functional>
#include <optional>
#include <string>

#include "controllers/OrvPointFit.h"
#include "controllers/OrvPointsDlg.h"
#include "ui/TOrvDialog.h"

class QCheckBox;
class QLabel;
class QPushButton;
class QScrollArea;
class QTabWidget;

namespace orv::ui {

class GridView;

class TPointDlg : public TOrvDialog {
    Q_OBJECT
public:
    enum Page { PointsPage, FitPage };
    static constexpr int PointsHelpTopic = 7;

    // `points` is the program's one model of the point list (it also answers
    // the close question); `system` gives the fit its site, terms and door.
    TPointDlg(OrvPointsDlg& points, System& system, QWidget* parent = nullptr);

    // "&Save Point Data...": the grid as it is now, then the window.
    void SavePointsMnuClick();
    // The close question about unsaved points (the program closes whatever the
    // answer); a failed save is shown.
    void QuerySavePoints();

    // The Yes/No information box and the point file's save dialog, replaceable for tests.
    void setAskYesNo(OrvPointsDlg::AskYesNo ask) { ask_ = std::move(ask); }
    void setChooseFile(OrvPointsDlg::ChooseFile choose) { choose_ = std::move(choose); }

    GridView* grid() const { return grid_; }
    QTabWidget* pages() const { return pages_; }
    QLabel* report() const { return report_; }
    QLabel* summary() const { return summary_; }
    QLabel* plot() const { return plot_; }
    OrvPointFit& fit() { return fit_; }

private:
    void refreshGrid();
    void listChanged();
    void fitPoints();
    void applyFit();

    OrvPointsDlg& points_;
    OrvPointFit fit_;
    OrvPointsDlg::AskYesNo ask_;
    OrvPointsDlg::ChooseFile choose_;
    QTabWidget* pages_;
    GridView* grid_;
    QCheckBox* periodic_;
    QPushButton* apply_;
    QScrollArea* reportArea_;
    QLabel* summary_;
    QLabel* report_;
    QLabel* plot_;
};

}  // namespace orv::ui
