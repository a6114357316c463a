#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QGroupBox>
#include <QLabel>
#include <QProgressBar>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "Screenshot.h"
#include "control/System.h"
#include "core/Clock.h"
#include "core/PortBus.h"
#include "core/StatusLog.h"
#include "ui/ColourSchemeApplier.h"
#include "ui/TAboutDlg.h"
#include "ui/TShutDownDlg.h"
#include "ui/TStatusLogDlg.h"

namespace orv::ui {
namespace {

std::vector<std::string> Numbered(int from, int to) {
    std::vector<std::string> lines;
    for (int i = from; i <= to; ++i) lines.push_back("message " + std::to_string(i));
    return lines;
}

bool HasLabel(const QWidget& window, const QString& text) {
    for (const QLabel* label : window.findChildren<QLabel*>())
        if (label->text() == text) return true;
    return false;
}

// The log as the display refresh drives it: producers add, each tick flushes into the window.
TEST(StatusLogWindowTest, ShowsWhatEachTickHandsOverUpToTheLastHundred) {
    StatusLog log;
    TStatusLogDlg window;
    EXPECT_EQ(window.windowTitle(), "Status/Error Log");
    EXPECT_TRUE(HasLabel(window, "Only Last 100 Items Displayed"));

    for (const auto& line : Numbered(1, 11)) log.AddLog(line);
    window.appendLines(log.FlushLog());
    EXPECT_EQ(window.shownLines(), Numbered(1, 10));

    TStatusLogDlg later;
    for (int n = 1; n <= 150;) {
        for (int i = 0; i < 10 && n <= 150; ++i) log.AddLog("message " + std::to_string(n++));
        later.appendLines(log.FlushLog());
    }
    EXPECT_EQ(later.shownLines(), Numbered(51, 150));
    // A window opened afterwards shows the log's own buffer, the same lines.
    TStatusLogDlg opened;
    opened.showLog(log);
    EXPECT_EQ(opened.shownLines(), Numbered(51, 150));
}

TEST(StatusLogWindowTest, Renders) {
    TStatusLogDlg window;
    window.appendLines({"TCP/IP: client connected from 127.0.0.1", "TCP/IP Packet: #6,10.5,-20.25,2000;",
                        "TCP/IP Packet: #12;", "MNCP error: bad check bytes", "KAV: Axis=1 ADU=2748",
                        "TCP/IP: client disconnected"});
    EXPECT_TRUE(test::SaveScreenshot(window, "statuslog"));
    ApplyColourScheme(window, true);
    EXPECT_TRUE(test::SaveScreenshot(window, "statuslog-night"));
}

TEST(AboutBoxTest, NameDescriptionAndVersionFromTheProgramFile) {
    TAboutDlg about(nullptr, QCoreApplication::applicationFilePath());   // this test program
    EXPECT_EQ(about.windowTitle(), "About Orv");
    EXPECT_TRUE(about.isModal());
    EXPECT_FALSE(about.windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_TRUE(HasLabel(about, "Orv"));
    EXPECT_TRUE(HasLabel(about, "Telescope Control System"));
    EXPECT_TRUE(about.versionLine().startsWith("Version 0.")) << about.versionLine().toStdString();
    EXPECT_TRUE(test::SaveScreenshot(about, "about"));
}

// The real sequence on a system whose clock runs 10 times fast (5.5 s become 0.55 s).
TEST(ShutDownWindowTest, ShowsBothActionsAndSixStepsOfTheSequence) {
    RealClock clock(10.0);
    RecordingBus bus;
    System system(clock, bus, SystemOptions{".", false});
    system.state.DomeOn = 1;

    TShutDownDlg window;
    EXPECT_EQ(window.windowTitle(), "Telescope Shut Down");
    EXPECT_TRUE(HasLabel(window, "Telescope Is Shutting Down "));
    EXPECT_TRUE(HasLabel(window, "Please Wait"));

    std::vector<std::pair<int, QString>> steps;  // bar position and the action beside it
    bool pictured = false;                       // rendered half-way, while the sequence runs
    QObject::connect(window.progressBar(), &QProgressBar::valueChanged, [&](int value) {
        steps.emplace_back(value, window.actionLabel()->text());
        if (value == 3) pictured = test::SaveScreenshot(window, "shutdown");
    });

    EXPECT_TRUE(window.runWithoutFreezing([&](ShutDownDisplay& display) { ShutDownTelescope(system, display); }));

    const QString domeOff = "Dome Off and Cancel All Motion", tracking = "Turn Off Tracking";
    const std::vector<std::pair<int, QString>> expected = {{1, domeOff}, {2, domeOff}, {3, domeOff},
                                                           {4, domeOff}, {5, domeOff}, {6, tracking}};
    EXPECT_EQ(steps, expected);
    EXPECT_EQ(window.progressBar()->maximum(), 6);
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(system.state.DomeOn, 0);
    // No state machine runs here: the stop stays unread, the tracking-off waits behind it.
    EXPECT_EQ(system.state.StateCode, 13);
    EXPECT_EQ(system.state.StopRequest, 1);
    EXPECT_TRUE(pictured);
}

// A sequence that goes on only once this thread's timers have run: were the
// window's thread blocked for the sequence, the wait would end without them.
TEST(ShutDownWindowTest, TheEventLoopRunsWhileTheSequenceWaits) {
    TShutDownDlg window;
    std::atomic<int> ticks{0};
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
    ticker.start(5);

    bool sawTicks = false;
    EXPECT_TRUE(window.runWithoutFreezing([&](ShutDownDisplay& display) {
        display.open(ShutDownSteps);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (ticks < 5 && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        sawTicks = ticks >= 5;
        display.close();
    }));
    EXPECT_TRUE(sawTicks);
    EXPECT_FALSE(window.isVisible());
}

TEST(ShutDownWindowTest, AFailingSequenceStillEndsTheWaitAndReportsTheFailure) {
    TShutDownDlg window;
    EXPECT_THROW(window.runWithoutFreezing([](ShutDownDisplay& display) {
        display.open(6);
        throw std::runtime_error("port write failed");
    }),
                 std::runtime_error);
    EXPECT_FALSE(window.running());
}

}  // namespace
}  // namespace orv::ui
