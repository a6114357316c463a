#include "config/AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <random>
#include <system_error>

namespace orv {

namespace {

std::string Failure(const std::string& what, const std::string& path, int err) {
    return what + " " + path + ": " + std::strerror(err);
}

// Closes the descriptor and removes the temporary file unless released.
struct TempFile {
    int fd = -1;
    std::string path;
    bool keep = false;
    ~TempFile() {
        if (fd >= 0) ::close(fd);
        if (!keep && !path.empty()) ::unlink(path.c_str());
    }
};

}  // namespace

std::optional<std::string> WriteFileAtomically(const std::string& path, const std::string& contents) {
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::path target(path);
    if (fs::is_symlink(target, ec)) {
        fs::path resolved = fs::weakly_canonical(target, ec);
        if (!ec) target = resolved;
    }
    fs::path dir = target.parent_path();
    if (dir.empty()) dir = ".";

    struct stat old {};
    bool hadOld = ::stat(target.c_str(), &old) == 0;
    if (hadOld && !S_ISREG(old.st_mode)) return Failure("cannot replace", target.string(), EISDIR);

    // A name of our own beside the target, so that the rename stays on one file system.
    TempFile tmp;
    std::random_device rd;
    for (int attempt = 0; attempt < 16 && tmp.fd < 0; ++attempt) {
        std::string name = (dir / ("." + target.filename().string() + ".tmp" + std::to_string(rd()))).string();
        int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            tmp.fd = fd;
            tmp.path = name;
        } else if (errno != EEXIST) {
            return Failure("cannot create a file in", dir.string(), errno);
        }
    }
    if (tmp.fd < 0) return Failure("cannot create a file in", dir.string(), EEXIST);

    const char* p = contents.data();
    size_t left = contents.size();
    while (left > 0) {
        ssize_t n = ::write(tmp.fd, p, left);
        if (n < 0) {
            if (errno == EINTR) continue;
            return Failure("cannot write", tmp.path, errno);
        }
        p += n;
        left -= static_cast<size_t>(n);
    }
    if (hadOld && ::fchmod(tmp.fd, old.st_mode & 07777) != 0) return Failure("cannot set the mode of", tmp.path, errno);
    if (::fsync(tmp.fd) != 0) return Failure("cannot flush", tmp.path, errno);
    int fd = tmp.fd;
    tmp.fd = -1;
    if (::close(fd) != 0) return Failure("cannot close", tmp.path, errno);
    if (::rename(tmp.path.c_str(), target.c_str()) != 0) return Failure("cannot replace", target.string(), errno);
    tmp.keep = true;

    // Make the rename itself durable; a failure here leaves a complete file either way.
    int dfd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
        ::fsync(dfd);
        ::close(dfd);
    }
    return std::nullopt;
}

}  // namespace orv
