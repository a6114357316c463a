// Profile files (the initialisation file, mark files) as edited by hand on any
// system. Findings: text that does not come back byte for byte when nothing was
// changed, a written value that does not read back, and a write that changes
// what another key reads.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "config/ProfileFile.h"

using orv::fuzz::Require;

namespace {
std::string Lower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    return s;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    orv::ProfileFile f = orv::ProfileFile::fromText(text);
    Require(f.text() == text, "a profile read and not changed does not give back its text");

    // Every key of every section, as a reader sees them.
    struct Seen {
        std::string section, key, value;
    };
    std::vector<Seen> seen;
    for (const auto& section : f.sections()) {
        for (const auto& key : f.keys(section)) {
            seen.push_back({section, key, f.readString(section, key, "")});
            f.readInteger(section, key, 0);
            try {
                orv::IniReadReal(f, section, key, 0);
            } catch (const orv::ConversionError&) {
            }
        }
    }

    // A value with blanks and quotes around it reads back as written, and the
    // write leaves every other key alone, also after a save and a new read.
    const std::string section = seen.empty() ? std::string("Fuzz") : seen.front().section;
    const std::string value = size > 0 && data[0] % 2 ? " 'quoted' " : "\"1.5\"";
    f.writeString(section, "FuzzKey", value);
    const orv::ProfileFile again = orv::ProfileFile::fromText(f.text());
    for (const orv::ProfileFile* p : {static_cast<const orv::ProfileFile*>(&f), &again}) {
        Require(p->readString(section, "FuzzKey", "") == value, "a written value does not read back");
        for (const auto& s : seen) {
            if (Lower(s.key) == "fuzzkey" && Lower(s.section) == Lower(section)) continue;   // the key written
            Require(p->readString(s.section, s.key, "") == s.value, "a write changed another key");
        }
    }
    return 0;
}
