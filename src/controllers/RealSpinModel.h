#pragma once
// `TRealSpin`: a real number typed or stepped by the operator (rates in
// arcseconds per second, epochs, azimuths, focus positions).
//
// The arrow buttons and the Up and Down keys step by `Increment`, ten times
// that with Ctrl held. Typed text takes effect as soon as it reads as a number;
// leaving the field rewrites it in the spin's format (an empty field shows the
// last valid value again).

#include <string>
#include <string_view>

#include "controllers/NumberText.h"
#include "controllers/SpinLimits.h"

namespace orv {

enum class NumFormat {
    nfStandard,    // shortest form, up to 15 significant digits
    nfScientific,  // exponent form with `Digits` significant digits
    nfFixed,       // `Digits` decimals
    nfThousands,   // `Digits` decimals and thousands separators
};

struct RealSpinSettings {
    SpinLimits limits;
    double Increment = 1.0;
    NumFormat numFormat = NumFormat::nfStandard;
    int Digits = 5;
    std::string UnitsString;  // shown beside the field
};

class RealSpinModel {
public:
    explicit RealSpinModel(RealSpinSettings settings = {}, NumberLocale locale = {});

    const RealSpinSettings& settings() const { return settings_; }
    // New settings; the value is brought into the new limits.
    void setSettings(RealSpinSettings settings);
    void setLocale(NumberLocale locale) { locale_ = locale; }
    const NumberLocale& locale() const { return locale_; }

    double value() const { return value_; }
    // Sets the value within the limits; a value that is not finite is ignored.
    void setValue(double value);

    void setReadOnly(bool on) { readOnly_ = on; }
    bool readOnly() const { return readOnly_; }
    void setEditorEnabled(bool on) { editorEnabled_ = on; }

    // One step up (direction > 0) or down; false when the spin is read-only
    // (the widget beeps instead).
    bool step(int direction, bool tenfold = false);

    // Whether a key typed into the field is taken.
    KeyVerdict key(char32_t c) const;
    // The field's text as the operator left it after a key: a number becomes the value.
    void textEdited(std::string_view text);
    // The operator left the field: reads it once more and returns the text to show.
    std::string editingFinished(std::string_view text);

    // The value in the spin's format.
    std::string text() const { return Format(value_); }
    std::string Format(double value) const;

private:
    RealSpinSettings settings_;
    NumberLocale locale_;
    double value_ = 0;
    bool readOnly_ = false;
    bool editorEnabled_ = true;
};

}  // namespace orv
