#include "controllers/DegreeSpinModel.h"

#include "controllers/SpinLimits.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace orv {

namespace {

// Beyond this the counts would leave the 64-bit range; no angle or time comes near.
constexpr double MaxUnits = 1e9;
constexpr int MaxDigits = 5;

std::optional<int64_t> UnitsToCounts(double units) {
    if (!std::isfinite(units) || std::fabs(units) > MaxUnits) return std::nullopt;
    return std::llround(units * static_cast<double>(CountsPerUnit));
}

// One typed field: blank, or a lone sign, counts as 0.
struct TypedField {
    double value = 0;
    bool minus = false;
    bool valid = true;
};

TypedField ReadField(const std::string& text, const NumberLocale& locale) {
    TypedField field;
    field.minus = text.find('-') != std::string::npos;
    const auto body = text.find_first_not_of(" \t+-");
    if (body == std::string::npos) return field;
    const auto number = ParseLocaleNumber(text, locale);
    if (!number) field.valid = false;
    else field.value = *number;
    return field;
}

}  // namespace

DegreeSpinModel::DegreeSpinModel(DegreeSpinSettings settings, NumberLocale locale)
    : settings_(std::move(settings)), locale_(locale) {}

void DegreeSpinModel::setSettings(DegreeSpinSettings settings) {
    settings_ = std::move(settings);
    setCounts(counts_);
}

std::string DegreeSpinModel::unitsLabel() const {
    return settings_.UnitsString.empty() ? std::string("Deg") : settings_.UnitsString;
}

int64_t DegreeSpinModel::Limited(int64_t counts) const {
    const auto lo = UnitsToCounts(settings_.MinValue), hi = UnitsToCounts(settings_.MaxValue);
    if (!lo || !hi) return counts;
    return ApplyLimits(counts, *lo, *hi, settings_.UseLimit, settings_.Wrap);
}

void DegreeSpinModel::setCounts(int64_t counts) { counts_ = Limited(counts); }

double DegreeSpinModel::GetDegrees() const {
    return static_cast<double>(counts_) / static_cast<double>(CountsPerUnit);
}

void DegreeSpinModel::SetDegrees(double units) {
    if (const auto counts = UnitsToCounts(units)) setCounts(*counts);
}

int64_t DegreeSpinModel::GetHours() const { return counts_ / CountsPerUnit; }

int DegreeSpinModel::GetMinutes() const {
    const int64_t magnitude = counts_ < 0 ? -counts_ : counts_;
    return static_cast<int>(magnitude % CountsPerUnit / CountsPerMinute);
}

DegreeFields DegreeSpinModel::fields() const {
    const int64_t magnitude = counts_ < 0 ? -counts_ : counts_;
    const int64_t units = magnitude / CountsPerUnit;
    const int64_t inMinute = magnitude % CountsPerMinute;
    const int digits = std::clamp(settings_.Digits, 0, MaxDigits);

    DegreeFields f;
    f.units = (counts_ < 0 ? "-" : "") + std::to_string(units);
    f.minutes = std::to_string(GetMinutes());
    f.seconds = std::to_string(inMinute / CountsPerSecond);
    if (digits > 0) {
        int64_t cut = inMinute % CountsPerSecond;
        for (int i = digits; i < MaxDigits; ++i) cut /= 10;
        std::string decimals = std::to_string(cut);
        decimals.insert(0, static_cast<size_t>(digits) - decimals.size(), '0');
        f.seconds += Utf8(locale_.decimal) + decimals;
    }
    return f;
}

bool DegreeSpinModel::step(DegreeField field, int direction, bool tenfold) {
    if (readOnly_) return false;
    int64_t by = field == DegreeField::Units     ? CountsPerUnit
                 : field == DegreeField::Minutes ? CountsPerMinute
                                                 : CountsPerSecond;
    if (tenfold) by *= 10;
    setCounts(counts_ + (direction > 0 ? by : -by));
    return true;
}

KeyVerdict DegreeSpinModel::key(char32_t c) const {
    const std::u32string allowed = std::u32string(U"+-0123456789") + locale_.decimal;
    return FilterNumberKey(c, allowed, editorEnabled_);
}

DegreeSpinModel::EditResult DegreeSpinModel::edit(const DegreeFields& typed) {
    const TypedField u = ReadField(typed.units, locale_);
    const TypedField m = ReadField(typed.minutes, locale_);
    const TypedField s = ReadField(typed.seconds, locale_);
    if (!u.valid || !m.valid || !s.valid) return EditResult::Redraw;

    const double mm = std::fabs(m.value), ss = std::fabs(s.value);
    const bool carries = mm >= 60 || ss >= 60;
    if (carries && !settings_.AutoCorrect) return EditResult::Redraw;

    // Each field goes to counts on its own so that typed decimals are kept exactly.
    const auto units = UnitsToCounts(std::fabs(u.value));
    if (!units || mm > MaxUnits || ss > MaxUnits) return EditResult::Redraw;
    const int64_t magnitude = *units + std::llround(mm * static_cast<double>(CountsPerMinute)) +
                              std::llround(ss * static_cast<double>(CountsPerSecond));
    const bool negative = u.minus || u.value < 0 || m.value < 0 || s.value < 0;
    const int64_t typedCounts = negative ? -magnitude : magnitude;

    counts_ = Limited(typedCounts);
    return carries || counts_ != typedCounts ? EditResult::Redraw : EditResult::Kept;
}

}  // namespace orv
