#include "app/OrvInterfaceLock.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

namespace orv::app {

namespace {

std::string FirstLine(const std::string& path) {
    std::ifstream in(path);
    std::string line;
    std::getline(in, line);
    return line;
}

// The user name of process `pid`, from the real uid in its status file.
std::string UserOf(long pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("Uid:", 0) != 0) continue;
        std::istringstream fields(line.substr(4));
        long uid = -1;
        if (!(fields >> uid)) return {};
        passwd entry{};
        passwd* found = nullptr;
        char buffer[1024];
        if (::getpwuid_r(static_cast<uid_t>(uid), &entry, buffer, sizeof buffer, &found) == 0 && found)
            return found->pw_name;
        return "uid " + std::to_string(uid);
    }
    return {};
}

}  // namespace

std::string InterfaceLockPath() {
    const char* path = std::getenv(InterfaceLockVariable);
    return path && *path ? path : DefaultInterfaceLockPath;
}

InterfaceLock::~InterfaceLock() {
    if (fd_ >= 0) ::close(fd_);   // releases the lock
}

std::optional<std::string> InterfaceLock::acquire() {
    // Read-only is enough for flock, so a lock file made by another user serves
    // every user. The file is never followed through a link (the lock
    // directory is writable by all) and is created only when it does not exist.
    for (int attempt = 0; attempt < 2 && fd_ < 0; ++attempt) {
        fd_ = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
        if (fd_ < 0 && errno == ENOENT)
            fd_ = ::open(path_.c_str(), O_RDONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0644);
        if (fd_ < 0 && errno != EEXIST) break;   // EEXIST: another copy made it just now
    }
    if (fd_ < 0)
        return "Orv cannot take the interface lock " + path_ + ": " + std::strerror(errno);
    if (::flock(fd_, LOCK_EX | LOCK_NB) == 0) return std::nullopt;

    const int error = errno;
    std::string message;
    if (error == EWOULDBLOCK) {
        const std::string holder = LockHolder(fd_);
        message = "Orv is already running: the interface is in use by " +
                  (holder.empty() ? std::string("another program") : holder) + "; lock file " + path_;
    } else {
        message = "Orv cannot take the interface lock " + path_ + ": " + std::strerror(error);
    }
    ::close(fd_);
    fd_ = -1;
    return message;
}

std::string LockHolder(int fd) {
    struct stat st {};
    if (::fstat(fd, &st) != 0) return {};
    // Lines as "1: FLOCK  ADVISORY  WRITE 1234 08:01:5678 0 EOF"; a waiting
    // request has "->" after the number and is skipped.
    std::ifstream locks("/proc/locks");
    std::string line;
    while (std::getline(locks, line)) {
        std::istringstream fields(line);
        std::string number, kind, mode, access, file;
        long pid = 0;
        if (!(fields >> number >> kind) || kind == "->") continue;
        if (!(fields >> mode >> access >> pid >> file) || pid <= 0) continue;
        unsigned major = 0, minor = 0;
        unsigned long long inode = 0;
        if (std::sscanf(file.c_str(), "%x:%x:%llu", &major, &minor, &inode) != 3) continue;
        if (major != ::major(st.st_dev) || minor != ::minor(st.st_dev) || inode != st.st_ino) continue;
        if (pid == ::getpid()) continue;
        std::string holder = "process " + std::to_string(pid);
        const std::string command = FirstLine("/proc/" + std::to_string(pid) + "/comm");
        const std::string user = UserOf(pid);
        if (!command.empty() || !user.empty()) {
            holder += " (";
            holder += command;
            if (!command.empty() && !user.empty()) holder += ", ";
            if (!user.empty()) holder += "user " + user;
            holder += ")";
        }
        return holder;
    }
    return {};
}

}  // namespace orv::app
