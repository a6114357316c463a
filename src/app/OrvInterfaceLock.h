#pragma once
// One Orv on the telescope's electronics, whoever runs it. The single-instance
// lock is per user, so root and a `sudo` run, or two users, would each get their
// own; with the real interface Orv also takes an exclusive lock on one file that
// every user shares, and refuses to start when it is held or cannot be taken.

#include <optional>
#include <string>

namespace orv::app {

inline constexpr const char* DefaultInterfaceLockPath = "/run/lock/orv-interface.lock";
// Names another lock file (a stand-in for tests); unset, DefaultInterfaceLockPath.
inline constexpr const char* InterfaceLockVariable = "ORV_INTERFACE_LOCK";

std::string InterfaceLockPath();

class InterfaceLock {
public:
    explicit InterfaceLock(std::string path) : path_(std::move(path)) {}
    ~InterfaceLock();
    InterfaceLock(const InterfaceLock&) = delete;
    InterfaceLock& operator=(const InterfaceLock&) = delete;

    // Takes the lock for the life of this object; when it cannot, returns the
    // message for the operator (naming the holder when it can be found).
    std::optional<std::string> acquire();

private:
    std::string path_;
    int fd_ = -1;
};

// "process 1234 (orv, user alice)" for the process holding a lock on the file of
// `fd`, from /proc/locks; empty when it cannot be found.
std::string LockHolder(int fd);

}  // namespace orv::app
