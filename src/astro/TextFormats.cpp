#include "astro/TextFormats.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>
#include <locale>
#include <ostream>
#include <stdexcept>

namespace orv {

namespace {

// Added to |x| before splitting: 0.047 s of time or arc, so that 5.999999 h
// shows as '06 00 00' rather than '05 59 59'.
constexpr double SexagesimalRoundingOffset = 0.000013;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// Trunc of a non-negative value into an int, saturating instead of overflowing.
int TruncToInt(double v) {
    if (!(v > 0)) return 0;
    if (v >= static_cast<double>(INT_MAX)) return INT_MAX;
    return static_cast<int>(v);
}

std::string NonFiniteText(double x) {
    if (std::isnan(x)) return "NAN";
    return x < 0 ? "-INF" : "INF";
}

void ReplaceChar(std::string& s, char from, char to) {
    if (from != to) std::replace(s.begin(), s.end(), from, to);
}

// Removes a leading "-" when the text shows no non-zero digit: a value that
// rounds to zero is shown as zero.
void DropSignOfZero(std::string& s) {
    if (s.empty() || s[0] != '-') return;
    for (size_t i = 1; i < s.size(); ++i) {
        char c = s[i];
        if (c == 'e' || c == 'E') break;
        if (IsDigit(c) && c != '0') return;
    }
    s.erase(0, 1);
}

std::string ToCharsText(double x, std::chars_format fmt, int precision) {
    char buf[512];
    auto res = std::to_chars(buf, buf + sizeof buf, x, fmt, precision);
    if (res.ec != std::errc()) return NonFiniteText(x);  // cannot happen for finite x with these sizes
    return std::string(buf, res.ptr);
}

// Exponent notation with `decimals` digits after the point and a signed
// exponent of at least three digits: "1.23E+005".
std::string ExponentText(double x, int decimals) {
    std::string s = ToCharsText(x, std::chars_format::scientific, decimals);
    size_t e = s.find('e');
    if (e == std::string::npos) return s;
    std::string mantissa = s.substr(0, e);
    std::string exp = s.substr(e + 1);
    char sign = '+';
    if (!exp.empty() && (exp[0] == '+' || exp[0] == '-')) {
        sign = exp[0];
        exp.erase(0, 1);
    }
    while (exp.size() < 3) exp.insert(exp.begin(), '0');
    return mantissa + "E" + sign + exp;
}

}  // namespace

SexagesimalParts SplitSexagesimal(double x) {
    if (!std::isfinite(x)) return {0, 0, 0, 0};
    double v = std::fabs(x) + SexagesimalRoundingOffset;
    SexagesimalParts p{};
    p.units = TruncToInt(v);
    v = (v - p.units) * 60.0;
    // A fraction a hair below 1 can round to exactly 60 after the product.
    p.minutes = std::min(TruncToInt(v), 59);
    v = (v - p.minutes) * 60.0;
    p.seconds = std::min(TruncToInt(v), 59);
    v = (v - p.seconds) * 1000.0;
    p.thousandths = std::min(TruncToInt(v), 999);
    if (x < 0) p.units = -p.units;
    return p;
}

std::string TwoDigit(int n) {
    std::string s = std::to_string(n);
    if (n >= 0 && n < 10) s.insert(s.begin(), '0');
    return s;
}

std::string FormatSexagesimal(bool withTenths, double x) {
    if (!std::isfinite(x)) return NonFiniteText(x);
    SexagesimalParts p = SplitSexagesimal(x);
    std::string s = x < 0 ? "-" : "";
    s += TwoDigit(std::abs(p.units));
    s += ' ';
    s += TwoDigit(p.minutes);
    s += ' ';
    s += TwoDigit(p.seconds);
    if (withTenths) {
        s += '.';
        s += static_cast<char>('0' + p.thousandths / 100);
    }
    return s;
}

bool ExtractNumber(const std::string& s, int& pos, double& value, char decimalSeparator) {
    value = 0;
    if (s.empty()) return false;
    if (pos < 1) pos = 1;
    const int n = static_cast<int>(s.size());
    auto at = [&](int p) { return s[static_cast<size_t>(p - 1)]; };

    std::string buf;
    bool separatorSeen = false;
    while (pos <= n) {
        char c = at(pos);
        if (c == '-') {
            if (buf.empty() || (!separatorSeen && buf.back() != '-')) buf += c;
            ++pos;
        } else if (c == decimalSeparator && !separatorSeen) {
            buf += c;
            separatorSeen = true;
            ++pos;
        } else if (!IsDigit(c)) {
            buf.clear();
            separatorSeen = false;
            ++pos;
        } else {
            // Mantissa: digits and at most one separator; a second one ends the run.
            while (pos <= n && (IsDigit(at(pos)) || (at(pos) == decimalSeparator && !separatorSeen))) {
                if (at(pos) == decimalSeparator) separatorSeen = true;
                buf += at(pos);
                ++pos;
            }
            if (pos <= n && (at(pos) == 'e' || at(pos) == 'E')) {
                buf += at(pos);
                ++pos;
                if (pos <= n && at(pos) == '-') {
                    buf += '-';
                    while (pos <= n && at(pos) == '-') ++pos;
                }
                while (pos <= n && IsDigit(at(pos))) {
                    buf += at(pos);
                    ++pos;
                }
            }
            double v = 0;
            if (!ParseReal(buf, v, decimalSeparator)) return false;
            value = v;
            return true;
        }
    }
    return false;
}

double ScanNumber(const std::string& s, char decimalSeparator) {
    int pos = 1;
    double v = 0;
    return ExtractNumber(s, pos, v, decimalSeparator) ? v : 0.0;
}

bool ContainsNumber(const std::string& s, char decimalSeparator) {
    int pos = 1;
    double v = 0;
    return ExtractNumber(s, pos, v, decimalSeparator);
}

std::string FormatFixed(double x, int decimals, char decimalSeparator) {
    if (!std::isfinite(x)) return NonFiniteText(x);
    decimals = std::clamp(decimals, 0, 18);
    std::string s = std::fabs(x) >= 1e18 ? ExponentText(x, 17)
                                         : ToCharsText(x, std::chars_format::fixed, decimals);
    DropSignOfZero(s);
    ReplaceChar(s, '.', decimalSeparator);
    return s;
}

std::string FormatFloatField(double x, int width, int decimals, char decimalSeparator) {
    std::string s;
    if (!std::isfinite(x)) {
        s = NonFiniteText(x);
    } else if (width > 0) {
        s = FormatFixed(x, decimals, decimalSeparator);
    } else {
        s = ExponentText(x, std::clamp(decimals, 0, 17));
        ReplaceChar(s, '.', decimalSeparator);
    }
    size_t sep = s.find(decimalSeparator);
    int b = sep == std::string::npos ? static_cast<int>(s.size()) + 1 : static_cast<int>(sep) + 1;
    if (width >= b) s.insert(0, static_cast<size_t>(width - b + 1), ' ');
    return s;
}

void WriteFloatField(std::ostream& out, double x, int width, int decimals) {
    out << FormatFloatField(x, width, decimals);
}

void WriteLineEnd(std::ostream& out) { out << "\r\n"; }

std::string FormatGeneral(double x) {
    if (!std::isfinite(x)) return NonFiniteText(x);
    std::string s = ToCharsText(x, std::chars_format::general, 15);
    DropSignOfZero(s);
    return s;
}

bool ParseReal(std::string_view s, double& value, char decimalSeparator) {
    auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!s.empty() && blank(s.front())) s.remove_prefix(1);
    while (!s.empty() && blank(s.back())) s.remove_suffix(1);
    if (!s.empty() && s.front() == '+') {
        s.remove_prefix(1);
        if (!s.empty() && (s.front() == '-' || s.front() == '+')) return false;
    }
    if (s.empty()) return false;
    std::string text(s);
    if (decimalSeparator != '.') {
        if (text.find('.') != std::string::npos) return false;
        ReplaceChar(text, decimalSeparator, '.');
    }
    // from_chars would read "inf", "nan" and hexadecimal-free forms; only
    // plain decimal numbers are numbers here.
    for (char c : text)
        if (!(IsDigit(c) || c == '.' || c == '-' || c == 'e' || c == 'E' || c == '+')) return false;
    double v = 0;
    auto res = std::from_chars(text.data(), text.data() + text.size(), v, std::chars_format::general);
    if (res.ec != std::errc() || res.ptr != text.data() + text.size()) return false;
    value = v;
    return true;
}

DecimalSeparators UseLocaleSeparators(bool fromLocale) {
    DecimalSeparators sep;
    if (!fromLocale) return sep;
    try {
        std::locale loc("");
        const auto& punct = std::use_facet<std::numpunct<char>>(loc);
        if (punct.decimal_point() != '\0') sep.decimal = punct.decimal_point();
        if (punct.thousands_sep() != '\0' && !punct.grouping().empty()) sep.thousands = punct.thousands_sep();
    } catch (const std::runtime_error&) {
        // The environment names a locale that is not installed: keep "." and ",".
    }
    return sep;
}

int PosIgnoreCase(const std::string& sub, const std::string& s) {
    if (sub.empty() || sub.size() > s.size()) return 0;
    auto it = std::search(s.begin(), s.end(), sub.begin(), sub.end(),
                          [](char a, char b) { return LowerAscii(a) == LowerAscii(b); });
    return it == s.end() ? 0 : static_cast<int>(it - s.begin()) + 1;
}

int PosWildcard(const std::string& pattern, const std::string& s, char wildcard) {
    if (s.empty() || s.size() < pattern.size()) return 0;
    for (size_t p = 0; p + pattern.size() <= s.size(); ++p) {
        bool match = true;
        for (size_t i = 0; i < pattern.size() && match; ++i)
            match = pattern[i] == wildcard || pattern[i] == s[p + i];
        if (match) return static_cast<int>(p) + 1;
    }
    return 0;
}

std::string PadLeft(const std::string& s, int width, char fill) {
    if (width <= static_cast<int>(s.size())) return s;
    return std::string(static_cast<size_t>(width) - s.size(), fill) + s;
}

std::string PadRight(const std::string& s, int width, char fill) {
    if (width <= static_cast<int>(s.size())) return s;
    return s + std::string(static_cast<size_t>(width) - s.size(), fill);
}

std::string IntToStrZeroPad(long n, int width) {
    std::string s = std::to_string(n);
    size_t digitsAt = n < 0 ? 1 : 0;
    if (static_cast<int>(s.size()) < width) s.insert(digitsAt, static_cast<size_t>(width) - s.size(), '0');
    return s;
}

double SignedPower(double exponent, double base) {
    if (base == 0) return 0;
    double m = std::pow(std::fabs(base), exponent);
    return base < 0 ? -m : m;
}

}  // namespace orv
