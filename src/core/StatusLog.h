#pragma once
// The status/error log: producers on any thread queue short messages (at most 10
// pending, the rest dropped); the display refresh moves them, on the user-interface
// thread, into the window's buffer, which keeps the last 100 lines.

#include <atomic>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

namespace orv {

class StatusLog {
public:
    static constexpr size_t MaxPending = 10;
    static constexpr size_t MaxLines = 100;

    // Queues `text` unless 10 texts are already pending; returns whether it was kept.
    bool AddLog(const std::string& text);
    // Queues a communication event while communication logging is on.
    void LogCommEvent(const std::string& text);
    void setCommLogging(bool on) { commLogging_ = on; }
    bool commLogging() const { return commLogging_.load(); }

    // Moves the pending texts into the window buffer, oldest first; returns them.
    std::vector<std::string> FlushLog();
    // The window buffer, oldest line first.
    std::vector<std::string> lines() const;

private:
    mutable std::mutex mutex_;
    std::vector<std::string> pending_;
    std::deque<std::string> lines_;
    std::atomic<bool> commLogging_{false};
};

}  // namespace orv
