#pragma once
// The TCP/IP command channel without the socket: cutting a client's text into
// "#...;" packets, parsing a packet into the command parameters, writing the
// command into the shared state and building the reply packets.
//
// A packet is "#", comma-separated numbers, ";". The first number is the
// command code (the state code of the state machine), the rest its arguments,
// with the same counts and meanings as the ExCom command of that number.
// Replies are "#", values joined by ",", ";" — no spaces, no line end.

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "comm/KAVProtocol.h"
#include "comm/TCPExtensions.h"
#include "core/Commander.h"

namespace orv {

class System;
struct TelescopeState;

// Longest text a client may leave waiting for its ";" (characters). The longest
// sensible packet (twelve numbers) is far shorter; beyond this the text is dropped.
inline constexpr size_t TCPMaxPendingText = 4096;

// What one client has sent and the channel has not consumed yet. Each client
// has its own, so two clients' partial packets never join.
class TCPInput {
public:
    // Returns false to hold the packets after this one until the next call.
    using PacketHandler = std::function<bool(const std::string& packet)>;

    // Appends `text`, then hands every complete packet ("#" through the first
    // ";" after it) to `onPacket`, in order, until it returns false. Text before
    // a "#" is discarded; a packet still missing its ";" waits for the next call.
    // Returns how many characters of an over-long packet were dropped (0 normally).
    size_t TCPReceive(std::string_view text, const PacketHandler& onPacket);

    // What a stop that overtakes waiting packets leaves: the stop itself, and
    // how many packets before it were discarded.
    struct Overtaken {
        std::string stop;
        size_t discarded = 0;
    };
    // While the client waits for a late reply its packets wait too, but a stop
    // must not: appends `text` and, when a complete stop packet is among what
    // waits, takes out the last one and every packet before it that does more
    // than read (`readsOnly` says which); those that only read stay, to be
    // answered in order. Nothing (the text kept whole) when no stop waits.
    std::optional<Overtaken> TakeStop(std::string_view text,
                                      const std::function<bool(const std::string& packet)>& isStop,
                                      const std::function<bool(const std::string& packet)>& readsOnly);

    void clear() { text_.clear(); }
    const std::string& pending() const { return text_; }

private:
    std::string text_;
};

// The fields of one packet: CommandParam[0..11] as the packet fills them.
struct TCPPacketFields {
    std::array<double, 12> param{};
    int count = 0;   // fields taken (0 ... 12)
};

// Splits the packet at "," and ";"; each field up to the first empty one gives
// the first number in it (0 when it holds none). Fields after the twelfth are ignored.
TCPPacketFields ParseTCPPacket(const std::string& packet);

// The command code: the first field truncated toward zero; -1 when it is not a
// finite number within the range of the codes.
int TCPCommandCode(const TCPPacketFields& fields);

// What a code does in this channel.
enum class TCPCodeKind { None, SetState, Stop, Reply };
TCPCodeKind TCPKindOf(int code);

// Whether a packet is a stop, or only reads (a query of the original table or
// the extended status), for a stop that overtakes the packets before it.
bool TCPIsStopPacket(const std::string& packet);
bool TCPReadsOnly(const std::string& packet);

// The reply blocks, read from the shared state without locks.
std::string TCPPositionBlock(const TelescopeState& s);   // code 25
std::string TCPStatusBlock(const TelescopeState& s);     // code 26
std::string TCPTargetBlock(const TelescopeState& s);     // code 28
std::string TCPFullBlock(const System& system);           // code 29

// Name of a socket error event (0 General ... 5 Accept); "Unknown Error" otherwise.
std::string TCPErrorName(int event);

// The text the KAV queries (43, 54) answer while no KAV link is attached: the
// link's own answer when the instrument does not reply.
inline std::string KAVNoAnswerText() { return KAVStatusLine(std::nullopt); }

// A reply that comes later: called once, on any thread, with the text to send.
using TCPLateReply = std::function<void(std::string text)>;

// Where the answers of the KAV status queries come from. Each starts its
// exchange off the calling thread and hands the text, to be sent as it is, to
// `reply` when the exchange ends. Empty functions answer KAVNoAnswerText() at once.
struct TCPKAVQueries {
    std::function<void(TCPLateReply reply)> statusAll;    // GetKAVStatusAll, code 43
    std::function<void(TCPLateReply reply)> portStatus;   // GetKAVPortStatus, code 54
};

// What a packet answers: a reply to send at once, or none; or, for a KAV
// query, `later`: the reply comes through the late-reply function.
struct TCPAnswer {
    std::optional<std::string> reply;
    bool later = false;
};

// Runs packets against one system through its Commander. A state-setting
// command is written at once when the state machine is idle, else held in order
// (so a host may send '#6,...;#12;' without losing the target) under the
// Commander's rules: at most 2 s, and discarded by any stop. '#13;' is the
// Commander's stop: it discards every command held, from every channel.
class TCPCommandChannel {
public:
    static constexpr size_t MaxHeldCommands = Commander::MaxHeldPerChannel;

    explicit TCPCommandChannel(System& system);

    // Logs, parses and executes one packet from `client`. Returns the reply for
    // the client that sent it, or nothing for commands without an answer. A KAV
    // query with a link attached and `late` given answers later, through `late`.
    TCPAnswer ExecuteTCPPacket(const std::string& packet, TCPClientId client = 0,
                               const TCPLateReply& late = {});
    // The client's connection has closed.
    void ClientGone(TCPClientId client) { extensions_.ClientGone(client); }

    // Offers the waiting commands to an idle state machine; returns how many of
    // this channel's remain held.
    size_t IssueHeldCommands();
    size_t heldCount() const { return door_.held(); }
    void clearHeld() { door_.discard(); }

    void setKAVQueries(TCPKAVQueries queries) { kav_ = std::move(queries); }

private:
    System& system_;
    Commander::Channel door_;
    TCPKAVQueries kav_;
    TCPExtensions extensions_;   // the codes beyond the original table
};

}  // namespace orv
