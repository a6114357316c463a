#include "app/OrvTerminalWatch.h"

#include <poll.h>
#include <unistd.h>

namespace orv::app {

TerminalWatch::TerminalWatch() {
    for (int fd : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO})
        if (::isatty(fd) == 1) fds_.push_back(fd);
}

bool TerminalWatch::ended() const {
    for (int fd : fds_) {
        // No events asked for: poll still reports a hang-up or an error.
        pollfd p{fd, 0, 0};
        if (::poll(&p, 1, 0) == 1 && (p.revents & (POLLHUP | POLLERR | POLLNVAL))) return true;
    }
    return false;
}

}  // namespace orv::app
