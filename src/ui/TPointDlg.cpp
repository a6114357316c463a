#include "ui/TPointDlg.h"

#include <QAbstractTableModel>
#include <QCheckBox>
#include <QFileDialog>
#include <QFontDatabase>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTabWidget>
#include <QVBoxLayout>

#include "config/PointList.h"
#include "ui/MovementGrids.h"
#include "ui/ResidualPlot.h"
#include "ui/UiSupport.h"

namespace orv::ui {

namespace {

constexpr int ColumnWidths[OrvPointsDlg::Columns] = {28, 60, 60, 60, 60, 60};
constexpr int RowHeight = 20;
constexpr int RowsShown = 12;
constexpr int PlotWidth = 700;   // pixels: under half the plot's own width, its type still readable
constexpr int ReportLines = 15;  // the terms, the zero points and the RMS without scrolling
constexpr const char* PointFileFilter = "Pointing Model|*.pat|All Files|*.*|";

// The grid: one row per possible point (the title row is the header); rows
// without a point cannot be selected.
class PointGridModel : public QAbstractTableModel {
public:
    PointGridModel(const OrvPointsDlg& points, QObject* parent) : QAbstractTableModel(parent), points_(points) {}

    void refresh() {
        emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
    }
    int rowCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : PointList::Capacity; }
    int columnCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : OrvPointsDlg::Columns;
    }
    QVariant data(const QModelIndex& index, int role) const override {
        if (role != Qt::DisplayRole || !index.isValid()) return {};
        return ToQString(points_.CellText(index.row() + 1, index.column()));
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (role != Qt::DisplayRole || orientation != Qt::Horizontal) return {};
        return ToQString(points_.CellText(0, section));
    }
    Qt::ItemFlags flags(const QModelIndex& index) const override {
        if (!index.isValid() || index.row() >= points_.points().count()) return Qt::NoItemFlags;
        return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    }

private:
    const OrvPointsDlg& points_;
};

}  // namespace

TPointDlg::TPointDlg(OrvPointsDlg& points, System& system, QWidget* parent)
    : TOrvDialog("TPointDlg", tr("Point Data"), PointsHelpTopic, parent),
      points_(points),
      fit_(system),
      pages_(new QTabWidget(this)),
      grid_(nullptr),
      periodic_(new QCheckBox(tr("Fit the periodic terms 5-8 too (they take effect at the next start)"))),
      apply_(makeButton("ApplyFitBtn", tr("Apply"))),
      reportArea_(new QScrollArea),
      summary_(new QLabel),
      report_(new QLabel),
      plot_(new QLabel) {
    setWindowFlag(Qt::WindowStaysOnTopHint);
    pages_->setObjectName("PageControl1");
    ask_ = [this](const std::string& question) {
        return QMessageBox::information(this, windowTitle(), ToQString(question), QMessageBox::Yes | QMessageBox::No) ==
               QMessageBox::Yes;
    };
    choose_ = [this]() -> std::optional<std::string> {
        QFileDialog dialog(this, PointFileDialog::Title, ".", QtFileFilter(PointFileFilter));
        dialog.setAcceptMode(QFileDialog::AcceptSave);   // asks before overwriting
        dialog.setDefaultSuffix(PointFileDialog::DefaultExtension);
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
        return ToStd(dialog.selectedFiles().front());
    };

    // "Collected Points": the grid and its buttons.
    auto* pointsPage = new QWidget(pages_);
    auto* pointsLayout = new QVBoxLayout(pointsPage);
    auto* group = new QGroupBox(tr("Collected Points"), pointsPage);
    auto* groupLayout = new QVBoxLayout(group);
    grid_ = new GridView(group);
    grid_->setObjectName("PointGrid");
    auto* model = new PointGridModel(points_, this);
    grid_->setModel(model);
    grid_->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid_->setSelectionMode(QAbstractItemView::SingleSelection);
    grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid_->setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    grid_->verticalHeader()->hide();
    grid_->verticalHeader()->setMinimumSectionSize(RowHeight);
    grid_->verticalHeader()->setDefaultSectionSize(RowHeight);
    grid_->setWordWrap(false);
    // Room for the widest text of each column ("-89 59 59", "23 59 59.9").
    int width = 0;
    for (int c = 0; c < OrvPointsDlg::Columns; ++c) {
        const QString widest = c == 0 ? "100" : c == 2 || c == 5 ? "-89 59 59" : "-11 59 59.9";
        const int w = std::max(ColumnWidths[c], grid_->fontMetrics().horizontalAdvance(widest) + 12);
        grid_->setColumnWidth(c, w);
        width += w;
    }
    grid_->setFixedWidth(width + grid_->verticalScrollBar()->sizeHint().width() + 2 * grid_->frameWidth());
    grid_->setMinimumHeight(RowHeight * RowsShown + grid_->horizontalHeader()->sizeHint().height() +
                            2 * grid_->frameWidth());
    auto* gridRow = new QHBoxLayout;
    gridRow->addWidget(grid_);
    auto* howTo = new QLabel(tr("For each star:\n\n1. Load it as the next object (Movement) and slew to it.\n\n"
                                "2. Centre it with the hand paddle.\n\n3. Take Point.\n\n"
                                "Stars spread over the whole sky give the best fit; twenty or more "
                                "determine every term."),
                             group);
    howTo->setObjectName("HowToDis");
    howTo->setWordWrap(true);
    howTo->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    gridRow->addWidget(howTo, 1);
    groupLayout->addLayout(gridRow, 1);
    connect(grid_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) {
                if (current.isValid()) points_.SelectRow(current.row() + 1);
            });

    QPushButton* take = makeButton("TakePointBtn", tr("Take Point"));
    QPushButton* remove = makeButton("DeleteBtn", tr("Delete Point"));
    QPushButton* save = makeButton("SaveBtn", tr("Save File"));
    QPushButton* fitFromPoints = makeButton("FitBtn", tr("Fit"));
    fitFromPoints->setToolTip(tr("Fit the pointing model to these points"));
    auto* pointButtons = new QHBoxLayout;
    for (QPushButton* b : {take, remove, save}) pointButtons->addWidget(b);
    pointButtons->addStretch(1);
    pointButtons->addWidget(fitFromPoints);
    pointsLayout->addWidget(group, 1);
    pointsLayout->addLayout(pointButtons);
    pages_->addTab(pointsPage, tr("Points"));

    connect(take, &QPushButton::clicked, this, [this] {
        points_.TakePoint();
        listChanged();
    });
    connect(remove, &QPushButton::clicked, this, [this] {
        if (points_.DeletePoint(ask_)) listChanged();
    });
    connect(save, &QPushButton::clicked, this, [this] {
        if (auto failure = points_.SavePointsAs(choose_)) hooks().error(ToQString(*failure));
    });
    connect(fitFromPoints, &QPushButton::clicked, this, [this] { fitPoints(); });

    // "Pointing Model Fit": the fit's report and residual plot, and Apply.
    auto* fitPage = new QWidget(pages_);
    auto* fitLayout = new QVBoxLayout(fitPage);
    periodic_->setObjectName("PeriodicChk");
    QPushButton* fitAgain = makeButton("FitAgainBtn", tr("Fit"));
    auto* fitButtons = new QHBoxLayout;
    fitButtons->addWidget(periodic_, 1);
    fitButtons->addWidget(fitAgain);
    fitButtons->addWidget(apply_);
    apply_->setEnabled(false);
    connect(fitAgain, &QPushButton::clicked, this, [this] { fitPoints(); });
    connect(apply_, &QPushButton::clicked, this, [this] { applyFit(); });
    report_->setObjectName("FitReportDis");
    report_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    report_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    report_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    report_->setText(tr("Take points on stars over the whole sky, then Fit."));
    reportArea_->setWidget(report_);
    reportArea_->setWidgetResizable(true);
    reportArea_->setBackgroundRole(QPalette::Window);   // the window's colours, by night too
    reportArea_->setMinimumHeight(report_->fontMetrics().lineSpacing() * ReportLines);
    summary_->setObjectName("FitSummaryDis");
    QFont bold = summary_->font();
    bold.setBold(true);
    summary_->setFont(bold);
    plot_->setObjectName("FitPlotDis");
    plot_->setAlignment(Qt::AlignCenter);
    plot_->setMinimumSize(PlotWidth, PlotWidth * 2 / 3);
    fitLayout->addLayout(fitButtons);
    fitLayout->addWidget(summary_);
    fitLayout->addWidget(reportArea_, 1);
    fitLayout->addWidget(plot_);
    pages_->addTab(fitPage, tr("Pointing Model Fit"));

    pages_->setCurrentIndex(PointsPage);
    followWindowColours(pages_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(pages_);
    layout->addLayout(makeButtonRow({}));
}

void TPointDlg::refreshGrid() {
    static_cast<PointGridModel*>(grid_->model())->refresh();
    if (points_.points().count() == 0) {
        grid_->clearSelection();
        grid_->setCurrentIndex({});
        return;
    }
    grid_->selectGridRow(points_.SelectedRow());
    grid_->verticalScrollBar()->setValue(points_.TopRow() - 1);
}

void TPointDlg::listChanged() {
    refreshGrid();
    // The fit shown no longer belongs to the points.
    apply_->setEnabled(false);
}

void TPointDlg::SavePointsMnuClick() {
    refreshGrid();
    showCentred();
}

void TPointDlg::QuerySavePoints() {
    if (auto failure = points_.QuerySavePoints(ask_, choose_)) hooks().error(ToQString(*failure));
}

void TPointDlg::fitPoints() {
    const astro::FitResult& fit = fit_.Fit(points_.points(), periodic_->isChecked());
    report_->setText(ToQString(fit_.ReportText()));
    summary_->setText(ToQString(fit_.SummaryText()));
    if (fit.ok) {
        const QImage image = DrawResidualPlot(fit, "Pointing model fit: " + std::to_string(fit.residuals.size()) +
                                                       " points of the Point Data window");
        plot_->setPixmap(QPixmap::fromImage(image.scaledToWidth(PlotWidth, Qt::SmoothTransformation)));
    } else {
        plot_->clear();
    }
    apply_->setEnabled(fit_.canApply());
    pages_->setCurrentIndex(FitPage);
}

void TPointDlg::applyFit() {
    if (!ask_(OrvPointFit::ApplyQuestion)) return;
    if (auto failure = fit_.Apply()) {
        hooks().error(ToQString(*failure));
        return;
    }
    apply_->setEnabled(false);   // applied once; a new fit may be applied again
    report_->setText(report_->text() + "\n" + ToQString(fit_.AppliedText()));
}

}  // namespace orv::ui
