#include "comm/MNCPCommand.h"

#include <cmath>

#include "astro/TextFormats.h"
#include "comm/SerialHeldCommands.h"
#include "control/System.h"

namespace orv {

namespace {

constexpr const char* LineEnd = "\r\n";
constexpr const char* Identity = "Zev Engineering\tOrv\t18";
// Characters a number scan looks at.
constexpr size_t ScanWindow = 50;

bool StartsWith(std::string_view text, std::string_view key) { return text.substr(0, key.size()) == key; }

// Two digits, tens then units.
std::string Two(long n) { return {char('0' + n / 10), char('0' + n % 10)}; }

// |x| in tenths of a unit's second, rounded and clamped; a value that is not a number counts as 0.
long Tenths(double x, long maxTenths) {
    const double v = std::nearbyint(std::fabs(x) * 36000.0);
    if (!std::isfinite(v)) return 0;
    return v > double(maxTenths) ? maxTenths : long(v);
}

}  // namespace

std::string MNCPHourText(double hours, long maxTenths) {
    const long v = Tenths(hours, maxTenths);
    std::string text = (hours < 0 && v != 0) ? "-" : "";
    return text + Two(v / 36000) + "h" + Two((v % 36000) / 600) + "m" + Two((v % 600) / 10) + "." +
           char('0' + v % 10) + "s";
}

std::string MNCPDegreeText(double degrees) {
    const long v = Tenths(degrees, MNCPMaxHourTenths);
    const std::string sign = (degrees < 0 && v != 0) ? "-" : "+";
    return sign + Two(v / 36000) + "d" + Two((v % 36000) / 600) + "m" + Two((v % 600) / 10) + "s";
}

double MNCPScan(std::string_view payload, size_t pos) {
    if (pos >= payload.size()) return 0.0;
    return ScanNumber(std::string(payload.substr(pos, ScanWindow)));
}

size_t MNCPSkipWord(std::string_view payload, size_t pos) {
    while (pos < payload.size() && payload[pos] == ' ') ++pos;
    while (pos < payload.size() && payload[pos] != ' ') ++pos;
    return pos;
}

void MNCPInterpreter::TakeCoordinates(std::string_view payload, size_t raPos) {
    HeldRA = MNCPScan(payload, raPos);
    for (size_t pos = raPos; pos < payload.size() && payload[pos] != '\r'; ++pos) {
        if (StartsWith(payload.substr(pos), "dec=")) {
            HeldDec = MNCPScan(payload, pos);
            break;
        }
    }
}

std::string MNCPInterpreter::Get(std::string_view payload) {
    const auto& s = system_.state;
    const std::string_view id = payload.size() > 4 ? payload.substr(4) : std::string_view();
    if (StartsWith(id, "flag")) {
        std::string text = "ok ";
        if (payload.size() > 9 && payload[9] == '1') text += testBits(s.StatusFlags1, status1::Slewing) ? "1" : "0";
        return text + LineEnd;
    }
    if (StartsWith(id, "ra")) return "ok " + MNCPHourText(s.RA, MNCPMaxRATenths) + LineEnd;
    if (StartsWith(id, "dec")) return "ok " + MNCPDegreeText(s.Dec) + LineEnd;
    if (StartsWith(id, "ha")) return "ok " + MNCPHourText(s.HA) + LineEnd;
    // "objectra" and "objectdec" are known to hosts but not answered: as any unknown name.
    if (StartsWith(id, "sidereal")) return "";
    system_.log.AddLog("MNCP Error: Unsupported identifier for ''get'' command");
    return std::string("error 14") + LineEnd;
}

std::string MNCPInterpreter::ExecuteMNCPCommand(std::string_view payload) {
    system_.log.LogCommEvent("MNCP Packet: " + std::string(payload));
    const auto& s = system_.state;
    const std::string ok = std::string("ok ") + LineEnd;

    if (StartsWith(payload, "sync")) {
        TakeCoordinates(payload, 5);
        commands_.submit(3, {HeldRA, HeldDec, 0.0});
        return ok;
    }
    if (StartsWith(payload, "status")) {
        const bool tracking = testBits(s.StatusFlags1, status1::TrackingSwitch);
        const bool slewing = testBits(s.StatusFlags1, status1::Slewing);
        const char letter = slewing ? (tracking ? 's' : 'r') : (tracking ? 'q' : 'p');
        return std::string("ok pqp") + letter + LineEnd;
    }
    if (StartsWith(payload, "get x_zevfocus")) return "ok " + FormatFixed(s.ReportedFocus, 3) + LineEnd;
    if (StartsWith(payload, "get x_zevtrackrates"))
        return "ok " + FormatFixed(s.TrackRateRA, 3) + " " + FormatFixed(s.TrackRateDec, 3) + LineEnd;
    if (StartsWith(payload, "get ")) return Get(payload);
    if (StartsWith(payload, "device")) return std::string("ok ") + Identity + LineEnd;
    if (StartsWith(payload, "move ")) return ok;
    if (StartsWith(payload, "stop")) {
        commands_.stop();
        return ok;
    }
    if (StartsWith(payload, "goto")) {
        commands_.submit(12, {});
        return ok;
    }
    if (StartsWith(payload, "set x_zevdatetime =")) {
        std::vector<double> p;
        size_t pos = 20;
        p.push_back(MNCPScan(payload, pos));
        for (int i = 0; i < 3; ++i) {
            pos = MNCPSkipWord(payload, pos);
            p.push_back(MNCPScan(payload, pos));
        }
        commands_.submit(1, std::move(p));
        return ok;
    }
    if (StartsWith(payload, "set x_zevfocus")) {
        commands_.submit(27, {MNCPScan(payload, 15)});
        return ok;
    }
    if (StartsWith(payload, "set x_zevtrackrates =")) {
        const double ra = MNCPScan(payload, 22);
        const double dec = MNCPScan(payload, MNCPSkipWord(payload, 22));
        commands_.submit(14, {ra, dec, s.AuxTrackRateRA.load(), s.AuxTrackRateDec.load()});
        return ok;
    }
    if (StartsWith(payload, "set")) {
        TakeCoordinates(payload, 4);
        commands_.submit(6, {HeldRA, HeldDec, 0.0});
        return ok;
    }
    system_.log.AddLog("MNCP Error: Unsupported command");
    return std::string("error 13") + LineEnd;
}

}  // namespace orv
