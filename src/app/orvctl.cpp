// orvctl: a small client of Orv's TCP/IP command server for scripts and for
// operators at a shell. See `orvctl --help`.

#include <chrono>
#include <cstdio>
#include <iostream>
#include <string>
#include <thread>
#include <vector>

#include <QCoreApplication>

#include "app/CtlConnection.h"
#include "comm/CtlClient.h"

namespace orv::ctl {
namespace {

// How long `wait` looks for a slew that has been asked for but not begun, ms:
// the state machine takes a command within 100 ms.
constexpr int SlewStartGraceMs = 1500;
// Between two looks at the status while slewing, ms.
constexpr int WaitPollMs = 500;
// How long `raw` listens for an answer to packets that have none, ms.
constexpr int UnansweredListenMs = 300;

std::vector<double> QueryValues(CtlConnection& c, const std::string& packet) {
    c.send(packet);
    const std::string reply = c.readPacket();
    auto values = ParseReplyPacket(reply);
    if (!values) throw CtlFailure{ExitMalformed, "malformed reply from " + c.peer() + ": '" + reply + "'"};
    return *values;
}

template <class T>
T Decode(const std::optional<T>& decoded, CtlConnection& c, const std::string& what, size_t got) {
    if (!decoded)
        throw CtlFailure{ExitMalformed, "malformed " + what + " from " + c.peer() + ": " +
                                            std::to_string(got) + " values"};
    return *decoded;
}

StatusWords QueryStatus(CtlConnection& c) {
    const auto v = QueryValues(c, "#26;");
    return Decode(StatusFromValues(v), c, "status block", v.size());
}

// CR-separated KAV lines, shown one per line.
std::string KavLines(std::string text) {
    for (char& ch : text)
        if (ch == '\r') ch = '\n';
    if (!text.empty() && text.back() != '\n') text += '\n';
    return text;
}

int RunRaw(CtlConnection& c, const std::string& text) {
    const std::vector<int> codes = PacketCodes(text);
    if (codes.empty())
        throw CtlFailure{ExitUsage, "raw: no complete packet ('#...;') in '" + text + "'"};
    c.send(text);
    bool answered = false;
    for (int code : codes) {
        if (CodeHasPacketReply(code)) {
            std::cout << c.readPacket() << "\n";
            answered = true;
        } else if (CodeHasReply(code)) {
            // A KAV text has no end mark: take what comes until the line is quiet.
            std::cout << KavLines(c.readUntilQuiet(UnansweredListenMs));
            answered = true;
            break;
        }
    }
    if (!answered) {
        const std::string extra = c.readUntilQuiet(UnansweredListenMs);
        if (!extra.empty()) std::cout << extra << "\n";
    }
    return ExitOk;
}

int RunWait(CtlConnection& c, int waitTimeoutS) {
    using Steady = std::chrono::steady_clock;
    const auto start = Steady::now();
    const auto deadline = start + std::chrono::seconds(waitTimeoutS);
    bool sawSlewing = false;
    for (;;) {
        const StatusWords s = QueryStatus(c);
        if (IsSlewing(s)) {
            sawSlewing = true;
            const auto v = QueryValues(c, "#29;");
            const FullBlock f = Decode(FullFromValues(v), c, "full block", v.size());
            std::cout << SlewProgressLine(DistanceToTarget(f)) << std::endl;
        } else if (sawSlewing || Steady::now() - start > std::chrono::milliseconds(SlewStartGraceMs)) {
            break;
        }
        if (Steady::now() > deadline)
            throw CtlFailure{ExitWaitTimeout, "still slewing after " + std::to_string(waitTimeoutS) + " s"};
        std::this_thread::sleep_for(std::chrono::milliseconds(sawSlewing ? WaitPollMs : 100));
    }
    std::cout << (sawSlewing ? "Slew finished" : "Not slewing") << std::endl;
    return ExitOk;
}

int Run(const CtlArgs& a) {
    CtlConnection c(a.host, a.port, a.timeoutMs);
    std::string targetPacket;
    if (a.command == "target") {
        std::string error;
        const auto packet = TargetPacketFromArgs(a.args, error);
        if (!packet) throw CtlFailure{ExitUsage, error};
        targetPacket = *packet;
    }
    c.connect();
    int status = ExitOk;
    if (a.command == "raw") {
        status = RunRaw(c, a.args[0]);
    } else if (a.command == "position") {
        const auto v = QueryValues(c, "#25;");
        std::cout << FormatPosition(Decode(PositionFromValues(v), c, "position block", v.size()));
    } else if (a.command == "status") {
        std::cout << FormatStatus(QueryStatus(c));
    } else if (a.command == "target") {
        c.send(targetPacket);
    } else if (a.command == "slew") {
        c.send("#12;");
    } else if (a.command == "stop") {
        c.send("#13;");
    } else if (a.command == "wait") {
        status = RunWait(c, a.waitTimeoutS);
    }
    c.close();
    return status;
}

}  // namespace
}  // namespace orv::ctl

int main(int argc, char** argv) {
    using namespace orv::ctl;
    const auto parsed = ParseCtlArgs(std::vector<std::string>(argv + 1, argv + argc));
    if (const auto* error = std::get_if<std::string>(&parsed)) {
        std::cerr << "orvctl: " << *error << "\n";
        return ExitUsage;
    }
    const CtlArgs& args = std::get<CtlArgs>(parsed);
    if (args.help) {
        std::cout << CtlUsage();
        return ExitOk;
    }
    QCoreApplication app(argc, argv);
    try {
        return Run(args);
    } catch (const CtlFailure& failure) {
        std::cout.flush();
        std::cerr << "orvctl: " << failure.message << "\n";
        return failure.status;
    }
}
