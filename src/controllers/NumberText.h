#pragma once
// Typed numbers in the operator's locale: which keys a numeric field takes and
// how its text reads. The widgets fill NumberLocale from the desktop's locale;
// the models never touch the C locale (from_chars/to_chars only).

#include <optional>
#include <string>
#include <string_view>

namespace orv {

struct NumberLocale {
    char32_t decimal = U'.';
    char32_t thousands = U',';
};

// A key typed into a numeric field is either taken or refused with a beep.
enum class KeyVerdict { Accept, Beep };

inline constexpr char32_t EnterKey = U'\r';
inline constexpr char32_t BackspaceKey = U'\b';

// Accepts control characters other than Enter, and the printable characters
// of `allowed`; with the editor disabled no printable character and no
// backspace is taken.
KeyVerdict FilterNumberKey(char32_t key, std::u32string_view allowed, bool editorEnabled);

// The UTF-8 text of one character.
std::string Utf8(char32_t c);

// Reads a whole field as a finite number: surrounding blanks and the locale's
// thousands separators are ignored, the locale's decimal separator is the
// point, one leading "+" or "-" and an exponent ("E" or "e") are allowed.
// Anything else, or a value that is not finite, gives nothing.
std::optional<double> ParseLocaleNumber(std::string_view text, const NumberLocale& locale);

// `text` with each "." replaced by the locale's decimal separator.
std::string LocaliseDecimal(std::string text, const NumberLocale& locale);

}  // namespace orv
