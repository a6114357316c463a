#include "ui/TRatesDlg.h"

#include <QComboBox>
#include <QGridLayout>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "ui/TRealSpin.h"
#include "ui/UiSupport.h"

namespace orv::ui {

TRatesDlg::TRatesDlg(System& system, QWidget* parent)
    : TOrvDialog("TRatesDlg", tr("Rates"), RatesHelpTopic, parent),
      controller_(system),
      pages_(new QTabWidget(this)),
      increments_(new QComboBox),
      trackRA_(new TRealSpin(nullptr, OrvRateDlg::TrackRateSpin())),
      trackDec_(new TRealSpin(nullptr, OrvRateDlg::TrackRateSpin())),
      auxRA_(new TRealSpin(nullptr, OrvRateDlg::TrackRateSpin())),
      auxDec_(new TRealSpin(nullptr, OrvRateDlg::TrackRateSpin())),
      setRate_(new TRealSpin(nullptr, OrvRateDlg::PaddleRateSpin())),
      guideRate_(new TRealSpin(nullptr, OrvRateDlg::PaddleRateSpin())),
      trailRate_(new TRealSpin(nullptr, OrvRateDlg::TrailRateSpin())),
      trailLength_(new TRealSpin(nullptr, OrvRateDlg::TrailLenSpin())),
      trailAngle_(new TRealSpin(nullptr, OrvRateDlg::TrailAngleSpin())) {
    pages_->setObjectName("PageControl1");

    QGridLayout* track = addPageGroup(pages_, tr("Track Rates"), tr("Set Track Rates"));
    const std::pair<TRealSpin*, const char*> trackSpins[] = {
        {trackRA_, "RARateSpin"}, {trackDec_, "DecRateSpin"}, {auxRA_, "AuxRARateBtn"}, {auxDec_, "AuxDecRateBtn"}};
    const QString trackCaptions[] = {tr("R.A. Rate"), tr("Dec. Rate"), tr("Aux. R.A. Rate"), tr("Aux. Dec Rate")};
    for (int i = 0; i < 4; ++i) {
        trackSpins[i].first->setObjectName(trackSpins[i].second);
        addCaptioned(track, trackCaptions[i], trackSpins[i].first);
    }
    increments_->setObjectName("IncCombo");
    for (int i = 0; i < IncrementCount; ++i) increments_->addItem(ToQString(IncrementText(i)));
    addCaptioned(track, tr("Increments"), increments_);
    connect(increments_, &QComboBox::currentIndexChanged, this, [this](int item) {
        for (TRealSpin* spin : {trackRA_, trackDec_, auxRA_, auxDec_}) spin->setSettings(OrvRateDlg::TrackRateSpin(item));
    });
    increments_->setCurrentIndex(0);
    QPushButton* applyTrack = makeButton("ApplyTrackBtn", tr("Apply"));
    track->addWidget(applyTrack, track->rowCount(), 1, Qt::AlignRight);
    connect(applyTrack, &QPushButton::clicked, this, [this] {
        controller_.ApplyTrackBtnClick(trackRA_->value(), trackDec_->value(), auxRA_->value(), auxDec_->value());
    });

    QGridLayout* paddle = addPageGroup(pages_, tr("Handpaddle Rates"), tr("Set Handpaddle Rates"));
    setRate_->setObjectName("SetRateSpin");
    guideRate_->setObjectName("GuideRateSpin");
    addCaptioned(paddle, tr("Set Rate"), setRate_);
    addCaptioned(paddle, tr("Guide Rate"), guideRate_);
    QPushButton* applyHand = makeButton("ApplyHandBtn", tr("Apply"));
    paddle->addWidget(applyHand, paddle->rowCount(), 1, Qt::AlignRight);
    handRates_.setInterval(HandRatesPollMs);
    connect(&handRates_, &QTimer::timeout, this, [this] {
        if (!controller_.StepHandRates()) handRates_.stop();
    });
    connect(applyHand, &QPushButton::clicked, this, [this] {
        controller_.ApplyHandBtnClick(setRate_->value(), guideRate_->value());
        handRates_.start();
    });

    QGridLayout* trail = addPageGroup(pages_, tr("Trail Rates"), tr("Set Trail Rates"));
    trailRate_->setObjectName("TrailRateSpin");
    trailLength_->setObjectName("TrailLenSpin");
    trailAngle_->setObjectName("TrailAngleSpin");
    addCaptioned(trail, tr("Rate"), trailRate_);
    addCaptioned(trail, tr("Length"), trailLength_);
    addCaptioned(trail, tr("Angle  (North= 0, East= 90)"), trailAngle_);
    QPushButton* applyTrail = makeButton("TrailBtn", tr("Apply"));
    trail->addWidget(applyTrail, trail->rowCount(), 1, Qt::AlignRight);
    connect(applyTrail, &QPushButton::clicked, this, [this] {
        controller_.TrailBtnClick(trailRate_->value(), trailLength_->value(), trailAngle_->value());
    });

    pages_->setCurrentIndex(TrackPage);
    followWindowColours(pages_);
    setPageDefaults(pages_, {applyTrack, applyHand, applyTrail});
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(pages_);
    layout->addLayout(makeButtonRow({}));
}

void TRatesDlg::RatesMnuClick() {
    const RatesFields r = controller_.RatesMnuClick();
    trackRA_->setValue(r.TrackRateRA);
    trackDec_->setValue(r.TrackRateDec);
    auxRA_->setValue(r.AuxTrackRateRA);
    auxDec_->setValue(r.AuxTrackRateDec);
    setRate_->setValue(r.SetRate);
    guideRate_->setValue(r.GuideRate);
    trailRate_->setValue(r.TrailRate);
    trailLength_->setValue(r.TrailLength);
    trailAngle_->setValue(r.TrailAngle);
    showCentred();
}

}  // namespace orv::ui
