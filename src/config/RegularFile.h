#pragma once
// Reading a file that a person edits by hand, with bounds: only a regular file
// is read (a FIFO, a device or a directory under the file's name would hang or
// never end), and no more than a given size, so a wrong file cannot stall the
// start or fill the memory.

#include <cstddef>
#include <string>

namespace orv {

struct RegularFileText {
    enum class Status { Read, Missing, NotRegular, TooLarge, Unreadable };
    Status status = Status::Missing;
    std::string text;     // Read: the whole file
    std::string reason;   // Unreadable: the system's reason
};

// Reads the whole file at `path` (a symbolic link is followed) if it is a
// regular file of at most `maxBytes` bytes. Never blocks on a FIFO or device.
RegularFileText ReadRegularFile(const std::string& path, size_t maxBytes);

// "not a regular file", "larger than N bytes" or the system's reason; "" when read.
std::string RegularFileProblem(const RegularFileText& file, size_t maxBytes);

}  // namespace orv
