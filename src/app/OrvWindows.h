#pragma once
// The windowed front end of `orv`: the main window on the running system, the
// shut-down window, message boxes and the beep. Everything it shows is shown
// on the user-interface thread, whichever thread reports it.

#include <functional>
#include <memory>

#include "app/OrvRuntime.h"

namespace orv {
class OrvMainForm;
class DefaultsWindows;
}
namespace orv::ui {
class TForm1;
class TShutDownDlg;
class TKAVDlg;
}  // namespace orv::ui

namespace orv::app {

class Console;

// True when a display is there for the windows (X11 or Wayland).
bool DisplayAvailable();

class WindowFrontEnd final : public FrontEnd {
public:
    explicit WindowFrontEnd(Console& console);
    ~WindowFrontEnd() override;

    // Builds the main window on the started runtime and shows it. `onClose`
    // runs once the operator has confirmed closing the program.
    void show(OrvRuntime& runtime, std::function<void()> onClose);
    // A second copy asked for the window: brings it to the front.
    void bringForward();
    // The close sequence runs (the operator's closes are refused) / has run;
    // once it has, the windows bound to the runtime's channels are gone.
    void closing();
    void closed();
    ui::TForm1* window() { return window_.get(); }

    void showMessage(const std::string& text) override;
    void note(const std::string& text) override;
    void beep() override;
    void statusLogLines(const std::vector<std::string>& lines) override;
    ShutDownDisplay& shutDownDisplay() override;
    void runShutDown(const std::function<void(ShutDownDisplay&)>& sequence) override;
    void refreshed(const DisplayModel& display) override;

private:
    Console& console_;
    std::unique_ptr<OrvMainForm> form_;
    std::unique_ptr<ui::TForm1> window_;
    std::unique_ptr<DefaultsWindows> windowDefaults_;
    std::unique_ptr<ui::TShutDownDlg> shutDown_;
    ui::TKAVDlg* kavWindow_ = nullptr;   // a child of the main window
};

}  // namespace orv::app
