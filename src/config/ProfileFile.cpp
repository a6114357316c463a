#include "config/ProfileFile.h"

#include "astro/TextFormats.h"
#include "config/AtomicFile.h"
#include "config/RegularFile.h"

namespace orv {

namespace {

constexpr const char* Utf8ByteOrderMark = "\xEF\xBB\xBF";

// A stray carriage return (a line that ended CR CR LF) reads as a blank.
bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

std::string Trim(const std::string& s) {
    size_t b = 0, e = s.size();
    while (b < e && IsBlank(s[b])) ++b;
    while (e > b && IsBlank(s[e - 1])) --e;
    return s.substr(b, e - b);
}

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualIgnoreCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
    return true;
}

// A line feed inside a name or value would start a new line of the file, so it
// and a carriage return before or after it become blanks. A carriage return on
// its own ends no line when the file is read, and stays: a value read with one
// inside is saved as it was read.
std::string OneLine(std::string s) {
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '\n') continue;
        s[i] = ' ';
        if (i > 0 && s[i - 1] == '\r') s[i - 1] = ' ';
        if (i + 1 < s.size() && s[i + 1] == '\r') s[i + 1] = ' ';
    }
    return s;
}

// A value as stored on its line: one that reading would change (blanks at its
// ends, or a pair of quotes around it) goes in quotes, which reading removes.
std::string StoredValue(const std::string& value) {
    std::string v = OneLine(value);
    const bool blankEnds = !v.empty() && (IsBlank(v.front()) || IsBlank(v.back()));
    const bool quoted = v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front();
    return blankEnds || quoted ? '"' + v + '"' : v;
}

// The value part of a key line: trimmed, matching outer quotes removed.
std::string ValueOf(const std::string& raw) {
    std::string v = Trim(raw.substr(raw.find('=') + 1));
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        v = v.substr(1, v.size() - 2);
    return v;
}

}  // namespace

ProfileFile::Line ProfileFile::parseLine(std::string raw) {
    Line line;
    std::string t = Trim(raw);
    if (!t.empty() && t[0] == '[') {
        size_t close = t.find(']');
        line.kind = Kind::Section;
        line.name = Trim(t.substr(1, close == std::string::npos ? std::string::npos : close - 1));
    } else if (!t.empty() && t[0] != ';' && t[0] != '#') {
        size_t eq = t.find('=');
        if (eq != std::string::npos && eq > 0) {
            line.kind = Kind::Key;
            line.name = Trim(t.substr(0, eq));
            if (line.name.empty()) line.kind = Kind::Other;
        }
    }
    line.raw = std::move(raw);
    return line;
}

ProfileFile ProfileFile::fromText(const std::string& text) {
    ProfileFile f;
    size_t start = 0;
    if (text.compare(0, 3, Utf8ByteOrderMark) == 0) {
        f.byteOrderMark_ = true;
        start = 3;
    }
    // New lines take the ending of the first line.
    size_t firstLf = text.find('\n', start);
    if (firstLf != std::string::npos && (firstLf == start || text[firstLf - 1] != '\r')) f.lineEnd_ = "\n";
    // Every line keeps its own ending, so that text() gives back the text read,
    // byte for byte, whatever mixture of endings it had.
    while (start < text.size()) {
        size_t lf = text.find('\n', start);
        size_t end = lf == std::string::npos ? text.size() : lf;
        size_t len = end - start;
        std::string ending;
        if (lf != std::string::npos) ending = (len > 0 && text[end - 1] == '\r') ? "\r\n" : "\n";
        if (ending == "\r\n") --len;
        f.lines_.push_back(parseLine(text.substr(start, len)));
        f.lines_.back().end = std::move(ending);
        f.lines_.back().added = false;
        if (lf == std::string::npos) break;
        start = lf + 1;
    }
    return f;
}

std::string ProfileFile::text() const {
    std::string out;
    if (byteOrderMark_) out += Utf8ByteOrderMark;
    for (size_t i = 0; i < lines_.size(); ++i) {
        const Line& l = lines_[i];
        out += l.raw;
        // A line written since the load, or a last line that had no ending and
        // now has lines after it, ends like the file's first line.
        const bool last = i + 1 == lines_.size();
        out += l.end.empty() && (!last || l.added) ? lineEnd_ : l.end;
    }
    return out;
}

std::optional<std::string> ProfileFile::load(const std::string& path) {
    *this = ProfileFile(path);
    RegularFileText file = ReadRegularFile(path, ProfileMaxBytes);
    if (file.status == RegularFileText::Status::Missing) return std::nullopt;
    if (file.status != RegularFileText::Status::Read)
        return "cannot read " + path + ": " + RegularFileProblem(file, ProfileMaxBytes);
    *this = fromText(file.text);
    path_ = path;
    return std::nullopt;
}

std::optional<std::string> ProfileFile::save() const { return saveAs(path_); }

std::optional<std::string> ProfileFile::saveAs(const std::string& path) const {
    if (path.empty()) return std::string("no file name given");
    return WriteFileAtomically(path, text());
}

int ProfileFile::findSection(const std::string& section) const {
    std::string want = Trim(section);
    for (size_t i = 0; i < lines_.size(); ++i)
        if (lines_[i].kind == Kind::Section && EqualIgnoreCase(lines_[i].name, want)) return static_cast<int>(i);
    return -1;
}

size_t ProfileFile::sectionEnd(size_t header) const {
    size_t i = header + 1;
    while (i < lines_.size() && lines_[i].kind != Kind::Section) ++i;
    return i;
}

int ProfileFile::findKey(const std::string& section, const std::string& key) const {
    int h = findSection(section);
    if (h < 0) return -1;
    std::string want = Trim(key);
    size_t end = sectionEnd(static_cast<size_t>(h));
    for (size_t i = static_cast<size_t>(h) + 1; i < end; ++i)
        if (lines_[i].kind == Kind::Key && EqualIgnoreCase(lines_[i].name, want)) return static_cast<int>(i);
    return -1;
}

bool ProfileFile::hasSection(const std::string& section) const { return findSection(section) >= 0; }

bool ProfileFile::hasKey(const std::string& section, const std::string& key) const {
    return findKey(section, key) >= 0;
}

std::string ProfileFile::readString(const std::string& section, const std::string& key,
                                    const std::string& defaultValue) const {
    int i = findKey(section, key);
    return i < 0 ? defaultValue : ValueOf(lines_[static_cast<size_t>(i)].raw);
}

long ProfileFile::readInteger(const std::string& section, const std::string& key, long defaultValue) const {
    int i = findKey(section, key);
    if (i < 0) return defaultValue;
    std::string v = ValueOf(lines_[static_cast<size_t>(i)].raw);
    size_t p = 0;
    bool negative = false;
    if (p < v.size() && (v[p] == '-' || v[p] == '+')) negative = v[p++] == '-';
    long n = 0;
    constexpr long Limit = 1'000'000'000'000'000L;  // stop before overflow on absurd texts
    for (; p < v.size() && v[p] >= '0' && v[p] <= '9' && n < Limit; ++p) n = n * 10 + (v[p] - '0');
    return negative ? -n : n;
}

bool ProfileFile::readBool(const std::string& section, const std::string& key, bool defaultValue) const {
    return readInteger(section, key, defaultValue ? 1 : 0) != 0;
}

void ProfileFile::writeString(const std::string& section, const std::string& key, const std::string& value) {
    const std::string v = StoredValue(value);
    int k = findKey(section, key);
    if (k >= 0) {
        Line& l = lines_[static_cast<size_t>(k)];
        l.raw = l.name + "=" + v;
        return;
    }
    std::string keyName = Trim(OneLine(key));
    int h = findSection(section);
    if (h < 0) {
        lines_.push_back(parseLine("[" + Trim(OneLine(section)) + "]"));
        lines_.push_back(parseLine(keyName + "=" + v));
        return;
    }
    // After the section's last key, so that blank lines and comments that
    // separate it from the next section stay where they are.
    size_t at = static_cast<size_t>(h) + 1;
    size_t end = sectionEnd(static_cast<size_t>(h));
    for (size_t i = at; i < end; ++i)
        if (lines_[i].kind == Kind::Key) at = i + 1;
    lines_.insert(lines_.begin() + static_cast<long>(at), parseLine(keyName + "=" + v));
}

void ProfileFile::writeInteger(const std::string& section, const std::string& key, long value) {
    writeString(section, key, std::to_string(value));
}

void ProfileFile::writeBool(const std::string& section, const std::string& key, bool value) {
    writeString(section, key, value ? "1" : "0");
}

void ProfileFile::eraseSection(const std::string& section) {
    for (int h = findSection(section); h >= 0; h = findSection(section)) {
        auto first = lines_.begin() + h;
        lines_.erase(first, lines_.begin() + static_cast<long>(sectionEnd(static_cast<size_t>(h))));
    }
}

void ProfileFile::replaceSection(const std::string& section,
                                 const std::vector<std::pair<std::string, std::string>>& keyValues) {
    eraseSection(section);
    lines_.push_back(parseLine("[" + Trim(OneLine(section)) + "]"));
    for (const auto& [key, value] : keyValues) lines_.push_back(parseLine(Trim(OneLine(key)) + "=" + StoredValue(value)));
}

void ProfileFile::eraseKey(const std::string& section, const std::string& key) {
    // Every line of the key: a hand-edited file may hold it twice, and the next
    // read would take the second as the value.
    for (int k = findKey(section, key); k >= 0; k = findKey(section, key)) lines_.erase(lines_.begin() + k);
}

ProfileSection ProfileFile::section(const std::string& section) const {
    ProfileSection out;
    const int h = findSection(section);
    if (h < 0) return out;
    const size_t end = sectionEnd(static_cast<size_t>(h));
    for (size_t i = static_cast<size_t>(h) + 1; i < end; ++i) {
        if (lines_[i].kind != Kind::Key) continue;
        std::string key = lines_[i].name;
        for (char& c : key) c = LowerAscii(c);
        out.values_.emplace(std::move(key), ValueOf(lines_[i].raw));   // the first line of a key wins
    }
    return out;
}

bool ProfileSection::hasKey(const std::string& key) const {
    std::string k = Trim(key);
    for (char& c : k) c = LowerAscii(c);
    return values_.count(k) > 0;
}

std::string ProfileSection::readString(const std::string& key, const std::string& defaultValue) const {
    std::string k = Trim(key);
    for (char& c : k) c = LowerAscii(c);
    const auto found = values_.find(k);
    return found == values_.end() ? defaultValue : found->second;
}

std::vector<std::string> ProfileFile::sections() const {
    std::vector<std::string> names;
    for (const Line& l : lines_) {
        if (l.kind != Kind::Section) continue;
        bool seen = false;
        for (const std::string& n : names) seen = seen || EqualIgnoreCase(n, l.name);
        if (!seen) names.push_back(l.name);
    }
    return names;
}

std::vector<std::string> ProfileFile::keys(const std::string& section) const {
    std::vector<std::string> names;
    int h = findSection(section);
    if (h < 0) return names;
    size_t end = sectionEnd(static_cast<size_t>(h));
    for (size_t i = static_cast<size_t>(h) + 1; i < end; ++i) {
        if (lines_[i].kind != Kind::Key) continue;
        bool seen = false;
        for (const std::string& n : names) seen = seen || EqualIgnoreCase(n, lines_[i].name);
        if (!seen) names.push_back(lines_[i].name);
    }
    return names;
}

namespace {
double RealOfProfileText(const std::string& text) {
    double v = 0;
    if (!ParseReal(text, v)) throw ConversionError("'" + text + "' is not a valid floating point value");
    return v;
}
}  // namespace

double IniReadReal(const ProfileFile& file, const std::string& section, const std::string& key,
                   double defaultValue) {
    if (!file.hasKey(section, key)) return defaultValue;
    return RealOfProfileText(file.readString(section, key, ""));
}

double IniReadReal(const ProfileSection& section, const std::string& key, double defaultValue) {
    if (!section.hasKey(key)) return defaultValue;
    return RealOfProfileText(section.readString(key, ""));
}

void IniWriteReal(ProfileFile& file, const std::string& section, const std::string& key, double value) {
    file.writeString(section, key, FormatGeneral(value));
}

}  // namespace orv
