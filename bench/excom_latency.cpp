// Reply latency of the ExCom position query on a pseudo-terminal: a host writes
// '25' CR and the time from its last byte to the last byte of the eight-line
// reply is measured, with the whole system running on the simulated telescope
// at time scale 1.
//
// A pseudo-terminal moves bytes at once whatever its speed setting, so two
// figures are given per speed: "pty", the time until the reply's last byte can
// be read, and "wire", the time its last byte would arrive on a real line of
// that speed (each character takes 10 bit times and cannot leave before Orv
// wrote it). The wire time of the reply alone is the floor of the second.
// Queries are 100 ms apart plus a random phase, so each arrives after the
// channel's 50 ms pause that follows every command.

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "comm/ExCom.h"
#include "control/System.h"
#include "sim/SimulatedInterface.h"

namespace {

using namespace orv;
using Steady = std::chrono::steady_clock;

constexpr int Queries = 150;
// The reply to 25: eight values of 11 or 12 characters, each with its CR.
constexpr int BitsPerChar = 10;   // start bit, 8 data bits, stop bit

double Ms(Steady::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

double Percentile(std::vector<double> v, double p) {
    std::sort(v.begin(), v.end());
    const size_t rank = static_cast<size_t>(std::ceil(p * static_cast<double>(v.size())));
    return v[std::clamp<size_t>(rank, 1, v.size()) - 1];
}

void BM_ExComPositionLatency(benchmark::State& state) {
    const int baudOrdinal = static_cast<int>(state.range(0));
    const double charMs = 1000.0 * BitsPerChar / BaudRateValue(baudOrdinal);

    int master = -1, slave = -1;
    char name[256] = {};
    if (::openpty(&master, &slave, name, nullptr, nullptr) != 0) {
        state.SkipWithError("no pseudo-terminal");
        return;
    }
    ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);

    RealClock clock(1.0);
    SimulatedInterface sim(clock);
    System system(clock, sim, SystemOptions{".", false});
    system.StartSystem();
    std::vector<double> ptyMs, wireMs;
    size_t replyBytes = 0;
    {
        ExComChannel channel(system);
        channel.ExComPort.DevicePath = name;
        channel.ExComPort.BaudRate = baudOrdinal;
        channel.SetExComMode(1);

        std::mt19937 random(20240317);
        std::uniform_int_distribution<int> phaseUs(0, 20000);
        for (auto _ : state) {
            for (int i = 0; i < Queries; ++i) {
                std::this_thread::sleep_for(std::chrono::microseconds(100000 + phaseUs(random)));
                const char query[] = "25\r";
                // The host's bytes leave at the line's pace; the last one is the start.
                const auto t0 = Steady::now();
                if (::write(master, query, 3) != 3) break;
                int crs = 0;
                size_t bytes = 0;
                double lastArrival = 0, lastRead = 0;
                while (crs < 8) {
                    pollfd p{master, POLLIN, 0};
                    if (::poll(&p, 1, 2000) <= 0) break;
                    char buf[256];
                    const ssize_t n = ::read(master, buf, sizeof buf);
                    if (n <= 0) continue;
                    lastRead = Ms(Steady::now() - t0);
                    for (ssize_t k = 0; k < n; ++k) {
                        lastArrival = std::max(lastArrival, lastRead) + charMs;
                        if (buf[k] == '\r') ++crs;
                    }
                    bytes += size_t(n);
                }
                if (crs < 8) continue;
                replyBytes = bytes;
                ptyMs.push_back(lastRead);
                wireMs.push_back(lastArrival);
            }
        }
    }
    system.StopSystem();
    ::close(master);
    ::close(slave);
    if (ptyMs.empty()) {
        state.SkipWithError("no reply");
        return;
    }
    const double floorMs = charMs * double(replyBytes);
    state.counters["pty_p50_ms"] = Percentile(ptyMs, 0.5);
    state.counters["pty_p99_ms"] = Percentile(ptyMs, 0.99);
    state.counters["wire_p50_ms"] = Percentile(wireMs, 0.5);
    state.counters["wire_p99_ms"] = Percentile(wireMs, 0.99);
    std::printf("ExCom '25' at %u baud, %zu replies of %zu bytes: pty p50 %.2f ms, p99 %.2f ms; "
                "wire p50 %.2f ms, p99 %.2f ms (floor %.2f ms)\n",
                BaudRateValue(baudOrdinal), ptyMs.size(), replyBytes, Percentile(ptyMs, 0.5),
                Percentile(ptyMs, 0.99), Percentile(wireMs, 0.5), Percentile(wireMs, 0.99), floorMs);
}

BENCHMARK(BM_ExComPositionLatency)
    ->Arg(tbr115200)
    ->Arg(tbr9600)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace
