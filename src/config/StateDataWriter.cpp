#include "config/StateDataWriter.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>

#include "astro/TextFormats.h"
#include "config/AtomicFile.h"

namespace orv {

namespace {

constexpr int LastTermLine = 12;
constexpr size_t MaxWord = 64;   // the loader takes at most this many characters
constexpr int Decimals = 4;      // 0.0001 s of time is 0.0015 arcsec

bool IsSeparator(char c) { return c == ' ' || static_cast<unsigned char>(c) < 0x20; }

}  // namespace

int StateDataLineOfTerm(int term) {
    if (term >= 1 && term <= 6) return term + 3;
    if (term == 9) return 10;
    if (term == 7 || term == 8) return term + 4;
    return 0;
}

std::optional<std::string> WithPointingTerms(const std::string& text, const astro::PointingTerms& terms,
                                             std::string& error) {
    std::string values[LastTermLine + 1];
    for (int t = 1; t <= 9; ++t)
        values[StateDataLineOfTerm(t)] = FormatFixed(terms[static_cast<size_t>(t)], Decimals);

    std::string out;
    size_t pos = 0;
    for (int line = 1; line <= LastTermLine; ++line) {
        const size_t before = pos;
        while (pos < text.size() && IsSeparator(text[pos])) ++pos;
        if (pos >= text.size()) {
            error = "the file holds only " + std::to_string(line - 1) +
                    " numbers; the pointing terms are on lines 4 to 12";
            return std::nullopt;
        }
        const size_t start = pos;
        while (pos < text.size() && !IsSeparator(text[pos]) && pos - start < MaxWord) ++pos;
        out.append(text, before, start - before);
        if (line >= 4)
            out += values[line];
        else
            out.append(text, start, pos - start);
        // The rest of the number's line stays, comment and line end included.
        const size_t eol = text.find('\n', pos);
        const size_t next = eol == std::string::npos ? text.size() : eol + 1;
        out.append(text, pos, next - pos);
        pos = next;
    }
    out.append(text, pos, std::string::npos);
    return out;
}

std::optional<std::string> WritePointingTerms(const std::string& path, const astro::PointingTerms& terms) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return "cannot read " + path + ": " + std::strerror(errno);
    std::ostringstream buffer;
    buffer << in.rdbuf();
    const std::string old = buffer.str();
    std::string error;
    const std::optional<std::string> updated = WithPointingTerms(old, terms, error);
    if (!updated) return path + ": " + error;
    if (auto failed = WriteFileAtomically(path + ".bak", old)) return *failed;
    return WriteFileAtomically(path, *updated);
}

}  // namespace orv
