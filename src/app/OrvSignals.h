#pragma once
// Turns the signals that end the program (SIGINT, SIGTERM, and SIGHUP: a dropped
// SSH session) into a call on the main event loop, where the close sequence can
// run; the handler itself only writes one byte to a socket pair. A SIGHUP that
// was ignored when Orv started (`nohup orv`) stays ignored: the operator asked
// for Orv to outlive its terminal.

#include <QSocketNotifier>
#include <functional>
#include <memory>

namespace orv::app {

class SignalWatcher {
public:
    // Installs the handlers; `onSignal` runs on the event loop, once per signal.
    explicit SignalWatcher(std::function<void()> onSignal);
    ~SignalWatcher();
    SignalWatcher(const SignalWatcher&) = delete;
    SignalWatcher& operator=(const SignalWatcher&) = delete;

private:
    std::unique_ptr<QSocketNotifier> notifier_;
    std::function<void()> onSignal_;
    bool hupIgnored_ = false;
};

}  // namespace orv::app
