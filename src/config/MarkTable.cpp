#include "config/MarkTable.h"

#include <algorithm>
#include <filesystem>
#include <utility>
#include <vector>

#include "astro/TextFormats.h"
#include "config/ProfileFile.h"

namespace orv {

namespace {

constexpr const char* MarkSection = "Points";

std::string Key(const char* word, int index) { return word + std::to_string(index + 1); }

std::string WithoutDirectory(const std::string& name) {
    return std::filesystem::path(name).filename().string();
}

}  // namespace

std::optional<std::string> MarkTable::LoadMarkFile(const std::string& fileName) {
    ProfileFile file;
    if (auto err = file.load(fileName)) return err;

    long count = std::clamp<long>(file.readInteger(MarkSection, "Count", 0), 0, Capacity);
    // The whole file is read into a scratch table first: a value that is no
    // number leaves the table (and the current name) as they were, never a
    // mixture of two files.
    Entries loaded = entries();
    const ProfileSection points = file.section(MarkSection);
    try {
        for (int read = 0; read < count; ++read) {
            TMarkEntry e;
            e.description = points.readString(Key("Name", read), "");
            e.RA = IniReadReal(points, Key("RA", read), 0);
            e.Dec = IniReadReal(points, Key("Dec", read), 0);
            e.Epoch = IniReadReal(points, Key("Epoch", read), 0);
            loaded[static_cast<size_t>(read)] = e;
        }
    } catch (const ConversionError& e) {
        return e.what();
    }
    {
        std::lock_guard lock(mutex_);
        std::copy_n(loaded.begin(), count, entries_.begin());
        fileName_ = fileName;
    }
    marksChanged_ = false;
    return std::nullopt;
}

std::optional<std::string> MarkTable::SaveMarkFile(const std::string& fileName) {
    const std::string failure = "Unable to write to " + fileName;
    ProfileFile file;
    if (file.load(fileName)) return failure;  // unreadable: it could not be replaced either
    const Entries snapshot = entries();

    std::vector<std::pair<std::string, std::string>> points;
    points.reserve(1 + 4 * Capacity);
    points.emplace_back("Count", std::to_string(Capacity));
    for (int i = 0; i < Capacity; ++i) {
        const TMarkEntry& e = snapshot[static_cast<size_t>(i)];
        points.emplace_back(Key("Name", i), e.description);
        points.emplace_back(Key("RA", i), FormatGeneral(e.RA));
        points.emplace_back(Key("Dec", i), FormatGeneral(e.Dec));
        points.emplace_back(Key("Epoch", i), FormatGeneral(e.Epoch));
    }
    file.replaceSection(MarkSection, points);
    if (file.save()) return failure;
    marksChanged_ = false;
    return std::nullopt;
}

bool MarkTable::InsertMark(const TMarkEntry& e, int index) {
    if (!validIndex(index)) return false;
    {
        std::lock_guard lock(mutex_);
        std::move_backward(entries_.begin() + index, entries_.end() - 1, entries_.end());
        entries_[static_cast<size_t>(index)] = e;
    }
    marksChanged_ = true;
    return true;
}

bool MarkTable::DeleteMark(int index) {
    if (!validIndex(index)) return false;
    {
        std::lock_guard lock(mutex_);
        std::move(entries_.begin() + index + 1, entries_.end(), entries_.begin() + index);
        entries_.back() = TMarkEntry{};
    }
    marksChanged_ = true;
    return true;
}

bool MarkTable::SwapMarks(int i, int j) {
    if (!validIndex(i) || !validIndex(j)) return false;
    {
        std::lock_guard lock(mutex_);
        std::swap(entries_[static_cast<size_t>(i)], entries_[static_cast<size_t>(j)]);
    }
    marksChanged_ = true;
    return true;
}

int MarkTable::FindMark(int start, const std::string& text) const {
    std::lock_guard lock(mutex_);
    for (int i = std::max(start, 0); i < Capacity; ++i)
        if (PosIgnoreCase(text, entries_[static_cast<size_t>(i)].description) > 0) return i;
    return -1;
}

bool MarkTable::SetMarkRemote(int index, double ra, double dec, double epoch) {
    if (!validIndex(index)) return false;
    std::lock_guard lock(mutex_);
    TMarkEntry& e = entries_[static_cast<size_t>(index)];
    e.RA = ra;
    e.Dec = dec;
    e.Epoch = epoch;
    return true;
}

std::optional<TMarkEntry> MarkTable::SelectMarkTarget(int index) const {
    if (!validIndex(index)) return std::nullopt;
    std::lock_guard lock(mutex_);
    return entries_[static_cast<size_t>(index)];
}

std::string SaveChangesQuestion(const std::string& currentName) {
    if (currentName.empty()) return "Save Changes?";
    return "Save Changes To File: " + WithoutDirectory(currentName) + "?";
}

MarkSaveOutcome SaveMarksAs(MarkTable& table, const ChooseSaveName& choose) {
    std::optional<std::string> name = choose(table.fileName());
    if (!name || name->empty()) return {false, ""};
    table.setFileName(*name);
    if (auto err = table.SaveMarkFile(*name)) return {false, *err};
    return {true, ""};
}

MarkSaveOutcome SaveMarks(MarkTable& table, const ChooseSaveName& choose) {
    std::string current = table.fileName();
    std::error_code ec;
    if (!current.empty() && std::filesystem::is_regular_file(current, ec)) {
        if (auto err = table.SaveMarkFile(current)) return {false, *err};
        return {true, ""};
    }
    return SaveMarksAs(table, choose);
}

MarkSaveOutcome QuerySaveMarks(MarkTable& table, const AskSaveQuestion& ask, const ChooseSaveName& choose) {
    if (!table.MarksChanged()) return {true, ""};
    switch (ask(SaveChangesQuestion(table.fileName()))) {
        case SaveAnswer::Cancel:
            return {false, ""};
        case SaveAnswer::No:
            return {true, ""};
        case SaveAnswer::Yes:
            break;
    }
    return SaveMarks(table, choose);
}

}  // namespace orv
