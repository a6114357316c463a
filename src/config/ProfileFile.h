#pragma once
// Profile files ("ini" files): sections in square brackets, each followed by
// key=value lines. Used by the initialisation file and the mark files.
//
// Look-up of sections and keys ignores letter case and the first match wins;
// blanks around keys and values are ignored, and a value in matching quotes
// reads without them. Comments, blank lines and lines the format does not know
// are kept in place, so a file edited by hand survives a save. A missing file
// reads as an empty one. The whole file is held in memory; save() replaces
// the file on disk whole (see AtomicFile.h).
//
// A ProfileFile is a plain value: one thread at a time.

#include <cstddef>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace orv {

// Profile files are read whole; the largest (a mark file of 500 entries) is
// some 100 KB, so anything beyond this is no profile file.
inline constexpr size_t ProfileMaxBytes = 16 * 1024 * 1024;

class ProfileSection;

class ProfileFile {
public:
    ProfileFile() = default;
    // An empty file that will be saved to `path`; nothing is read.
    explicit ProfileFile(std::string path) : path_(std::move(path)) {}

    // Replaces the contents with the file at `path`, which becomes the file's
    // path. A file that does not exist gives an empty profile and success.
    // Returns nullopt on success, else why the file could not be read (the
    // contents are then empty).
    std::optional<std::string> load(const std::string& path);

    // Writes the whole contents to path() / to `path`. Returns nullopt on
    // success, else why; on failure the file on disk is unchanged.
    std::optional<std::string> save() const;
    std::optional<std::string> saveAs(const std::string& path) const;

    const std::string& path() const { return path_; }
    void setPath(std::string path) { path_ = std::move(path); }

    // The contents as file text, and a profile from such text. The text of a
    // profile read and not changed is the text read, byte for byte; lines
    // written since end in CR LF unless the first line read ended in LF alone.
    std::string text() const;
    static ProfileFile fromText(const std::string& text);

    bool hasSection(const std::string& section) const;
    bool hasKey(const std::string& section, const std::string& key) const;

    // The value of key in section, or defaultValue when either is missing.
    // A key that is present with nothing after "=" reads as "".
    std::string readString(const std::string& section, const std::string& key,
                           const std::string& defaultValue) const;
    // Leading digits of the value with an optional sign, as the platform reads
    // profile integers ("12abc" is 12, "abc" is 0); defaultValue when missing.
    long readInteger(const std::string& section, const std::string& key, long defaultValue) const;
    // readInteger != 0.
    bool readBool(const std::string& section, const std::string& key, bool defaultValue) const;

    // Sets key in section, adding the section at the end of the file and the key
    // after the section's last key when missing. The value reads back as given:
    // one with blanks at its ends or quotes around it is stored in quotes. A line
    // feed in the value would break the file's structure: it is stored as a blank,
    // with a carriage return next to it.
    void writeString(const std::string& section, const std::string& key, const std::string& value);
    void writeInteger(const std::string& section, const std::string& key, long value);
    void writeBool(const std::string& section, const std::string& key, bool value);

    // Removes every section of that name with all its lines.
    void eraseSection(const std::string& section);
    // Replaces every section of that name with one at the end of the file that
    // holds the given keys and values in order (values stored as writeString
    // stores them). One pass, however many keys: a mark file has 2001.
    void replaceSection(const std::string& section,
                        const std::vector<std::pair<std::string, std::string>>& keyValues);
    // Removes the key's lines (all of them) from the first section of that name.
    void eraseKey(const std::string& section, const std::string& key);

    // The first section of that name, read in one pass, for looking up many of
    // its keys (a mark file has 2001).
    ProfileSection section(const std::string& section) const;

    // Section names in file order (first spelling of each); keys of the first
    // section of that name, in file order, each once.
    std::vector<std::string> sections() const;
    std::vector<std::string> keys(const std::string& section) const;

private:
    enum class Kind { Other, Section, Key };
    struct Line {
        std::string raw;   // as in the file, without the line end
        Kind kind = Kind::Other;
        std::string name;  // section or key name, trimmed
        std::string end;   // the line end read: "\r\n", "\n", or "" (none, or a line written since)
        bool added = true; // written since the load: ends like the file's first line
    };
    static Line parseLine(std::string raw);
    // Index of the first header of that section, or -1.
    int findSection(const std::string& section) const;
    // One past the last line belonging to the section whose header is at index.
    size_t sectionEnd(size_t header) const;
    int findKey(const std::string& section, const std::string& key) const;

    std::vector<Line> lines_;
    std::string path_;
    std::string lineEnd_ = "\r\n";
    bool byteOrderMark_ = false;
};

// The keys and values of one section as read at one moment, each key looked
// up in logarithmic time with the same rules as ProfileFile (letter case
// ignored, first match wins).
class ProfileSection {
public:
    bool hasKey(const std::string& key) const;
    std::string readString(const std::string& key, const std::string& defaultValue) const;

private:
    friend class ProfileFile;
    std::map<std::string, std::string> values_;   // by lower-case key
};

// The text of a profile value that is not a number, with the platform's wording:
// "'abc' is not a valid floating point value".
class ConversionError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A real stored with "." whatever the locale. A missing key gives defaultValue;
// a value that is not one number throws ConversionError.
double IniReadReal(const ProfileFile& file, const std::string& section, const std::string& key,
                   double defaultValue);
double IniReadReal(const ProfileSection& section, const std::string& key, double defaultValue);
// Writes value in the shortest general notation with up to 15 significant
// digits and "." (2000 -> "2000", 12.5 -> "12.5").
void IniWriteReal(ProfileFile& file, const std::string& section, const std::string& key, double value);

}  // namespace orv
