#pragma once
// A whole chain as an astronomer's INDI client meets it: `orv --headless` on the
// simulated telescope (time-scaled), indiserver running indi_orv, the three
// devices connected to orv's TCP/IP server; Debian's indi_getprop and
// indi_setprop as the client. Each rig has its own ports, its own indiserver
// socket, its own HOME (drivers write ~/.indi) and runtime directory.
//
// Besides the INDI side, a test reads Orv's own extended status and the
// simulator's truth (where the axes, dome, focus and shutter really are).

#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "app/indi/OrvLink.h"
#include "app/indi/OrvStatus.h"

namespace orv::indi::testing {

namespace fs = std::filesystem;

inline uint16_t FreePort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    socklen_t len = sizeof a;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
    ::close(fd);
    return ntohs(a.sin_port);
}

// Starts `argv` with `env` added, output into `logFile`, in `dir`.
inline pid_t Spawn(const std::vector<std::string>& argv, const std::vector<std::string>& env,
                   const fs::path& dir, const fs::path& logFile) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::setpgid(0, 0);
        for (const auto& e : env) ::putenv(const_cast<char*>(e.c_str()));
        const int log = ::open(logFile.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
        ::dup2(log, 1);
        ::dup2(log, 2);
        if (::chdir(dir.c_str()) != 0) ::_exit(126);
        std::vector<char*> args;
        for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        ::execvp(args[0], args.data());
        ::_exit(127);
    }
    return pid;
}

// Runs a command to its end (at most `seconds`) and returns its exit code and standard output.
inline std::pair<int, std::string> Run(const std::vector<std::string>& argv, double seconds = 5) {
    int out[2];
    if (::pipe(out) != 0) return {-1, ""};
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(out[1], 1);
        ::close(out[0]);
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, 2);
        std::vector<char*> args;
        for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        ::execvp(args[0], args.data());
        ::_exit(127);
    }
    ::close(out[1]);
    std::string text;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    for (;;) {
        const int left = int(std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count());
        pollfd p{out[0], POLLIN, 0};
        if (left <= 0 || ::poll(&p, 1, left) <= 0) {
            ::kill(pid, SIGKILL);
            break;
        }
        char buffer[4096];
        const ssize_t n = ::read(out[0], buffer, sizeof buffer);
        if (n <= 0) break;
        text.append(buffer, size_t(n));
    }
    ::close(out[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, text};
}

// Waits (real time) until `ready` holds; false after `seconds`.
inline bool WaitUntil(const std::function<bool()>& ready, double seconds, int pollMs = 50) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (!ready()) {
        if (std::chrono::steady_clock::now() > deadline) return ready();
        std::this_thread::sleep_for(std::chrono::milliseconds(pollMs));
    }
    return true;
}

// The simulator's truth line, with the numbers a test looks at.
struct Truth {
    double tMs = 0;
    double axisArcsec[2] = {0, 0};
    double axisRate[2] = {0, 0};   // arcsec/s
    double domeDeg = 0, focus = 0;
    std::string shutter;
};

inline std::optional<Truth> ParseTruth(const std::string& json) {
    auto number = [&](const std::string& key, size_t index = 0) -> std::optional<double> {
        size_t at = json.find("\"" + key + "\":");
        if (at == std::string::npos) return std::nullopt;
        at += key.size() + 3;
        if (json[at] == '[') {
            ++at;
            for (size_t i = 0; i < index; ++i) at = json.find(',', at) + 1;
        }
        return std::strtod(json.c_str() + at, nullptr);
    };
    Truth t;
    const auto ms = number("t_ms");
    if (!ms) return std::nullopt;
    t.tMs = *ms;
    for (size_t i = 0; i < 2; ++i) {
        t.axisArcsec[i] = number("axis_arcsec", i).value_or(0);
        t.axisRate[i] = number("axis_rate_arcsec", i).value_or(0);
    }
    t.domeDeg = number("dome_deg").value_or(0);
    t.focus = number("focus").value_or(0);
    const size_t s = json.find("\"shutter\":\"");
    if (s != std::string::npos) t.shutter = json.substr(s + 11, json.find('"', s + 11) - s - 11);
    return t;
}

class IndiRig {
public:
    // Latitude of the rig's site: far enough south that the cover/service
    // position (hour angle -4.83 h, Dec 0) is above the zenith limit.
    static constexpr double Latitude = 20.0;

    explicit IndiRig(double timeScale, const std::string& name) {
        dir_ = fs::temp_directory_path() / ("orv-indi-" + name + "-" + std::to_string(::getpid()));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        writeStateData();
        orvPort_ = FreePort();
        simPort_ = FreePort();
        indiPort_ = FreePort();
        env_ = {"HOME=" + dir_.string(), "XDG_RUNTIME_DIR=" + dir_.string(),
                "XDG_CONFIG_HOME=" + (dir_ / "config").string()};
        timeScale_ = timeScale;
        startOrv();
        indiserver_ = Spawn({INDISERVER_BINARY, "-p", std::to_string(indiPort_), "-u", (dir_ / "indi.sock").string(),
                             "-r", "0", INDI_ORV_BINARY},
                            env_, dir_, dir_ / "indiserver.log");
        ready_ = WaitUntil([&] { return status().has_value(); }, 15) &&
                 WaitUntil([&] { return get("Orv Mount.CONNECTION.CONNECT").has_value(); }, 10);
        for (const char* device : {"Orv Mount", "Orv Dome", "Orv Focuser"}) {
            const std::string d = device;
            ready_ = ready_ && set("-x", d + ".DEVICE_ADDRESS.ADDRESS;PORT=127.0.0.1;" + std::to_string(orvPort_)) &&
                     set("-s", d + ".CONNECTION.CONNECT=On") &&
                     WaitUntil([&] { return get(d + ".CONNECTION.CONNECT") == "On"; }, 10);
        }
    }

    ~IndiRig() {
        for (pid_t pid : {indiserver_, orv_}) {
            if (pid <= 0) continue;
            ::kill(-pid, SIGCONT);
            ::kill(-pid, SIGTERM);
        }
        for (pid_t pid : {indiserver_, orv_}) {
            if (pid <= 0) continue;
            bool gone = WaitUntil([&] { return ::waitpid(pid, nullptr, WNOHANG) == pid; }, 10);
            if (!gone) {
                ::kill(-pid, SIGKILL);
                ::waitpid(pid, nullptr, 0);
            }
        }
        fs::remove_all(dir_);
    }

    bool ready() const { return ready_; }

    // Ends orv the orderly way (SIGTERM) and waits for it to be gone.
    void stopOrv() {
        link_.close();
        ::kill(orv_, SIGTERM);
        if (!WaitUntil([&] { return ::waitpid(orv_, nullptr, WNOHANG) == orv_; }, 10)) {
            ::kill(orv_, SIGKILL);
            ::waitpid(orv_, nullptr, 0);
        }
        orv_ = -1;
    }
    // Starts orv (again) on the same ports.
    void startOrv() {
        orv_ = Spawn({ORV_BINARY, "--headless", "--data-dir=" + dir_.string(),
                      "--time-scale=" + std::to_string(timeScale_), "--tcp-port=" + std::to_string(orvPort_),
                      "--tcp-bind=127.0.0.1", "--sim-control=" + std::to_string(simPort_)},
                     env_, dir_, dir_ / "orv.log");
    }
    std::string logs() const {
        std::stringstream s;
        for (const char* f : {"orv.log", "indiserver.log"}) s << std::ifstream(dir_ / f).rdbuf();
        return s.str();
    }

    // One element's value, as indi_getprop prints it; `element` is
    // "Device.PROPERTY.ELEMENT".
    std::optional<std::string> get(const std::string& element) const {
        const auto [code, out] = Run({INDI_GETPROP_BINARY, "-1", "-t", "2", "-p", std::to_string(indiPort_), element});
        if (code != 0 || out.empty()) return std::nullopt;
        return out.substr(0, out.find('\n'));
    }
    std::optional<double> number(const std::string& element) const {
        const auto text = get(element);
        if (!text) return std::nullopt;
        return std::strtod(text->c_str(), nullptr);
    }
    // `type`: "-n", "-s" or "-x"; `assignment`: "Device.PROPERTY.ELEMENT=value".
    bool set(const std::string& type, const std::string& assignment) const {
        return Run({INDI_SETPROP_BINARY, "-p", std::to_string(indiPort_), type, assignment}).first == 0;
    }
    bool waitState(const std::string& property, const std::string& state, double seconds) const {
        return WaitUntil([&] { return get(property + "._STATE") == state; }, seconds, 100);
    }

    // Orv's extended status, straight from its TCP/IP server.
    std::optional<OrvStatus> status() {
        std::string error;
        if (!link_.connected() && !link_.connect("127.0.0.1", orvPort_, 500, error)) return std::nullopt;
        const auto reply = link_.ask("#60;", 60, 1000, error);
        return reply ? ParseOrvStatus(*reply) : std::nullopt;
    }
    // The simulator's truth, through its line protocol.
    std::optional<Truth> truth() const {
        const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        a.sin_port = htons(simPort_);
        std::string line;
        if (::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 && ::write(fd, "truth\n", 6) == 6) {
            char c;
            pollfd p{fd, POLLIN, 0};
            while (::poll(&p, 1, 1000) == 1 && ::read(fd, &c, 1) == 1 && c != '\n') line += c;
        }
        ::close(fd);
        return ParseTruth(line);
    }

    // The driver process (indiserver's child).
    pid_t driverPid() const {
        std::ifstream children("/proc/" + std::to_string(indiserver_) + "/task/" + std::to_string(indiserver_) +
                               "/children");
        pid_t pid = -1;
        children >> pid;
        return pid;
    }

private:
    void writeStateData() const {
        // WinOrv.DAT: the built-in defaults, with this rig's latitude.
        const double values[29] = {Latitude, 105.0, 0.9, 0, 0, 0, 0, 0, 0, 0, 0, 0, 270.0, 74.9, 0.10756564,
                                   0.10756564, 0.00000342, 1.062566, 1.0125, 360000.0, 12.0, 96.0, 2.5, 1.0,
                                   1.0, 0, 0, 2129.0, 2350.0};
        std::ofstream out(dir_ / "WinOrv.DAT");
        out.precision(10);
        for (double v : values) out << v << "\r\n";
    }

    fs::path dir_;
    std::vector<std::string> env_;
    double timeScale_ = 1;
    uint16_t orvPort_ = 0, simPort_ = 0, indiPort_ = 0;
    pid_t orv_ = -1, indiserver_ = -1;
    bool ready_ = false;
    OrvLink link_;
};

}  // namespace orv::indi::testing
