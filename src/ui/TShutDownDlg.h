#pragma once
// The "Telescope Shut Down" window, shown while the shut-down sequence runs
// at program exit: two labels, the six-step progress bar and the action in
// hand. The sequence itself runs on a worker thread so that the event loop
// (repaints, the TCP/IP server, timers) goes on during its 5.5 s; the
// display calls reach the window on its own thread.

#include <QDialog>
#include <deque>
#include <functional>
#include <mutex>
#include <string>

#include "control/ShutDown.h"

class QLabel;
class QProgressBar;

namespace orv::ui {

class TShutDownDlg : public QDialog, public ShutDownDisplay {
    Q_OBJECT
public:
    explicit TShutDownDlg(QWidget* parent = nullptr);

    // ShutDownDisplay, callable from any thread.
    void open(int maximum) override;
    void setAction(const std::string& text) override;
    void setProgress(int position) override;
    // Hides the window (QWidget::close is not used on this window).
    void close() override;

    // Runs `sequence` (normally ShutDownTelescope on the system) on a worker
    // thread while this thread's event loop keeps running, and returns when it
    // has ended; an exception it threw is thrown here. False, without running
    // it, when a sequence is already running.
    bool runWithoutFreezing(const std::function<void(ShutDownDisplay&)>& sequence);
    bool running() const { return running_; }

    QLabel* actionLabel() const { return action_; }
    QProgressBar* progressBar() const { return progress_; }

protected:
    // The operator cannot close the window while the telescope shuts down.
    void closeEvent(QCloseEvent* event) override;
    void reject() override {}

private:
    // Runs `change` on the window's thread: at once from it, else through the
    // mailbox, in order of calling.
    void onWindowThread(std::function<void()> change);
    void runMailbox();

    std::mutex mailboxLock_;
    std::deque<std::function<void()>> mailbox_;
    QObject* waker_;   // child: runs the mailbox on a wake-up

    QLabel* action_;
    QProgressBar* progress_;
    bool running_ = false;
};

}  // namespace orv::ui
