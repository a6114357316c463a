#include "app/OrvMain.h"

#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <iostream>
#include <memory>

#include "app/OrvConsole.h"
#include "app/OrvOptions.h"
#include "app/OrvRuntime.h"
#include "app/OrvSignals.h"
#include "app/OrvSingleInstance.h"
#include "app/OrvTerminalWatch.h"
#include "app/OrvWindows.h"
#include "control/ShutDown.h"
#include "controllers/DisplayModel.h"
#include "controllers/HeadlessStatus.h"

#ifndef ORV_VERSION
#define ORV_VERSION "0"
#endif

namespace orv::app {

namespace {

constexpr const char* ApplicationTitle = "Zev - Telescope Control System";
constexpr int StatusLineEveryTicks = 5;   // the live status line every 250 ms
constexpr int TerminalCheckMs = 500;      // how often the headless program looks at its terminal

// The headless front end: messages, status-log lines and the shut-down on the
// terminal, a live status line below them.
class HeadlessFrontEnd final : public FrontEnd {
public:
    explicit HeadlessFrontEnd(Console& console) : console_(console) {}
    // Time stamps come from the system's clock, which runs scaled on the simulator.
    void setClock(const Clock& clock) { clock_ = &clock; }

    void showMessage(const std::string& text) override {
        std::string flat;
        for (char c : text)
            if (c != '\r') flat += c;
        console_.line(flat);
    }
    void note(const std::string& text) override { console_.line(text); }
    void beep() override { console_.line(TimestampedLogLine(clock_->utcMs(), "Beep")); }
    void statusLogLines(const std::vector<std::string>& lines) override {
        for (const auto& text : lines) console_.line(TimestampedLogLine(clock_->utcMs(), text));
    }
    ShutDownDisplay& shutDownDisplay() override {
        console_.clearStatus();
        return shutDown_;
    }
    void refreshed(const DisplayModel& display) override {
        if (++ticks_ % StatusLineEveryTicks == 0) console_.status(HeadlessStatusLine(display.controls()));
    }

private:
    Console& console_;
    const Clock* clock_ = nullptr;
    StreamShutDownDisplay shutDown_{std::cerr};
    int ticks_ = 0;
};

}  // namespace

int RunOrv(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    std::string error;
    auto options = ParseOrvOptions(args, error);
    if (!options) {
        std::cerr << error << "\n";
        return 2;
    }
    if (options->help) {
        std::cout << OrvUsage();
        return 0;
    }
    if (options->version) {
        std::cout << "orv " << ORV_VERSION << "\n";
        return 0;
    }

    // Windows when there is a display to show them on, else the same system headless.
    const bool windowed = !options->headless && DisplayAvailable();
    std::unique_ptr<QCoreApplication> app;
    if (windowed) app = std::make_unique<QApplication>(argc, argv);
    else app = std::make_unique<QCoreApplication>(argc, argv);
    QCoreApplication::setApplicationName(ApplicationTitle);
    Console console;

    SingleInstance instance;
    if (!instance.acquire()) {
        console.line("Orv is already running:");
        instance.askFirstCopyForward();
        return 1;
    }
    if (!options->headless && !windowed) console.line("orv: no display (DISPLAY, WAYLAND_DISPLAY); running headless");

    HeadlessFrontEnd headless(console);
    std::unique_ptr<WindowFrontEnd> windows;
    if (windowed) windows = std::make_unique<WindowFrontEnd>(console);
    FrontEnd& frontEnd = windows ? static_cast<FrontEnd&>(*windows) : headless;
    OrvRuntime runtime(*options, frontEnd);
    headless.setClock(runtime.clock());

    // The operator's close (windows), SIGINT / SIGTERM / SIGHUP, and the end
    // of the terminal: the shut-down sequence, then the stop sequence. The
    // signals are caught before the start, so a stop that comes while Orv starts
    // up waits and is served as soon as the event loop runs, with everything started.
    auto closeOrv = [&] {
        if (runtime.closed()) return;
        if (windows) windows->closing();
        runtime.close();
        if (windows) windows->closed();
        QCoreApplication::quit();
    };
    SignalWatcher signalWatcher(closeOrv);

    if (auto failure = runtime.start()) {
        console.line(*failure);
        if (windowed) QMessageBox::critical(nullptr, "Orv", QString::fromStdString(*failure));
        return 1;
    }

    if (windows) {
        windows->show(runtime, closeOrv);
        instance.listen([&] { windows->bringForward(); });
    } else {
        instance.listen([&console] { console.line("Orv is already running: another copy asked this one to come forward."); });
    }

    TerminalWatch terminal;
    QTimer terminalTimer;
    QObject::connect(&terminalTimer, &QTimer::timeout, [&] {
        if (terminal.ended()) closeOrv();
    });
    if (terminal.watching()) terminalTimer.start(TerminalCheckMs);

    int rc = app->exec();
    console.clearStatus();
    runtime.close();
    if (windows) windows->closed();
    return rc;
}

}  // namespace orv::app
