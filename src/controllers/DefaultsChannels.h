#pragma once
// What the operator's defaults change on the remote channels and the KAV link:
// the serial settings and modes of the ExCom, MNCP and KAV lines and the TCP/IP
// server's port and mode. The program's runtime implements it over the channels
// it has; everything is called on the user-interface thread.

#include <cstdint>
#include <optional>
#include <string>

#include "config/InitFile.h"
#include "controllers/ChannelModes.h"

namespace orv {

enum class SerialChannel { ExCom, MNCP, KAV };

class DefaultsChannels : public ChannelModes {
public:
    // The line settings of a serial channel; its Mode field is not used.
    virtual SerialSettings serialSettings(SerialChannel channel) const = 0;
    // Stores the line settings without reopening the port: they take effect
    // when the channel is next switched on. Mode is not used.
    virtual void setSerialSettings(SerialChannel channel, const SerialSettings& settings) = 0;

    // Stop the channel (mode 0, port closed), store the mode, open the port
    // when the mode is 1. Return the operator message when the port cannot be
    // opened (the mode is stored all the same).
    virtual std::optional<std::string> SetExComMode(int mode) = 0;
    virtual std::optional<std::string> SetMNCPMode(int mode) = 0;
    virtual int KAVMode() const = 0;
    virtual std::optional<std::string> SetKAVMode(int mode) = 0;

    // The port the server listens on at its next activation.
    virtual uint16_t TCPPort() const = 0;
    virtual void setTCPPort(uint16_t port) = 0;
    virtual int TCPMode() const = 0;
    // 0 switches the server off, any other value makes it listen. Returns the
    // operator message when it cannot listen.
    virtual std::optional<std::string> SetTCPMode(int mode) = 0;
};

}  // namespace orv
