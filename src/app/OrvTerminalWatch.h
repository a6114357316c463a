#pragma once
// Tells when the terminal the headless program runs in has ended (the window
// closed, the SSH session dropped), so that Orv closes the orderly way instead
// of running on unseen or being killed with the drives as they were.

#include <vector>

namespace orv::app {

class TerminalWatch {
public:
    // Notes which of standard input, output and error are terminals now: one
    // that has ended no longer says it is one, so the set is taken at start.
    TerminalWatch();
    // True once one of them has hung up.
    bool ended() const;
    bool watching() const { return !fds_.empty(); }

private:
    std::vector<int> fds_;
};

}  // namespace orv::app
