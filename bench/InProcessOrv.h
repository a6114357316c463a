#pragma once
// A whole Orv on the simulator with its TCP/IP command server, for the
// benchmarks that need one when no running Orv is given.

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <future>
#include <memory>
#include <string>
#include <thread>

#include <QCoreApplication>
#include <QHostAddress>
#include <QMetaObject>

#include "comm/TCPServer.h"
#include "control/System.h"
#include "core/Clock.h"
#include "sim/SimulatedInterface.h"

namespace orv::bench {

// A whole Orv on the simulator with its command server, on a thread of its own
// that runs the Qt event loop.
class InProcessOrv {
public:
    InProcessOrv() {
        std::promise<uint16_t> port;
        auto listening = port.get_future();
        thread_ = std::thread([this, &port] {
            int argc = 1;
            char name[] = "bench_orv";
            char* argv[] = {name, nullptr};
            QCoreApplication app(argc, argv);
            orv::RealClock clock;
            orv::SimulatedInterface sim(clock);
            orv::System system(clock, sim, orv::SystemOptions{".", false});
            system.StartSystem();
            orv::TCPServer server(system);
            server.setPort(0);
            server.setBindAddress(QHostAddress(QHostAddress::LocalHost));
            server.SetTCPMode(2);
            app_ = &app;
            port.set_value(server.serverPort());
            app.exec();
            server.SetTCPMode(0);
            system.StopSystem();
        });
        port_ = listening.get();
    }
    ~InProcessOrv() {
        QMetaObject::invokeMethod(app_.load(), [] { QCoreApplication::quit(); }, Qt::QueuedConnection);
        thread_.join();
    }
    uint16_t port() const { return port_; }

private:
    std::thread thread_;
    std::atomic<QCoreApplication*> app_{nullptr};
    uint16_t port_ = 0;
};

// The Orv a benchmark talks to: the one ORV_TCP_PORT (and ORV_TCP_HOST, default
// 127.0.0.1) name, else one started in this process for the run.
struct OrvEndpoint {
    std::unique_ptr<InProcessOrv> local;
    std::string host = "127.0.0.1";
    uint16_t port = 0;
};

inline OrvEndpoint ChooseOrv() {
    OrvEndpoint e;
    if (const char* p = std::getenv("ORV_TCP_PORT")) {
        e.port = uint16_t(std::atoi(p));
        if (const char* h = std::getenv("ORV_TCP_HOST")) e.host = h;
    } else {
        e.local = std::make_unique<InProcessOrv>();
        e.port = e.local->port();
    }
    return e;
}

}  // namespace orv::bench
