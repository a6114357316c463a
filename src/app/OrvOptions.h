#pragma once
// The command line of `orv`.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "sim/SimMountErrors.h"

namespace orv::app {

struct OrvOptions {
    bool headless = false;
    bool hardware = false;          // --interface=hardware: the real electronics via /dev/port
    std::string dataDir = ".";      // where WinOrv.DAT is read
    bool dataDirGiven = false;      // --data-dir given: WinOrv.ini is there too
    double timeScale = 1.0;         // simulator only
    std::optional<uint16_t> tcpPort;
    std::string tcpBind;            // empty: every interface
    std::optional<uint16_t> simControlPort;
    std::optional<SimMountErrors> simErrors;   // the simulated mount's mechanical errors
    std::string excomDevice;        // --excom: the ExCom channel's line ("Com1" ... or a device path)
    std::string mncpDevice;         // --mncp: the MNCP channel's line
    std::string kavDevice;          // --kav: the KAV instrument's line; with the simulator
                                    // and none given, the simulated KAV's
    bool help = false;
    bool version = false;
};

// Parses argv[1..]; on a bad option returns the one-line error in `error`.
std::optional<OrvOptions> ParseOrvOptions(const std::vector<std::string>& args, std::string& error);

std::string OrvUsage();

}  // namespace orv::app
