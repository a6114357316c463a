#include "app/OrvOptions.h"

#include <charconv>
#include <cmath>
#include <fstream>
#include <sstream>

namespace orv::app {

namespace {

bool ParsePort(const std::string& text, uint16_t& port) {
    unsigned value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || value > 65535) return false;
    port = static_cast<uint16_t>(value);
    return true;
}

bool ParseScale(const std::string& text, double& scale) {
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), scale);
    return ec == std::errc() && end == text.data() + text.size() && std::isfinite(scale) && scale > 0 &&
           scale <= 1000;
}

// The mount errors from words given on the command line ("P1=120,P3=30") or, when
// the value has no "=", from the file it names.
bool ParseSimErrors(const std::string& value, SimMountErrors& errors, std::string& error) {
    std::string text = value;
    if (value.find('=') == std::string::npos) {
        std::ifstream in(value, std::ios::binary);
        if (!in) {
            error = "orv: --sim-errors: cannot read '" + value + "'";
            return false;
        }
        std::ostringstream s;
        s << in.rdbuf();
        text = s.str();
    }
    if (auto bad = ParseMountErrors(text, errors)) {
        error = "orv: --sim-errors: " + *bad;
        return false;
    }
    return true;
}

}  // namespace

std::string OrvUsage() {
    return "Usage: orv [options]\n"
           "Control program of the telescope.\n\n"
           "  --headless               run without windows (status on the terminal)\n"
           "  --interface=sim|hardware the simulated telescope (default) or the real\n"
           "                           interface electronics through /dev/port\n"
           "  --data-dir=DIR           directory of WinOrv.DAT and WinOrv.ini (default: WinOrv.DAT\n"
           "                           in the working directory, WinOrv.ini in $XDG_CONFIG_HOME/orv)\n"
           "  --time-scale=N           run the simulated world N times faster (simulator only)\n"
           "  --tcp-port=N             start the TCP/IP command server on port N\n"
           "  --tcp-bind=ADDR          address the server listens on (default: every interface)\n"
           "  --excom=DEVICE           open the ExCom channel on DEVICE (Com1 ... or a path\n"
           "                           such as /dev/ttyUSB0)\n"
           "  --mncp=DEVICE            open the MNCP channel on DEVICE\n"
           "  --kav=DEVICE             the KAV instrument's line (default with the simulated\n"
           "                           telescope: the simulated KAV)\n"
           "                           (--tcp-port, --excom, --mncp and --kav win over WinOrv.ini\n"
           "                           for the run)\n"
           "  --sim-control=PORT       open the simulator's control protocol on 127.0.0.1:PORT\n"
           "  --sim-errors=ERRORS|FILE mechanical errors of the simulated mount, e.g.\n"
           "                           P1=120,P2=-90,P3=30,P9=20,scatter=2,seed=1 (or a file of them)\n"
           "  --help                   show this text\n"
           "  --version                show the version\n";
}

std::optional<OrvOptions> ParseOrvOptions(const std::vector<std::string>& args, std::string& error) {
    OrvOptions o;
    bool scaleGiven = false;
    for (const auto& arg : args) {
        auto eq = arg.find('=');
        std::string name = arg.substr(0, eq);
        std::string value = eq == std::string::npos ? "" : arg.substr(eq + 1);
        const bool hasValue = eq != std::string::npos;
        auto needValue = [&]() {
            if (hasValue && !value.empty()) return true;
            error = "orv: option " + name + " needs a value (" + name + "=...)";
            return false;
        };
        auto noValue = [&]() {
            if (!hasValue) return true;
            error = "orv: option " + name + " takes no value";
            return false;
        };
        if (name == "--headless") {
            if (!noValue()) return std::nullopt;
            o.headless = true;
        } else if (name == "--help" || name == "-h") {
            if (!noValue()) return std::nullopt;
            o.help = true;
        } else if (name == "--version") {
            if (!noValue()) return std::nullopt;
            o.version = true;
        } else if (name == "--interface") {
            if (!needValue()) return std::nullopt;
            if (value == "sim") o.hardware = false;
            else if (value == "hardware") o.hardware = true;
            else {
                error = "orv: --interface must be sim or hardware, not '" + value + "'";
                return std::nullopt;
            }
        } else if (name == "--data-dir") {
            if (!needValue()) return std::nullopt;
            o.dataDir = value;
            o.dataDirGiven = true;
        } else if (name == "--time-scale") {
            if (!needValue()) return std::nullopt;
            if (!ParseScale(value, o.timeScale)) {
                error = "orv: --time-scale must be a number above 0 and at most 1000, not '" + value + "'";
                return std::nullopt;
            }
            scaleGiven = true;
        } else if (name == "--tcp-port") {
            uint16_t port;
            if (!needValue()) return std::nullopt;
            if (!ParsePort(value, port)) {
                error = "orv: --tcp-port must be a port number 0..65535, not '" + value + "'";
                return std::nullopt;
            }
            o.tcpPort = port;
        } else if (name == "--tcp-bind") {
            if (!needValue()) return std::nullopt;
            o.tcpBind = value;
        } else if (name == "--excom" || name == "--mncp" || name == "--kav") {
            if (!needValue()) return std::nullopt;
            (name == "--excom" ? o.excomDevice : name == "--mncp" ? o.mncpDevice : o.kavDevice) = value;
        } else if (name == "--sim-control") {
            uint16_t port;
            if (!needValue()) return std::nullopt;
            if (!ParsePort(value, port)) {
                error = "orv: --sim-control must be a port number 0..65535, not '" + value + "'";
                return std::nullopt;
            }
            o.simControlPort = port;
        } else if (name == "--sim-errors") {
            if (!needValue()) return std::nullopt;
            SimMountErrors errors;
            if (!ParseSimErrors(value, errors, error)) return std::nullopt;
            o.simErrors = errors;
        } else {
            error = "orv: unknown option '" + arg + "' (see orv --help)";
            return std::nullopt;
        }
    }
    if (o.hardware && scaleGiven && o.timeScale != 1.0) {
        error = "orv: --time-scale works only with the simulated telescope";
        return std::nullopt;
    }
    if (o.hardware && o.simErrors) {
        error = "orv: --sim-errors works only with the simulated telescope";
        return std::nullopt;
    }
    if (o.hardware && o.simControlPort) {
        error = "orv: --sim-control works only with the simulated telescope";
        return std::nullopt;
    }
    return o;
}

}  // namespace orv::app
