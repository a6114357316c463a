#pragma once
// The logic of orvctl, the command-line client of the TCP/IP command server,
// without the socket: the command line, the packets it sends, the reading of
// the reply packets and the texts it prints.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "core/ChannelDefaults.h"

namespace orv::ctl {

inline constexpr uint16_t DefaultPort = orv::DefaultTCPPort;

struct CtlArgs {
    std::string host = "127.0.0.1";
    uint16_t port = DefaultPort;
    int timeoutMs = 3000;          // connecting and waiting for one reply
    int waitTimeoutS = 900;        // `wait`: how long a slew may take
    bool help = false;
    std::string command;           // raw, position, status, target, slew, stop, wait
    std::vector<std::string> args;
    // A serial line instead of the server: the ExCom or the MNCP protocol.
    std::string excomDevice;
    std::string mncpDevice;
    unsigned baud = 9600;
    int retries = 3;               // MNCP: repetitions of a command left unanswered
    std::string mncpText;          // MNCP: the command text, the words after the options
};

// Reads `orvctl [--host H] [--port P] [--timeout MS] [--wait-timeout S] COMMAND [ARGS]`,
// `orvctl --excom=DEVICE [--baud N] COMMAND [ARGS]` or `orvctl --mncp=DEVICE [--baud N]
// [--retries N] TEXT...` (each option also as --name=value). Returns the
// arguments or the error text.
std::variant<CtlArgs, std::string> ParseCtlArgs(const std::vector<std::string>& argv);
std::string CtlUsage();

// A reply packet: "#", decimal numbers joined by ",", ";", nothing else.
// nullopt for anything else (also "#;").
std::optional<std::vector<double>> ParseReplyPacket(std::string_view text);

// The codes the server answers (25, 26, 28, 29 with a packet; 43, 54 with KAV text).
bool CodeHasReply(int code);
bool CodeHasPacketReply(int code);

// The command codes of the packets in `text`, in order (for `raw`); text before
// "#" and a last packet without ";" are not packets and are not counted.
std::vector<int> PacketCodes(std::string_view text);

// Position block (#25).
struct PositionBlock {
    double HA, RA, Dec, Epoch, AirMass, LST, UT, Year;
};
std::optional<PositionBlock> PositionFromValues(const std::vector<double>& v);
// One labelled line per value; angles and times sexagesimal.
std::string FormatPosition(const PositionBlock& p);

// Status block (#26).
struct StatusWords {
    uint32_t flags1, flags2, flags3;
};
std::optional<StatusWords> StatusFromValues(const std::vector<double>& v);
// The names of the bits set in status word 1, 2 or 3, lowest bit first; bits
// without a meaning appear as "BIT 0x...".
std::vector<std::string> StatusNames(int word, uint32_t value);
// Three lines: "StatusFlags1 <value>: NAME, NAME" ("-" when none is set).
std::string FormatStatus(const StatusWords& s);
inline bool IsSlewing(const StatusWords& s) { return (s.flags1 & 0x080) != 0; }

// Full block (#29), the part `wait` needs.
struct FullBlock {
    double HA, RA, Dec, Epoch, AirMass, ZenithDistance, DomeAzimuthRad, ReportedFocus;
    double NextHA, NextRA, NextDec, NextEpoch, NextAirMass, NextZenithDistance;
};
std::optional<FullBlock> FullFromValues(const std::vector<double>& v);
// Degrees between the position and the target, the target (entered for its
// own equinox) first precessed to the equinox of the position.
double DistanceToTarget(const FullBlock& f);

// Angle between two places, degrees; RA in hours, Dec in degrees.
double AngularDistance(double ra1, double dec1, double ra2, double dec2);

// A decimal number or sexagesimal "h:m:s" / "h m s" (a leading "-" applies to
// the whole). nullopt when the text is none of these.
std::optional<double> ParseAngle(const std::string& text);

// The place of `target RA DEC [EPOCH]`; nullopt with `error` set when invalid.
struct TargetArgs {
    double ra, dec;
    std::optional<double> epoch;
};
std::optional<TargetArgs> TargetFromArgs(const std::vector<std::string>& args, std::string& error);

// "#6,ra,dec[,epoch];"; the equinox left out means the display equinox.
std::string TargetPacket(double ra, double dec, std::optional<double> epoch);
// Validates `target RA DEC [EPOCH]`: the packet, or nullopt with `error` set.
std::optional<std::string> TargetPacketFromArgs(const std::vector<std::string>& args, std::string& error);

// The progress line of `wait`.
std::string SlewProgressLine(double distanceDeg);

}  // namespace orv::ctl
