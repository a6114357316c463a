#include "app/OrvRuntime.h"

#include <array>
#include <filesystem>

#include "app/OrvInterfaceLock.h"
#include "comm/ExCom.h"
#include "comm/MNCP.h"
#include "comm/KAVHostQueries.h"
#include "comm/KAVLink.h"
#include "comm/TCPServer.h"
#include "comm/serial/PortSettings.h"
#include "config/StateDataFile.h"
#include "control/ShutDown.h"
#include "control/System.h"
#include "config/InitFile.h"
#include "controllers/DefaultsChannels.h"
#include "controllers/DisplayModel.h"
#include "controllers/OrvPointsDlg.h"
#include "controllers/OrvTimeSetup.h"
#include "controllers/OrvUserDefaults.h"
#include "core/PortBus.h"
#include "sim/SimControlServer.h"
#include "sim/SimulatedInterface.h"
#include "sim/SimulatedKAV.h"

namespace orv::app {

namespace {

constexpr int DisplayTickMs = 50;   // Timer1

// The scales and step sizes of the installation, so the simulated mechanics
// match WinOrv.DAT; its problems are reported once, by the system.
SimMechanics MechanicsFromStateData(const StateDataSource& source) {
    Parameters params;
    SetStateDefaults(params);
    std::string failed;
    ApplyStateData(source, StateDataFileName, params, failed);
    return SimMechanics::FromParameters(params);
}

// A line named on the command line ("Com1" ... or a device path) over the file's.
void ChooseLine(SerialSettings& settings, const std::string& name) {
    const int ordinal = PortOrdinalOf(name);
    if (ordinal >= 0) {
        settings.Port = ordinal;
        settings.Device.clear();
    } else {
        settings.Device = name;
    }
    settings.Mode = 1;
}

}  // namespace

// The remote channels and the KAV line as the display and the operator's
// defaults see them.
class OrvRuntime::Channels final : public DefaultsChannels {
public:
    // `simulatedKAV`: the simulated instrument's terminal, or empty without one.
    Channels(TCPServer& tcp, ExComChannel& excom, MNCPChannel& mncp, KAVLink& kav, std::string simulatedKAV)
        : tcp_(tcp), excom_(excom), mncp_(mncp), kav_(kav), simulatedKAV_(std::move(simulatedKAV)) {}
    int ExComMode() const override { return excom_.ExComMode(); }
    int MNCPMode() const override { return mncp_.MNCPMode(); }
    std::optional<std::string> SetExComMode(int mode) override {
        return SwitchSerialChannel("ExCom", [&] { excom_.SetExComMode(mode); });
    }
    std::optional<std::string> SetMNCPMode(int mode) override {
        return SwitchSerialChannel("MNCP", [&] { mncp_.SetMNCPMode(mode); });
    }
    // The KAV line's mode and settings are the operator's, as WinOrv.ini keeps
    // them. Mode 1 opens the line they name. With the simulated telescope a
    // line the operator leaves closed is the simulated instrument's, which
    // never reaches the file: its terminal lives for one run only.
    int KAVMode() const override { return kavSettings_.Mode; }
    std::optional<std::string> SetKAVMode(int mode) override {
        kavSettings_.Mode = mode;
        return SwitchSerialChannel("KAV", [&] {
            kav_.SetKAVMode(0);
            if (mode == 1) {
                StoreSettingsInPort(kavSettings_, kav_.KAVComPort);
            } else if (!simulatedKAV_.empty()) {
                StoreSettingsInPort(SerialSettings{}, kav_.KAVComPort);
                kav_.KAVComPort.DevicePath = simulatedKAV_;
            } else {
                return;
            }
            kav_.SetKAVMode(1);
        });
    }
    bool onSimulatedKAV() const { return kavSettings_.Mode != 1 && !simulatedKAV_.empty(); }
    SerialSettings serialSettings(SerialChannel c) const override {
        if (c == SerialChannel::ExCom) return SettingsOfPort(excom_.ExComPort);
        if (c == SerialChannel::MNCP) return SettingsOfPort(mncp_.MNCPComPort);
        SerialSettings kav = kavSettings_;
        kav.Mode = 0;
        return kav;
    }
    void setSerialSettings(SerialChannel c, const SerialSettings& settings) override {
        if (c == SerialChannel::ExCom) return StoreSettingsInPort(settings, excom_.ExComPort);
        if (c == SerialChannel::MNCP) return StoreSettingsInPort(settings, mncp_.MNCPComPort);
        const int mode = kavSettings_.Mode;
        kavSettings_ = settings;
        kavSettings_.Mode = mode;
    }

    bool TCPServerActive() const override { return tcp_.active(); }
    uint16_t TCPPort() const override { return tcp_.port(); }
    void setTCPPort(uint16_t port) override { tcp_.setPort(port); }
    int TCPMode() const override { return tcp_.TCPMode(); }
    std::optional<std::string> SetTCPMode(int mode) override { return tcp_.SetTCPMode(mode); }

private:
    TCPServer& tcp_;
    ExComChannel& excom_;
    MNCPChannel& mncp_;
    KAVLink& kav_;
    const std::string simulatedKAV_;
    SerialSettings kavSettings_;
};

OrvRuntime::OrvRuntime(const OrvOptions& options, FrontEnd& frontEnd)
    : options_(options), frontEnd_(frontEnd), clock_(options.timeScale) {}

OrvRuntime::~OrvRuntime() {
    // Whatever happened, the threads end and the drives are left alone.
    if (system_) system_->StopSystem();
}

std::optional<std::string> OrvRuntime::start() {
    // WinOrv.DAT is read once, here, for the simulator and the system alike.
    const auto stateData = std::make_shared<const StateDataSource>(ReadStateDataFile(
        (std::filesystem::path(options_.dataDir) / StateDataFileName).string(), StateDataFileName));

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
        auto simulated = std::make_unique<SimulatedInterface>(clock_, MechanicsFromStateData(*stateData));
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
    system_->useStateData(stateData);
    kav_ = std::make_unique<KAVLink>(*system_);
    tcp_ = std::make_unique<TCPServer>(*system_);
    excom_ = std::make_unique<ExComChannel>(*system_);
    mncp_ = std::make_unique<MNCPChannel>(*system_);
    startSimulatedKAV();
    channels_ = std::make_unique<Channels>(*tcp_, *excom_, *mncp_, *kav_,
                                           simKAV_ ? simKAV_->devicePath() : std::string());
    excom_->setKAVQueries(KAVQueriesForExCom(*kav_));
    tcp_->setKAVQueries(KAVQueriesForTCP(*kav_));
    system_->StartSystem();

    if (!options_.tcpBind.empty() && !tcp_->setBindAddress(options_.tcpBind))
        frontEnd_.note("orv: --tcp-bind: '" + options_.tcpBind + "' is not an IP address; listening on every interface");
    applyUserDefaults();
    timeSetup_ = std::make_unique<OrvTimeSetup>(clock_, system_->commander, defaults_->path());
    points_ = std::make_unique<OrvPointsDlg>(*system_);

    display_ = std::make_unique<DisplayModel>(
        *system_, channels_.get(), [this](const std::vector<std::string>& lines) { frontEnd_.statusLogLines(lines); });
    QObject::connect(&timer1_, &QTimer::timeout, [this] {
        display_->Timer1Timer();
        timeSetup_->Poll();
        frontEnd_.refreshed(*display_);
    });
    timer1_.start(DisplayTickMs);
    return std::nullopt;
}

// The operator's defaults from WinOrv.ini, with the command-line options over
// them for the whole run. Until the windows exist their values are only kept.
void OrvRuntime::applyUserDefaults() {
    keptWindows_ = std::make_unique<KeptWindowDefaults>();
    const std::string path =
        InitFilePath(options_.dataDirGiven ? std::optional<std::string>(options_.dataDir) : std::nullopt);
    defaults_ = std::make_unique<OrvUserDefaults>(*system_, *channels_, *keptWindows_, path,
                                                  [this](const std::string& text) { frontEnd_.showMessage(text); });
    defaults_->setOverrides([this](UserDefaults& values) {
        if (options_.tcpPort) {
            values.TCPPort = *options_.tcpPort;
            if (values.TCPMode == 0) values.TCPMode = 2;
        }
        if (!options_.excomDevice.empty()) ChooseLine(values.ExCom, options_.excomDevice);
        if (!options_.mncpDevice.empty()) ChooseLine(values.MNCP, options_.mncpDevice);
        if (!options_.kavDevice.empty()) ChooseLine(values.KAV, options_.kavDevice);
    });
    defaults_->ApplyAtStart();
    if (excom_->ExComPort.PortActive()) frontEnd_.note("ExCom channel on " + excom_->ExComPort.PortName());
    if (mncp_->MNCPComPort.PortActive()) frontEnd_.note("MNCP channel on " + mncp_->MNCPComPort.PortName());
    if (tcp_->active()) frontEnd_.note("TCP/IP command server listening on port " + std::to_string(tcp_->serverPort()));
    if (kav_->KAVComPort.PortActive())
        frontEnd_.note(std::string("KAV line on ") + (channels_->onSimulatedKAV() ? "the simulated KAV, " : "") +
                       kav_->KAVComPort.PortName());
}

void OrvRuntime::startSimulatedKAV() {
    // The simulated telescope comes with its instrument, unless --kav names a
    // line for the run.
    if (!sim_ || !options_.kavDevice.empty()) return;
    try {
        simKAV_ = std::make_unique<SimulatedKAV>(clock_);
    } catch (const std::exception& e) {
        frontEnd_.note(std::string("KAV: simulated instrument not available: ") + e.what());
        return;
    }
    if (simControl_) simControl_->setKAV(simKAV_.get());
}

DefaultsChannels& OrvRuntime::channels() { return *channels_; }

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
