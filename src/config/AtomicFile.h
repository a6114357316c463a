#pragma once
// Whole-file replacement: the new contents go to a temporary file beside the
// target, are flushed to the disk, and are renamed over the old file. A crash,
// a full disk or a refused write never leaves half a file: the old file stays
// as it was until the new one is complete.

#include <optional>
#include <string>

namespace orv {

// Replaces the file at `path` (created if absent) with `contents`. An existing
// file keeps its permission bits; a symbolic link is followed and its target
// replaced. Returns nullopt on success, else a description of what failed
// (the system's reason, with the path).
std::optional<std::string> WriteFileAtomically(const std::string& path, const std::string& contents);

}  // namespace orv
