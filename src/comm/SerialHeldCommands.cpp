#include "comm/SerialHeldCommands.h"

#include "comm/serial/CommPort.h"
#include "control/System.h"

namespace orv {

SerialHeldCommands::SerialHeldCommands(System& system, std::string channel)
    : system_(system), door_(system.commander, std::move(channel)) {}

void SerialHeldCommands::submit(int code, std::vector<double> params) { door_.issue(code, params); }

void SerialHeldCommands::stop() { system_.commander.stop(); }

void SerialHeldCommands::pump() { system_.commander.service(); }

void SerialHeldCommands::pumpUntilInput(TCommPort& port) {
    while (pending()) {
        pump();
        if (!pending() || port.WaitForInput(PollMs)) return;
    }
}

}  // namespace orv
