// orvctl: a small client of Orv's TCP/IP command server, and a host of the
// serial protocols, for scripts and for operators at a shell. See `orvctl --help`.

#include <chrono>
#include <cstdio>
#include <functional>
#include <iostream>
#include <string>
#include <thread>
#include <vector>

#include <QCoreApplication>

#include "app/CtlConnection.h"
#include "astro/TextFormats.h"
#include "comm/CtlClient.h"
#include "comm/SerialHost.h"
#include "comm/serial/CommPort.h"

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
            // A KAV text has no end mark: it comes once the instrument has
            // answered, then take what comes until the line is quiet.
            const std::string text = c.readUntilQuiet(UnansweredListenMs, true);
            if (text.empty()) throw CtlFailure{ExitTimeout, "no KAV reply from " + c.peer() + " within the time-out"};
            std::cout << KavLines(text);
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

// Values of a query by its code, on whichever line orvctl speaks.
using Query = std::function<std::vector<double>(int code)>;

int RunWait(const Query& query, const std::string& peer, int waitTimeoutS) {
    using Steady = std::chrono::steady_clock;
    const auto start = Steady::now();
    const auto deadline = start + std::chrono::seconds(waitTimeoutS);
    bool sawSlewing = false;
    for (;;) {
        const auto words = query(26);
        const auto status = StatusFromValues(words);
        if (!status)
            throw CtlFailure{ExitMalformed, "malformed status block from " + peer + ": " +
                                                std::to_string(words.size()) + " values"};
        if (IsSlewing(*status)) {
            sawSlewing = true;
            const auto v = query(29);
            const auto f = FullFromValues(v);
            if (!f)
                throw CtlFailure{ExitMalformed, "malformed full block from " + peer + ": " +
                                                    std::to_string(v.size()) + " values"};
            std::cout << SlewProgressLine(DistanceToTarget(*f)) << std::endl;
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

// The line of --excom or --mncp, opened as orvctl's own: a pseudo-terminal or
// an adapter that another program holds is refused.
void OpenLine(TCommPort& port, const std::string& device, unsigned baud) {
    port.SetDevice(device);
    port.BaudRate = -1;
    for (int ordinal = tbr110; ordinal <= tbr115200; ++ordinal)
        if (BaudRateValue(ordinal) == baud) port.BaudRate = ordinal;
    if (port.BaudRate < 0) throw CtlFailure{ExitUsage, "no such line speed: " + std::to_string(baud)};
    try {
        port.OpenPort();
    } catch (const std::exception& e) {
        throw CtlFailure{ExitConnect, e.what()};
    }
    if (!port.PortActive()) throw CtlFailure{ExitConnect, "no line: " + device};
}

CtlFailure FailureOf(const SerialHostError& e) {
    switch (e.kind) {
    case SerialHostError::Timeout: return {ExitTimeout, e.what()};
    case SerialHostError::Malformed: return {ExitMalformed, e.what()};
    default: return {ExitConnect, e.what()};
    }
}

int RunExCom(const CtlArgs& a) {
    TCommPort port;
    OpenLine(port, a.excomDevice, a.baud);
    ExComHost host(port, a.timeoutMs);
    const std::string peer = port.PortName();
    try {
        if (a.command == "raw") {
            std::string text = a.args[0];
            if (text.empty() || (text.back() != '\r' && text.back() != '\n')) text += '\r';
            // A query answers within the time-out; a command gets a short listen.
            const int code = int(ScanNumber(text));
            const int first = ExComReplyLineCount(code) != 0 ? a.timeoutMs : UnansweredListenMs;
            std::cout << KavLines(host.raw(text, first, UnansweredListenMs));
        } else if (a.command == "position") {
            const auto v = host.query(25);
            std::cout << FormatPosition(*PositionFromValues(v));
        } else if (a.command == "status") {
            std::cout << FormatStatus(*StatusFromValues(host.query(26)));
        } else if (a.command == "target") {
            std::string error;
            const auto t = TargetFromArgs(a.args, error);
            if (!t) throw CtlFailure{ExitUsage, error};
            host.command(6, {t->ra, t->dec, t->epoch.value_or(0.0)});
        } else if (a.command == "slew") {
            host.command(12);
        } else if (a.command == "stop") {
            host.command(13);
        } else if (a.command == "wait") {
            return RunWait([&host](int code) { return host.query(code); }, peer, a.waitTimeoutS);
        }
    } catch (const SerialHostError& e) {
        throw FailureOf(e);
    }
    return ExitOk;
}

// One MNCP command: a reset first, so that the device takes the command's
// sequence number for a new one whatever an earlier host used.
int RunMNCP(const CtlArgs& a) {
    TCommPort port;
    OpenLine(port, a.mncpDevice, a.baud);
    MNCPHost host(port, a.timeoutMs, a.retries);
    std::string reply;
    try {
        host.reset();
        reply = host.command(a.mncpText);
    } catch (const SerialHostError& e) {
        throw FailureOf(e);
    }
    if (reply.size() >= 2 && reply.compare(reply.size() - 2, 2, "\r\n") == 0) reply.resize(reply.size() - 2);
    if (!reply.empty()) std::cout << reply << "\n";
    return reply.rfind("error", 0) == 0 ? ExitRefused : ExitOk;
}

int Run(const CtlArgs& a) {
    if (!a.excomDevice.empty()) return RunExCom(a);
    if (!a.mncpDevice.empty()) return RunMNCP(a);
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
        status = RunWait([&c](int code) { return QueryValues(c, "#" + std::to_string(code) + ";"); }, c.peer(),
                         a.waitTimeoutS);
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
