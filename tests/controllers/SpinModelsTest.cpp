#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <optional>
#include <vector>

#include "controllers/AutoRepeat.h"
#include "controllers/DegreeSpinModel.h"
#include "controllers/IntegerSpinModel.h"
#include "controllers/OnOffModel.h"
#include "controllers/RealSpinModel.h"

namespace orv {
namespace {

// Settings built field by field (designated initializers would have to name every member).
DegreeSpinSettings Degrees(double lo, double hi, bool useLimit, bool wrap, int digits = 1, bool autoCorrect = true) {
    DegreeSpinSettings s;
    s.MinValue = lo;
    s.MaxValue = hi;
    s.UseLimit = useLimit;
    s.Wrap = wrap;
    s.Digits = digits;
    s.AutoCorrect = autoCorrect;
    return s;
}
DegreeSpinSettings HoursSpin() { return Degrees(0, 24, true, true); }

RealSpinSettings Real(double lo, double hi, bool useLimit, bool wrap) {
    RealSpinSettings s;
    s.limits = {lo, hi, useLimit, wrap};
    return s;
}
RealSpinSettings Formatted(NumFormat format, int digits) {
    RealSpinSettings s;
    s.numFormat = format;
    s.Digits = digits;
    return s;
}

TEST(SpinLimitsTest, HourSpinsWrapByWholeTurns) {
    DegreeSpinModel ra(HoursSpin());
    RealSpinModel real(Real(0, 24, true, true));
    const std::vector<std::pair<double, double>> cases = {
        {24, 0}, {25, 1}, {-1, 23}, {23.5, 23.5}, {0, 0}, {49, 1}, {-30, 18}, {-48, 0}};
    for (const auto& [set, shown] : cases) {
        ra.SetDegrees(set);
        real.setValue(set);
        EXPECT_DOUBLE_EQ(ra.GetDegrees(), shown) << set;
        EXPECT_DOUBLE_EQ(real.value(), shown) << set;
    }
    // A range that does not start at 0 wraps the same way: -12..12 h of hour angle.
    RealSpinModel ha(Real(-12, 12, true, true));
    ha.setValue(30);
    EXPECT_DOUBLE_EQ(ha.value(), 6);
    ha.setValue(12);
    EXPECT_DOUBLE_EQ(ha.value(), -12);
}

TEST(SpinLimitsTest, LimitedSpinsClampAndUnlimitedOnesDoNot) {
    DegreeSpinModel dec(Degrees(-90, 90, true, false));
    dec.SetDegrees(95);
    EXPECT_DOUBLE_EQ(dec.GetDegrees(), 90);
    dec.SetDegrees(-91);
    EXPECT_DOUBLE_EQ(dec.GetDegrees(), -90);

    DegreeSpinModel ha(Degrees(0, 24, false, true));
    ha.SetDegrees(-30);
    EXPECT_DOUBLE_EQ(ha.GetDegrees(), -30);

    // Limits set after the value bring it in at once.
    RealSpinModel focus;
    focus.setValue(5000);
    focus.setSettings(Real(1050, 3500, true, false));
    EXPECT_DOUBLE_EQ(focus.value(), 3500);
}

TEST(DegreeSpinTest, FieldsShowCutSecondsAndMinusZero) {
    DegreeSpinModel dec(Degrees(0, 0, false, false, 0));
    dec.SetDegrees(-0.5);
    EXPECT_EQ(dec.fields(), (DegreeFields{"-0", "30", "0"}));
    EXPECT_EQ(dec.GetHours(), 0);
    EXPECT_EQ(dec.GetMinutes(), 30);

    // 2.86081 h = 2 h 51 min 38.916 s; 38.99 s is cut, not rounded, to 38.9.
    DegreeSpinModel ra;
    ra.SetDegrees(2.86081);
    EXPECT_EQ(ra.fields(), (DegreeFields{"2", "51", "38.9"}));
    ra.SetDegrees(1 + 38.99 / 3600);
    EXPECT_EQ(ra.fields(), (DegreeFields{"1", "0", "38.9"}));
    ra.setSettings(Degrees(0, 0, false, false, 3));
    ra.SetDegrees(-12.5 - 5.007 / 3600);
    EXPECT_EQ(ra.fields(), (DegreeFields{"-12", "30", "5.007"}));
    EXPECT_EQ(ra.GetHours(), -12);
    EXPECT_EQ(ra.GetMinutes(), 30);

    DegreeSpinModel german({}, NumberLocale{U',', U'.'});
    german.SetDegrees(1.5 + 7.25 / 3600);
    EXPECT_EQ(german.fields().seconds, "7,2");
}

TEST(DegreeSpinTest, TypedFieldsCarryOrAreRefused) {
    using R = DegreeSpinModel::EditResult;
    DegreeSpinModel spin;
    EXPECT_EQ(spin.edit({"-0", "30", "0"}), R::Kept);
    EXPECT_DOUBLE_EQ(spin.GetDegrees(), -0.5);
    EXPECT_EQ(spin.edit({"5", "-10", ""}), R::Kept);  // any negative field makes the value negative
    EXPECT_DOUBLE_EQ(spin.GetDegrees(), -(5 + 10.0 / 60));

    // Seconds as typed are kept to the count, beyond what the field shows.
    EXPECT_EQ(spin.edit({"0", "0", "1.23456"}), R::Kept);
    EXPECT_EQ(spin.counts(), 123456);

    EXPECT_EQ(spin.edit({"1", "75", "90"}), R::Redraw);
    EXPECT_EQ(spin.counts(), 2 * CountsPerUnit + 16 * CountsPerMinute + 30 * CountsPerSecond);
    EXPECT_EQ(spin.fields(), (DegreeFields{"2", "16", "30.0"}));

    DegreeSpinModel strict(Degrees(0, 0, false, false, 1, false));
    strict.SetDegrees(3);
    EXPECT_EQ(strict.edit({"1", "60", "0"}), R::Redraw);
    EXPECT_DOUBLE_EQ(strict.GetDegrees(), 3);
    EXPECT_EQ(strict.edit({"1", "2", "x"}), R::Redraw);
    EXPECT_DOUBLE_EQ(strict.GetDegrees(), 3);

    // A typed hour past the end of the range wraps and the fields are redrawn.
    DegreeSpinModel ra(HoursSpin());
    EXPECT_EQ(ra.edit({"25", "0", "0"}), R::Redraw);
    EXPECT_DOUBLE_EQ(ra.GetDegrees(), 1);
}

TEST(RealSpinTest, TypingReadsTheLocaleAndKeepsTheLastValidValue) {
    RealSpinModel spin;
    spin.textEdited("1,234.5");
    EXPECT_DOUBLE_EQ(spin.value(), 1234.5);
    spin.textEdited("12x");
    spin.textEdited("-");
    spin.textEdited("1e999");
    EXPECT_DOUBLE_EQ(spin.value(), 1234.5);
    EXPECT_EQ(spin.editingFinished(""), "1234.5");
    spin.textEdited("+2.5E-3");
    EXPECT_DOUBLE_EQ(spin.value(), 0.0025);

    RealSpinModel german({}, NumberLocale{U',', U'.'});
    german.textEdited("1.234,5");
    EXPECT_DOUBLE_EQ(german.value(), 1234.5);

    EXPECT_EQ(spin.key(U'7'), KeyVerdict::Accept);
    EXPECT_EQ(spin.key(U'e'), KeyVerdict::Accept);
    EXPECT_EQ(spin.key(U'a'), KeyVerdict::Beep);
    EXPECT_EQ(spin.key(U' '), KeyVerdict::Beep);
    EXPECT_EQ(spin.key(EnterKey), KeyVerdict::Beep);
    EXPECT_EQ(spin.key(BackspaceKey), KeyVerdict::Accept);
    EXPECT_EQ(german.key(U','), KeyVerdict::Accept);
    spin.setEditorEnabled(false);
    EXPECT_EQ(spin.key(U'7'), KeyVerdict::Beep);
    EXPECT_EQ(spin.key(BackspaceKey), KeyVerdict::Beep);
    EXPECT_EQ(spin.key(U'\t'), KeyVerdict::Accept);
}

TEST(RealSpinTest, Formats) {
    RealSpinModel spin;
    spin.setValue(0.1 + 0.2);
    EXPECT_EQ(spin.text(), "0.3");
    spin.setValue(-0.0);
    EXPECT_EQ(spin.text(), "0");

    spin.setSettings(Formatted(NumFormat::nfFixed, 2));
    spin.setValue(3.14159);
    EXPECT_EQ(spin.text(), "3.14");
    spin.setSettings(Formatted(NumFormat::nfScientific, 3));
    spin.setValue(12345);
    EXPECT_EQ(spin.text(), "1.23E+04");
    spin.setSettings(Formatted(NumFormat::nfThousands, 1));
    spin.setValue(-1234567.891);
    EXPECT_EQ(spin.text(), "-1,234,567.9");
    spin.setLocale({U',', U'.'});
    EXPECT_EQ(spin.text(), "-1.234.567,9");
    spin.setValue(999);
    EXPECT_EQ(spin.text(), "999,0");
}

TEST(RealSpinTest, StepsByIncrementTenfoldWithCtrlAndNotWhenReadOnly) {
    RealSpinSettings half;
    half.Increment = 0.5;
    RealSpinModel epoch(half);
    epoch.setValue(2000);
    EXPECT_TRUE(epoch.step(+1));
    EXPECT_DOUBLE_EQ(epoch.value(), 2000.5);
    EXPECT_TRUE(epoch.step(-1, true));
    EXPECT_DOUBLE_EQ(epoch.value(), 1995.5);
    epoch.setReadOnly(true);
    EXPECT_FALSE(epoch.step(+1));
    EXPECT_DOUBLE_EQ(epoch.value(), 1995.5);

    DegreeSpinModel ra(HoursSpin());
    ra.SetDegrees(23.5);
    ra.step(DegreeField::Units, +1);
    EXPECT_DOUBLE_EQ(ra.GetDegrees(), 0.5);
    ra.step(DegreeField::Minutes, -1, true);
    EXPECT_DOUBLE_EQ(ra.GetDegrees(), 20.0 / 60);
}

TEST(IntegerSpinTest, HexLimitsAndSaturation) {
    IntegerSpinModel port({0, 65535});
    port.textEdited("70000");
    EXPECT_EQ(port.value(), 65535);
    port.textEdited("50x");
    EXPECT_EQ(port.editingFinished(""), "65535");

    IntegerSpinModel io({0, 0, 1, true, 2});
    io.setValue(10);
    EXPECT_EQ(io.text(), "0A");
    io.textEdited("$1f");
    EXPECT_EQ(io.value(), 31);
    io.textEdited("0xFF");
    EXPECT_EQ(io.text(), "FF");
    EXPECT_EQ(io.key(U'c'), KeyVerdict::Accept);
    EXPECT_EQ(port.key(U'c'), KeyVerdict::Beep);

    IntegerSpinModel big;
    big.setValue(std::numeric_limits<int64_t>::max() - 3);
    big.step(+1, true);
    EXPECT_EQ(big.value(), std::numeric_limits<int64_t>::max());
    EXPECT_FALSE(big.Parse("9223372036854775808").has_value());
    EXPECT_EQ(big.Parse("-9223372036854775808"), std::numeric_limits<int64_t>::min());
}

TEST(OnOffBoxTest, ColoursAndWhoMayToggle) {
    OnOffModel box;
    EXPECT_TRUE(box.on);
    EXPECT_EQ(box.text(), "On");
    EXPECT_EQ(box.background().rgb, 0x00FF00u);
    EXPECT_TRUE(box.click());
    EXPECT_EQ(box.text(), "Off");
    EXPECT_EQ(box.background().rgb, 0xFF0000u);
    box.enabled = false;
    EXPECT_EQ(box.background().rgb, 0xC0C0C0u);
    EXPECT_FALSE(box.click());

    OnOffModel indicator;
    indicator.UserChangeable = false;
    EXPECT_FALSE(indicator.click());
    EXPECT_TRUE(indicator.on);
}

// A single-shot timer on a time line that the test moves.
class FakeRepeatTimer final : public RepeatTimer {
public:
    void start(int ms) override { due_ = now_ + ms; }
    void stop() override { due_.reset(); }
    void advanceTo(int64_t t, AutoRepeat& repeat) {
        while (due_ && *due_ <= t) {
            now_ = *due_;
            due_.reset();
            repeat.timerFired();
        }
        now_ = t;
    }
    int64_t now() const { return now_; }

private:
    int64_t now_ = 0;
    std::optional<int64_t> due_;
};

TEST(AutoButtonTest, RepeatsAfter400MsThenEvery100MsUntilRelease) {
    FakeRepeatTimer timer;
    std::vector<int64_t> steps;
    AutoRepeat repeat(timer, [&] { steps.push_back(timer.now()); });

    repeat.press();
    timer.advanceTo(399, repeat);
    EXPECT_EQ(steps, (std::vector<int64_t>{0}));
    timer.advanceTo(720, repeat);
    EXPECT_EQ(steps, (std::vector<int64_t>{0, 400, 500, 600, 700}));

    // Off the button the repeat pauses; back on it, it goes on at the same beat.
    repeat.setCaptured(false);
    timer.advanceTo(920, repeat);
    repeat.setCaptured(true);
    timer.advanceTo(1000, repeat);
    EXPECT_EQ(steps.back(), 1000);
    EXPECT_EQ(steps.size(), 6u);

    repeat.release();
    timer.advanceTo(5000, repeat);
    EXPECT_EQ(steps.size(), 6u);
}

}  // namespace
}  // namespace orv
