#include "comm/SerialHost.h"

#include <chrono>

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

void MNCPHost::reset() {
    exchange(*BuildPacket(address_, MNCPReset, 0, ""), 0);
    sequence_ = 0;
}

std::string MNCPHost::command(const std::string& text) {
    // 1 ... 15: never the 0 of a device just started or reset.
    const int sequence = sequence_ % 15 + 1;
    const auto packet = BuildPacket(address_, MNCPCommand, sequence, text);
    if (!packet)
        throw SerialHostError(SerialHostError::Malformed, "command text too long for one packet: " +
                                                             std::to_string(text.size()) + " characters");
    sequence_ = sequence;
    return exchange(*packet, sequence);
}

std::string MNCPHost::exchange(const std::vector<uint8_t>& packet, int sequence) {
    using Steady = std::chrono::steady_clock;
    for (int attempt = 0; attempt <= retries_; ++attempt) {
        if (port_.WriteBuffer(packet.data(), packet.size()) != packet.size())
            throw SerialHostError(SerialHostError::Line, port_.PortName() + ": the packet did not go out");
        ++sent_;
        rx_.clear();
        const auto deadline = Steady::now() + std::chrono::milliseconds(timeoutMs_);
        for (;;) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Steady::now()).count();
            if (left <= 0) break;
            std::optional<uint8_t> b;
            try {
                if (port_.WaitForInput(int(left))) b = port_.ReadByte();
            } catch (const std::exception& e) {
                throw SerialHostError(SerialHostError::Line,
                                      port_.PortName() + ": the line failed (" + e.what() + ")");
            }
            if (!b) continue;
            const auto length = rx_.ReceiveByte(*b);
            if (!length || !MNCPFrameSumOK(rx_.RxBuffer.data(), size_t(*length))) continue;
            const auto f = SplitFrame(rx_.RxBuffer.data(), size_t(*length));
            // A late answer to an earlier packet has another sequence number.
            if (!f || f->address != address_ || f->sequence != sequence) continue;
            if (f->type == MNCPReplyEmpty) return "";
            if (f->type == MNCPReplyText) return std::string(f->payload);
        }
    }
    throw SerialHostError(SerialHostError::Timeout, "no reply on " + port_.PortName() + " after " +
                                                       std::to_string(retries_ + 1) + " packets of " +
                                                       std::to_string(timeoutMs_) + " ms");
}

}  // namespace orv
