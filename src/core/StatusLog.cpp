#include "core/StatusLog.h"

namespace orv {

bool StatusLog::AddLog(const std::string& text) {
    std::lock_guard lock(mutex_);
    if (pending_.size() >= MaxPending) return false;
    pending_.push_back(text);
    return true;
}

void StatusLog::LogCommEvent(const std::string& text) {
    if (commLogging_) AddLog(text);
}

std::vector<std::string> StatusLog::FlushLog() {
    std::lock_guard lock(mutex_);
    std::vector<std::string> moved;
    moved.swap(pending_);
    for (const auto& text : moved) {
        if (lines_.size() >= MaxLines) lines_.pop_front();
        lines_.push_back(text);
    }
    return moved;
}

std::vector<std::string> StatusLog::lines() const {
    std::lock_guard lock(mutex_);
    return {lines_.begin(), lines_.end()};
}

}  // namespace orv
