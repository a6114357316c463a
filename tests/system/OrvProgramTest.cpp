// The orv executable as an operator starts it: options, one copy per user, and a
// clean stop on SIGTERM.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

namespace {

namespace fs = std::filesystem;

struct Program {
    pid_t pid = -1;
    fs::path errFile;
};

// Starts orv with `args`, its runtime directory in `runtimeDir`, stderr into a file.
Program Start(const std::vector<std::string>& args, const fs::path& runtimeDir, const std::string& tag) {
    Program p;
    p.errFile = runtimeDir / (tag + ".err");
    p.pid = ::fork();
    if (p.pid == 0) {
        ::setenv("XDG_RUNTIME_DIR", runtimeDir.c_str(), 1);
        FILE* err = std::freopen(p.errFile.c_str(), "w", stderr);
        FILE* out = std::freopen("/dev/null", "w", stdout);
        (void)err;
        (void)out;
        std::vector<char*> argv;
        std::string binary = ORV_BINARY;
        argv.push_back(binary.data());
        std::vector<std::string> copy = args;
        for (auto& a : copy) argv.push_back(a.data());
        argv.push_back(nullptr);
        ::chdir(runtimeDir.c_str());
        ::execv(binary.c_str(), argv.data());
        ::_exit(127);
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

TEST_F(OrvProgram, HardwareWithoutThePortDeviceFailsWithAClearMessage) {
    if (::geteuid() == 0 && fs::exists("/dev/port")) GTEST_SKIP() << "root can open /dev/port here";
    Program p = Start({"--headless", "--interface=hardware"}, dir_, "hw");
    EXPECT_EQ(WaitExit(p, 10), 1);
    EXPECT_NE(ReadAll(p.errFile).find("Cannot open IOPort"), std::string::npos);
}

}  // namespace
