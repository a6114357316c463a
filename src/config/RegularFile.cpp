#include "config/RegularFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace orv {

RegularFileText ReadRegularFile(const std::string& path, size_t maxBytes) {
    RegularFileText out;
    // Non-blocking, so that opening a FIFO without a writer returns at once.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        out.status = (errno == ENOENT || errno == ENOTDIR) ? RegularFileText::Status::Missing
                                                            : RegularFileText::Status::Unreadable;
        out.reason = std::strerror(errno);
        return out;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        out.status = RegularFileText::Status::NotRegular;
    } else if (static_cast<unsigned long long>(st.st_size) > maxBytes) {
        out.status = RegularFileText::Status::TooLarge;
    } else {
        // The size may change under us: read in pieces, and no more than one
        // byte beyond the bound.
        out.status = RegularFileText::Status::Read;
        out.text.reserve(static_cast<size_t>(st.st_size));
        char piece[16384];
        size_t used = 0;
        while (used <= maxBytes) {
            const size_t want = std::min(sizeof piece, maxBytes + 1 - used);
            const ssize_t n = ::read(fd, piece, want);
            if (n == 0) break;
            if (n < 0) {
                if (errno == EINTR) continue;
                out.status = RegularFileText::Status::Unreadable;
                out.reason = std::strerror(errno);
                break;
            }
            out.text.append(piece, static_cast<size_t>(n));
            used += static_cast<size_t>(n);
        }
        if (used > maxBytes) out.status = RegularFileText::Status::TooLarge;
        if (out.status != RegularFileText::Status::Read) out.text.clear();
    }
    ::close(fd);
    return out;
}

std::string RegularFileProblem(const RegularFileText& file, size_t maxBytes) {
    switch (file.status) {
    case RegularFileText::Status::Read: return "";
    case RegularFileText::Status::NotRegular: return "not a regular file";
    case RegularFileText::Status::TooLarge: return "larger than " + std::to_string(maxBytes) + " bytes";
    case RegularFileText::Status::Missing:
    case RegularFileText::Status::Unreadable: break;
    }
    return file.reason;
}

}  // namespace orv
