#include "ui/TKAVDlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QTableWidget>
#include <QTabWidget>
#include <QVBoxLayout>

#include "ui/TIntegerSpin.h"
#include "ui/UiSupport.h"

namespace orv::ui {

namespace {

constexpr int FieldWidth = 64;   // pixels: "-9999" and a 12-bit ADU with room to spare

WindowColour PanelColour(KAVColour colour) {
    switch (colour) {
        case KAVColour::Yellow: return Yellow;
        case KAVColour::Red: return Red;
        case KAVColour::Lime: break;
    }
    return Lime;
}

QLabel* MakeField(const char* name, QWidget* parent) {
    auto* field = new QLabel(parent);
    field->setObjectName(name);
    field->setFrameShape(QFrame::Panel);
    field->setFrameShadow(QFrame::Sunken);
    field->setMinimumWidth(FieldWidth);
    field->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return field;
}

// A filter table: the row number and the description, rows from 1.
QTableWidget* MakeFilterTable(const char* name, int rows, QWidget* parent) {
    auto* table = new QTableWidget(rows, 2, parent);
    table->setObjectName(name);
    table->setHorizontalHeaderLabels({QObject::tr("#"), QObject::tr("Description")});
    table->verticalHeader()->hide();
    table->horizontalHeader()->setStretchLastSection(true);
    table->setColumnWidth(0, 28);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::SingleSelection);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    for (int r = 0; r < rows; ++r) {
        table->setItem(r, 0, new QTableWidgetItem(QString::number(r + 1)));
        table->setItem(r, 1, new QTableWidgetItem);
        table->setRowHeight(r, table->fontMetrics().height() + 6);
    }
    table->setCurrentCell(0, 1);
    const int height = table->horizontalHeader()->sizeHint().height() + rows * table->rowHeight(0) + 4;
    table->setFixedHeight(height);
    table->setMinimumWidth(200);
    return table;
}

// A page: `body` on the left, the buttons stacked on the right.
QWidget* MakePage(QWidget* pages, QWidget* body, std::initializer_list<QPushButton*> buttons) {
    auto* page = new QWidget(pages);
    auto* layout = new QHBoxLayout(page);
    layout->addWidget(body, 1, Qt::AlignTop);
    auto* column = new QVBoxLayout;
    for (QPushButton* b : buttons) column->addWidget(b);
    column->addStretch(1);
    layout->addLayout(column);
    return page;
}

}  // namespace

TKAVDlg::TKAVDlg(KAVLink& link, Clock& clock, KAVLabelAccess labels, QWidget* parent)
    : TOrvDialog("TKAVDlg", tr(KAVDialogModel::Caption), 0, parent),
      model_(link, clock),
      labelAccess_(std::move(labels)),
      pages_(new QTabWidget(this)),
      south_(MakeFilterTable("SouthList", KAVDialogModel::SouthFilters, this)),
      onAxis_(MakeFilterTable("OnAxisList", KAVDialogModel::OnAxisFilters, this)),
      stow_(new QRadioButton(tr("Stow"))),
      mirror_(new QComboBox(this)),
      bits_(new QListWidget(this)),
      value_(new TIntegerSpin(nullptr, KAVPortBits::ValueSpin())),
      hex_(MakeField("HexDis", this)),
      status_(new QLabel(this)),
      probeX_(MakeField("GuideProbeXDis", this)),
      probeY_(MakeField("GuideProbeYDis", this)),
      logDetails_(new QCheckBox(tr("Log Communication Details"), this)) {
    setWindowFlag(Qt::WindowStaysOnTopHint);
    ask_ = [this](const KAVLabelQuestion& q) -> std::optional<std::string> {
        bool ok = false;
        const QString answer = QInputDialog::getText(this, ToQString(q.title), ToQString(q.prompt),
                                                     QLineEdit::Normal, ToQString(q.text), &ok);
        if (!ok) return std::nullopt;
        return ToStd(answer);
    };

    pages_->setObjectName("PageControl1");
    pages_->setUsesScrollButtons(false);
    pages_->addTab(buildSouthPage(), tr("South Filter Wheel"));
    pages_->addTab(buildStagePage(), tr("Translating Stage"));
    pages_->addTab(buildMirrorPage(), tr("Rotating Mirror"));
    pages_->addTab(buildOnAxisPage(), tr("On Axis Filter Wheel"));
    pages_->addTab(buildPortPage(), tr("KAV I/O"));
    followWindowColours(pages_);

    QPushButton* update = makeButton("UpdateKAVPositionButton", tr("Update KAV status"));
    connect(update, &QPushButton::clicked, this, [this] { model_.UpdateKAVStatus(); });
    logDetails_->setObjectName("LogDetailsChk");
    connect(logDetails_, &QCheckBox::toggled, this, [this](bool on) { model_.SetLogCommunicationDetails(on); });
    QPushButton* close = makeButton("BitBtn1", tr("&Close"));
    connect(close, &QPushButton::clicked, this, &TKAVDlg::reject);
    auto* row = new QHBoxLayout;
    row->addWidget(update);
    row->addWidget(logDetails_);
    row->addStretch(1);
    row->addWidget(close);

    auto* top = new QHBoxLayout;
    top->addWidget(pages_, 1);
    top->addWidget(buildStatus());
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(row);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    // As the window is first made: the mirror north, bit 0 and row 1 current,
    // the stage's page in front, the hex field from the value.
    mirror_->setCurrentIndex(0);
    bits_->setCurrentRow(0);
    pages_->setCurrentIndex(StagePage);
    showLabels();
    showPortBits();
    timer_.setInterval(int(KAVDialogModel::RefreshMs));
    connect(&timer_, &QTimer::timeout, this, &TKAVDlg::KAVTimerTimer);
    KAVTimerTimer();
}

TKAVDlg::~TKAVDlg() { timer_.stop(); }

QWidget* TKAVDlg::buildSouthPage() {
    QPushButton* apply = makeButton("ApplySouthBtn", tr("Apply"));
    QPushButton* edit = makeButton("EditSouthBtn", tr("Edit Name"));
    connect(apply, &QPushButton::clicked, this, [this] { model_.ApplySouth(south_->currentRow() + 1); });
    connect(edit, &QPushButton::clicked, this,
            [this] { editLabel(KAVLabelList::SouthFilters, south_->currentRow() + 1); });
    connect(south_, &QTableWidget::cellDoubleClicked, this,
            [this](int r, int) { editLabel(KAVLabelList::SouthFilters, r + 1); });
    return MakePage(pages_, south_, {apply, edit});
}

QWidget* TKAVDlg::buildStagePage() {
    auto* group = new QGroupBox(tr("Position"));
    group->setObjectName("TransStageRadio");
    auto* onAxis = new QRadioButton(tr("On Axis"));
    stow_->setChecked(true);
    auto* radio = new QVBoxLayout(group);
    radio->addWidget(stow_);
    radio->addWidget(onAxis);
    QPushButton* apply = makeButton("ApplyTransStageBtn", tr("Apply"));
    connect(apply, &QPushButton::clicked, this, [this] { model_.ApplyTransStage(stow_->isChecked()); });
    return MakePage(pages_, group, {apply});
}

QWidget* TKAVDlg::buildMirrorPage() {
    mirror_->setObjectName("MirrorCombo");
    for (const char* name : KAVDialogModel::MirrorNames) mirror_->addItem(tr(name));
    QPushButton* apply = makeButton("ApplyMirrorBtn", tr("Apply"));
    connect(apply, &QPushButton::clicked, this, [this] { model_.ApplyMirror(mirror_->currentIndex()); });
    auto* body = new QWidget;
    auto* grid = new QGridLayout(body);
    addCaptioned(grid, tr("Mirror Position"), mirror_);
    grid->setColumnStretch(2, 1);
    return MakePage(pages_, body, {apply});
}

QWidget* TKAVDlg::buildOnAxisPage() {
    QPushButton* apply = makeButton("ApplyAxisFilterBtn", tr("Apply"));
    QPushButton* edit = makeButton("EditOnAxisBtn", tr("Edit Name"));
    connect(apply, &QPushButton::clicked, this, [this] { model_.ApplyAxisFilter(onAxis_->currentRow() + 1); });
    connect(edit, &QPushButton::clicked, this,
            [this] { editLabel(KAVLabelList::OnAxisFilters, onAxis_->currentRow() + 1); });
    connect(onAxis_, &QTableWidget::cellDoubleClicked, this,
            [this](int r, int) { editLabel(KAVLabelList::OnAxisFilters, r + 1); });
    return MakePage(pages_, onAxis_, {apply, edit});
}

QWidget* TKAVDlg::buildPortPage() {
    bits_->setObjectName("KAVBitList");
    for (int i = 0; i < KAVPortBits::Bits; ++i) {
        auto* item = new QListWidgetItem(bits_);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Unchecked);
    }
    bits_->setFixedHeight(KAVPortBits::Bits * (bits_->fontMetrics().height() + 4) + 6);
    bits_->setMinimumWidth(140);
    connect(bits_, &QListWidget::itemChanged, this, [this](QListWidgetItem* item) {
        portBits_.KAVBitListClickCheck(bits_->row(item), item->checkState() == Qt::Checked);
        showPortBits();
    });
    connect(bits_, &QListWidget::itemDoubleClicked, this,
            [this](QListWidgetItem* item) { editLabel(KAVLabelList::Bits, bits_->row(item)); });
    value_->setObjectName("KAVIOValueSpin");
    connect(value_, &TIntegerSpin::valueChanged, this, [this](qint64 v) {
        portBits_.KAVIOValueSpinChange(int(v));
        showPortBits();
    });

    auto* body = new QWidget;
    auto* grid = new QGridLayout(body);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->addWidget(bits_, 0, 0, 3, 1);
    value_->setFixedWidth(FieldWidth + 24);   // three digits beside the spin buttons
    hex_->setFixedWidth(FieldWidth);
    grid->addWidget(new QLabel(tr("Value")), 0, 1, Qt::AlignRight);
    grid->addWidget(value_, 0, 2, Qt::AlignLeft);
    grid->addWidget(new QLabel(tr("Hex")), 1, 1, Qt::AlignRight);
    grid->addWidget(hex_, 1, 2, Qt::AlignLeft);
    grid->setRowStretch(2, 1);
    grid->setColumnStretch(3, 1);
    QPushButton* apply = makeButton("ApplyPortBtn", tr("Apply"));
    QPushButton* edit = makeButton("Button1", tr("Edit Bit Labels"));
    connect(apply, &QPushButton::clicked, this, [this] { model_.ApplyPort(int(value_->value())); });
    connect(edit, &QPushButton::clicked, this, [this] { editLabel(KAVLabelList::Bits, bits_->currentRow()); });
    return MakePage(pages_, body, {apply, edit});
}

QWidget* TKAVDlg::buildStatus() {
    auto* group = new QGroupBox(tr("KAV Status"), this);
    auto* grid = new QGridLayout(group);
    status_->setObjectName("StatusDis");
    status_->setAutoFillBackground(true);
    status_->setAlignment(Qt::AlignCenter);
    status_->setMinimumHeight(status_->fontMetrics().height() + 10);
    QFont bold = status_->font();
    bold.setBold(true);
    status_->setFont(bold);
    grid->addWidget(status_, 0, 0, 1, 3);
    grid->addWidget(new QLabel(tr("Position")), 1, 1, Qt::AlignHCenter);
    grid->addWidget(new QLabel(tr("ADU")), 1, 2, Qt::AlignHCenter);
    for (size_t i = 0; i < fields_.size(); ++i) fields_[i] = MakeField(DisplayFields[i], group);
    // Caption, position field, ADU field (none for the mirror and the port).
    const std::tuple<QString, QLabel*, QLabel*> rows[] = {
        {tr("South Wheel"), fields_[0], fields_[1]}, {tr("Stage"), fields_[2], fields_[3]},
        {tr("Mirror"), fields_[4], nullptr},          {tr("On Axis Wheel"), fields_[5], fields_[6]},
        {tr("KAV I/O"), fields_[7], nullptr}};
    for (const auto& [caption, position, adu] : rows) {
        const int r = grid->rowCount();
        grid->addWidget(new QLabel(caption), r, 0, Qt::AlignRight);
        grid->addWidget(position, r, 1);
        if (adu) grid->addWidget(adu, r, 2);
    }
    auto* probe = new QGroupBox(tr("Guide Probe"), this);
    auto* probeGrid = new QGridLayout(probe);
    addCaptioned(probeGrid, tr("X"), probeX_);
    addCaptioned(probeGrid, tr("Y"), probeY_);

    auto* column = new QWidget(this);
    auto* layout = new QVBoxLayout(column);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(group);
    layout->addWidget(probe);
    layout->addStretch(1);
    return column;
}

KAVLabels TKAVDlg::labels() const { return labelAccess_.get ? labelAccess_.get() : ownLabels_; }

void TKAVDlg::showLabels() {
    shownLabels_ = labels();
    for (int r = 0; r < KAVDialogModel::SouthFilters; ++r)
        south_->item(r, 1)->setText(ToQString(shownLabels_.SouthFilters[size_t(r)]));
    for (int r = 0; r < KAVDialogModel::OnAxisFilters; ++r)
        onAxis_->item(r, 1)->setText(ToQString(shownLabels_.OnAxisFilters[size_t(r)]));
    const QSignalBlocker quiet(bits_);
    for (int i = 0; i < KAVPortBits::Bits; ++i) bits_->item(i)->setText(ToQString(shownLabels_.Bits[size_t(i)]));
}

void TKAVDlg::showPortBits() {
    {
        const QSignalBlocker quiet(bits_);
        for (int i = 0; i < KAVPortBits::Bits; ++i)
            bits_->item(i)->setCheckState(portBits_.checked(i) ? Qt::Checked : Qt::Unchecked);
    }
    {
        const QSignalBlocker quiet(value_);
        value_->setValue(portBits_.value());
    }
    hex_->setText(ToQString(portBits_.hex()));
}

void TKAVDlg::editLabel(KAVLabelList list, int index) {
    const auto question = KAVLabelEditQuestion(labels(), list, index);
    if (!question || !ask_) return;
    const auto answer = ask_(*question);
    if (!answer) return;
    KAVLabels edited = labels();
    SetKAVLabel(edited, list, index, *answer);
    if (labelAccess_.set) labelAccess_.set(edited);
    else ownLabels_ = edited;
    showLabels();
}

void TKAVDlg::KAVMnuClick() {
    showLabels();
    showCentred();
}

void TKAVDlg::KAVTimerTimer() {
    const KAVDialogModel::View v = model_.Refresh();
    status_->setText(ToQString(v.statusText));
    QPalette palette = status_->palette();
    palette.setColor(QPalette::Window, Qt::black);
    palette.setColor(QPalette::WindowText, ToQColor(PanelColour(v.statusColour)));
    status_->setPalette(palette);
    const KAVDisplay& d = v.devices;
    const int shown[] = {d.southPosition, d.southADU,      d.stagePosition, d.stageADU,
                         d.mirrorPosition, d.onAxisPosition, d.onAxisADU,    d.ioValue};
    for (size_t i = 0; i < fields_.size(); ++i) fields_[i]->setText(QString::number(shown[i]));
    probeX_->setText(QString::number(v.guideProbe.x));
    probeY_->setText(QString::number(v.guideProbe.y));
    // The operator's defaults may have brought other labels meanwhile.
    if (labels() != shownLabels_) showLabels();
}

void TKAVDlg::showEvent(QShowEvent* event) {
    TOrvDialog::showEvent(event);
    model_.FormShow();
    KAVTimerTimer();
    timer_.start();
}

void TKAVDlg::hideEvent(QHideEvent* event) {
    timer_.stop();
    model_.FormHide();
    TOrvDialog::hideEvent(event);
}

void TKAVDlg::reject() {
    model_.Close();
    TOrvDialog::reject();
}

}  // namespace orv::ui
