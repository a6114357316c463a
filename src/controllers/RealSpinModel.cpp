#include "controllers/RealSpinModel.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace orv {

namespace {

// Digits beyond these add nothing a double holds.
constexpr int MaxDecimals = 15;
constexpr int StandardPrecision = 15;

std::string ToChars(double value, std::chars_format format, int precision) {
    char buffer[400];  // the longest fixed form of a double with 15 decimals
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, format, precision);
    std::string text(buffer, result.ptr);
    std::replace(text.begin(), text.end(), 'e', 'E');
    return text;
}

// A fixed-point text ('.' as the point) with the locale's separator between
// groups of three digits of the integer part and the locale's decimal point.
std::string GroupThousands(const std::string& fixed, const NumberLocale& locale) {
    const std::string separator = Utf8(locale.thousands);
    const size_t signLength = (!fixed.empty() && fixed[0] == '-') ? 1 : 0;
    size_t intEnd = fixed.find('.');
    if (intEnd == std::string::npos) intEnd = fixed.size();
    std::string out = fixed.substr(0, signLength);
    for (size_t i = signLength; i < intEnd; ++i) {
        if (i > signLength && (intEnd - i) % 3 == 0) out += separator;
        out += fixed[i];
    }
    if (intEnd < fixed.size()) out += Utf8(locale.decimal) + fixed.substr(intEnd + 1);
    return out;
}

}  // namespace

RealSpinModel::RealSpinModel(RealSpinSettings settings, NumberLocale locale)
    : settings_(std::move(settings)), locale_(locale) {
    setValue(value_);
}

void RealSpinModel::setSettings(RealSpinSettings settings) {
    settings_ = std::move(settings);
    setValue(value_);
}

void RealSpinModel::setValue(double value) {
    if (!std::isfinite(value)) return;
    value_ = ApplyLimits(value, settings_.limits);
}

bool RealSpinModel::step(int direction, bool tenfold) {
    if (readOnly_) return false;
    const double by = settings_.Increment * (tenfold ? 10.0 : 1.0);
    setValue(value_ + (direction > 0 ? by : -by));
    return true;
}

KeyVerdict RealSpinModel::key(char32_t c) const {
    const std::u32string allowed = std::u32string(U"+-0123456789Ee") + locale_.decimal + locale_.thousands;
    return FilterNumberKey(c, allowed, editorEnabled_);
}

void RealSpinModel::textEdited(std::string_view text) {
    if (const auto number = ParseLocaleNumber(text, locale_)) setValue(*number);
}

std::string RealSpinModel::editingFinished(std::string_view text) {
    textEdited(text);
    return this->text();
}

std::string RealSpinModel::Format(double value) const {
    if (value == 0) value = 0;  // no "-0"
    const int digits = std::clamp(settings_.Digits, 0, MaxDecimals);
    std::string text;
    switch (settings_.numFormat) {
        case NumFormat::nfStandard:
            text = ToChars(value, std::chars_format::general, StandardPrecision);
            break;
        case NumFormat::nfScientific:
            text = ToChars(value, std::chars_format::scientific, std::max(digits, 1) - 1);
            break;
        case NumFormat::nfFixed:
            text = ToChars(value, std::chars_format::fixed, digits);
            break;
        case NumFormat::nfThousands:
            return GroupThousands(ToChars(value, std::chars_format::fixed, digits), locale_);
    }
    return LocaliseDecimal(std::move(text), locale_);
}

}  // namespace orv
