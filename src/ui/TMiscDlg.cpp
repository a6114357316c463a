#include "ui/TMiscDlg.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>

#include "ui/TOnOffBox.h"
#include "ui/TRealSpin.h"

namespace orv::ui {

namespace {

// A group box below the others on page `page` of `pages` (before its stretch).
QGridLayout* AddGroup(QTabWidget* pages, int page, const QString& caption) {
    auto* layout = static_cast<QVBoxLayout*>(pages->widget(page)->layout());
    auto* group = new QGroupBox(caption);
    layout->insertWidget(layout->count() - 1, group);
    return new QGridLayout(group);
}

}  // namespace

TMiscDlg::TMiscDlg(System& system, QWidget* parent)
    : TOrvDialog("TMiscDlg", tr("Misc. Settings"), MiscHelpTopic, parent),
      controller_(system),
      pages_(new QTabWidget(this)),
      domeAz_(new TRealSpin(nullptr, OrvMiscDlg::DomeAZSpin())),
      cloudSensor_(new QCheckBox(tr("Disable Cloud Sensor Input"))),
      epoch_(new TRealSpin(nullptr, OrvMiscDlg::DisEpochSpin())),
      east_(new QRadioButton(tr("Set East side operation"))),
      west_(new QRadioButton(tr("Set West side operation"))),
      focus_(new TRealSpin(nullptr, OrvMiscDlg::FocusSpin())) {
    pages_->setObjectName("PageControl1");
    pages_->tabBar()->setUsesScrollButtons(false);   // every page's tab in view

    // "Switches": the four boxes, each with its caption beside it. The boxes
    // are made inside their group: a box made without a parent would count as
    // a hidden window in the layout until the window is shown.
    QGridLayout* switches = addPageGroup(pages_, tr("Switches"), tr("Set Switches"));
    QWidget* switchGroup = switches->parentWidget();
    cosDec_ = new TOnOffBox(switchGroup);
    rateCorrect_ = new TOnOffBox(switchGroup);
    domeOn_ = new TOnOffBox(switchGroup);
    domeTrack_ = new TOnOffBox(switchGroup);
    domeTrack_->setCaptions("Track", "Home");
    const std::tuple<TOnOffBox*, const char*, QString> boxes[] = {
        {cosDec_, "CosDecOnOff", tr(" Cosine Declination")},
        {rateCorrect_, "RateCorrectOnOff", tr(" Rate Correction")},
        {domeOn_, "DomeOnOff", tr(" Dome")},
        {domeTrack_, "GuiderOnOff", tr(" Dome ")}};
    for (const auto& [box, name, caption] : boxes) {
        box->setObjectName(name);
        const int row = switches->rowCount();
        switches->addWidget(box, row, 0, Qt::AlignLeft);
        switches->addWidget(new QLabel(caption), row, 1);
    }
    switches->setColumnStretch(1, 1);
    QPushButton* applySwitch = makeButton("ApplySwitchBtn", tr("Apply"));
    switches->addWidget(applySwitch, switches->rowCount(), 1, Qt::AlignRight);
    connect(applySwitch, &QPushButton::clicked, this, [this] { controller_.ApplySwitchBtnClick(this->switches()); });

    QGridLayout* dome = AddGroup(pages_, SwitchesPage, tr("Send Dome to an Azimuth Position"));
    domeAz_->setObjectName("DomeAZSpin");
    addCaptioned(dome, tr("Dome AZ"), domeAz_);
    QPushButton* applyDome = makeButton("BitBtn2", tr("Apply"));
    dome->addWidget(applyDome, dome->rowCount(), 1, Qt::AlignRight);
    connect(applyDome, &QPushButton::clicked, this, [this] { controller_.ApplyDomeAzBtnClick(domeAz_->value()); });
    cloudSensor_->setObjectName("CloudSensorChk");
    auto* switchesLayout = static_cast<QVBoxLayout*>(pages_->widget(SwitchesPage)->layout());
    switchesLayout->insertWidget(switchesLayout->count() - 1, cloudSensor_);
    connect(cloudSensor_, &QCheckBox::toggled, this, [this](bool on) { controller_.CloudSensorChkClick(on); });

    // "Display Epoch / Side of Pier".
    QGridLayout* epoch = addPageGroup(pages_, tr("Display Epoch / Side of Pier"), tr("Set Display Epoch"));
    epoch_->setObjectName("DisEpochSpin");
    addCaptioned(epoch, tr("Epoch"), epoch_);
    QPushButton* applyEpoch = makeButton("ApplyEpochBtn", tr("Apply"));
    epoch->addWidget(applyEpoch, epoch->rowCount(), 1, Qt::AlignRight);
    connect(applyEpoch, &QPushButton::clicked, this, [this] { controller_.ApplyEpochBtnClick(epoch_->value()); });

    QGridLayout* side = AddGroup(pages_, EpochPage, tr("Set Side of Pier"));
    east_->setObjectName("EastRadioButton");
    west_->setObjectName("WestRadioButton");
    side->addWidget(east_, 0, 0);
    side->addWidget(west_, 1, 0);
    QPushButton* applySide = makeButton("EastWestButton", tr("Apply"));
    side->addWidget(applySide, 1, 1, Qt::AlignRight);
    auto* sideNote = new QLabel(tr("Set Side, Save Defaults and Restart Orv to Change Side of Pier"));
    sideNote->setWordWrap(true);
    side->addWidget(sideNote, 2, 0, 1, 2);
    connect(applySide, &QPushButton::clicked, this, [this] { controller_.EastWestButtonClick(east_->isChecked()); });

    // "Focus/Harmonic/Shutter".
    QGridLayout* focus = addPageGroup(pages_, tr("Focus/Harmonic/Shutter"), tr("Move Focus Position"));
    focus_->setObjectName("FocusSpin");
    focus_->setValue(FocusDefault);
    addCaptioned(focus, tr("Target Position"), focus_);
    QPushButton* applyFocus = makeButton("ApplyFocusBtn", tr("Apply"));
    focus->addWidget(applyFocus, focus->rowCount(), 1, Qt::AlignRight);
    connect(applyFocus, &QPushButton::clicked, this, [this] { controller_.ApplyFocusBtnClick(focus_->value()); });

    QGridLayout* shutter = AddGroup(pages_, FocusPage, tr("Dome Shutter Control"));
    shutter->addWidget(new QLabel(tr("Make sure the dome is in the HOME position")), 0, 0, 1, 2, Qt::AlignHCenter);
    shutter->addWidget(new QLabel(tr("before commanding the Shutter Open or Close !!!")), 1, 0, 1, 2,
                       Qt::AlignHCenter);
    QPushButton* open = makeButton("ShutterOpenBtn", tr("Shutter Open"));
    QPushButton* close = makeButton("ShutterCloseBtn", tr("Shutter Close"));
    shutter->addWidget(open, 2, 0);
    shutter->addWidget(close, 2, 1);
    connect(open, &QPushButton::clicked, this, [this] { controller_.ShutterOpenBtnClick(); });
    connect(close, &QPushButton::clicked, this, [this] { controller_.ShutterCloseBtnClick(); });

    pages_->setCurrentIndex(SwitchesPage);
    followWindowColours(pages_);
    // Enter applies the page's main setting; on the switches page it does
    // nothing, so that Enter in the azimuth field never sends the switches.
    setPageDefaults(pages_, {nullptr, applyEpoch, applyFocus});

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(pages_);
    layout->addLayout(makeButtonRow({}));
    // The groups were filled after their pages had measured them, and the new
    // measures arrive only through the event loop: take them now, so that even
    // a showing before the loop has run is as large as the pages need.
    for (QWidget* w : findChildren<QWidget*>()) w->updateGeometry();
}

SwitchFields TMiscDlg::switches() const {
    return {cosDec_->isOn(), rateCorrect_->isOn(), domeOn_->isOn(), domeTrack_->isOn()};
}

void TMiscDlg::MiscMnuClick() {
    const MiscFields f = controller_.MiscMnuClick();
    cosDec_->setOn(f.switches.CosineDeclination);
    rateCorrect_->setOn(f.switches.RateCorrection);
    domeOn_->setOn(f.switches.DomeOn);
    domeTrack_->setOn(f.switches.DomeTrack);
    epoch_->setValue(f.Epoch);
    focus_->setValue(f.Focus);
    (f.EastSide ? east_ : west_)->setChecked(true);
    cloudSensor_->setChecked(controller_.cloudSensorDisabled());
    showCentred();
}

}  // namespace orv::ui
