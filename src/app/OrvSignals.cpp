#include "app/OrvSignals.h"

#include <sys/socket.h>
#include <unistd.h>

#include <csignal>
#include <stdexcept>

namespace orv::app {

namespace {

// Written by the signal handler, read by the notifier: one pair per process.
int signalPipe[2] = {-1, -1};

void OnSignal(int) {
    char byte = 1;
    [[maybe_unused]] auto n = ::write(signalPipe[1], &byte, 1);
}

}  // namespace

SignalWatcher::SignalWatcher(std::function<void()> onSignal) : onSignal_(std::move(onSignal)) {
    if (signalPipe[0] < 0 && ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalPipe) != 0)
        throw std::runtime_error("cannot create the signal socket pair");
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);
    struct sigaction hangup {};
    hupIgnored_ = ::sigaction(SIGHUP, nullptr, &hangup) == 0 && hangup.sa_handler == SIG_IGN;
    if (!hupIgnored_) ::sigaction(SIGHUP, &action, nullptr);
    notifier_ = std::make_unique<QSocketNotifier>(signalPipe[0], QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] {
        char byte;
        [[maybe_unused]] auto n = ::read(signalPipe[0], &byte, 1);
        if (onSignal_) onSignal_();
    });
}

SignalWatcher::~SignalWatcher() {
    struct sigaction action {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);
    if (!hupIgnored_) ::sigaction(SIGHUP, &action, nullptr);
}

}  // namespace orv::app
