#pragma once
// A serial section of the initialisation file and the port it configures, in
// both directions. The mode is the channel's, not the port's: it is 0 when read
// from a port and left alone when settings are stored into one.

#include <optional>
#include <string>

#include "comm/serial/CommPort.h"
#include "config/InitFile.h"

namespace orv {

inline SerialSettings SettingsOfPort(const TCommPort& port) {
    return SerialSettings{port.Port, port.BaudRate, port.DataBits, port.Parity, port.StopBits, 0, port.DevicePath};
}

// Stored without reopening the port: the next switch-on uses them.
inline void StoreSettingsInPort(const SerialSettings& s, TCommPort& port) {
    port.Port = s.Port;
    port.DevicePath = s.Device;
    port.BaudRate = s.BaudRate;
    port.DataBits = s.DataBits;
    port.Parity = s.Parity;
    port.StopBits = s.StopBits;
}

// Switches a serial channel's mode with `doSwitch`. A port that cannot be
// opened gives the port layer's message after the channel's name; the mode
// stays set, so a save keeps the operator's choice.
template <class Switch>
std::optional<std::string> SwitchSerialChannel(const char* channel, Switch&& doSwitch) {
    try {
        doSwitch();
    } catch (const EComError& e) {
        return std::string(channel) + ": " + e.what();
    }
    return std::nullopt;
}

}  // namespace orv
