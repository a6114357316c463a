#include "app/OrvMain.h"

#include <sys/socket.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QTimer>
#include <csignal>
#include <filesystem>
#include <iostream>
#include <memory>
#include <sstream>

#include "app/OrvConsole.h"
#include "app/OrvOptions.h"
#include "app/OrvSingleInstance.h"
#include "astro/ChannelModes.h"
#include "astro/DisplayModel.h"
#include "astro/HeadlessStatus.h"
#include "comm/TcpServer.h"
#include "config/StateDataFile.h"
#include "core/PortBus.h"
#include "core/ShutDown.h"
#include "core/System.h"
#include "sim/SimControlServer.h"
#include "sim/SimulatedInterface.h"

#ifndef ORV_VERSION
#define ORV_VERSION "0"
#endif

namespace orv::app {

namespace {

constexpr const char* ApplicationTitle = "Zev - Telescope Control System";

int signalPipe[2] = {-1, -1};

void OnSignal(int) {
    char byte = 1;
    [[maybe_unused]] auto n = ::write(signalPipe[1], &byte, 1);
}

// The channel modes the display shows: the serial channels do not exist yet.
class ChannelModesOf final : public ChannelModes {
public:
    explicit ChannelModesOf(const TCPServer* tcp) : tcp_(tcp) {}
    int ExComMode() const override { return 0; }
    int MNCPMode() const override { return 0; }
    bool TCPServerActive() const override { return tcp_ && tcp_->active(); }

private:
    const TCPServer* tcp_;
};

// The scales and step sizes of the installation, so the simulated mechanics match WinOrv.DAT.
SimMechanics MechanicsFromStateData(const std::string& dataDir) {
    Parameters params;
    SetStateDefaults(params);
    std::string failed;
    LoadStateData((std::filesystem::path(dataDir) / StateDataFileName).string(), StateDataFileName, params,
                  failed);
    return SimMechanics::FromParameters(params);
}

}  // namespace

int RunOrv(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    std::string error;
    auto options = ParseOrvOptions(args, error);
    if (!options) {
        std::cerr << error << "\n";
        return 2;
    }
    if (options->help) {
        std::cout << OrvUsage();
        return 0;
    }
    if (options->version) {
        std::cout << "orv " << ORV_VERSION << "\n";
        return 0;
    }

    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(ApplicationTitle);
    Console console;

    SingleInstance instance;
    if (!instance.acquire()) {
        console.line("Orv is already running:");
        instance.askFirstCopyForward();
        return 1;
    }
    if (!options->headless)
        console.line("orv: this build has no windows yet; running headless (use --headless to say so)");

    // The bus: the simulated telescope by default, or the real electronics.
    RealClock clock(options->timeScale);
    std::unique_ptr<PortBus> bus;
    SimulatedInterface* sim = nullptr;
    std::unique_ptr<SimControlServer> simControl;
    if (options->hardware) {
        try {
            bus = std::make_unique<DevPortBus>();
        } catch (const PortError& e) {
            console.line(e.what());
            console.line("Orv needs root or the CAP_SYS_RAWIO capability to reach the interface through /dev/port.");
            return 1;
        }
    } else {
        auto simulated = std::make_unique<SimulatedInterface>(clock, MechanicsFromStateData(options->dataDir));
        sim = simulated.get();
        bus = std::move(simulated);
        if (options->simControlPort) {
            try {
                simControl = std::make_unique<SimControlServer>(*sim, *options->simControlPort);
                console.line("Simulator control on 127.0.0.1:" + std::to_string(simControl->port()));
            } catch (const std::exception& e) {
                console.line(std::string("orv: simulator control not available: ") + e.what());
                return 1;
            }
        }
    }

    SystemHooks hooks;
    hooks.showMessage = [&console](const std::string& text) {
        std::string flat;
        for (char c : text)
            if (c != '\r') flat += c;
        console.line(flat);
    };
    hooks.beep = [&console, &clock] { console.line(TimestampedLogLine(clock.utcMs(), "Beep")); };
    System system(clock, *bus, SystemOptions{options->dataDir, true}, hooks);
    system.StartSystem();

    TCPServer tcp(system);
    if (options->tcpPort) {
        tcp.setPort(*options->tcpPort);
        if (!options->tcpBind.empty() && !tcp.setBindAddress(options->tcpBind)) {
            console.line("orv: --tcp-bind: '" + options->tcpBind + "' is not an IP address; listening on every interface");
        }
        if (auto message = tcp.SetTCPMode(2)) hooks.showMessage(*message);
        else console.line("TCP/IP command server listening on port " + std::to_string(tcp.serverPort()));
    }

    ChannelModesOf channels(&tcp);
    DisplayModel display(system, &channels, [&console, &clock](const std::vector<std::string>& lines) {
        for (const auto& text : lines) console.line(TimestampedLogLine(clock.utcMs(), text));
    });
    QTimer timer1;
    int ticks = 0;
    QObject::connect(&timer1, &QTimer::timeout, [&] {
        display.Timer1Timer();
        if (++ticks % 5 == 0) console.status(HeadlessStatusLine(display.controls()));
    });
    timer1.start(50);

    instance.listen([&console] { console.line("Orv is already running: another copy asked this one to come forward."); });

    // SIGINT / SIGTERM: the shut-down sequence, then the stop sequence.
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalPipe) != 0) return 1;
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);
    QSocketNotifier notifier(signalPipe[0], QSocketNotifier::Read);
    bool closing = false;
    QObject::connect(&notifier, &QSocketNotifier::activated, [&] {
        char byte;
        [[maybe_unused]] auto n = ::read(signalPipe[0], &byte, 1);
        if (closing) return;
        closing = true;
        console.clearStatus();
        StreamShutDownDisplay shutDownDisplay(std::cerr);
        ShutDownTelescope(system, shutDownDisplay);
        tcp.SetTCPMode(0);
        timer1.stop();
        system.StopSystem();
        QCoreApplication::quit();
    });

    int rc = app.exec();
    console.clearStatus();
    system.StopSystem();
    return rc;
}

}  // namespace orv::app
