#include "comm/SerialHost.h"

#include "astro/TextFormats.h"
#include "comm/serial/CommPort.h"

namespace orv {

namespace {

// Longest reply line accepted: a value is at most about 25 characters.
constexpr size_t MaxLineLength = 64;

}  // namespace

std::string ExComCommandText(int code, const std::vector<double>& args) {
    std::string text = std::to_string(code);
    for (double a : args) text += " " + FormatGeneral(a);
    return text + "\r";
}

int ExComReplyLineCount(int code) {
    switch (code) {
    case 25: return 8;
    case 26: return 3;
    case 28: return 5;
    case 29: return 14;
    case 43: case 44: return -1;
    default: return 0;
    }
}

std::optional<double> ParseExComLine(std::string_view line) {
    while (!line.empty() && line.front() == ' ') line.remove_prefix(1);
    double v = 0;
    if (line.empty() || line.back() == ' ' || !ParseReal(line, v)) return std::nullopt;
    return v;
}

std::optional<uint8_t> ExComHost::readByte(int timeoutMs) {
    try {
        if (!port_.WaitForInput(timeoutMs)) return std::nullopt;
        return port_.ReadByte();
    } catch (const std::exception& e) {
        throw SerialHostError(SerialHostError::Line, port_.PortName() + ": the line failed (" + e.what() + ")");
    }
}

void ExComHost::command(int code, const std::vector<double>& args) {
    const std::string text = ExComCommandText(code, args);
    if (port_.WriteText(text) != text.size())
        throw SerialHostError(SerialHostError::Line, port_.PortName() + ": the command did not go out");
}

std::string ExComHost::readLine() {
    std::string line;
    for (;;) {
        const auto byte = readByte(timeoutMs_);
        if (!byte)
            throw SerialHostError(SerialHostError::Timeout, "no reply on " + port_.PortName() + " within " +
                                                               std::to_string(timeoutMs_) + " ms");
        if (*byte == '\r') return line;
        line += char(*byte);
        if (line.size() > MaxLineLength)
            throw SerialHostError(SerialHostError::Malformed, "malformed reply on " + port_.PortName() +
                                                                 ": no CR in " + std::to_string(line.size()) +
                                                                 " characters");
    }
}

std::vector<double> ExComHost::query(int code) {
    command(code);
    std::vector<double> values;
    for (int i = 0; i < ExComReplyLineCount(code); ++i) {
        const std::string line = readLine();
        const auto v = ParseExComLine(line);
        if (!v)
            throw SerialHostError(SerialHostError::Malformed,
                                  "malformed reply on " + port_.PortName() + ": '" + line + "'");
        values.push_back(*v);
    }
    return values;
}

std::string ExComHost::raw(const std::string& text, int firstMs, int quietMs) {
    if (port_.WriteText(text) != text.size())
        throw SerialHostError(SerialHostError::Line, port_.PortName() + ": the text did not go out");
    std::string out;
    auto byte = readByte(firstMs);
    while (byte) {
        out += char(*byte);
        byte = readByte(quietMs);
    }
    return out;
}

}  // namespace orv
