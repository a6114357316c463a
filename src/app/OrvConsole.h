#pragma once
// The headless program's terminal: message lines on stderr, and on a terminal a
// one-line live status that is redrawn in place below them. Any thread may print.

#include <mutex>
#include <string>

namespace orv::app {

class Console {
public:
    Console();
    // Prints one line (with a line end), keeping the status line below it.
    void line(const std::string& text);
    // Replaces the live status line (only on a terminal).
    void status(const std::string& text);
    // Removes the live status line before the program ends.
    void clearStatus();
    bool isTerminal() const { return terminal_; }

private:
    std::mutex mutex_;
    bool terminal_;
    std::string status_;
};

}  // namespace orv::app
