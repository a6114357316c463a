// Fairness of the TCP/IP command server: eight clients flood it with '#25;'
// queries as fast as TCP lets them (reading their answers in bulk), while a
// ninth client asks '#25;' once every millisecond or two and times each round
// trip. The ninth's p99 should stay under 20 ms.
//
// Against a running Orv: ORV_TCP_PORT=5003 [ORV_TCP_HOST=127.0.0.1] bench_TcpFlood
// (bench/tcp_flood.sh starts `orv --headless` for this). Without ORV_TCP_PORT the
// benchmark starts its own Orv on the simulator with the server in this process.

#include <benchmark/benchmark.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "InProcessOrv.h"
#include "comm/CtlClient.h"

namespace {

constexpr int Flooders = 8;
constexpr int TimedQueries = 2000;

int Connect(const std::string& host, uint16_t port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(port);
    ::inet_pton(AF_INET, host.c_str(), &addr.sin_addr);
    if (fd < 0 || ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        if (fd >= 0) ::close(fd);
        return -1;
    }
    const int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    return fd;
}

// Sends blocks of 4096 queries whenever the socket takes them and throws the
// answers away, counting them, until told to stop.
void Flood(int fd, const std::atomic<bool>& stop, std::atomic<long>& answers) {
    std::string block;
    for (int i = 0; i < 4096; ++i) block += "#25;";
    size_t offset = 0;
    char buffer[65536];
    while (!stop) {
        pollfd p{fd, POLLIN | POLLOUT, 0};
        if (::poll(&p, 1, 10) <= 0) continue;
        if (p.revents & POLLOUT) {
            const ssize_t n = ::send(fd, block.data() + offset, block.size() - offset, MSG_DONTWAIT | MSG_NOSIGNAL);
            if (n > 0) offset = (offset + size_t(n)) % block.size();
        }
        if (p.revents & POLLIN) {
            const ssize_t n = ::recv(fd, buffer, sizeof buffer, MSG_DONTWAIT);
            if (n <= 0) return;
            answers += std::count(buffer, buffer + n, ';');
        }
    }
}

void BM_TcpFlood(benchmark::State& state) {
    const orv::bench::OrvEndpoint orv = orv::bench::ChooseOrv();
    const std::string& host = orv.host;
    const uint16_t port = orv.port;

    std::vector<double> roundTripsUs;
    long floodAnswers = 0;
    double seconds = 0;
    int bad = 0;
    for (auto _ : state) {
        std::atomic<bool> stop{false};
        std::atomic<long> answers{0};
        std::vector<int> fds;
        std::vector<std::thread> flooders;
        for (int i = 0; i < Flooders; ++i) {
            const int fd = Connect(host, port);
            if (fd < 0) {
                state.SkipWithError("cannot connect a flooding client");
                stop = true;
                break;
            }
            fds.push_back(fd);
            flooders.emplace_back(Flood, fd, std::cref(stop), std::ref(answers));
        }
        const int ninth = stop ? -1 : Connect(host, port);
        if (ninth >= 0) {
            timeval timeout{2, 0};
            ::setsockopt(ninth, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
            std::this_thread::sleep_for(std::chrono::milliseconds(300));   // the flood is under way
            const auto start = std::chrono::steady_clock::now();
            std::string pending;
            char buffer[4096];
            for (int i = 0; i < TimedQueries; ++i) {
                const auto sent = std::chrono::steady_clock::now();
                if (::send(ninth, "#25;", 4, MSG_NOSIGNAL) != 4) break;
                size_t end;
                while ((end = pending.find(';')) == std::string::npos) {
                    const ssize_t n = ::recv(ninth, buffer, sizeof buffer, 0);
                    if (n <= 0) break;
                    pending.append(buffer, size_t(n));
                }
                if (end == std::string::npos) break;
                roundTripsUs.push_back(
                    std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - sent).count());
                const auto values = orv::ctl::ParseReplyPacket(std::string_view(pending).substr(0, end + 1));
                if (!values || values->size() != 8) ++bad;
                pending.erase(0, end + 1);
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
            seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            ::close(ninth);
        }
        stop = true;
        for (auto& t : flooders) t.join();
        for (int fd : fds) ::close(fd);
        floodAnswers += answers;
    }
    if (roundTripsUs.size() < size_t(TimedQueries)) {
        state.SkipWithError("the ninth client's queries were not all answered");
        return;
    }
    std::sort(roundTripsUs.begin(), roundTripsUs.end());
    auto quantile = [&](double q) {
        return roundTripsUs[std::min(roundTripsUs.size() - 1, size_t(q * double(roundTripsUs.size())))] / 1000.0;
    };
    state.counters["ninth_p50_ms"] = quantile(0.50);
    state.counters["ninth_p99_ms"] = quantile(0.99);
    state.counters["ninth_max_ms"] = roundTripsUs.back() / 1000.0;
    state.counters["flood_answers_per_s"] = double(floodAnswers) / seconds;
    state.counters["bad"] = bad;
    if (bad > 0) state.SkipWithError("malformed answers");
}

BENCHMARK(BM_TcpFlood)->Iterations(1)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace
