#include "comm/TCPPacket.h"

#include <cmath>
#include <vector>

#include "astro/TextFormats.h"
#include "comm/ReplyBlocks.h"
#include "comm/TCPExtendedProtocol.h"
#include "control/System.h"

namespace orv {

size_t TCPInput::TCPReceive(std::string_view text, const PacketHandler& onPacket) {
    text_.append(text);
    // Consume from the front by index and cut once at the end, so a read full of
    // packets costs one pass over the text.
    size_t start = 0;
    for (;;) {
        const size_t hash = text_.find('#', start);
        if (hash == std::string::npos) {
            text_.clear();
            return 0;
        }
        const size_t semicolon = text_.find(';', hash);
        if (semicolon == std::string::npos) {
            text_.erase(0, hash);
            break;
        }
        start = semicolon + 1;
        if (!onPacket(text_.substr(hash, start - hash))) {
            // The rest waits, whole, until the caller goes on.
            text_.erase(0, start);
            return 0;
        }
    }
    // What is left is one packet without its ";". A client that never ends it
    // must not make us hold its text for ever.
    if (text_.size() > TCPMaxPendingText) {
        const size_t dropped = text_.size();
        text_.clear();
        return dropped;
    }
    return 0;
}

std::optional<TCPInput::Overtaken> TCPInput::TakeStop(std::string_view text,
                                                     const std::function<bool(const std::string&)>& isStop,
                                                     const std::function<bool(const std::string&)>& readsOnly) {
    text_.append(text);
    struct Packet {
        size_t begin, end;
    };
    std::vector<Packet> packets;
    std::optional<size_t> lastStop;
    for (size_t start = 0;;) {
        const size_t hash = text_.find('#', start);
        if (hash == std::string::npos) break;
        const size_t semicolon = text_.find(';', hash);
        if (semicolon == std::string::npos) break;
        start = semicolon + 1;
        packets.push_back({hash, start});
        if (isStop(text_.substr(hash, start - hash))) lastStop = packets.size() - 1;
    }
    if (!lastStop) return std::nullopt;

    Overtaken out;
    std::string kept;
    for (size_t i = 0; i < *lastStop; ++i) {
        const std::string packet = text_.substr(packets[i].begin, packets[i].end - packets[i].begin);
        if (readsOnly(packet)) kept += packet;
        else ++out.discarded;
    }
    const Packet& stop = packets[*lastStop];
    out.stop = text_.substr(stop.begin, stop.end - stop.begin);
    text_ = kept + text_.substr(stop.end);
    return out;
}

TCPPacketFields ParseTCPPacket(const std::string& packet) {
    TCPPacketFields fields;
    size_t pos = 0;
    while (fields.count < static_cast<int>(fields.param.size()) && pos < packet.size()) {
        const size_t end = packet.find_first_of(",;", pos);
        const size_t stop = end == std::string::npos ? packet.size() : end;
        if (stop == pos) break;   // an empty field ends the parse
        fields.param[fields.count++] = ScanNumber(packet.substr(pos, stop - pos));
        pos = end == std::string::npos ? packet.size() : end + 1;
    }
    return fields;
}

int TCPCommandCode(const TCPPacketFields& fields) {
    const double c = std::trunc(fields.param[0]);
    // Anything outside the table is "no command"; this also keeps the
    // conversion below defined for huge or non-finite numbers.
    if (!std::isfinite(c) || c < -1.0 || c > 1000.0) return -1;
    return static_cast<int>(c);
}

TCPCodeKind TCPKindOf(int code) {
    if ((code >= 1 && code <= 12) || (code >= 14 && code <= 24)) return TCPCodeKind::SetState;
    switch (code) {
    case 13:
        return TCPCodeKind::Stop;
    case 27: case 30: case 32: case 33: case 34: case 41: case 42:
        return TCPCodeKind::SetState;
    case 36:   // the shutter, added to the original table
        return TCPCodeKind::SetState;
    case 25: case 26: case 28: case 29: case 43: case 54:
        return TCPCodeKind::Reply;
    default:
        return TCPCodeKind::None;
    }
}

bool TCPIsStopPacket(const std::string& packet) {
    return TCPKindOf(TCPCommandCode(ParseTCPPacket(packet))) == TCPCodeKind::Stop;
}

bool TCPReadsOnly(const std::string& packet) {
    const int code = TCPCommandCode(ParseTCPPacket(packet));
    return TCPKindOf(code) == TCPCodeKind::Reply || code == tcpx::ExtendedStatusCode;
}

namespace {

// "#" + the values in fixed notation with their decimals + ";".
std::string Block(const std::vector<ReplyValue>& values) {
    std::string out = "#";
    bool first = true;
    for (const auto& v : values) {
        if (!first) out += ',';
        first = false;
        out += FormatFixed(v.x, v.decimals);
    }
    out += ';';
    return out;
}

}  // namespace

std::string TCPPositionBlock(const TelescopeState& s) { return Block(PositionBlockValues(s)); }

std::string TCPStatusBlock(const TelescopeState& s) {
    return "#" + std::to_string(s.StatusFlags1.load()) + "," + std::to_string(s.StatusFlags2.load()) +
           "," + std::to_string(s.StatusFlags3.load()) + ";";
}

std::string TCPTargetBlock(const TelescopeState& s) { return Block(TargetBlockValues(s)); }

std::string TCPFullBlock(const System& system) { return Block(FullBlockValues(system)); }

std::string TCPErrorName(int event) {
    switch (event) {
    case 0: return "General Error";
    case 1: return "Send Error";
    case 2: return "Read Error";
    case 3: return "Connection Error";
    case 4: return "Disconnection Error";
    case 5: return "Accept Error";
    default: return "Unknown Error";
    }
}

TCPCommandChannel::TCPCommandChannel(System& system)
    : system_(system), door_(system.commander, "TCP/IP"), extensions_(system) {}

TCPAnswer TCPCommandChannel::ExecuteTCPPacket(const std::string& packet, TCPClientId client,
                                                const TCPLateReply& late) {
    system_.log.LogCommEvent("TCP/IP Packet: " + packet);
    const TCPPacketFields fields = ParseTCPPacket(packet);
    const int code = TCPCommandCode(fields);
    auto& s = system_.state;

    switch (TCPKindOf(code)) {
    case TCPCodeKind::None:
        // Not in the original table: one of the added codes, or nothing at all.
        return {extensions_.Execute(code, fields, client, door_.held())};
    case TCPCodeKind::Stop:
        system_.commander.stop();
        return {};
    case TCPCodeKind::SetState:
        // The packet's fields 1..11 are the arguments; fields not sent are 0.
        door_.issue(code, Commander::Params(fields.param.begin() + 1, fields.param.end()));
        return {};
    case TCPCodeKind::Reply:
        break;
    }

    // Queries read the shared state only; they leave CommandParam alone, so a
    // query never clears the arguments of a command the state machine has not
    // taken yet.
    switch (code) {
    case 25: return {TCPPositionBlock(s)};
    case 26: return {TCPStatusBlock(s)};
    case 28: return {TCPTargetBlock(s)};
    case 29: return {TCPFullBlock(system_)};
    case 43:
    case 54: {
        // The instrument's exchange takes up to seconds: it runs elsewhere and
        // the reply follows when it ends.
        const auto& query = code == 43 ? kav_.statusAll : kav_.portStatus;
        if (!query || !late) return {KAVNoAnswerText()};
        query(late);
        return {std::nullopt, true};
    }
    default: return {};
    }
}

size_t TCPCommandChannel::IssueHeldCommands() {
    system_.commander.service();
    return door_.held();
}

}  // namespace orv
