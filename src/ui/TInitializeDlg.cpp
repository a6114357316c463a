#include "ui/TInitializeDlg.h"

#include <QDateEdit>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "ui/TDegreeSpin.h"
#include "ui/TRealSpin.h"

namespace orv::ui {

TInitializeDlg::TInitializeDlg(System& system, QWidget* parent)
    : TOrvDialog("TInitializeDlg", tr("Initialization"), InitHelpTopic, parent),
      controller_(system),
      pages_(new QTabWidget(this)),
      date_(new QDateEdit),
      ut_(new TDegreeSpin(nullptr, OrvInitDlg::UTSpin())),
      ra_(new TDegreeSpin(nullptr, OrvInitDlg::RASpin())),
      dec_(new TDegreeSpin(nullptr, OrvInitDlg::DecSpin())),
      epoch_(new TRealSpin(nullptr, OrvInitDlg::EpochSpin())),
      dome_(new TRealSpin(nullptr, OrvInitDlg::DomeSpin())),
      rotator_(new TRealSpin(nullptr, OrvInitDlg::RotatorSpin())),
      focus_(new TRealSpin(nullptr, OrvInitDlg::FocusSpin())) {
    pages_->setObjectName("PageControl1");

    // "Date/Time".
    QGridLayout* dateGrid = addPageGroup(pages_, tr("Date/Time"), tr("Set Date and Time"));
    date_->setObjectName("DatePick");
    date_->setCalendarPopup(true);
    date_->setDisplayFormat(QLocale().dateFormat(QLocale::ShortFormat));
    ut_->setObjectName("UTSpin");
    addCaptioned(dateGrid, tr("Universal Date"), date_);
    addCaptioned(dateGrid, tr("Universal Time"), ut_);
    QPushButton* applyDate = makeButton("ApplyDateTimeBtn", tr("Apply"));
    QPushButton* windowsDate = makeButton("WinDateBtn", tr("Apply Windows Date/Time"));
    dateGrid->addWidget(applyDate, dateGrid->rowCount(), 1, Qt::AlignRight);
    dateGrid->addWidget(windowsDate, dateGrid->rowCount(), 0, 1, 2, Qt::AlignHCenter);
    connect(applyDate, &QPushButton::clicked, this, [this] { controller_.ApplyDateTimeBtnClick(dateTime()); });
    connect(windowsDate, &QPushButton::clicked, this, [this] { showDateTime(controller_.WinDateBtnClick()); });

    // "Telescope Position".
    QGridLayout* posGrid = addPageGroup(pages_, tr("Telescope Position"), QString());
    ra_->setObjectName("RASpin");
    dec_->setObjectName("DecSpin");
    epoch_->setObjectName("EpochSpin");
    addCaptioned(posGrid, tr("Right Ascension"), ra_);
    addCaptioned(posGrid, tr("Declination"), dec_);
    addCaptioned(posGrid, tr("Epoch"), epoch_);
    QPushButton* useNext = makeButton("UseNOBtn", tr("Use Next Object Position"));
    QPushButton* applyPos = makeButton("ApplyTelePosBtn", tr("Apply"));
    const int posRow = posGrid->rowCount();
    posGrid->addWidget(useNext, posRow, 0);
    posGrid->addWidget(applyPos, posRow, 1, Qt::AlignRight);
    connect(useNext, &QPushButton::clicked, this, [this] { showPosition(controller_.UseNOBtnClick()); });
    connect(applyPos, &QPushButton::clicked, this, [this] {
        controller_.ApplyTelePosBtnClick({ra_->GetDegrees(), dec_->GetDegrees(), epoch_->value()});
    });

    // "Other Positions": three groups on one page.
    QGridLayout* domeGrid = addPageGroup(pages_, tr("Other Positions"), tr("Set Dome Position"));
    auto* otherLayout = static_cast<QVBoxLayout*>(pages_->widget(OtherPage)->layout());
    auto* important = new QLabel(tr("IMPORTANT:"));
    QFont bold = important->font();
    bold.setBold(true);
    important->setFont(bold);
    domeGrid->addWidget(important, 0, 0, Qt::AlignRight);
    domeGrid->addWidget(new QLabel(tr("Turn Dome Switch Off")), 0, 1);
    dome_->setObjectName("DomeSpin");
    addCaptioned(domeGrid, tr("Dome Position"), dome_);
    QPushButton* teleAzm = makeButton("TeleAzmBtn", tr("Use Telescope Azimuth"));
    QPushButton* applyDome = makeButton("ApplyDomeBtn", tr("Apply"));
    const int domeRow = domeGrid->rowCount();
    domeGrid->addWidget(teleAzm, domeRow, 0);
    domeGrid->addWidget(applyDome, domeRow, 1, Qt::AlignRight);
    connect(teleAzm, &QPushButton::clicked, this, [this] { dome_->setValue(controller_.TeleAzmBtnClick()); });
    connect(applyDome, &QPushButton::clicked, this, [this] { controller_.ApplyDomeBtnClick(dome_->value()); });

    // A group with one spin and its Apply button, below the dome's.
    auto counterGroup = [&](const QString& caption, const QString& spinCaption, TRealSpin* spin,
                            const char* spinName, const char* buttonName) {
        auto* group = new QGroupBox(caption);
        auto* grid = new QGridLayout(group);
        spin->setObjectName(spinName);
        addCaptioned(grid, spinCaption, spin);
        QPushButton* apply = makeButton(buttonName, tr("Apply"));
        grid->addWidget(apply, grid->rowCount(), 1, Qt::AlignRight);
        otherLayout->insertWidget(otherLayout->count() - 1, group);   // before the stretch
        return apply;
    };
    QPushButton* applyRotator = counterGroup(tr("Set Rotator Position"), tr("Rotator  Position"), rotator_,
                                             "RotatorSpin", "ApplyRotatorBtn");
    QPushButton* applyFocus =
        counterGroup(tr("Set Focus Position"), tr("Focus Position"), focus_, "FocusSpin", "ApplyFocusBtn");
    connect(applyRotator, &QPushButton::clicked, this,
            [this] { controller_.ApplyRotatorBtnClick(rotator_->value()); });
    connect(applyFocus, &QPushButton::clicked, this, [this] { controller_.ApplyFocusBtnClick(focus_->value()); });

    pages_->setCurrentIndex(DateTimePage);
    followWindowColours(pages_);
    setPageDefaults(pages_, {applyDate, applyPos, applyDome});
    showPosition(controller_.FormCreate());

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(pages_);
    layout->addLayout(makeButtonRow({}));
}

void TInitializeDlg::InitMnuClick() {
    showDateTime(controller_.InitMnuClick());
    showCentred();
}

void TInitializeDlg::showDateTime(const DateTimeFields& f) {
    date_->setDate(QDate(f.Year, f.Month, f.Day));
    ut_->SetDegrees(f.UT);
}

DateTimeFields TInitializeDlg::dateTime() const {
    const QDate d = date_->date();
    return {d.year(), d.month(), d.day(), ut_->GetDegrees()};
}

void TInitializeDlg::showPosition(const PositionFields& f) {
    ra_->SetDegrees(f.RA);
    dec_->SetDegrees(f.Dec);
    epoch_->setValue(f.Epoch);
}

}  // namespace orv::ui
