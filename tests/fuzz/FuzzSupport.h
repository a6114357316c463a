#pragma once
// Helpers of the fuzz targets: a finding is reported by aborting, which libFuzzer
// turns into a crash report with the input that caused it.

#include <cstdio>
#include <cstdlib>
#include <string>

#include <unistd.h>

namespace orv::fuzz {

// Aborts with `what` when `ok` is false.
inline void Require(bool ok, const char* what) {
    if (ok) return;
    std::fprintf(stderr, "fuzz finding: %s\n", what);
    std::abort();
}

// A directory of this process for files a target writes; in memory when /dev/shm
// exists, so that the flushes of whole-file writes cost nothing.
inline const std::string& ScratchDirectory() {
    static const std::string dir = [] {
        std::string pattern = (::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp") + std::string("/orv-fuzz-XXXXXX");
        if (!::mkdtemp(pattern.data())) std::abort();
        return pattern;
    }();
    return dir;
}

}  // namespace orv::fuzz
