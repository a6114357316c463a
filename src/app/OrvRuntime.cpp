#include "app/OrvRuntime.h"

#include <filesystem>

#include "app/OrvInterfaceLock.h"
#include "comm/ExCom.h"
#include "comm/MNCP.h"
#include "comm/TCPServer.h"
#include "config/StateDataFile.h"
#include "control/ShutDown.h"
#include "control/System.h"
#include "controllers/ChannelModes.h"
#include "controllers/DisplayModel.h"
#include "core/PortBus.h"
#include "sim/SimControlServer.h"
#include "sim/SimulatedInterface.h"

namespace orv::app {

namespace {

constexpr int DisplayTickMs = 50;   // Timer1

// The scales and step sizes of the installation, so the simulated mechanics match WinOrv.DAT.
SimMechanics MechanicsFromStateData(const std::string& dataDir) {
    Parameters params;
    SetStateDefaults(params);
    std::string failed;
    LoadStateData((std::filesystem::path(dataDir) / StateDataFileName).string(), StateDataFileName, params,
                  failed);
    return SimMechanics::FromParameters(params);
}

// Switches a serial channel on for the line named on the command line. A line
// that cannot be opened is reported and the channel stays off.
template <class SetMode>
void OpenSerialChannel(const std::string& title, TCommPort& port, const std::string& device, SetMode setMode,
                       FrontEnd& frontEnd) {
    port.SetDevice(device);
    try {
        setMode(1);
        frontEnd.note(title + " channel on " + port.PortName());
    } catch (const std::exception& e) {
        frontEnd.note(title + ": " + e.what());
        setMode(0);
    }
}

}  // namespace

// The channel modes the display shows.
class OrvRuntime::Channels final : public ChannelModes {
public:
    Channels(const TCPServer& tcp, const ExComChannel& excom, const MNCPChannel& mncp)
        : tcp_(tcp), excom_(excom), mncp_(mncp) {}
    int ExComMode() const override { return excom_.ExComMode(); }
    int MNCPMode() const override { return mncp_.MNCPMode(); }
    bool TCPServerActive() const override { return tcp_.active(); }

private:
    const TCPServer& tcp_;
    const ExComChannel& excom_;
    const MNCPChannel& mncp_;
};

OrvRuntime::OrvRuntime(const OrvOptions& options, FrontEnd& frontEnd)
    : options_(options), frontEnd_(frontEnd), clock_(options.timeScale) {}

OrvRuntime::~OrvRuntime() {
    // Whatever happened, the threads end and the drives are left alone.
    if (system_) system_->StopSystem();
}

std::optional<std::string> OrvRuntime::start() {
    // The bus: the simulated telescope by default, or the real electronics.
    if (options_.hardware) {
        interfaceLock_ = std::make_unique<InterfaceLock>(InterfaceLockPath());
        if (auto refusal = interfaceLock_->acquire()) return refusal;
        try {
            bus_ = std::make_unique<DevPortBus>();
        } catch (const PortError& e) {
            return std::string(e.what()) +
                   "\nOrv needs root or the CAP_SYS_RAWIO capability to reach the interface through /dev/port.";
        }
    } else {
        auto simulated = std::make_unique<SimulatedInterface>(clock_, MechanicsFromStateData(options_.dataDir));
        sim_ = simulated.get();
        if (options_.simErrors) sim_->setMountErrors(*options_.simErrors);
        bus_ = std::move(simulated);
        if (options_.simControlPort) {
            try {
                simControl_ = std::make_unique<SimControlServer>(*sim_, *options_.simControlPort);
                frontEnd_.note("Simulator control on 127.0.0.1:" + std::to_string(simControl_->port()));
            } catch (const std::exception& e) {
                return std::string("orv: simulator control not available: ") + e.what();
            }
        }
    }

    SystemHooks hooks;
    hooks.showMessage = [this](const std::string& text) { frontEnd_.showMessage(text); };
    hooks.beep = [this] { frontEnd_.beep(); };
    system_ = std::make_unique<System>(clock_, *bus_, SystemOptions{options_.dataDir, true}, hooks);
    tcp_ = std::make_unique<TCPServer>(*system_);
    excom_ = std::make_unique<ExComChannel>(*system_);
    mncp_ = std::make_unique<MNCPChannel>(*system_);
    channels_ = std::make_unique<Channels>(*tcp_, *excom_, *mncp_);
    system_->StartSystem();

    if (!options_.excomDevice.empty())
        OpenSerialChannel("ExCom", excom_->ExComPort, options_.excomDevice,
                          [this](int mode) { excom_->SetExComMode(mode); }, frontEnd_);
    if (!options_.mncpDevice.empty())
        OpenSerialChannel("MNCP", mncp_->MNCPComPort, options_.mncpDevice,
                          [this](int mode) { mncp_->SetMNCPMode(mode); }, frontEnd_);

    if (options_.tcpPort) {
        tcp_->setPort(*options_.tcpPort);
        if (!options_.tcpBind.empty() && !tcp_->setBindAddress(options_.tcpBind))
            frontEnd_.note("orv: --tcp-bind: '" + options_.tcpBind +
                           "' is not an IP address; listening on every interface");
        if (auto message = tcp_->SetTCPMode(2)) frontEnd_.showMessage(*message);
        else frontEnd_.note("TCP/IP command server listening on port " + std::to_string(tcp_->serverPort()));
    }

    display_ = std::make_unique<DisplayModel>(
        *system_, channels_.get(), [this](const std::vector<std::string>& lines) { frontEnd_.statusLogLines(lines); });
    QObject::connect(&timer1_, &QTimer::timeout, [this] {
        display_->Timer1Timer();
        frontEnd_.refreshed(*display_);
    });
    timer1_.start(DisplayTickMs);
    return std::nullopt;
}

void OrvRuntime::close() {
    if (closed_ || !system_) return;
    closed_ = true;
    // No remote command may start a motion while the telescope shuts down.
    tcp_->SetTCPMode(0);
    frontEnd_.runShutDown([this](ShutDownDisplay& display) { ShutDownTelescope(*system_, display); });
    timer1_.stop();
    system_->StopSystem();
}

}  // namespace orv::app
