#pragma once
// The one composition root of `orv`: builds the bus (simulator or electronics),
// the system, the remote channels and the display model, runs the display timer
// and owns the close sequence. The windows and the headless program are two front
// ends of it; each supplies only what differs between them.

#include <QTimer>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/OrvOptions.h"
#include "core/Clock.h"

namespace orv {
class System;
class PortBus;
class SimulatedInterface;
class SimControlServer;
class TCPServer;
class ExComChannel;
class MNCPChannel;
class KAVLink;
class SimulatedKAV;
class DisplayModel;
class ShutDownDisplay;
class KeptWindowDefaults;
class OrvUserDefaults;
class OrvTimeSetup;
class OrvPointsDlg;
class DefaultsChannels;
}  // namespace orv

namespace orv::app {

class InterfaceLock;

// What a front end supplies: how messages and status-log lines are shown, the
// beep, where the shut-down sequence reports, and what it shows after each tick.
class FrontEnd {
public:
    virtual ~FrontEnd() = default;
    // An operator-facing message (a message box in the windows).
    virtual void showMessage(const std::string& text) = 0;
    // A start-up or channel note for the operator ("listening on port ...").
    virtual void note(const std::string& text) = 0;
    virtual void beep() = 0;
    // The status-log lines flushed on one display tick, oldest first.
    virtual void statusLogLines(const std::vector<std::string>& lines) = 0;
    virtual ShutDownDisplay& shutDownDisplay() = 0;
    // Runs the shut-down sequence against the display; the windows run it so
    // that their event loop goes on meanwhile.
    virtual void runShutDown(const std::function<void(ShutDownDisplay&)>& sequence) {
        sequence(shutDownDisplay());
    }
    // Called after each display tick (every 50 ms) with the refreshed model.
    virtual void refreshed(const DisplayModel&) {}
};

class OrvRuntime {
public:
    OrvRuntime(const OrvOptions& options, FrontEnd& frontEnd);
    ~OrvRuntime();
    OrvRuntime(const OrvRuntime&) = delete;
    OrvRuntime& operator=(const OrvRuntime&) = delete;

    // Builds everything and starts the system, the channels the options ask for
    // and the display timer. On failure returns the message; nothing runs then.
    std::optional<std::string> start();

    // The close sequence: the TCP/IP server off, the shut-down sequence, the
    // display timer off, the system stopped. Runs once: `closed()` is true
    // from its start, and calls while it runs or after it do nothing.
    void close();
    bool closed() const { return closed_; }

    System& system() { return *system_; }
    DisplayModel& display() { return *display_; }
    TCPServer& tcpServer() { return *tcp_; }
    ExComChannel& excom() { return *excom_; }
    MNCPChannel& mncp() { return *mncp_; }
    KAVLink& kav() { return *kav_; }
    Clock& clock() { return clock_; }
    // The simulated interface, or null on the real electronics.
    SimulatedInterface* simulator() { return sim_; }
    OrvUserDefaults& userDefaults() { return *defaults_; }
    OrvTimeSetup& timeSetup() { return *timeSetup_; }
    OrvPointsDlg& pointsDlg() { return *points_; }
    // The channels as the Communications dialog switches them.
    DefaultsChannels& channels();

private:
    class Channels;
    void applyUserDefaults();
    // With the simulated telescope and no --kav: the simulated instrument, the
    // KAV line's stand-in while the operator's defaults leave the line closed.
    void startSimulatedKAV();

    OrvOptions options_;
    // With the real interface: held for the whole run, before the bus is made.
    std::unique_ptr<InterfaceLock> interfaceLock_;
    FrontEnd& frontEnd_;
    RealClock clock_;
    std::unique_ptr<PortBus> bus_;
    SimulatedInterface* sim_ = nullptr;
    // The simulated instrument outlives the link that has its line open and
    // the control channel that reaches it.
    std::unique_ptr<SimulatedKAV> simKAV_;
    std::unique_ptr<SimControlServer> simControl_;
    std::unique_ptr<System> system_;
    std::unique_ptr<KAVLink> kav_;
    std::unique_ptr<TCPServer> tcp_;
    std::unique_ptr<ExComChannel> excom_;
    std::unique_ptr<MNCPChannel> mncp_;
    std::unique_ptr<Channels> channels_;
    std::unique_ptr<KeptWindowDefaults> keptWindows_;
    std::unique_ptr<OrvUserDefaults> defaults_;
    std::unique_ptr<OrvTimeSetup> timeSetup_;
    std::unique_ptr<OrvPointsDlg> points_;
    std::unique_ptr<DisplayModel> display_;
    QTimer timer1_;
    bool closed_ = false;
};

}  // namespace orv::app
