#include "comm/CtlClient.h"

#include <cmath>
#include <limits>

#include "astro/AstroConstants.h"
#include "astro/AstroLib.h"
#include "astro/TextFormats.h"
#include "core/TelescopeState.h"

namespace orv::ctl {

namespace {

bool ParseInt(const std::string& text, long min, long max, long& value) {
    double x = 0;
    if (!ParseReal(text, x) || x != std::trunc(x) || x < double(min) || x > double(max)) return false;
    value = long(x);
    return true;
}

// A reply value: a real in "." notation, or the texts the server writes for
// values that are not finite (an air mass on the horizon is infinite).
bool ParseReplyValue(std::string_view field, double& value) {
    if (field == "INF") { value = std::numeric_limits<double>::infinity(); return true; }
    if (field == "-INF") { value = -std::numeric_limits<double>::infinity(); return true; }
    if (field == "NAN") { value = std::numeric_limits<double>::quiet_NaN(); return true; }
    if (field.empty() || field.front() == ' ' || field.back() == ' ') return false;
    return ParseReal(field, value);
}

// "+dd mm ss.s" for signed angles, " hh mm ss.s" for RA and times, so that the
// columns line up.
std::string Signed(double x) {
    const std::string text = FormatSexagesimal(true, x);
    return text.front() == '-' ? text : "+" + text;
}
std::string Unsigned(double x) {
    const std::string text = FormatSexagesimal(true, x);
    return text.front() == '-' ? text : " " + text;
}

}  // namespace

std::string CtlUsage() {
    return "Usage: orvctl [--host H] [--port P] [--timeout MS] [--wait-timeout S] COMMAND [ARGS]\n"
           "Talks to the TCP/IP command server of Orv (default 127.0.0.1, port 5003).\n"
           "\n"
           "Commands:\n"
           "  raw '#..;'            send packets as they are; print the reply packets\n"
           "  position              the position block: HA, RA, Dec, equinox, air mass, LST, UT, year\n"
           "  status                the three status words and the names of their bits\n"
           "  target RA DEC [EPOCH] load a target (code 6); RA in hours, DEC in degrees, decimal or\n"
           "                        h:m:s; EPOCH is the equinox (left out: the display equinox)\n"
           "  slew                  slew to the loaded target (code 12)\n"
           "  stop                  stop any motion (code 13)\n"
           "  wait                  wait while the telescope is slewing, printing the distance left\n"
           "\n"
           "Options:\n"
           "  --host H              server address (default 127.0.0.1)\n"
           "  --port P              server port (default 5003)\n"
           "  --timeout MS          time allowed to connect and for each reply (default 3000)\n"
           "  --wait-timeout S      longest slew `wait` waits for (default 900)\n"
           "  --help                this text\n"
           "\n"
           "Over a serial line instead of the server:\n"
           "  --excom=DEVICE        speak ExCom on DEVICE (a path such as /dev/ttyUSB0, or Com1 ...);\n"
           "                        the commands above work the same, raw sends its text and a CR\n"
           "  --mncp=DEVICE         speak MNCP on DEVICE: the words after the options are one\n"
           "                        command text (\"get ra\", \"status\", \"goto\" ...); prints the reply\n"
           "  --baud N              line speed (default 9600)\n"
           "  --retries N           MNCP: repetitions of an unanswered command (default 3)\n"
           "\n"
           "Exit status: 0 done, 1 bad command line, 2 cannot connect, 3 no reply in time,\n"
           "4 malformed reply, 5 `wait` timed out, 6 MNCP answered \"error ...\".\n";
}

std::variant<CtlArgs, std::string> ParseCtlArgs(const std::vector<std::string>& argv) {
    CtlArgs out;
    size_t i = 0;
    // Options come before the command; after it every word is an argument, so
    // a declination such as -20.5 is never taken for an option.
    while (i < argv.size() && out.command.empty()) {
        std::string word = argv[i++];
        if (word == "--help" || word == "-h") {
            out.help = true;
            return out;
        }
        if (word.rfind("--", 0) != 0) {
            out.command = word;
            break;
        }
        std::string name = word, value;
        const size_t eq = word.find('=');
        if (eq != std::string::npos) {
            name = word.substr(0, eq);
            value = word.substr(eq + 1);
        } else if (name == "--host" || name == "--port" || name == "--timeout" ||
                   name == "--wait-timeout" || name == "--excom" || name == "--mncp" || name == "--baud" ||
                   name == "--retries") {
            if (i >= argv.size()) return "option " + name + " needs a value";
            value = argv[i++];
        }
        long n = 0;
        if (name == "--host") {
            if (value.empty()) return std::string("option --host needs a value");
            out.host = value;
        } else if (name == "--port") {
            if (!ParseInt(value, 1, 65535, n)) return "invalid port: '" + value + "'";
            out.port = uint16_t(n);
        } else if (name == "--timeout") {
            if (!ParseInt(value, 1, 600000, n)) return "invalid time-out: '" + value + "'";
            out.timeoutMs = int(n);
        } else if (name == "--wait-timeout") {
            if (!ParseInt(value, 1, 86400, n)) return "invalid wait time-out: '" + value + "'";
            out.waitTimeoutS = int(n);
        } else if (name == "--excom" || name == "--mncp") {
            if (value.empty()) return "option " + name + " needs a device";
            (name == "--excom" ? out.excomDevice : out.mncpDevice) = value;
        } else if (name == "--baud") {
            if (!ParseInt(value, 1, 4000000, n)) return "invalid baud rate: '" + value + "'";
            out.baud = unsigned(n);
        } else if (name == "--retries") {
            if (!ParseInt(value, 0, 100, n)) return "invalid retries: '" + value + "'";
            out.retries = int(n);
        } else {
            return "unknown option " + name;
        }
    }
    if (out.command.empty()) return std::string("no command given (try --help)");
    out.args.assign(argv.begin() + long(i), argv.end());
    if (!out.excomDevice.empty() && !out.mncpDevice.empty())
        return std::string("--excom and --mncp exclude each other");
    if (!out.mncpDevice.empty()) {
        // Every word is part of the command text: 'set objectra=1 objectdec=2'.
        out.mncpText = out.command;
        for (const auto& word : out.args) out.mncpText += " " + word;
        return out;
    }

    const std::string& c = out.command;
    if (c == "raw") {
        if (out.args.size() != 1) return std::string("raw needs one packet text, e.g. raw '#25;'");
    } else if (c == "position" || c == "status" || c == "slew" || c == "stop" || c == "wait") {
        if (!out.args.empty()) return c + " takes no arguments";
    } else if (c == "target") {
        if (out.args.size() < 2 || out.args.size() > 3) return std::string("usage: target RA DEC [EPOCH]");
    } else {
        return "unknown command '" + c + "' (try --help)";
    }
    return out;
}

std::optional<std::vector<double>> ParseReplyPacket(std::string_view text) {
    if (text.size() < 3 || text.front() != '#' || text.back() != ';') return std::nullopt;
    std::vector<double> values;
    const std::string_view body = text.substr(1, text.size() - 2);
    size_t pos = 0;
    for (;;) {
        const size_t comma = body.find(',', pos);
        const std::string_view field = body.substr(pos, comma == std::string_view::npos ? body.npos : comma - pos);
        double v = 0;
        if (!ParseReplyValue(field, v)) return std::nullopt;
        values.push_back(v);
        if (comma == std::string_view::npos) break;
        pos = comma + 1;
    }
    return values;
}

bool CodeHasPacketReply(int code) { return code == 25 || code == 26 || code == 28 || code == 29; }
bool CodeHasReply(int code) { return CodeHasPacketReply(code) || code == 43 || code == 54; }

std::vector<int> PacketCodes(std::string_view text) {
    std::vector<int> codes;
    size_t pos = 0;
    for (;;) {
        const size_t hash = text.find('#', pos);
        if (hash == std::string_view::npos) break;
        const size_t semicolon = text.find(';', hash);
        if (semicolon == std::string_view::npos) break;
        const std::string_view packet = text.substr(hash, semicolon - hash);
        const size_t comma = packet.find(',');
        const double c = std::trunc(ScanNumber(std::string(packet.substr(0, comma))));
        codes.push_back(std::isfinite(c) && std::fabs(c) < 1e6 ? int(c) : -1);
        pos = semicolon + 1;
    }
    return codes;
}

std::optional<PositionBlock> PositionFromValues(const std::vector<double>& v) {
    if (v.size() != 8) return std::nullopt;
    return PositionBlock{v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7]};
}

std::string FormatPosition(const PositionBlock& p) {
    std::string out;
    out += "HA       " + Signed(p.HA) + "\n";
    out += "RA       " + Unsigned(p.RA) + "\n";
    out += "Dec      " + Signed(p.Dec) + "\n";
    out += "Epoch     " + FormatFixed(p.Epoch, 2) + "\n";
    out += "AirMass   " + FormatFixed(p.AirMass, 3) + "\n";
    out += "LST      " + Unsigned(p.LST) + "\n";
    out += "UT       " + Unsigned(p.UT) + "\n";
    out += "Year      " + FormatFixed(p.Year, 4) + "\n";
    return out;
}

std::optional<StatusWords> StatusFromValues(const std::vector<double>& v) {
    if (v.size() != 3) return std::nullopt;
    StatusWords s{};
    uint32_t* words[3] = {&s.flags1, &s.flags2, &s.flags3};
    for (size_t i = 0; i < 3; ++i) {
        if (!(v[i] >= 0 && v[i] <= 4294967295.0) || v[i] != std::trunc(v[i])) return std::nullopt;
        *words[i] = uint32_t(v[i]);
    }
    return s;
}

std::vector<std::string> StatusNames(int word, uint32_t value) {
    struct Bit {
        uint32_t mask;
        const char* name;
    };
    static constexpr Bit word1[] = {
        {status1::Initialized, "INITIALIZED"},       {status1::TrackingSwitch, "TRACKING"},
        {status1::SlewEnabled, "SLEW ENABLED"},      {status1::DomeOnIndicator, "DOME ON"},
        {status1::ApproachingLimits, "APPROACHING LIMITS"},
        {status1::LimitReached, "LIMIT REACHED"},    {status1::Slewing, "SLEWING"},
        {status1::CommandBusy, "COMMAND BUSY"}};
    static constexpr Bit word2[] = {
        {status2::Setting, "SETTING"},               {status2::Trailing, "TRAILING"},
        {status2::FrontPanelInput5, "FRONT PANEL INPUT 5"},
        {status2::DomeInPosition, "DOME IN POSITION"},
        {status2::TargetOutOfRange, "TARGET OUT OF RANGE"},
        {status2::CosineDeclination, "COSINE DECLINATION"},
        {status2::RateCorrection, "RATE CORRECTION"}, {status2::DrivesOn, "DRIVES ON"},
        {status2::FocusMoving, "FOCUS MOVING"}};
    static constexpr Bit word3[] = {
        {status3::DomeTrack, "DOME TRACK"},          {status3::PaddleNorth, "PADDLE N"},
        {status3::PaddleSouth, "PADDLE S"},          {status3::PaddleEast, "PADDLE E"},
        {status3::PaddleWest, "PADDLE W"},           {status3::TargetLoaded, "TARGET LOADED"},
        {status3::RateSelectInput, "AUX TRACK RATES"}};

    const Bit* begin = word1;
    const Bit* end = word1 + std::size(word1);
    if (word == 2) { begin = word2; end = word2 + std::size(word2); }
    if (word == 3) { begin = word3; end = word3 + std::size(word3); }

    std::vector<std::string> names;
    for (uint32_t mask = 1; mask != 0; mask <<= 1) {
        if (!(value & mask)) continue;
        const Bit* known = begin;
        while (known != end && known->mask != mask) ++known;
        if (known != end) {
            names.emplace_back(known->name);
        } else {
            static constexpr char hex[] = "0123456789abcdef";
            std::string digits;
            for (uint32_t m = mask; m; m >>= 4) digits.insert(digits.begin(), hex[m & 0xF]);
            names.push_back("BIT 0x" + digits);
        }
    }
    return names;
}

std::string FormatStatus(const StatusWords& s) {
    const uint32_t words[3] = {s.flags1, s.flags2, s.flags3};
    std::string out;
    for (int w = 1; w <= 3; ++w) {
        const auto names = StatusNames(w, words[w - 1]);
        std::string joined;
        for (const auto& n : names) joined += (joined.empty() ? "" : ", ") + n;
        out += "StatusFlags" + std::to_string(w) + " " + std::to_string(words[w - 1]) + ": " +
               (joined.empty() ? "-" : joined) + "\n";
    }
    return out;
}

std::optional<FullBlock> FullFromValues(const std::vector<double>& v) {
    if (v.size() != 14) return std::nullopt;
    return FullBlock{v[0], v[1], v[2],  v[3],  v[4],  v[5],  v[6],
                     v[7], v[8], v[9], v[10], v[11], v[12], v[13]};
}

double AngularDistance(double ra1, double dec1, double ra2, double dec2) {
    // Haversine: accurate for the small distances at the end of a slew.
    const double a1 = ra1 * 15 * astro::DegToRad, d1 = dec1 * astro::DegToRad;
    const double a2 = ra2 * 15 * astro::DegToRad, d2 = dec2 * astro::DegToRad;
    const double sd = std::sin((d2 - d1) / 2), sa = std::sin((a2 - a1) / 2);
    const double h = sd * sd + std::cos(d1) * std::cos(d2) * sa * sa;
    return 2 * std::asin(std::sqrt(std::min(1.0, h))) / astro::DegToRad;
}

double DistanceToTarget(const FullBlock& f) {
    double ra = f.NextRA, dec = f.NextDec;
    // The target keeps the coordinates as entered; the position is of the
    // display equinox. An equinox of 0 or below was not a real one.
    if (f.NextEpoch > 0 && f.Epoch > 0 && f.NextEpoch != f.Epoch) {
        const auto d = astro::Precession(ra, dec, f.NextEpoch, f.Epoch);
        ra += d.ra;
        dec += d.dec;
    }
    return AngularDistance(f.RA, f.Dec, ra, dec);
}

std::optional<double> ParseAngle(const std::string& text) {
    double value = 0;
    if (ParseReal(text, value)) return std::isfinite(value) ? std::optional(value) : std::nullopt;

    // Sexagesimal: up to three parts separated by ":" or blanks.
    std::string s = text;
    size_t first = s.find_first_not_of(' ');
    if (first == std::string::npos) return std::nullopt;
    s = s.substr(first);
    bool negative = false;
    if (s[0] == '-' || s[0] == '+') {
        negative = s[0] == '-';
        s = s.substr(1);
    }
    std::vector<std::string> parts;
    std::string current;
    for (char ch : s + ":") {
        if (ch == ':' || ch == ' ') {
            if (!current.empty()) parts.push_back(current);
            else if (ch == ':') return std::nullopt;   // "10::30"
            current.clear();
        } else {
            current += ch;
        }
    }
    if (parts.size() < 2 || parts.size() > 3) return std::nullopt;
    double total = 0, scale = 1;
    for (size_t i = 0; i < parts.size(); ++i) {
        double x = 0;
        if (parts[i][0] == '-' || parts[i][0] == '+' || !ParseReal(parts[i], x) || !std::isfinite(x))
            return std::nullopt;
        if (i > 0 && x >= 60) return std::nullopt;
        total += x / scale;
        scale *= 60;
    }
    return negative ? -total : total;
}

std::string TargetPacket(double ra, double dec, std::optional<double> epoch) {
    std::string packet = "#6," + FormatGeneral(ra) + "," + FormatGeneral(dec);
    if (epoch) packet += "," + FormatGeneral(*epoch);
    return packet + ";";
}

std::optional<TargetArgs> TargetFromArgs(const std::vector<std::string>& args, std::string& error) {
    if (args.size() < 2 || args.size() > 3) {
        error = "usage: target RA DEC [EPOCH]";
        return std::nullopt;
    }
    const auto ra = ParseAngle(args[0]);
    if (!ra || *ra < 0 || *ra >= 24) {
        error = "invalid RA '" + args[0] + "': hours from 0 to below 24";
        return std::nullopt;
    }
    const auto dec = ParseAngle(args[1]);
    if (!dec || std::fabs(*dec) >= 90) {
        error = "invalid DEC '" + args[1] + "': degrees between -90 and +90";
        return std::nullopt;
    }
    std::optional<double> epoch;
    if (args.size() == 3) {
        double e = 0;
        // -1 asks for coordinates of the equinox of date; 0 the display equinox.
        if (!ParseReal(args[2], e) || !std::isfinite(e) || (e != -1 && e != 0 && (e < 1000 || e > 3000))) {
            error = "invalid EPOCH '" + args[2] + "': a year such as 2000";
            return std::nullopt;
        }
        epoch = e;
    }
    return TargetArgs{*ra, *dec, epoch};
}

std::optional<std::string> TargetPacketFromArgs(const std::vector<std::string>& args, std::string& error) {
    const auto target = TargetFromArgs(args, error);
    if (!target) return std::nullopt;
    return TargetPacket(target->ra, target->dec, target->epoch);
}

std::string SlewProgressLine(double distanceDeg) {
    return "SLEWING  " + FormatFixed(distanceDeg, 3) + " deg to go";
}

}  // namespace orv::ctl
