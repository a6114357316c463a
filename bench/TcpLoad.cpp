// Load on the TCP/IP command server: N clients, each on its own connection and
// thread, send 1000 '#25;' queries one after the other and time each round trip.
// Every answer must be a well-formed position block arriving at the client that
// asked, one per query.
//
// Against a running Orv: ORV_TCP_PORT=5003 [ORV_TCP_HOST=127.0.0.1] bench_TcpLoad
// (bench/tcp_load.sh starts `orv --headless` for this). Without ORV_TCP_PORT the
// benchmark starts its own Orv on the simulator with the server in this process.

#include <benchmark/benchmark.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "InProcessOrv.h"
#include "comm/CtlClient.h"

namespace {

constexpr int QueriesPerClient = 1000;

struct ClientResult {
    std::vector<double> roundTripsUs;
    int bad = 0;           // missing, malformed or surplus answers
    std::string error;
};

ClientResult RunClient(const std::string& host, uint16_t port, int queries) {
    ClientResult r;
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(port);
    ::inet_pton(AF_INET, host.c_str(), &addr.sin_addr);
    if (fd < 0 || ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        r.error = "cannot connect";
        if (fd >= 0) ::close(fd);
        return r;
    }
    const int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    timeval timeout{2, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);

    r.roundTripsUs.reserve(size_t(queries));
    std::string pending;
    char buffer[4096];
    for (int i = 0; i < queries; ++i) {
        const auto start = std::chrono::steady_clock::now();
        if (::send(fd, "#25;", 4, MSG_NOSIGNAL) != 4) {
            r.error = "send failed";
            break;
        }
        size_t end;
        while ((end = pending.find(';')) == std::string::npos) {
            const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
            if (n <= 0) break;
            pending.append(buffer, size_t(n));
        }
        if (end == std::string::npos) {
            r.error = "no answer to query " + std::to_string(i);
            break;
        }
        r.roundTripsUs.push_back(
            std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count());
        const auto values = orv::ctl::ParseReplyPacket(std::string_view(pending).substr(0, end + 1));
        if (!values || values->size() != 8) ++r.bad;
        pending.erase(0, end + 1);
        // One query, one answer: anything beyond it belongs to nobody.
        if (!pending.empty()) ++r.bad;
    }
    ::close(fd);
    return r;
}

void BM_TcpLoad(benchmark::State& state) {
    const int clients = int(state.range(0));
    const orv::bench::OrvEndpoint orv = orv::bench::ChooseOrv();
    const std::string& host = orv.host;
    const uint16_t port = orv.port;

    std::vector<double> all;
    int bad = 0;
    double seconds = 0;
    for (auto _ : state) {
        std::vector<std::future<ClientResult>> running;
        const auto start = std::chrono::steady_clock::now();
        for (int c = 0; c < clients; ++c)
            running.push_back(std::async(std::launch::async, RunClient, host, port, QueriesPerClient));
        for (auto& f : running) {
            ClientResult r = f.get();
            if (!r.error.empty()) {
                state.SkipWithError(r.error.c_str());
                return;
            }
            bad += r.bad + (QueriesPerClient - int(r.roundTripsUs.size()));
            all.insert(all.end(), r.roundTripsUs.begin(), r.roundTripsUs.end());
        }
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
    if (all.empty()) return;
    std::sort(all.begin(), all.end());
    auto quantile = [&](double q) { return all[std::min(all.size() - 1, size_t(q * double(all.size())))] / 1000.0; };
    state.counters["answers"] = double(all.size());
    state.counters["bad"] = bad;
    state.counters["answers_per_s"] = double(all.size()) / seconds;
    state.counters["p50_ms"] = quantile(0.50);
    state.counters["p99_ms"] = quantile(0.99);
    state.counters["max_ms"] = all.back() / 1000.0;
    if (bad > 0) state.SkipWithError("answers missing, malformed or at the wrong client");
}

BENCHMARK(BM_TcpLoad)->Arg(32)->Iterations(1)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace
