// The orv executable as an operator starts it: options, the operator's defaults
// file, one copy per user and one on the interface, and a clean stop on SIGTERM, SIGINT, SIGHUP and the end of its terminal.

#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <thread>

#include "comm/MNCPLink.h"
#include "comm/PtyPair.h"

namespace {

namespace fs = std::filesystem;

struct Program {
    pid_t pid = -1;
    fs::path errFile;
};

// In a child about to become orv: the per-user runtime directory, the
// configuration home (runtimeDir/config), the interface lock (a stand-in path),
// and the signals as a shell would leave them.
void PrepareChild(const fs::path& runtimeDir, const fs::path& interfaceLock) {
    ::setenv("XDG_RUNTIME_DIR", runtimeDir.c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", (runtimeDir / "config").c_str(), 1);
    ::setenv("ORV_INTERFACE_LOCK", interfaceLock.c_str(), 1);
    ::signal(SIGHUP, SIG_DFL);
}

// Runs the orv binary with `args` in `dir` (in a child; does not return).
[[noreturn]] void ExecOrv(const std::vector<std::string>& args, const fs::path& dir) {
    std::vector<char*> argv;
    std::string binary = ORV_BINARY;
    argv.push_back(binary.data());
    std::vector<std::string> copy = args;
    for (auto& a : copy) argv.push_back(a.data());
    argv.push_back(nullptr);
    ::chdir(dir.c_str());
    ::execv(binary.c_str(), argv.data());
    ::_exit(127);
}

// Starts orv with `args`, its runtime directory in `runtimeDir`, stderr into a file.
Program Start(const std::vector<std::string>& args, const fs::path& runtimeDir, const std::string& tag,
              fs::path interfaceLock = {}) {
    Program p;
    p.errFile = runtimeDir / (tag + ".err");
    if (interfaceLock.empty()) interfaceLock = runtimeDir / "interface.lock";
    p.pid = ::fork();
    if (p.pid == 0) {
        PrepareChild(runtimeDir, interfaceLock);
        FILE* err = std::freopen(p.errFile.c_str(), "w", stderr);
        FILE* out = std::freopen("/dev/null", "w", stdout);
        (void)err;
        (void)out;
        ExecOrv(args, runtimeDir);
    }
    return p;
}

// Waits for the program to end; returns its exit code, or -1 after `seconds`.
int WaitExit(const Program& p, double seconds) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (std::chrono::steady_clock::now() < deadline) {
        int status = 0;
        if (::waitpid(p.pid, &status, WNOHANG) == p.pid) return WIFEXITED(status) ? WEXITSTATUS(status) : 128;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ::kill(p.pid, SIGKILL);
    ::waitpid(p.pid, nullptr, 0);
    return -1;
}

std::string ReadAll(const fs::path& path) {
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// Waits until the program's stderr holds `text`; returns what it holds then.
std::string WaitForText(const Program& p, const std::string& text, double seconds) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    std::string err;
    while (std::chrono::steady_clock::now() < deadline) {
        err = ReadAll(p.errFile);
        if (err.find(text) != std::string::npos) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return err;
}

// The number that follows `prefix` in `text`, or 0.
uint16_t NumberAfter(const std::string& text, const std::string& prefix) {
    const auto at = text.find(prefix);
    return at == std::string::npos ? 0 : static_cast<uint16_t>(std::atoi(text.c_str() + at + prefix.size()));
}

// Writes one line to the simulator's control port 127.0.0.1:`port`; returns the answer line.
std::string Exchange(uint16_t port, const std::string& text) {
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    std::string line;
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        ::write(fd, text.data(), text.size()) == ssize_t(text.size())) {
        char c;
        while (::read(fd, &c, 1) == 1 && c != '\n') line += c;
    }
    ::close(fd);
    return line;
}

// A loopback port that was free a moment ago.
uint16_t FreePort() {
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
    ::close(fd);
    return ntohs(a.sin_port);
}

// Sends a packet to the TCP/IP server on 127.0.0.1:`port`; returns the reply up
// to its ";" (when `reply` is set), empty when nothing listens there.
std::string AskServer(uint16_t port, const std::string& packet, bool reply = true) {
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    timeval timeout{10, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    std::string answer;
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        ::write(fd, packet.data(), packet.size()) == ssize_t(packet.size()) && reply) {
        char c = 0;
        while (c != ';' && ::read(fd, &c, 1) == 1) answer += c;
    }
    ::close(fd);
    return answer;
}

// The year Orv's clock shows: the last number of the position block.
double YearOnServer(uint16_t port) {
    const std::string block = AskServer(port, "#25;");
    const auto comma = block.rfind(',');
    return comma == std::string::npos ? 0 : std::atof(block.c_str() + comma + 1);
}

// Polls until `done` holds or `seconds` have passed.
bool Eventually(const std::function<bool()>& done, double seconds) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

// The ExCom status query on `line`: three CR-terminated words once the poll
// runs (asked again every 200 ms for 10 s until they come).
std::string ExComStatus(orv::testing::PtyPair& line) {
    std::string reply;
    for (int i = 0; i < 50 && std::count(reply.begin(), reply.end(), '\r') < 3; ++i) {
        line.write("26\r");
        reply += line.read(64, 200);
    }
    return reply;
}

class OrvProgram : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("orv-program-" + std::to_string(::getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }
    fs::path dir_;
};

TEST_F(OrvProgram, BadOptionsGetOneLineAndExitCodeTwo) {
    for (const char* bad : {"--bogus", "--interface=laser", "--time-scale=0", "--tcp-port=70000", "--headless=1"}) {
        Program p = Start({bad}, dir_, "bad");
        EXPECT_EQ(WaitExit(p, 10), 2) << bad;
        std::string err = ReadAll(p.errFile);
        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    }
    Program help = Start({"--help"}, dir_, "help");
    EXPECT_EQ(WaitExit(help, 10), 0);
}

TEST_F(OrvProgram, ASecondCopyIsRefusedAndTheFirstStopsCleanlyOnSigterm) {
    Program first = Start({"--headless", "--time-scale=10"}, dir_, "first");
    // Wait until the first copy runs (its shut-down of the state machine's first command is done).
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    Program second = Start({"--headless"}, dir_, "second");
    EXPECT_EQ(WaitExit(second, 10), 1);
    EXPECT_NE(ReadAll(second.errFile).find("Orv is already running:"), std::string::npos);

    ::kill(first.pid, SIGTERM);
    EXPECT_EQ(WaitExit(first, 20), 0);
    std::string err = ReadAll(first.errFile);
    EXPECT_NE(err.find("Dome Off and Cancel All Motion"), std::string::npos) << err;
    EXPECT_NE(err.find("Turn Off Tracking"), std::string::npos) << err;
    EXPECT_NE(err.find("another copy asked"), std::string::npos) << err;

    // With the first copy gone, a new one may start.
    Program third = Start({"--headless", "--time-scale=10"}, dir_, "third");
    std::this_thread::sleep_for(std::chrono::milliseconds(1000));
    ::kill(third.pid, SIGINT);
    EXPECT_EQ(WaitExit(third, 20), 0);
}

TEST_F(OrvProgram, SighupDuringACloudCloseRunsTheShutDownAndWaitsForTheShutter) {
    Program p = Start({"--headless", "--time-scale=20", "--sim-control=0"}, dir_, "hup");
    const std::string started = WaitForText(p, "Simulator control on 127.0.0.1:", 10);
    const uint16_t sim = NumberAfter(started, "Simulator control on 127.0.0.1:");
    ASSERT_NE(sim, 0) << started;

    // Clouds: the dome is at home, so the shutter close starts at once. Once
    // its drive is on (bit 0x08 of 0xA89 low), let it run 10 s of the scaled
    // time, then hang up.
    ASSERT_EQ(Exchange(sim, "in 0x288 0x7F\n"), "ok");
    bool closing = false;
    for (int i = 0; i < 200 && !closing; ++i) {
        closing = (std::strtol(Exchange(sim, "out 0xA89\n").c_str(), nullptr, 16) & 0x08) == 0;
        if (!closing) std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ASSERT_TRUE(closing);
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    ::kill(p.pid, SIGHUP);

    EXPECT_EQ(WaitExit(p, 30), 0);
    const std::string err = ReadAll(p.errFile);
    EXPECT_NE(err.find("Action: Dome Off and Cancel All Motion"), std::string::npos) << err;
    EXPECT_NE(err.find("Action: Closing shutter: "), std::string::npos) << err;
    EXPECT_NE(err.find(" s left"), std::string::npos) << err;
    EXPECT_NE(err.find("Action: Turn Off Tracking"), std::string::npos) << err;
}

TEST_F(OrvProgram, TheEndOfItsTerminalClosesTheHeadlessProgram) {
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(master, 0);
    ASSERT_EQ(::grantpt(master), 0);
    ASSERT_EQ(::unlockpt(master), 0);
    const std::string terminal = ::ptsname(master);

    Program p;
    p.pid = ::fork();
    if (p.pid == 0) {
        // A session of its own whose controlling terminal this is not: no
        // SIGHUP comes when it ends, only the hang-up of its output.
        ::setsid();
        PrepareChild(dir_, dir_ / "interface.lock");
        const int fd = ::open(terminal.c_str(), O_RDWR | O_NOCTTY);
        for (int target : {0, 1, 2}) ::dup2(fd, target);
        ExecOrv({"--headless", "--time-scale=10"}, dir_);
    }
    // Read its terminal until the live status line shows, then hang up.
    std::string seen;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (seen.find("Code ") == std::string::npos && std::chrono::steady_clock::now() < deadline) {
        pollfd pfd{master, POLLIN, 0};
        char buffer[512];
        if (::poll(&pfd, 1, 100) == 1) {
            const ssize_t n = ::read(master, buffer, sizeof buffer);
            if (n > 0) seen.append(buffer, size_t(n));
        }
    }
    ASSERT_NE(seen.find("Code "), std::string::npos) << seen;
    ::close(master);
    EXPECT_EQ(WaitExit(p, 20), 0) << "closed the orderly way, not killed and not left running";
}

TEST_F(OrvProgram, TwoRunsOnTheInterfaceCannotBothStartWhoeverRunsThem) {
    const fs::path lock = dir_ / "interface.lock";   // stands in for /run/lock/orv-interface.lock
    const bool portDevice = fs::exists("/dev/port");
    if (!portDevice) {
        // A first run takes the lock (and creates its file) before it fails on the missing device.
        Program first = Start({"--headless", "--interface=hardware"}, dir_, "first", lock);
        EXPECT_EQ(WaitExit(first, 10), 1);
        EXPECT_NE(ReadAll(first.errFile).find("Cannot open IOPort"), std::string::npos);
        ASSERT_TRUE(fs::exists(lock));
    }

    // Another Orv holds the interface, as another user where the test may change user.
    const bool otherUser = ::geteuid() == 0;
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t holder = ::fork();
    if (holder == 0) {
        if (otherUser && (::setgid(65534) != 0 || ::setuid(65534) != 0)) ::_exit(1);
        int fd = ::open(lock.c_str(), O_RDONLY);
        if (fd < 0) fd = ::open(lock.c_str(), O_RDONLY | O_CREAT, 0644);
        const char ok = fd >= 0 && ::flock(fd, LOCK_EX) == 0 ? 'y' : 'n';
        [[maybe_unused]] auto n = ::write(ready[1], &ok, 1);
        ::pause();
        ::_exit(0);
    }
    char ok = 0;
    ASSERT_EQ(::read(ready[0], &ok, 1), 1);
    ASSERT_EQ(ok, 'y');

    Program second = Start({"--headless", "--interface=hardware"}, dir_, "second", lock);
    EXPECT_EQ(WaitExit(second, 10), 1);
    const std::string err = ReadAll(second.errFile);
    EXPECT_NE(err.find("Orv is already running: the interface is in use by process " + std::to_string(holder)),
              std::string::npos) << err;
    if (otherUser) {
        EXPECT_NE(err.find("user nobody"), std::string::npos) << err;
    }
    ::kill(holder, SIGKILL);
    ::waitpid(holder, nullptr, 0);
    ::close(ready[0]);
    ::close(ready[1]);

    // A lock that cannot be taken refuses the start as well.
    Program third = Start({"--headless", "--interface=hardware"}, dir_, "third", dir_ / "no-such-dir" / "x.lock");
    EXPECT_EQ(WaitExit(third, 10), 1);
    EXPECT_NE(ReadAll(third.errFile).find("Orv cannot take the interface lock"), std::string::npos);
}

// A FIFO under the data file's name used to hang the start for ever.
TEST_F(OrvProgram, AStateDataFileThatIsNoFileIsRefusedAndOrvRunsOnItsDefaults) {
    ASSERT_EQ(::mkfifo((dir_ / "WinOrv.DAT").c_str(), 0600), 0);
    Program p = Start({"--headless", "--time-scale=10"}, dir_, "fifo");
    const std::string err = WaitForText(p, "Using default parameters.", 10);
    EXPECT_NE(err.find("WinOrv.DAT cannot be read: not a regular file."), std::string::npos) << err;
    EXPECT_NE(err.find("These initialization files could not be loaded:"), std::string::npos) << err;
    ::kill(p.pid, SIGTERM);
    EXPECT_EQ(WaitExit(p, 20), 0);
}

TEST_F(OrvProgram, AnswersOnItsSerialLinesAndStopsAsUsualWithTheChannelsActive) {
    orv::testing::PtyPair pty, mncp;
    Program p = Start({"--headless", "--time-scale=10", "--excom=" + pty.path(), "--mncp=" + mncp.path()}, dir_,
                      "serial");
    // Both lines are open (and raw) once orv has said so.
    const std::string started = WaitForText(p, "MNCP channel on " + mncp.path(), 20);
    ASSERT_NE(started.find("ExCom channel on " + pty.path()), std::string::npos) << started;
    ASSERT_NE(started.find("MNCP channel on " + mncp.path()), std::string::npos) << started;
    const std::string reply = ExComStatus(pty);
    EXPECT_GE(std::count(reply.begin(), reply.end(), '\r'), 3) << reply;
    // A reset packet on the MNCP line gets the empty reply with sequence 0.
    const auto reset = *orv::BuildPacket(1, orv::MNCPReset, 0, "");
    const auto empty = *orv::BuildPacket(1, orv::MNCPReplyEmpty, 0, "");
    mncp.write(std::string(reset.begin(), reset.end()));
    EXPECT_EQ(mncp.read(empty.size()), std::string(empty.begin(), empty.end()));

    // The polls are blocked reading: the stop must not wait for them.
    const auto t0 = std::chrono::steady_clock::now();
    ::kill(p.pid, SIGTERM);
    EXPECT_EQ(WaitExit(p, 20), 0);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    EXPECT_LT(seconds, 10.0);
    EXPECT_NE(ReadAll(p.errFile).find("Turn Off Tracking"), std::string::npos);

    // A line that cannot be opened is reported; orv runs on without the channel.
    Program q = Start({"--headless", "--excom=/dev/orv-no-such-line"}, dir_, "noline");
    const std::string refused = WaitForText(q, "ExCom: Could not open /dev/orv-no-such-line", 20);
    EXPECT_NE(refused.find("ExCom: Could not open /dev/orv-no-such-line"), std::string::npos) << refused;
    std::this_thread::sleep_for(std::chrono::milliseconds(500));   // its signal handling is set up after the channels
    ::kill(q.pid, SIGTERM);
    EXPECT_EQ(WaitExit(q, 20), 0);
}

TEST_F(OrvProgram, TheDefaultsFileStartsTheServerAndOptionsWinForTheRun) {
    const uint16_t filePort = FreePort(), optionPort = FreePort();
    orv::testing::PtyPair excom;
    fs::create_directories(dir_ / "config" / "orv");
    // The ExCom line by its device path (the ordinal stays for older tools); the
    // clock synchronisation every 20 s of the scaled clock, 2 s of real time.
    std::ofstream(dir_ / "config" / "orv" / "WinOrv.ini")
        << "[ExComRS232]\r\nPort=0\r\nMode=1\r\nDevice=" << excom.path() << "\r\n[TCPIPServer]\r\nPort=" << filePort
        << "\r\nMode=2\r\n[TimeUpdate]\r\nInterval=20000\r\nEnabled=1\r\n";

    Program fromFile = Start({"--headless", "--time-scale=10"}, dir_, "file");
    const std::string started = WaitForText(fromFile, "listening on port", 15);
    EXPECT_EQ(NumberAfter(started, "listening on port "), filePort);
    EXPECT_NE(started.find("ExCom channel on " + excom.path()), std::string::npos) << started;
    const std::string status = ExComStatus(excom);
    EXPECT_EQ(std::count(status.begin(), status.end(), '\r'), 3) << status;
    // A date set by hand gives way to the PC clock's at the next synchronisation.
    AskServer(filePort, "#1,2000,1,1,0;", false);
    EXPECT_TRUE(Eventually([&] { return YearOnServer(filePort) < 2001; }, 10));
    EXPECT_TRUE(Eventually([&] { return YearOnServer(filePort) > 2020; }, 15));
    ::kill(fromFile.pid, SIGTERM);
    EXPECT_EQ(WaitExit(fromFile, 20), 0);

    // ExCom mode 2 keeps the line closed: only 1 opens it.
    std::ofstream(dir_ / "config" / "orv" / "WinOrv.ini")
        << "[ExComRS232]\r\nMode=2\r\nDevice=" << excom.path() << "\r\n[TCPIPServer]\r\nPort=" << filePort
        << "\r\nMode=2\r\n";
    Program withOption =
        Start({"--headless", "--time-scale=10", "--tcp-port=" + std::to_string(optionPort)}, dir_, "option");
    const std::string noted = WaitForText(withOption, "listening on port", 15);
    EXPECT_EQ(NumberAfter(noted, "listening on port "), optionPort);
    EXPECT_EQ(noted.find("ExCom channel on"), std::string::npos) << noted;
    EXPECT_EQ(AskServer(filePort, "#26;"), "");
    excom.write("26\r");
    EXPECT_EQ(excom.read(1, 1000), "");
    // The note comes before the program watches for signals.
    std::this_thread::sleep_for(std::chrono::milliseconds(1000));
    ::kill(withOption.pid, SIGTERM);
    EXPECT_EQ(WaitExit(withOption, 20), 0);
}

TEST_F(OrvProgram, TheSimulatedKAVAnswersWithoutAnyKAVOption) {
    orv::testing::PtyPair pty;
    Program p = Start({"--headless", "--time-scale=4", "--excom=" + pty.path()}, dir_, "kav");
    // Once the channel answers: until Orv has opened its line the terminal echoes
    // what is sent, and only the position block has decimal points...
    std::string reply;
    for (int i = 0; i < 50 && reply.find('.') == std::string::npos; ++i) {
        pty.write("25\r");
        reply += pty.read(64, 200);
    }
    ASSERT_NE(reply.find('.'), std::string::npos) << reply;
    // (the echoed requests wait in the line and are answered too)
    while (!pty.readFor(500).empty()) {
    }
    // ...the four devices are where the instrument rests at power-up; the mirror is not yet known.
    pty.write("43\r");
    reply = pty.read(12, 5000);
    EXPECT_EQ(reply, "1\r1\r-9999\r1\r");
    ::kill(p.pid, SIGTERM);
    EXPECT_EQ(WaitExit(p, 20), 0);
    EXPECT_NE(ReadAll(p.errFile).find("KAV line on the simulated KAV"), std::string::npos) << ReadAll(p.errFile);
}

TEST_F(OrvProgram, WinOrvIniOpensTheKAVLineAndKavWinsForTheRun) {
    orv::testing::PtyPair fileLine, optionLine;
    const uint16_t port = FreePort();
    fs::create_directories(dir_ / "config" / "orv");
    std::ofstream(dir_ / "config" / "orv" / "WinOrv.ini")
        << "[KAVControlRS232]\r\nPort=0\r\nMode=1\r\nDevice=" << fileLine.path() << "\r\n";
    // A host's port query begins with the attention byte on the line in use.
    auto attentionOn = [&](orv::testing::PtyPair& line) {
        AskServer(port, "#54;", false);
        return line.read(1, 3000) == "\xF5";
    };

    Program fromFile = Start({"--headless", "--tcp-port=" + std::to_string(port)}, dir_, "file");
    const std::string noted = WaitForText(fromFile, "KAV line on", 15);
    EXPECT_NE(noted.find("KAV line on " + fileLine.path()), std::string::npos) << noted;
    EXPECT_TRUE(attentionOn(fileLine));
    ::kill(fromFile.pid, SIGTERM);
    EXPECT_EQ(WaitExit(fromFile, 20), 0);
    fileLine.readFor(100);   // a retry sent while the program shut down

    Program withOption =
        Start({"--headless", "--tcp-port=" + std::to_string(port), "--kav=" + optionLine.path()}, dir_, "option");
    const std::string chosen = WaitForText(withOption, "KAV line on", 15);
    EXPECT_NE(chosen.find("KAV line on " + optionLine.path()), std::string::npos) << chosen;
    EXPECT_TRUE(attentionOn(optionLine));
    EXPECT_EQ(fileLine.readFor(300), "");
    ::kill(withOption.pid, SIGTERM);
    EXPECT_EQ(WaitExit(withOption, 20), 0);
}

TEST_F(OrvProgram, HardwareWithoutThePortDeviceFailsWithAClearMessage) {
    if (::geteuid() == 0 && fs::exists("/dev/port")) GTEST_SKIP() << "root can open /dev/port here";
    Program p = Start({"--headless", "--interface=hardware"}, dir_, "hw");
    EXPECT_EQ(WaitExit(p, 10), 1);
    EXPECT_NE(ReadAll(p.errFile).find("Cannot open IOPort"), std::string::npos);
}

}  // namespace
