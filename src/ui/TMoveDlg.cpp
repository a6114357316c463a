#include "ui/TMoveDlg.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QRadioButton>
#include <QStyle>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include "controllers/MarkGrid.h"
#include "ui/MovementGrids.h"
#include "ui/TDegreeSpin.h"
#include "ui/TFindDialog.h"
#include "ui/TRealSpin.h"
#include "ui/UiSupport.h"

namespace orv::ui {

namespace {

constexpr int LibraryColumnWidths[] = {25, 39, 84, 63, 51, 50};
constexpr int LibraryRowHeight = 16;
constexpr int LibraryRowsShown = 16;
constexpr int MarkColumnWidths[] = {22, 140, 56, 50, 40};
constexpr int MarkRowHeight = 20;

// Sets the grid's column widths (pixels of the small dialog font they were
// laid out for); a column whose texts need more room gets it. Returns the
// width the grid needs to show every column.
template <size_t N>
int SetColumnWidths(GridView& grid, const int (&widths)[N]) {
    int total = 0;
    for (int c = 0; c < static_cast<int>(N); ++c) {
        grid.resizeColumnToContents(c);
        const int w = std::max(widths[c], grid.columnWidth(c));
        grid.setColumnWidth(c, w);
        total += w;
    }
    return total + grid.verticalScrollBar()->sizeHint().width() + 2 * grid.frameWidth();
}

// A label on red, warning the operator before an hour-angle target.
QLabel* RedLabel(const QString& text) {
    auto* label = new QLabel(text);
    label->setStyleSheet("QLabel { background-color: #FF0000; color: #000000; padding: 2px; }");
    return label;
}

}  // namespace

TMoveDlg::TMoveDlg(System& system, QWidget* parent)
    : TOrvDialog("TMoveDlg", tr("Movement"), MoveHelpTopic, parent),
      controller_(system),
      pages_(new QTabWidget(this)) {
    setWindowFlag(Qt::WindowStaysOnTopHint);
    pages_->setObjectName("PageControl1");
    buildSlewPage();
    buildOffsetPage();
    buildLibraryPage();
    buildMarkPage();
    pages_->setCurrentIndex(SlewPage);
    followWindowColours(pages_);
    setPageDefaults(pages_, {applySlew_, nullptr, applyLib_, nullptr});

    QPushButton* trail = makeButton("StartTrailBtn", tr("Start Trail"));
    QPushButton* stop = makeButton("StopBtn", tr("Stop"));
    QPushButton* slew = makeButton("StartSlewBtn", tr("Start Slew"));
    connect(trail, &QPushButton::clicked, this, [this] { controller_.StartTrailBtnClick(); });
    connect(stop, &QPushButton::clicked, this, [this] { controller_.StopBtnClick(); });
    connect(slew, &QPushButton::clicked, this, [this] { controller_.StartSlewBtnClick(); });

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(pages_);
    layout->addLayout(makeButtonRow({trail, stop, slew}));
}

void TMoveDlg::buildSlewPage() {
    auto* page = new QWidget(pages_);
    auto* pageLayout = new QVBoxLayout(page);

    auto* raDec = new QGroupBox(tr("Set Slew Position (RA,DEC)"), page);
    auto* raDecGrid = new QGridLayout(raDec);
    slewRA_ = new TDegreeSpin(nullptr, OrvMoveDlg::SlewRASpin());
    slewRA_->setObjectName("SlewRASpin");
    slewDec_ = new TDegreeSpin(nullptr, OrvMoveDlg::SlewDecSpin());
    slewDec_->setObjectName("SlewDecSpin");
    slewEpoch_ = new TRealSpin(nullptr, OrvMoveDlg::SlewEpochSpin());
    slewEpoch_->setObjectName("SlewEpochSpin");
    addCaptioned(raDecGrid, tr("Slew Right Ascension"), slewRA_);
    addCaptioned(raDecGrid, tr("Slew Declination"), slewDec_);
    addCaptioned(raDecGrid, tr("Slew Epoch"), slewEpoch_);
    applySlew_ = makeButton("ApplySlewSpin", tr("Apply"));
    raDecGrid->addWidget(applySlew_, raDecGrid->rowCount(), 1, Qt::AlignRight);
    connect(applySlew_, &QPushButton::clicked, this, [this] {
        controller_.ApplySlewSpinClick({slewRA_->GetDegrees(), slewDec_->GetDegrees(), slewEpoch_->value()});
    });

    auto* haDec = new QGroupBox(tr("Set Slew Position (HA,DEC)"), page);
    auto* haDecGrid = new QGridLayout(haDec);
    haDecGrid->addWidget(RedLabel(tr("  Turn Track OFF !  ")), 0, 0, 1, 2, Qt::AlignHCenter);
    slewHA_ = new TDegreeSpin(nullptr, OrvMoveDlg::SlewHASpin());
    slewHA_->setObjectName("SlewHASpin");
    slewHDec_ = new TDegreeSpin(nullptr, OrvMoveDlg::SlewHDecSpin());
    slewHDec_->setObjectName("SlewHDecSpin");
    addCaptioned(haDecGrid, tr("HA"), slewHA_);
    addCaptioned(haDecGrid, tr("DEC"), slewHDec_);
    QPushButton* applyH = makeButton("ApplyHSlewSpin", tr("Apply"));
    haDecGrid->addWidget(applyH, haDecGrid->rowCount(), 1, Qt::AlignRight);
    connect(applyH, &QPushButton::clicked, this,
            [this] { controller_.ApplyHSlewSpinClick(slewHA_->GetDegrees(), slewHDec_->GetDegrees()); });

    pageLayout->addWidget(raDec);
    pageLayout->addWidget(haDec);
    pageLayout->addStretch(1);
    pages_->addTab(page, tr("Slew Position"));
}

void TMoveDlg::buildOffsetPage() {
    auto* page = new QWidget(pages_);
    auto* pageLayout = new QVBoxLayout(page);

    auto* offset = new QGroupBox(tr("Set Offset"), page);
    auto* offsetGrid = new QGridLayout(offset);
    raOff_ = new TRealSpin(nullptr, OrvMoveDlg::OffsetSpin());
    raOff_->setObjectName("RAOffSpin");
    decOff_ = new TRealSpin(nullptr, OrvMoveDlg::OffsetSpin());
    decOff_->setObjectName("DecOffSpin");
    addCaptioned(offsetGrid, tr("R.A. Offset"), raOff_);
    addCaptioned(offsetGrid, tr("Dec Offset"), decOff_);
    QPushButton* applyOff = makeButton("ApplyOffBtn", tr("Apply"));
    offsetGrid->addWidget(applyOff, offsetGrid->rowCount(), 1, Qt::AlignRight);
    connect(applyOff, &QPushButton::clicked, this,
            [this] { controller_.ApplyOffBtnClick(raOff_->value(), decOff_->value()); });

    // A group with a reminder and its Apply button.
    auto reminderGroup = [&](const QString& caption, const QString& reminder, const char* name) {
        auto* group = new QGroupBox(caption, page);
        auto* row = new QHBoxLayout(group);
        row->addWidget(new QLabel(reminder));
        row->addStretch(1);
        QPushButton* apply = makeButton(name, tr("Apply"));
        row->addWidget(apply);
        pageLayout->addWidget(group);
        return apply;
    };
    pageLayout->addWidget(offset);
    QPushButton* zenith = reminderGroup(tr("Set Zenith Position"), tr("Turn front panel track switch OFF"),
                                        "ApplyZenithBtn");
    QPushButton* cover = reminderGroup(tr("Set Cover / Dewer Service Position"),
                                       tr("Turn front panel track switch  OFF"), "SlewToCoverBtn");
    connect(zenith, &QPushButton::clicked, this, [this] { controller_.ApplyZenithBtnClick(); });
    connect(cover, &QPushButton::clicked, this, [this] { controller_.SlewToCoverBtnClick(); });
    pageLayout->addStretch(1);
    pages_->addTab(page, tr("Offset/Other"));
}

void TMoveDlg::buildLibraryPage() {
    auto* page = new QWidget(pages_);
    auto* pageLayout = new QVBoxLayout(page);
    auto* heading = new QLabel(tr("Zev Catalog of Astronomical Objects"), page);
    QFont bold = heading->font();
    bold.setBold(true);
    heading->setFont(bold);
    pageLayout->addWidget(heading, 0, Qt::AlignHCenter);

    auto* sortGroup = new QGroupBox(tr("Sort By:"), page);
    sortGroup->setObjectName("SortByRadio");
    auto* sortGrid = new QGridLayout(sortGroup);
    sortBy_ = new QButtonGroup(this);
    const QString keys[] = {tr("Zev Number"), tr("Common Name"), tr("Catalog Name"), tr("Right Ascension"),
                            tr("Declination")};
    for (int i = 0; i < 5; ++i) {
        auto* radio = new QRadioButton(keys[i], sortGroup);
        sortBy_->addButton(radio, i);
        sortGrid->addWidget(radio, i % 3, i / 3);   // two columns
    }
    sortBy_->button(controller_.sortIndex())->setChecked(true);

    libGrid_ = new GridView(page);
    libGrid_->setObjectName("LibGrid");
    libModel_ = new LibraryGridModel(controller_.library(), this);
    libGrid_->setModel(libModel_);
    libGrid_->setSelectionBehavior(QAbstractItemView::SelectRows);
    libGrid_->setSelectionMode(QAbstractItemView::SingleSelection);
    libGrid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    libGrid_->verticalHeader()->hide();
    libGrid_->verticalHeader()->setMinimumSectionSize(LibraryRowHeight);
    libGrid_->verticalHeader()->setDefaultSectionSize(LibraryRowHeight);
    libGrid_->setWordWrap(false);
    libGrid_->setMinimumWidth(SetColumnWidths(*libGrid_, LibraryColumnWidths));
    libGrid_->setMinimumHeight(LibraryRowHeight * LibraryRowsShown + libGrid_->horizontalHeader()->sizeHint().height() +
                               2 * libGrid_->frameWidth());
    libGrid_->selectGridRow(1);
    connect(sortBy_, &QButtonGroup::idClicked, this, [this](int index) {
        controller_.SortByRadioClick(index);
        libModel_->FillLibraryGrid();
        libGrid_->selectGridRow(1);
    });

    libraryFind_ = new TFindDialog(TFindDialog::Kind::Library, this);
    connect(libraryFind_, &TFindDialog::find, this, &TMoveDlg::librarySearch);
    QPushButton* search = makeButton("SearchBtn", tr("Search"));
    connect(search, &QPushButton::clicked, this, [this] {
        libraryFind_->show();
        libraryFind_->raise();
    });
    applyLib_ = makeButton("ApplyLibBtn", tr("Apply Selected"));
    connect(applyLib_, &QPushButton::clicked, this, [this] { controller_.ApplyLibBtnClick(libGrid_->gridRow()); });

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(search);
    buttons->addStretch(1);
    buttons->addWidget(applyLib_);
    pageLayout->addWidget(sortGroup);
    pageLayout->addWidget(libGrid_, 1);
    pageLayout->addLayout(buttons);
    pages_->addTab(page, tr("Zev Object Library "));
}

void TMoveDlg::buildMarkPage() {
    auto* page = new QWidget(pages_);
    auto* pageLayout = new QVBoxLayout(page);
    auto* group = new QGroupBox(tr("Saved Locations"), page);
    auto* groupLayout = new QHBoxLayout(group);

    markGrid_ = new GridView(group);
    markGrid_->setObjectName("MarkGrid");
    markModel_ = new MarkGridModel(controller_.marks(), this);
    markGrid_->setModel(markModel_);
    markGrid_->setItemDelegate(new MarkCellDelegate(markGrid_));
    markGrid_->setSelectionBehavior(QAbstractItemView::SelectItems);
    markGrid_->setSelectionMode(QAbstractItemView::SingleSelection);
    markGrid_->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                               QAbstractItemView::AnyKeyPressed);
    markGrid_->verticalHeader()->hide();
    markGrid_->verticalHeader()->setMinimumSectionSize(MarkRowHeight);
    markGrid_->verticalHeader()->setDefaultSectionSize(MarkRowHeight);
    markGrid_->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    markGrid_->setWordWrap(false);
    markGrid_->setMinimumWidth(SetColumnWidths(*markGrid_, MarkColumnWidths));
    markGrid_->setCurrentIndex(markModel_->index(0, MarkDescriptionColumn));
    groupLayout->addWidget(markGrid_, 1);

    // The tool buttons beside the grid; the operator reads their hints.
    auto* tools = new QVBoxLayout;
    auto tool = [&](const char* name, QStyle::StandardPixmap icon, const QString& hint, const QString& text) {
        auto* b = new QToolButton(group);
        b->setObjectName(name);
        b->setIcon(style()->standardIcon(icon));
        b->setText(text);
        b->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        b->setToolTip(hint);
        b->setMinimumWidth(90);
        tools->addWidget(b);
        return b;
    };
    QToolButton* up = tool("MoveUpBtn", QStyle::SP_ArrowUp, tr("Move Mark Up"), tr("Up"));
    QToolButton* down = tool("MoveDownBtn", QStyle::SP_ArrowDown, tr("Move Mark Down"), tr("Down"));
    QToolButton* del = tool("DeleteBtn", QStyle::SP_DialogDiscardButton, tr("Delete Mark"), tr("Delete"));
    QToolButton* current =
        tool("UseCurrentBtn", QStyle::SP_ComputerIcon, tr("Use Current Location"), tr("Current"));
    tools->addSpacing(8);
    QToolButton* load = tool("LoadMarksBtn", QStyle::SP_DialogOpenButton, tr("Load Mark File"), tr("Load"));
    QToolButton* save = tool("SaveMarksBtn", QStyle::SP_DialogSaveButton, tr("Save Mark File"), tr("Save"));
    QToolButton* saveAs = tool("SaveAsBtn", QStyle::SP_FileDialogNewFolder, tr("Save Marks As"), tr("Save As"));
    tools->addStretch(1);
    QPushButton* find = makeButton("FindShotBtn", tr("Find "));
    QPushButton* apply = makeButton("ApplyTableBtn", tr("Apply Selected"));
    tools->addWidget(find);
    tools->addWidget(apply);
    groupLayout->addLayout(tools);

    auto* filePanel = new QHBoxLayout;
    filePanel->addWidget(new QLabel(tr(" Filename:")));
    markFile_ = new QLabel(page);
    markFile_->setObjectName("MarkFileDis");
    filePanel->addWidget(markFile_, 1);
    pageLayout->addWidget(group, 1);
    pageLayout->addLayout(filePanel);
    pages_->addTab(page, tr("Mark/Move Table"));

    // Row commands: the open cell editor stores its text first.
    auto rowCommand = [this](auto command) {
        return [this, command] {
            markGrid_->leaveEditing();
            const int next = command(markGrid_->gridRow());
            markModel_->refresh();
            markGrid_->selectGridRow(next);
        };
    };
    connect(up, &QToolButton::clicked, this, rowCommand([this](int r) { return controller_.MoveUpBtnClick(r); }));
    connect(down, &QToolButton::clicked, this,
            rowCommand([this](int r) { return controller_.MoveDownBtnClick(r); }));
    connect(del, &QToolButton::clicked, this, rowCommand([this](int r) {
                controller_.DeleteBtnClick(r);
                return r;
            }));
    connect(current, &QToolButton::clicked, this, rowCommand([this](int r) {
                controller_.UseCurrentBtnClick(r);
                return r;
            }));
    connect(load, &QToolButton::clicked, this, [this] {
        markGrid_->leaveEditing();
        marksDone(controller_.LoadMarks(markDialogs()));
    });
    connect(save, &QToolButton::clicked, this, [this] {
        markGrid_->leaveEditing();
        marksDone(controller_.SaveMarks(markDialogs()));
    });
    connect(saveAs, &QToolButton::clicked, this, [this] {
        markGrid_->leaveEditing();
        marksDone(controller_.SaveMarksAs(markDialogs()));
    });
    markFind_ = new TFindDialog(TFindDialog::Kind::Marks, this);
    connect(markFind_, &TFindDialog::find, this, [this](const QString& text, bool) { markSearch(text); });
    connect(find, &QPushButton::clicked, this, [this] {
        markFind_->show();
        markFind_->raise();
    });
    connect(apply, &QPushButton::clicked, this, [this] {
        markGrid_->leaveEditing();
        controller_.ApplyTableBtnClick(markGrid_->gridRow());
    });
}

void TMoveDlg::MoveMnuClick() {
    const SlewPositionFields next = controller_.MoveMnuClick();
    slewRA_->SetDegrees(next.RA);
    slewDec_->SetDegrees(next.Dec);
    slewEpoch_->setValue(next.Epoch);
    showCentred();
}

MarkFileDialogs TMoveDlg::markDialogs() {
    const DialogHooks& h = hooks();
    return {h.askSave,
            [h](const std::string& current) { return h.chooseSaveName(MarkFileFilter, MarkFileExtension, current); },
            [h] { return h.chooseOpenName(MarkFileFilter); }};
}

void TMoveDlg::marksDone(const OrvMoveDlg::FileOutcome& outcome) {
    markModel_->refresh();
    markFile_->setText(ToQString(controller_.MarkFileDis()));
    if (!outcome.error.empty()) hooks().error(ToQString(outcome.error));
}

bool TMoveDlg::QuerySaveMarks() {
    markGrid_->leaveEditing();
    const OrvMoveDlg::FileOutcome outcome = controller_.QuerySaveMarksAtExit(markDialogs());
    marksDone(outcome);
    return outcome.done;
}

void TMoveDlg::librarySearch(const QString& text, bool down) {
    const auto result = controller_.FindDialog1Find(ToStd(text), libGrid_->gridRow(), down);
    if (result.found) libGrid_->selectGridRow(result.gridRow);
    else hooks().warn(ToQString(result.message));
}

void TMoveDlg::markSearch(const QString& text) {
    const auto result = controller_.FindMarkStep(markGrid_->gridRow(), ToStd(text));
    if (result.row > 0) markGrid_->selectGridRow(result.row);
    else hooks().warn(ToQString(result.message));
}

}  // namespace orv::ui
