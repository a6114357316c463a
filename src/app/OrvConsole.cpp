#include "app/OrvConsole.h"

#include <unistd.h>

#include <cstdio>

namespace orv::app {

Console::Console() : terminal_(::isatty(STDERR_FILENO) == 1) {}

void Console::line(const std::string& text) {
    std::lock_guard lock(mutex_);
    if (terminal_ && !status_.empty()) std::fputs("\r\033[K", stderr);
    std::fputs(text.c_str(), stderr);
    std::fputc('\n', stderr);
    if (terminal_ && !status_.empty()) std::fputs(status_.c_str(), stderr);
    std::fflush(stderr);
}

void Console::status(const std::string& text) {
    if (!terminal_) return;
    std::lock_guard lock(mutex_);
    status_ = text;
    std::fputs("\r\033[K", stderr);
    std::fputs(status_.c_str(), stderr);
    std::fflush(stderr);
}

void Console::clearStatus() {
    std::lock_guard lock(mutex_);
    if (terminal_ && !status_.empty()) std::fputs("\r\033[K", stderr);
    status_.clear();
    std::fflush(stderr);
}

}  // namespace orv::app
