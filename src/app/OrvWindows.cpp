#include "app/OrvWindows.h"

#include <QApplication>
#include <QMessageBox>
#include <cstdlib>

#include "app/OrvConsole.h"
#include "control/System.h"
#include "controllers/DisplayModel.h"
#include "controllers/OrvMainForm.h"
#include "controllers/OrvUserDefaults.h"
#include "ui/ChannelWindows.h"
#include "ui/ConsoleWindows.h"
#include "ui/MovementWindows.h"
#include "ui/TForm1.h"
#include "ui/TShutDownDlg.h"
#include "ui/TStatusLogDlg.h"
#include "ui/UiSupport.h"

namespace orv::app {

namespace {

constexpr const char* MessageCaption = "Orv";

bool Set(const char* name) {
    const char* value = std::getenv(name);
    return value && *value;
}

// Runs `work` on the user-interface thread: at once there, else queued to it.
void OnUiThread(std::function<void()> work) {
    QMetaObject::invokeMethod(qApp, std::move(work), Qt::AutoConnection);
}

// The main window's side of the operator's defaults: the night colours and its
// size and position.
class MainWindowDefaults final : public DefaultsWindows {
public:
    explicit MainWindowDefaults(ui::TForm1& window) : window_(window) {}
    bool NightColors() const override { return window_.nightColors(); }
    void SetNightColors(bool night) override { window_.setNightColors(night); }
    FormGeometry Form() const override { return {window_.width(), window_.height(), window_.x(), window_.y()}; }
    void SetForm(const FormGeometry& form) override {
        window_.resize(form.FormWidth, form.FormHeight);
        window_.move(form.LeftPos, form.TopPos);
    }

private:
    ui::TForm1& window_;
};

// What the main window offers the windows that join it.
ui::MainWindowHooks MainWindowHooksOf(ui::TForm1& window, OrvMainForm& form) {
    return {[&window](const std::string& item, std::function<void()> open) { window.attachDialog(item, std::move(open)); },
            [&window](QWidget& dialog) { window.followColourScheme(dialog); },
            [&form](std::function<bool()> question) { form.addCloseQuestion(std::move(question)); }};
}

// The Communications dialog on the runtime's channels and the system's log;
// the KAV window on the link, its labels kept with the operator's defaults.
ui::ChannelWindows AttachChannelWindows(OrvRuntime& runtime, ui::TForm1& window, const ui::MainWindowHooks& hooks) {
    OrvUserDefaults& defaults = runtime.userDefaults();
    return ui::AttachChannelWindows({runtime.channels(), runtime.system().log, &runtime.kav(), &runtime.clock(),
                                     {[&defaults] { return defaults.labels(); },
                                      [&defaults](const KAVLabels& labels) { defaults.setLabels(labels); }}},
                                    &window, &window.help(), hooks);
}

}  // namespace

bool DisplayAvailable() { return Set("DISPLAY") || Set("WAYLAND_DISPLAY"); }

WindowFrontEnd::WindowFrontEnd(Console& console)
    : console_(console), shutDown_(std::make_unique<ui::TShutDownDlg>()) {}

WindowFrontEnd::~WindowFrontEnd() = default;

void WindowFrontEnd::show(OrvRuntime& runtime, std::function<void()> onClose) {
    form_ = std::make_unique<OrvMainForm>(runtime.system().commander);
    window_ = std::make_unique<ui::TForm1>(*form_);
    window_->statusLog().showLog(runtime.system().log);
    ui::TForm1& window = *window_;
    OrvMainForm& form = *form_;
    ui::AttachMovementWindows(
        runtime.system(), &window, &window.help(),
        {[&window](const std::string& item, std::function<void()> open) { window.attachDialog(item, std::move(open)); },
         [&window](QWidget& dialog) { window.followColourScheme(dialog); },
         [&form](std::function<bool()> question) { form.addCloseQuestion(std::move(question)); }});
    ui::AttachConsoleWindows(runtime.system(), runtime.timeSetup(), runtime.pointsDlg(), &window, &window.help(),
                             MainWindowHooksOf(window, form));
    kavWindow_ = AttachChannelWindows(runtime, window, MainWindowHooksOf(window, form)).kav;
    window_->setOnCloseConfirmed(std::move(onClose));
    windowDefaults_ = std::make_unique<MainWindowDefaults>(*window_);
    runtime.userDefaults().setWindows(*windowDefaults_);
    window_->setUserDefaults(&runtime.userDefaults());
    window_->show();
    window_->activateWindow();
}

void WindowFrontEnd::bringForward() {
    if (!window_) return;
    if (window_->isMinimized()) window_->showNormal();
    window_->raise();
    window_->activateWindow();
}

void WindowFrontEnd::closing() {
    if (window_) window_->setClosing();
}

void WindowFrontEnd::closed() {
    if (window_) window_->setClosed();
    // Its model holds the runtime's KAV link, which goes before the windows.
    delete kavWindow_;
    kavWindow_ = nullptr;
}

void WindowFrontEnd::showMessage(const std::string& text) {
    OnUiThread([this, text = ui::ToQString(text)] {
        auto* box = new QMessageBox(QMessageBox::Warning, MessageCaption, text, QMessageBox::Ok, window_.get());
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->open();  // modal to the window, without a nested event loop
    });
}

void WindowFrontEnd::note(const std::string& text) { console_.line(text); }

void WindowFrontEnd::beep() {
    OnUiThread([] { QApplication::beep(); });
}

void WindowFrontEnd::statusLogLines(const std::vector<std::string>& lines) {
    if (window_) window_->statusLog().appendLines(lines);
}

ShutDownDisplay& WindowFrontEnd::shutDownDisplay() { return *shutDown_; }

void WindowFrontEnd::runShutDown(const std::function<void(ShutDownDisplay&)>& sequence) {
    // False (nothing run) only when a sequence already runs: never twice.
    shutDown_->runWithoutFreezing(sequence);
}

void WindowFrontEnd::refreshed(const DisplayModel& display) {
    if (window_) window_->showControls(display.controls());
}

}  // namespace orv::app
