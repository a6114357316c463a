// What an INDI client gets from Orv's driver compared with Debian's
// indi_simulator_telescope, both behind the same indiserver (run by
// bench/indi_bench.sh):
//
// - round trip of a coordinate read: getProperties for EQUATORIAL_EOD_COORD on
//   an open connection until its defNumberVector has arrived, as indi_getprop
//   reads it; 300 reads; p50 and p99 in ms;
// - age of the coordinates the client holds, sampled at random moments over
//   10 s with the mount not tracking (so its RA moves and every poll sends it):
//   for Orv, the time since the time task computed them (the UT that Orv's
//   ORV_STATUS gives with them; orv runs at time scale 1 with the PC's UTC);
//   for the simulator, which computes its coordinates when it sends them, the
//   time since they arrived. p50 and p99 in ms.
//
// ORV_INDI_PORT is indiserver's port.

#include <benchmark/benchmark.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <mutex>
#include <optional>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace {

using Steady = std::chrono::steady_clock;

double Percentile(std::vector<double> v, double p) {
    if (v.empty()) return NAN;
    std::sort(v.begin(), v.end());
    const size_t rank = size_t(std::ceil(p * double(v.size())));
    return v[std::clamp<size_t>(rank, 1, v.size()) - 1];
}

double UtcSecondsOfDay() {
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    return std::fmod(std::chrono::duration<double>(now).count(), 86400.0);
}

class IndiClient {
public:
    explicit IndiClient(uint16_t port) {
        fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(port);
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (::connect(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) fd_ = -1;
    }
    ~IndiClient() {
        if (fd_ >= 0) ::close(fd_);
    }
    bool ok() const { return fd_ >= 0; }
    void send(const std::string& xml) {
        if (::write(fd_, xml.data(), xml.size()) != ssize_t(xml.size())) fd_ = -1;
    }
    // Reads until an element <tag ... device="D" name="N" ...> ... </tag> has come whole;
    // returns its text.
    std::optional<std::string> waitFor(const std::string& tag, const std::string& device, const std::string& name,
                                       int timeoutMs) {
        const auto deadline = Steady::now() + std::chrono::milliseconds(timeoutMs);
        for (;;) {
            for (size_t at = 0; (at = buffer_.find("<" + tag, at)) != std::string::npos;) {
                const size_t end = buffer_.find("</" + tag + ">", at);
                if (end == std::string::npos) break;
                const size_t head = buffer_.find('>', at);
                const std::string open = buffer_.substr(at, head - at);
                if (open.find("device=\"" + device + "\"") != std::string::npos &&
                    open.find("name=\"" + name + "\"") != std::string::npos) {
                    std::string element = buffer_.substr(at, end + tag.size() + 3 - at);
                    buffer_.erase(0, end + tag.size() + 3);
                    return element;
                }
                at = end;
            }
            if (buffer_.size() > (1 << 20)) buffer_.erase(0, buffer_.size() - 65536);
            const int left = int(std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Steady::now()).count());
            pollfd p{fd_, POLLIN, 0};
            if (left <= 0 || ::poll(&p, 1, left) <= 0) return std::nullopt;
            char chunk[65536];
            const ssize_t n = ::read(fd_, chunk, sizeof chunk);
            if (n <= 0) return std::nullopt;
            buffer_.append(chunk, size_t(n));
        }
    }

private:
    int fd_ = -1;
    std::string buffer_;
};

// The value of <oneNumber name="NAME"> in an element.
std::optional<double> OneNumber(const std::string& element, const std::string& name) {
    const size_t at = element.find("name=\"" + name + "\"");
    if (at == std::string::npos) return std::nullopt;
    const size_t gt = element.find('>', at);
    return std::strtod(element.c_str() + gt + 1, nullptr);
}

uint16_t Port() {
    const char* p = std::getenv("ORV_INDI_PORT");
    return uint16_t(p ? std::atoi(p) : 7624);
}

void BM_CoordinateRead(benchmark::State& state, const std::string& device, bool orv) {
    for (auto _ : state) {
        // Round trip of reads.
        IndiClient reader(Port());
        if (!reader.ok()) {
            state.SkipWithError("indiserver not reachable (ORV_INDI_PORT)");
            return;
        }
        std::vector<double> roundTrip;
        for (int i = 0; i < 300; ++i) {
            const auto t0 = Steady::now();
            reader.send("<getProperties version=\"1.7\" device=\"" + device + "\" name=\"EQUATORIAL_EOD_COORD\"/>\n");
            if (!reader.waitFor("defNumberVector", device, "EQUATORIAL_EOD_COORD", 3000)) {
                state.SkipWithError(("no EQUATORIAL_EOD_COORD from " + device).c_str());
                return;
            }
            roundTrip.push_back(std::chrono::duration<double, std::milli>(Steady::now() - t0).count());
        }

        // Age of what the client holds, watched on a connection of its own.
        IndiClient watcher(Port());
        watcher.send("<getProperties version=\"1.7\" device=\"" + device + "\"/>\n");
        std::mutex mutex;
        std::optional<double> heldSince;   // simulator: arrival (steady seconds); Orv: UT of the coordinates
        std::atomic<bool> done{false};
        std::thread watch([&] {
            const std::string name = orv ? "ORV_STATUS" : "EQUATORIAL_EOD_COORD";
            while (!done) {
                const auto element = watcher.waitFor("setNumberVector", device, name, 200);
                if (!element) continue;
                std::lock_guard lock(mutex);
                if (orv) heldSince = OneNumber(*element, "UT").value_or(NAN) * 3600.0;
                else heldSince = std::chrono::duration<double>(Steady::now().time_since_epoch()).count();
            }
        });
        std::mt19937 random(7);
        std::uniform_int_distribution<int> pause(10, 60);
        std::vector<double> age;
        const auto end = Steady::now() + std::chrono::seconds(10);
        while (Steady::now() < end) {
            std::this_thread::sleep_for(std::chrono::milliseconds(pause(random)));
            std::lock_guard lock(mutex);
            if (!heldSince) continue;
            const double now = orv ? UtcSecondsOfDay()
                                   : std::chrono::duration<double>(Steady::now().time_since_epoch()).count();
            double a = now - *heldSince;
            if (orv && a < -43200) a += 86400;   // across midnight
            age.push_back(a * 1000.0);
        }
        done = true;
        watch.join();

        state.counters["read_p50_ms"] = Percentile(roundTrip, 0.50);
        state.counters["read_p99_ms"] = Percentile(roundTrip, 0.99);
        state.counters["age_p50_ms"] = Percentile(age, 0.50);
        state.counters["age_p99_ms"] = Percentile(age, 0.99);
        state.counters["age_samples"] = double(age.size());
    }
}

BENCHMARK_CAPTURE(BM_CoordinateRead, indi_simulator_telescope, std::string("Telescope Simulator"), false)
    ->Iterations(1)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_CoordinateRead, indi_orv, std::string("Orv Mount"), true)
    ->Iterations(1)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace
