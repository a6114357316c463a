#include "comm/SerialHeldCommands.h"

#include "comm/serial/CommPort.h"
#include "control/System.h"

namespace orv {

SerialHeldCommands::SerialHeldCommands(System& system, std::string channel)
    : system_(system), channel_(std::move(channel)) {}

void SerialHeldCommands::submit(int code, std::vector<double> params) {
    pump();
    if (held_.empty() && system_.state.StateCode.load() == 0) {
        system_.commander.issue(code, params);
        return;
    }
    if (held_.size() >= MaxHeld) {
        system_.log.AddLog(channel_ + ": Command " + std::to_string(code) + " dropped, too many commands waiting");
        return;
    }
    held_.push_back({code, std::move(params), system_.clock.nowMs()});
}

void SerialHeldCommands::stop() {
    held_.clear();
    system_.commander.stop();
}

void SerialHeldCommands::pump() {
    const int64_t now = system_.clock.nowMs();
    while (!held_.empty() && now - held_.front().sinceMs > ExpiryMs) {
        system_.log.AddLog(channel_ + ": Command " + std::to_string(held_.front().code) +
                           " dropped, the telescope stayed busy");
        held_.pop_front();
    }
    while (!held_.empty() && system_.state.StateCode.load() == 0) {
        system_.commander.issue(held_.front().code, held_.front().params);
        held_.pop_front();
    }
}

}  // namespace orv

namespace orv {

void SerialHeldCommands::pumpUntilInput(TCommPort& port) {
    while (!held_.empty()) {
        pump();
        if (held_.empty() || port.WaitForInput(PollMs)) return;
    }
}

}  // namespace orv
