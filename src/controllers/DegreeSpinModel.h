#pragma once
// `TDegreeSpin`: an angle or a time typed as units (degrees or hours),
// minutes and seconds in three fields.
//
// The value is a signed count of 0.00001 s, so that typed seconds are kept
// exactly; the fields show the seconds cut (not rounded) to `Digits` decimals,
// and a negative value under one unit shows "-0" in the units field
// (-0.5 deg with no decimals: "-0" 30 0).

#include <cstdint>
#include <string>

#include "controllers/NumberText.h"

namespace orv {

inline constexpr int64_t CountsPerSecond = 100000;
inline constexpr int64_t CountsPerMinute = 60 * CountsPerSecond;
inline constexpr int64_t CountsPerUnit = 60 * CountsPerMinute;  // 360000000

struct DegreeSpinSettings {
    double MinValue = 0;  // units
    double MaxValue = 0;
    bool UseLimit = false;
    bool Wrap = false;
    // Minutes or seconds of 60 or more carry into the next larger field;
    // without it such a typed value is refused.
    bool AutoCorrect = true;
    int Digits = 1;           // decimals of the seconds, 0 to 5
    std::string UnitsString;  // the units field's label, "Deg" when empty
};

struct DegreeFields {
    std::string units, minutes, seconds;
    bool operator==(const DegreeFields&) const = default;
};

enum class DegreeField { Units, Minutes, Seconds };

class DegreeSpinModel {
public:
    explicit DegreeSpinModel(DegreeSpinSettings settings = {}, NumberLocale locale = {});

    const DegreeSpinSettings& settings() const { return settings_; }
    void setSettings(DegreeSpinSettings settings);
    void setLocale(NumberLocale locale) { locale_ = locale; }

    // The labels of the three fields.
    std::string unitsLabel() const;
    static constexpr const char* MinutesLabel = "Min";
    static constexpr const char* SecondsLabel = "Sec";

    int64_t counts() const { return counts_; }
    void setCounts(int64_t counts);

    // The value in units; setting rounds to the nearest count. A value that is
    // not finite or beyond a billion units is ignored.
    double GetDegrees() const;
    void SetDegrees(double units);
    // The whole numbers shown in the units and minutes fields.
    int64_t GetHours() const;
    int GetMinutes() const;

    DegreeFields fields() const;

    void setReadOnly(bool on) { readOnly_ = on; }
    void setEditorEnabled(bool on) { editorEnabled_ = on; }

    // One step of the given field's unit (a second for the seconds field),
    // ten with Ctrl held; false when read-only.
    bool step(DegreeField field, int direction, bool tenfold = false);

    KeyVerdict key(char32_t c) const;

    enum class EditResult {
        Kept,    // the fields stand as typed
        Redraw,  // the fields must be shown from the value again (carried, limited or refused)
    };
    // The operator changed a field: the value is recomputed from all three.
    EditResult edit(const DegreeFields& typed);

private:
    int64_t Limited(int64_t counts) const;

    DegreeSpinSettings settings_;
    NumberLocale locale_;
    int64_t counts_ = 0;
    bool readOnly_ = false;
    bool editorEnabled_ = true;
};

}  // namespace orv
