#include "sim/SimControlServer.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <system_error>
#include <vector>

#include "astro/TextFormats.h"
#include "core/Ports.h"

namespace orv {

namespace {

std::vector<std::string_view> splitWords(std::string_view line) {
    std::vector<std::string_view> words;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
        size_t start = i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t') ++i;
        if (i > start) words.push_back(line.substr(start, i - start));
    }
    return words;
}

// A decimal number or a hexadecimal one with 0x, at most `max`; nothing else.
bool parseNumber(std::string_view text, uint32_t max, uint32_t& out) {
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        text.remove_prefix(2);
        base = 16;
    }
    if (text.empty()) return false;
    uint64_t value = 0;
    auto r = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (r.ec != std::errc() || r.ptr != text.data() + text.size() || value > max) return false;
    out = static_cast<uint32_t>(value);
    return true;
}

bool isInputPort(uint32_t port) {
    return port == ports::CloudInput || port == ports::PaddleInput || port == ports::FrontPanel;
}

void closeFd(int& fd) {
    if (fd >= 0) ::close(fd);
    fd = -1;
}

}  // namespace

std::string ExecuteSimCommand(SimulatedInterface& sim, std::string_view line, SimulatedKAV* kav) {
    auto words = splitWords(line);
    if (words.empty()) return "error empty line";
    std::string_view command = words[0];
    uint32_t a = 0, b = 0;
    if (command == "in") {
        if (words.size() != 3) return "error usage: in <port> <byte>";
        if (!parseNumber(words[1], 0xFFFF, a)) return "error bad port";
        if (!parseNumber(words[2], 0xFF, b)) return "error bad byte";
        if (!isInputPort(a)) return "error not an input port";
        sim.setInput(static_cast<uint16_t>(a), static_cast<uint8_t>(b));
        return "ok";
    }
    if (command == "out") {
        if (words.size() != 2) return "error usage: out <port>";
        if (!parseNumber(words[1], 0xFFFF, a)) return "error bad port";
        // The latch of an output port reads back as written, with no side effects;
        // the ports whose reads change state answer from their own registers.
        char reply[8];
        std::snprintf(reply, sizeof reply, "0x%02X", sim.lastWritten(static_cast<uint16_t>(a)));
        return reply;
    }
    if (command == "adc") {
        if (words.size() != 3) return "error usage: adc <channel> <value>";
        if (!parseNumber(words[1], SimulatedInterface::ADChannels - 1, a)) return "error bad channel";
        if (!parseNumber(words[2], 4095, b)) return "error bad value";
        sim.holdADChannel(static_cast<int>(a), static_cast<int>(b));
        return "ok";
    }
    if (command == "truth") {
        if (words.size() != 1) return "error usage: truth";
        return sim.truthJson();
    }
    if (command == "errors") {
        if (words.size() == 1) return FormatMountErrors(sim.mountErrors());
        SimMountErrors errors = sim.mountErrors();
        const std::string_view rest = line.substr(static_cast<size_t>(words[1].data() - line.data()));
        if (auto bad = ParseMountErrors(rest, errors)) return "error " + *bad;
        sim.setMountErrors(errors);
        return "ok";
    }
    if (command == "nudge") {
        // Within a turn of either axis.
        constexpr double MaxNudge = 1296000.0;
        double ha = 0, dec = 0;
        if (words.size() != 3) return "error usage: nudge <ha arcsec> <dec arcsec>";
        if (!ParseReal(words[1], ha) || !ParseReal(words[2], dec) || !(std::fabs(ha) <= MaxNudge) ||
            !(std::fabs(dec) <= MaxNudge))
            return "error bad angle";
        sim.nudge(ha, dec);
        return "ok";
    }
    if (command == "kav") {
        if (!kav) return "error no simulated KAV";
        return kav->control(line.substr(static_cast<size_t>(command.data() + command.size() - line.data())));
    }
    return "error unknown command";
}

SimControlServer::SimControlServer(SimulatedInterface& sim, uint16_t port) : sim_(sim) {
    auto fail = [this](const char* what) {
        int e = errno;
        closeFd(listenFd_);
        closeFd(wakeRead_);
        closeFd(wakeWrite_);
        throw std::system_error(e, std::system_category(), what);
    };
    listenFd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (listenFd_ < 0) fail("simulator control: socket");
    int yes = 1;
    ::setsockopt(listenFd_, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(port);
    if (::bind(listenFd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) < 0)
        fail("simulator control: cannot listen on 127.0.0.1");
    if (::listen(listenFd_, 8) < 0) fail("simulator control: listen");
    socklen_t len = sizeof addr;
    if (::getsockname(listenFd_, reinterpret_cast<sockaddr*>(&addr), &len) < 0)
        fail("simulator control: getsockname");
    port_ = ntohs(addr.sin_port);
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC | O_NONBLOCK) < 0) fail("simulator control: pipe");
    wakeRead_ = pipeFds[0];
    wakeWrite_ = pipeFds[1];
    thread_ = std::thread([this] { run(); });
}

SimControlServer::~SimControlServer() {
    stop_ = true;
    char byte = 1;
    [[maybe_unused]] auto n = ::write(wakeWrite_, &byte, 1);
    if (thread_.joinable()) thread_.join();
    closeFd(listenFd_);
    closeFd(wakeRead_);
    closeFd(wakeWrite_);
}

void SimControlServer::run() {
    struct Client {
        int fd;
        std::string in, out;
        bool overlong = false;  // inside a line that exceeded MaxLineLength
        bool done = false;
    };
    std::vector<Client> clients;

    auto consume = [this](Client& c, const char* data, size_t size, SimulatedInterface& sim) {
        for (size_t i = 0; i < size; ++i) {
            char ch = data[i];
            if (ch == '\n') {
                if (c.overlong) {
                    c.out += "error line too long";
                } else {
                    if (!c.in.empty() && c.in.back() == '\r') c.in.pop_back();
                    c.out += ExecuteSimCommand(sim, c.in, kav_.load());
                }
                c.out += '\n';
                c.in.clear();
                c.overlong = false;
            } else if (!c.overlong) {
                c.in.push_back(ch);
                if (c.in.size() > MaxLineLength) {
                    c.overlong = true;
                    c.in.clear();
                }
            }
        }
    };
    auto flush = [](Client& c) {
        while (!c.out.empty()) {
            ssize_t n = ::send(c.fd, c.out.data(), c.out.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
            if (n > 0) {
                c.out.erase(0, static_cast<size_t>(n));
            } else {
                if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) return;
                c.done = true;
                return;
            }
        }
    };

    std::vector<pollfd> fds;
    while (!stop_.load()) {
        fds.clear();
        fds.push_back({wakeRead_, POLLIN, 0});
        fds.push_back({listenFd_, POLLIN, 0});
        for (const Client& c : clients) {
            short events = 0;
            if (c.out.size() < MaxPendingOutput) events |= POLLIN;
            if (!c.out.empty()) events |= POLLOUT;
            fds.push_back({c.fd, events, 0});
        }
        int ready = ::poll(fds.data(), fds.size(), 500);
        if (stop_.load()) break;
        if (ready < 0) {
            if (errno == EINTR) continue;
            break;
        }
        size_t polled = clients.size();
        for (size_t i = 0; i < polled; ++i) {
            Client& c = clients[i];
            short revents = fds[i + 2].revents;
            if (revents & (POLLIN | POLLHUP | POLLERR)) {
                char buf[1024];
                ssize_t n = ::recv(c.fd, buf, sizeof buf, MSG_DONTWAIT);
                if (n > 0) {
                    consume(c, buf, static_cast<size_t>(n), sim_);
                } else if (n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)) {
                    flush(c);  // answer what was asked before the peer closed
                    c.done = true;
                }
            }
            if (revents & POLLNVAL) c.done = true;
            if (!c.done) flush(c);
        }
        if (fds[1].revents & POLLIN) {
            int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
            if (fd >= 0) {
                if (clients.size() >= static_cast<size_t>(MaxClients))
                    ::close(fd);
                else
                    clients.push_back(Client{fd, {}, {}});
            }
        }
        for (size_t i = 0; i < clients.size();) {
            if (clients[i].done) {
                ::close(clients[i].fd);
                clients.erase(clients.begin() + static_cast<std::ptrdiff_t>(i));
            } else {
                ++i;
            }
        }
    }
    for (Client& c : clients) ::close(c.fd);
}

}  // namespace orv
