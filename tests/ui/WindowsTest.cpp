#include <gtest/gtest.h>

#include <QGroupBox>
#include <QLabel>
#include <QProgressBar>
#include <QTimer>
#include <atomic>
#include <stdexcept>
#include <string>
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
    EXPECT_GT(QFileInfo(test::SaveScreenshot(window, "statuslog")).size(), 0);
    ApplyColourScheme(window, true);
    EXPECT_GT(QFileInfo(test::SaveScreenshot(window, "statuslog-night")).size(), 0);
}

TEST(AboutBoxTest, NameDescriptionAndVersionFromTheProgramFile) {
    TAboutDlg about(nullptr, QString(ORV_SCREENSHOT_DIR) + "/../CMakeCache.txt");
    EXPECT_EQ(about.windowTitle(), "About Orv");
    EXPECT_TRUE(about.isModal());
    EXPECT_FALSE(about.windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_TRUE(HasLabel(about, "Orv"));
    EXPECT_TRUE(HasLabel(about, "Telescope Control System"));
    EXPECT_TRUE(about.versionLine().startsWith("Version 0.")) << about.versionLine().toStdString();
    EXPECT_GT(QFileInfo(test::SaveScreenshot(about, "about")).size(), 0);
}

// The real sequence on a system whose clock runs 20 times fast: 5.5 s become
// about 0.3 s, during which the window's thread keeps serving its timers.
TEST(ShutDownWindowTest, RunsTheSequenceWithoutFreezingTheEventLoop) {
    RealClock clock(20.0);
    RecordingBus bus;
    System system(clock, bus, SystemOptions{".", false});
    system.state.DomeOn = 1;

    TShutDownDlg window;
    EXPECT_EQ(window.windowTitle(), "Telescope Shut Down");
    EXPECT_TRUE(HasLabel(window, "Telescope Is Shutting Down "));
    EXPECT_TRUE(HasLabel(window, "Please Wait"));

    std::vector<std::pair<int, QString>> steps;  // bar position and the action beside it
    QObject::connect(window.progressBar(), &QProgressBar::valueChanged,
                     [&](int value) { steps.emplace_back(value, window.actionLabel()->text()); });
    int ticks = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        ++ticks;
        if (window.progressBar()->value() == 3 && !QFileInfo::exists(QString(ORV_SCREENSHOT_DIR) + "/shutdown.png"))
            test::SaveScreenshot(window, "shutdown");
    });
    ticker.start(5);

    QFile::remove(QString(ORV_SCREENSHOT_DIR) + "/shutdown.png");
    EXPECT_TRUE(window.runWithoutFreezing([&](ShutDownDisplay& display) { ShutDownTelescope(system, display); }));

    const QString domeOff = "Dome Off and Cancel All Motion", tracking = "Turn Off Tracking";
    const std::vector<std::pair<int, QString>> expected = {{1, domeOff}, {2, domeOff}, {3, domeOff},
                                                           {4, domeOff}, {5, domeOff}, {6, tracking}};
    EXPECT_EQ(steps, expected);
    EXPECT_EQ(window.progressBar()->maximum(), 6);
    EXPECT_FALSE(window.isVisible());
    EXPECT_GT(ticks, 10);
    EXPECT_EQ(system.state.DomeOn, 0);
    EXPECT_EQ(system.state.StateCode, 14);
    EXPECT_TRUE(QFileInfo::exists(QString(ORV_SCREENSHOT_DIR) + "/shutdown.png"));
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
