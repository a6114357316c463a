#pragma once
// The 500-entry mark table of saved sky positions ("Saved Locations") and its
// mark files (".mrk": profile files with the section "Points").
//
// The table is shared: the Movement dialog edits it on the user-interface
// thread while the remote channels store and select entries from the state
// machine thread. Every member takes the table's mutex; file reads and writes
// run outside it, on a copy.

#include <array>
#include <atomic>
#include <functional>
#include <mutex>
#include <optional>
#include <string>

namespace orv {

struct TMarkEntry {
    std::string description;  // empty when the entry holds nothing
    double RA = 0;     // hours
    double Dec = 0;    // degrees
    double Epoch = 0;  // years, 0 = none given
};

class MarkTable {
public:
    static constexpr int Capacity = 500;
    using Entries = std::array<TMarkEntry, Capacity>;

    static bool validIndex(int index) { return index >= 0 && index < Capacity; }

    // Entry access by index 0..499 (std::out_of_range outside).
    TMarkEntry entry(int index) const {
        std::lock_guard lock(mutex_);
        return entries_.at(static_cast<size_t>(index));
    }
    void setEntry(int index, const TMarkEntry& e) {
        std::lock_guard lock(mutex_);
        entries_.at(static_cast<size_t>(index)) = e;
    }
    Entries entries() const {
        std::lock_guard lock(mutex_);
        return entries_;
    }

    // Unsaved changes: set by the operator's edits, moves, insertions and
    // deletions; cleared by a load or a successful save.
    bool MarksChanged() const { return marksChanged_.load(); }
    void setMarksChanged(bool changed) { marksChanged_ = changed; }

    // The current mark file name, empty at start.
    std::string fileName() const {
        std::lock_guard lock(mutex_);
        return fileName_;
    }
    void setFileName(const std::string& name) {
        std::lock_guard lock(mutex_);
        fileName_ = name;
    }

    // Reads Points/Count (default 0) and entries 1..min(Count, 500) of the file
    // into indices 0.. ; the entries after them keep what they held. The file
    // name becomes current, also when the file is missing (Count 0, nothing
    // loaded), and MarksChanged is cleared. A file that cannot be read, or a
    // value that is not a number, changes nothing (entries, name, flag): the
    // result is the error text. nullopt on success.
    std::optional<std::string> LoadMarkFile(const std::string& fileName);

    // Writes all 500 entries to the file (its other sections are kept), the
    // file replaced whole. Clears MarksChanged on success. On failure the old
    // file is untouched, MarksChanged stays, and the result is
    // "Unable to write to <fileName>". Does not change the current name.
    std::optional<std::string> SaveMarkFile(const std::string& fileName);

    // Moves entries index..498 one place down (entry 499 is lost) and stores e
    // at index. Sets MarksChanged. False, nothing changed, outside 0..499.
    bool InsertMark(const TMarkEntry& e, int index);
    // Moves entries index+1..499 one place up and clears entry 499. Sets MarksChanged.
    bool DeleteMark(int index);
    // Exchanges two entries. Sets MarksChanged.
    bool SwapMarks(int i, int j);
    // The first index from start to 499 whose description contains text,
    // ignoring letter case; -1 if none.
    int FindMark(int start, const std::string& text) const;

    // State code 23: stores the coordinates in entry index, keeping its
    // description; MarksChanged is not set. The caller resolves the zero
    // defaults (telescope position, display epoch) first. False, nothing
    // changed, for an index outside 0..499.
    bool SetMarkRemote(int index, double ra, double dec, double epoch);
    // State code 9: the entry to load as the next object, nullopt outside 0..499.
    std::optional<TMarkEntry> SelectMarkTarget(int index) const;

private:
    mutable std::mutex mutex_;
    Entries entries_{};
    std::string fileName_;
    std::atomic<bool> marksChanged_{false};
};

// The operator's answer to "Save Changes ...?".
enum class SaveAnswer { Yes, No, Cancel };

// The save dialog: given the current name, the chosen file name, or nullopt
// when the operator cancels.
using ChooseSaveName = std::function<std::optional<std::string>(const std::string& currentName)>;
// The Yes/No/Cancel question box.
using AskSaveQuestion = std::function<SaveAnswer(const std::string& question)>;

struct MarkSaveOutcome {
    bool proceed = false;  // saved / go on
    std::string error;     // a failed write ("Unable to write to ..."), to show the operator
};

// "Save Changes To File: <name without directory>?" or "Save Changes?".
std::string SaveChangesQuestion(const std::string& currentName);

// The save dialog, then the save under the chosen name, which becomes current.
// proceed = the operator confirmed and the file was written.
MarkSaveOutcome SaveMarksAs(MarkTable& table, const ChooseSaveName& choose);
// To the existing file of the current name, else through SaveMarksAs.
MarkSaveOutcome SaveMarks(MarkTable& table, const ChooseSaveName& choose);
// Before a load: proceed unless the operator cancels, or a save they asked
// for is cancelled or fails.
MarkSaveOutcome QuerySaveMarks(MarkTable& table, const AskSaveQuestion& ask, const ChooseSaveName& choose);

}  // namespace orv
