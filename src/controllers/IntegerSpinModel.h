#pragma once
// `TIntegerSpin`: a whole number typed or stepped by the operator (TCP/IP
// port, KAV output byte), shown in decimal or, with `HexMode`, as upper-case
// hexadecimal digits padded to `HexDigits`.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "controllers/NumberText.h"

namespace orv {

struct IntegerSpinSettings {
    // The value stays within [MinValue, MaxValue] when MaxValue > MinValue;
    // equal limits mean no limit.
    int64_t MinValue = 0;
    int64_t MaxValue = 0;
    int64_t Increment = 1;
    bool HexMode = false;
    int HexDigits = 2;
};

class IntegerSpinModel {
public:
    explicit IntegerSpinModel(IntegerSpinSettings settings = {});

    const IntegerSpinSettings& settings() const { return settings_; }
    void setSettings(IntegerSpinSettings settings);

    int64_t value() const { return value_; }
    void setValue(int64_t value);

    void setReadOnly(bool on) { readOnly_ = on; }
    void setEditorEnabled(bool on) { editorEnabled_ = on; }

    // One step up or down (ten with Ctrl held); false when read-only.
    bool step(int direction, bool tenfold = false);

    KeyVerdict key(char32_t c) const;
    void textEdited(std::string_view text);
    std::string editingFinished(std::string_view text);

    std::string text() const;
    // Decimal, or hexadecimal digits (an optional "$" or "0x" in front) in hex mode.
    std::optional<int64_t> Parse(std::string_view text) const;

private:
    IntegerSpinSettings settings_;
    int64_t value_ = 0;
    bool readOnly_ = false;
    bool editorEnabled_ = true;
};

}  // namespace orv
