#pragma once
// Writing new pointing terms into the state data file "WinOrv.DAT". The file is
// kept by hand with comments after the numbers, so only the numbers of the
// pointing-term lines are replaced; every other character stays as it was.

#include <optional>
#include <string>

#include "astro/PointingFit.h"

namespace orv {

// The line of WinOrv.DAT that holds PointingTerm `term` (1..9): terms 1 to 6 on
// lines 4 to 9, the ninth on line 10, the seventh and eighth on lines 11 and 12.
int StateDataLineOfTerm(int term);

// The file text with the numbers of the nine pointing-term lines replaced by
// `terms`, each number found as the loader finds it (the next word after blanks
// and line breaks). nullopt, with `error` set, when the text holds fewer than 12
// numbers before its end.
std::optional<std::string> WithPointingTerms(const std::string& text, const astro::PointingTerms& terms,
                                             std::string& error);

// Replaces the terms in the file at `path`: its present contents are first
// written whole to `path` + ".bak", then the new text replaces the file, both
// through a temporary file and a rename. On any failure the file is unchanged
// and the reason is returned.
std::optional<std::string> WritePointingTerms(const std::string& path, const astro::PointingTerms& terms);

}  // namespace orv
