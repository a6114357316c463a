#include "controllers/IntegerSpinModel.h"

#include <algorithm>
#include <charconv>
#include <limits>

namespace orv {

IntegerSpinModel::IntegerSpinModel(IntegerSpinSettings settings) : settings_(settings) { setValue(value_); }

void IntegerSpinModel::setSettings(IntegerSpinSettings settings) {
    settings_ = settings;
    setValue(value_);
}

void IntegerSpinModel::setValue(int64_t value) {
    if (settings_.MaxValue > settings_.MinValue) value = std::clamp(value, settings_.MinValue, settings_.MaxValue);
    value_ = value;
}

bool IntegerSpinModel::step(int direction, bool tenfold) {
    if (readOnly_) return false;
    int64_t by = settings_.Increment;
    if (tenfold && __builtin_mul_overflow(by, int64_t{10}, &by)) by = std::numeric_limits<int64_t>::max();
    if (direction < 0) by = by == std::numeric_limits<int64_t>::min() ? std::numeric_limits<int64_t>::max() : -by;
    int64_t next = 0;
    if (__builtin_add_overflow(value_, by, &next))
        next = by > 0 ? std::numeric_limits<int64_t>::max() : std::numeric_limits<int64_t>::min();
    setValue(next);
    return true;
}

KeyVerdict IntegerSpinModel::key(char32_t c) const {
    const std::u32string_view allowed = settings_.HexMode ? U"+-0123456789ABCDEFabcdef$xX" : U"+-0123456789";
    return FilterNumberKey(c, allowed, editorEnabled_);
}

std::optional<int64_t> IntegerSpinModel::Parse(std::string_view text) const {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    int base = 10;
    if (settings_.HexMode) {
        base = 16;
        if (text.starts_with("$")) text.remove_prefix(1);
        else if (text.starts_with("0x") || text.starts_with("0X")) text.remove_prefix(2);
    }
    uint64_t magnitude = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), magnitude, base);
    if (text.empty() || ec != std::errc{} || end != text.data() + text.size()) return std::nullopt;
    constexpr uint64_t Max = std::numeric_limits<int64_t>::max();
    if (magnitude > Max + (negative ? 1 : 0)) return std::nullopt;
    if (negative) return magnitude == Max + 1 ? std::numeric_limits<int64_t>::min() : -static_cast<int64_t>(magnitude);
    return static_cast<int64_t>(magnitude);
}

void IntegerSpinModel::textEdited(std::string_view text) {
    if (const auto number = Parse(text)) setValue(*number);
}

std::string IntegerSpinModel::editingFinished(std::string_view text) {
    textEdited(text);
    return this->text();
}

std::string IntegerSpinModel::text() const {
    if (!settings_.HexMode) return std::to_string(value_);
    const uint64_t magnitude = value_ < 0 ? 0 - static_cast<uint64_t>(value_) : static_cast<uint64_t>(value_);
    char buffer[20];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, magnitude, 16);
    std::string digits(buffer, result.ptr);
    std::transform(digits.begin(), digits.end(), digits.begin(), [](char c) { return c >= 'a' ? c - 'a' + 'A' : c; });
    const int width = std::clamp(settings_.HexDigits, 1, 16);
    if (static_cast<int>(digits.size()) < width) digits.insert(0, width - digits.size(), '0');
    return (value_ < 0 ? "-" : "") + digits;
}

}  // namespace orv
