#include "comm/ExComReader.h"

#include <string>

#include "astro/TextFormats.h"

namespace orv {

namespace {

bool IsDigit(uint8_t b) { return b >= '0' && b <= '9'; }
bool InNumber(uint8_t b) { return IsDigit(b) || b == '.' || b == 'E' || b == 'e' || b == '+' || b == '-'; }

void Append(std::string& text, uint8_t b) {
    if (text.size() < ExComMaxNumberText) text += char(b);
}

}  // namespace

double ExComReadNumber(const ByteSource& next) {
    std::string text;
    uint8_t b = next();
    while (!IsDigit(b) && b != '.') {
        if (b == ExComCtrlZ) return 0.0;
        if (b == '+' || b == '-') Append(text, b);
        else text.clear();
        b = next();
    }
    while (InNumber(b)) {
        if (b == '.' && !text.empty() && text.back() == '.') break;
        Append(text, b);
        b = next();
        if (b == ExComCtrlZ) break;
    }
    double value = 0;
    if (!ParseReal(text, value)) throw ExComNumberError("'" + text + "' is not a valid floating point value");
    return value;
}

}  // namespace orv
