#include "controllers/NumberText.h"

#include <charconv>
#include <cmath>

namespace orv {

KeyVerdict FilterNumberKey(char32_t key, std::u32string_view allowed, bool editorEnabled) {
    const bool control = key < 0x20 || key == 0x7F;
    if (control) {
        if (key == EnterKey) return KeyVerdict::Beep;
        if (key == BackspaceKey && !editorEnabled) return KeyVerdict::Beep;
        return KeyVerdict::Accept;
    }
    if (!editorEnabled) return KeyVerdict::Beep;
    return allowed.find(key) != std::u32string_view::npos ? KeyVerdict::Accept : KeyVerdict::Beep;
}

std::string Utf8(char32_t c) {
    std::string out;
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
    return out;
}

namespace {

void ReplaceAll(std::string& s, const std::string& from, const std::string& to) {
    if (from.empty() || from == to) return;
    for (size_t at = s.find(from); at != std::string::npos; at = s.find(from, at + to.size()))
        s.replace(at, from.size(), to);
}

}  // namespace

std::optional<double> ParseLocaleNumber(std::string_view text, const NumberLocale& locale) {
    std::string s(text);
    ReplaceAll(s, Utf8(locale.thousands), "");
    ReplaceAll(s, Utf8(locale.decimal), ".");
    const auto first = s.find_first_not_of(" \t");
    if (first == std::string::npos) return std::nullopt;
    const auto last = s.find_last_not_of(" \t");
    std::string_view body(s.data() + first, last - first + 1);
    if (body.front() == '+') body.remove_prefix(1);
    // from_chars also reads "inf" and "nan"; a field holds digits only.
    if (body.empty() || body.find_first_not_of("+-0123456789.eE") != std::string_view::npos) return std::nullopt;
    double value = 0;
    const auto [end, ec] = std::from_chars(body.data(), body.data() + body.size(), value);
    if (ec != std::errc{} || end != body.data() + body.size() || !std::isfinite(value)) return std::nullopt;
    return value;
}

std::string LocaliseDecimal(std::string text, const NumberLocale& locale) {
    ReplaceAll(text, ".", Utf8(locale.decimal));
    return text;
}

}  // namespace orv
