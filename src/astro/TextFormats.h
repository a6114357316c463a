#pragma once
// Text forms of angles, times and numbers shared by the display, the dialogs,
// the file writers and the remote channels.
//
// Numbers in files and on the wire always use "." as the decimal separator,
// whatever the operator's locale: nothing here goes through the C locale
// (printf/strtod); conversions use std::to_chars / std::from_chars. Every
// routine is reentrant; field width and decimals travel with each call.

#include <iosfwd>
#include <string>
#include <string_view>

namespace orv {

// |x| split into whole units (hours or degrees), minutes, seconds and
// thousandths of a second, after adding 0.000013 units so that a value a hair
// below a whole second or minute shows as the whole one. units carries the
// sign of x; the other fields are never negative. A non-finite x gives zeros.
struct SexagesimalParts {
    int units, minutes, seconds, thousandths;
};
SexagesimalParts SplitSexagesimal(double x);

// n as text with a leading "0" when 0 <= n < 10.
std::string TwoDigit(int n);

// '02 51 38' or, with tenths, '02 51 38.9'. A negative x gets "-" even when
// all fields are 0 ('-00 00 00'); units are not wrapped (23.99999 h gives
// '24 00 00') and may have three digits ('123 30 00'). Non-finite: "NAN",
// "INF" or "-INF".
std::string FormatSexagesimal(bool withTenths, double x);

// Scans s from the 1-based position pos for the first number: an optional
// "-", digits with at most one decimal separator, and an optional exponent
// ("e" or "E", optional "-", digits). "+" is never part of a number. On return
// pos stands after the last character used. Returns false (value 0) when no
// number is found or the collected text does not convert ('1e+5').
// Never reads outside s.
bool ExtractNumber(const std::string& s, int& pos, double& value, char decimalSeparator = '.');

// The first number in s, or 0.
double ScanNumber(const std::string& s, char decimalSeparator = '.');

// Whether s holds a number in the sense of ExtractNumber.
bool ContainsNumber(const std::string& s, char decimalSeparator = '.');

// x in fixed point with `decimals` decimals, blanks in front so that the
// integer part ends in column `width` and the separator stands in column
// width + 1 (no blanks when the text is already wider). width <= 0 gives
// exponent notation with decimals + 1 significant digits and a three-digit
// exponent. Defaults: the separator in column 19.
std::string FormatFloatField(double x, int width = 18, int decimals = 2, char decimalSeparator = '.');
void WriteFloatField(std::ostream& out, double x, int width = 18, int decimals = 2);

// Carriage return and line feed, the line end of every file and serial reply.
void WriteLineEnd(std::ostream& out);

// A caller's own field formatter, for a writer that uses one width and
// precision for a whole file or reply.
struct FloatFieldFormat {
    int width = 18;
    int decimals = 2;
    std::string operator()(double x) const { return FormatFloatField(x, width, decimals); }
};
inline FloatFieldFormat SetFloatFormat(int width, int decimals) { return FloatFieldFormat{width, decimals}; }

// x in fixed point with `decimals` decimals (0..18), as printf("%.*f") prints
// it, except that a value that rounds to zero is shown without a sign
// ("0.000", not "-0.000"). Magnitudes of 1e18 and more, which have more
// integer digits than the 18 the format carries, are shown in exponent
// notation. Non-finite: "NAN", "INF" or "-INF".
std::string FormatFixed(double x, int decimals, char decimalSeparator = '.');

// Shortest general notation with up to 15 significant digits and ".":
// 2000 -> "2000", 12.5 -> "12.5", 0.1 -> "0.1", 1e20 -> "1e+20".
// This is how reals are stored in profile files.
std::string FormatGeneral(double x);

// Converts the whole of s (blanks around it allowed, an optional leading "+"
// or "-") to a real with the given separator. False, value untouched, when s
// is not exactly one number.
bool ParseReal(std::string_view s, double& value, char decimalSeparator = '.');

// The separators for operator-facing number text: from the operator's locale
// when fromLocale is set ("." and "," where it has none), else "." and ",".
struct DecimalSeparators {
    char decimal = '.';
    char thousands = ',';
};
DecimalSeparators UseLocaleSeparators(bool fromLocale);

// 1-based position of sub in s ignoring (ASCII) case; 0 if absent or sub is empty.
int PosIgnoreCase(const std::string& sub, const std::string& s);

// 1-based position of the first place in s where every character of pattern
// equals the character of s or is the wildcard; case-sensitive; 0 if none or
// when s is shorter than the pattern.
int PosWildcard(const std::string& pattern, const std::string& s, char wildcard);

// s with fill characters in front / behind up to width characters.
std::string PadLeft(const std::string& s, int width, char fill);
std::string PadRight(const std::string& s, int width, char fill);

// Decimal text of n with "0" in front up to width characters; for a negative
// n the zeros go after the sign ("-07" for -7 and width 3).
std::string IntToStrZeroPad(long n, int width);

// sign(base) * |base|^exponent, 0 for base 0.
double SignedPower(double exponent, double base);

}  // namespace orv
