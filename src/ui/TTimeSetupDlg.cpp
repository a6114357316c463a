#include "ui/TTimeSetupDlg.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "controllers/SpinPresets.h"
#include "ui/TDegreeSpin.h"
#include "ui/UiSupport.h"

namespace orv::ui {

TTimeSetupDlg::TTimeSetupDlg(OrvTimeSetup& timeSetup, QWidget* parent)
    : TOrvDialog("TTimeSetupDlg", tr("Time Setup"), 0, parent),
      controller_(timeSetup),
      interval_(new TDegreeSpin(nullptr, FreeDegreeSpin("Hours"))),
      synchronize_(new QCheckBox(tr("Synchronize Orv Clock To PC Clock"))),
      lastUpdate_(new QLabel) {
    interval_->setObjectName("IntervalSpin");
    synchronize_->setObjectName("SynchronizeChk");
    lastUpdate_->setObjectName("LastUpdateDis");
    lastUpdate_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    lastUpdate_->setAlignment(Qt::AlignCenter);
    lastUpdate_->setMinimumWidth(lastUpdate_->fontMetrics().horizontalAdvance("0000:00:00") + 12);

    auto* grid = new QGridLayout;
    addCaptioned(grid, tr("Update Interval"), interval_);
    grid->addWidget(synchronize_, grid->rowCount(), 0, 1, 2);
    addCaptioned(grid, tr("Time Since Last Update"), lastUpdate_);

    interval_->SetDegrees(controller_.IntervalHours());
    synchronize_->setChecked(controller_.Synchronize());
    connect(interval_, &TDegreeSpin::valueChanged, this, [this](double hours) { controller_.SetIntervalHours(hours); });
    connect(synchronize_, &QCheckBox::toggled, this, [this](bool on) { controller_.SetSynchronize(on); });

    QPushButton* save = makeButton("SaveSettingsBtn", tr("Save Settings"));
    connect(save, &QPushButton::clicked, this, [this] {
        if (auto failure = controller_.SaveSettings()) hooks().error(ToQString(*failure));
    });
    QPushButton* close = makeButton("CancelBtn", tr("Close"));
    connect(close, &QPushButton::clicked, this, &QDialog::reject);   // Escape does the same
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(save);
    buttons->addStretch(1);
    buttons->addWidget(close);

    displayTimer_.setInterval(DisplayTimerMs);
    connect(&displayTimer_, &QTimer::timeout, this, &TTimeSetupDlg::showElapsed);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void TTimeSetupDlg::TimeSetupMnuClick() {
    interval_->SetDegrees(controller_.IntervalHours());
    synchronize_->setChecked(controller_.Synchronize());
    showCentred();
}

void TTimeSetupDlg::showElapsed() { lastUpdate_->setText(ToQString(controller_.LastUpdateText())); }

void TTimeSetupDlg::showEvent(QShowEvent* event) {
    showElapsed();
    displayTimer_.start();
    TOrvDialog::showEvent(event);
}

void TTimeSetupDlg::hideEvent(QHideEvent* event) {
    displayTimer_.stop();
    TOrvDialog::hideEvent(event);
}

}  // namespace orv::ui
