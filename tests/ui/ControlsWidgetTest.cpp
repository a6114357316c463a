#include <gtest/gtest.h>

#include <QFileInfo>
#include <QFormLayout>
#include <QSignalSpy>
#include <QTest>

#include "Screenshot.h"
#include "ui/TDegreeSpin.h"
#include "ui/TIntegerSpin.h"
#include "ui/TOnOffBox.h"
#include "ui/TRealSpin.h"

namespace orv::ui {
namespace {

TEST(ControlsWidgetTest, RealSpinTakesOnlyNumberKeysAndStepsWithTheArrowKeys) {
    RealSpinSettings rate;
    rate.limits = {0, 4500, true, false};
    rate.UnitsString = "Arcsec/sec";
    TRealSpin spin(nullptr, rate);
    QSignalSpy changed(&spin, &TRealSpin::valueChanged);

    spin.editor()->clear();
    QTest::keyClicks(spin.editor(), "1a2 5");
    EXPECT_EQ(spin.editor()->text(), "125");
    EXPECT_DOUBLE_EQ(spin.value(), 125);
    QTest::keyClick(spin.editor(), Qt::Key_Up);
    QTest::keyClick(spin.editor(), Qt::Key_Down, Qt::ControlModifier);
    EXPECT_DOUBLE_EQ(spin.value(), 116);
    EXPECT_EQ(spin.editor()->text(), "116");
    // One signal for each value the field went through: 1, 12, 125, 126, 116.
    ASSERT_EQ(changed.count(), 5);
    EXPECT_DOUBLE_EQ(changed.last().at(0).toDouble(), 116);

    spin.editor()->selectAll();
    QTest::keyClicks(spin.editor(), "9999");
    EXPECT_DOUBLE_EQ(spin.value(), 4500);
    emit spin.editor()->editingFinished();
    EXPECT_EQ(spin.editor()->text(), "4500");
}

TEST(ControlsWidgetTest, DegreeSpinShowsMinusZeroAndCarriesTypedMinutes) {
    DegreeSpinSettings decSettings;
    decSettings.MinValue = -90;
    decSettings.MaxValue = 90;
    decSettings.UseLimit = true;
    decSettings.Digits = 0;
    decSettings.UnitsString = "Degs";
    TDegreeSpin dec(nullptr, decSettings);
    dec.SetDegrees(-0.5);
    EXPECT_EQ(dec.field(DegreeField::Units)->text(), "-0");
    EXPECT_EQ(dec.field(DegreeField::Minutes)->text(), "30");
    EXPECT_EQ(dec.field(DegreeField::Seconds)->text(), "0");

    QLineEdit* minutes = dec.field(DegreeField::Minutes);
    minutes->clear();
    QTest::keyClicks(minutes, "75");
    EXPECT_DOUBLE_EQ(dec.GetDegrees(), -1.25);
    EXPECT_EQ(dec.field(DegreeField::Units)->text(), "-1");
    EXPECT_EQ(minutes->text(), "15");
    // The arrow keys step the field being typed in.
    QTest::keyClick(minutes, Qt::Key_Up);
    EXPECT_DOUBLE_EQ(dec.GetDegrees(), -1.25 + 1.0 / 60);
}

TEST(ControlsWidgetTest, OnlyChangeableOnOffBoxesToggleOnClick) {
    TOnOffBox box;
    QSignalSpy toggled(&box, &TOnOffBox::toggled);
    QTest::mouseClick(&box, Qt::LeftButton);
    EXPECT_FALSE(box.isOn());
    EXPECT_EQ(toggled.count(), 1);

    TOnOffBox indicator;
    indicator.setUserChangeable(false);
    QTest::mouseClick(&indicator, Qt::LeftButton);
    EXPECT_TRUE(indicator.isOn());
}

TEST(ControlsWidgetTest, RendersTheControls) {
    QWidget panel;
    auto* form = new QFormLayout(&panel);

    DegreeSpinSettings raSettings;
    raSettings.MinValue = 0;
    raSettings.MaxValue = 24;
    raSettings.UseLimit = raSettings.Wrap = true;
    raSettings.UnitsString = "Hours";
    auto* ra = new TDegreeSpin(&panel, raSettings);
    ra->SetDegrees(2.86081);
    form->addRow("Right Ascension", ra);

    DegreeSpinSettings decSettings;
    decSettings.Digits = 0;
    decSettings.UnitsString = "Degs";
    auto* dec = new TDegreeSpin(&panel, decSettings);
    dec->SetDegrees(-0.5);
    form->addRow("Declination", dec);

    RealSpinSettings focusSettings;
    focusSettings.numFormat = NumFormat::nfFixed;
    focusSettings.Digits = 1;
    focusSettings.Increment = 0.1;
    auto* focus = new TRealSpin(&panel, focusSettings);
    focus->setValue(1300);
    form->addRow("Target Position", focus);

    RealSpinSettings rateSettings;
    rateSettings.UnitsString = "Arcsec/sec";
    auto* rate = new TRealSpin(&panel, rateSettings);
    rate->setValue(15.041);
    form->addRow("R.A. Rate", rate);

    IntegerSpinSettings hex;
    hex.HexMode = true;
    auto* io = new TIntegerSpin(&panel, hex);
    io->setValue(0xA5);
    form->addRow("I/O Value", io);

    auto* boxes = new QWidget(&panel);
    auto* row = new QHBoxLayout(boxes);
    auto* on = new TOnOffBox(boxes);
    auto* off = new TOnOffBox(boxes);
    off->setOn(false);
    auto* disabled = new TOnOffBox(boxes);
    disabled->setEnabled(false);
    for (auto* b : {on, off, disabled}) row->addWidget(b);
    row->addStretch();
    form->addRow("Track / Dome / Drives", boxes);

    panel.resize(360, 0);
    EXPECT_TRUE(test::SaveScreenshot(panel, "spins"));
}

}  // namespace
}  // namespace orv::ui
