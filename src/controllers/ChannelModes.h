#pragma once
// What the display asks of the remote command channels: the ExCom and MNCP
// channel modes (0 no connection, 1 serial port, other values possible from the
// initialisation file) and whether the TCP/IP command server is listening.
// The channels implement it; the display reads it on the user-interface thread
// on every slow refresh, so each answer must be cheap and safe to call there.

namespace orv {

class ChannelModes {
public:
    virtual ~ChannelModes() = default;
    // `ExComMode`: 0 no connection, 1 serial port.
    virtual int ExComMode() const = 0;
    // `MNCPMode`: 0 no connection, 1 serial port.
    virtual int MNCPMode() const = 0;
    // Whether the server socket `ServerSocket1` is active (listening).
    virtual bool TCPServerActive() const = 0;
};

}  // namespace orv
