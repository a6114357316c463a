#include "astro/ObjectLibrary.h"

#include <algorithm>
#include <cmath>

#include "astro/TextFormats.h"

namespace orv {

namespace {

// The groups of the table: first and last Number, array position of the first.
struct LibraryGroup {
    int first;
    int last;
    int position;
};
constexpr std::array<LibraryGroup, 6> Groups{{
    {1, 109, 0},
    {201, 305, 109},
    {401, 424, 214},
    {501, 528, 238},
    {600, 645, 266},
    {700, 823, 312},
}};

// Text comparison ignoring the case of the ASCII letters: both sides compare
// as upper case, character by character, a shorter text before a longer one
// that starts with it.
int CompareTextIgnoreCase(const char* a, const char* b) {
    auto upper = [](char c) {
        unsigned char u = static_cast<unsigned char>(c);
        return (u >= 'a' && u <= 'z') ? static_cast<unsigned char>(u - 'a' + 'A') : u;
    };
    for (;; ++a, ++b) {
        unsigned char ua = upper(*a);
        unsigned char ub = upper(*b);
        if (ua != ub) return ua < ub ? -1 : 1;
        if (ua == 0) return 0;
    }
}

// The 0.00001 step (of hours or degrees) that x falls in.
long long PlaceStep(double x) { return static_cast<long long>(std::floor(x * 100000.0)); }

}  // namespace

const TStarLib* LibraryRecordByNumber(int n) {
    const auto& table = StarLibrary();
    for (const LibraryGroup& g : Groups) {
        if (n < g.first || n > g.last) continue;
        const TStarLib& record = table[static_cast<size_t>(g.position + (n - g.first))];
        return record.Number == n ? &record : nullptr;
    }
    return nullptr;
}

LibraryList::LibraryList() {
    entries_.reserve(LibrarySize);
    for (const TStarLib& record : StarLibrary()) entries_.push_back(&record);
}

void LibraryList::SortLibrary(int sortIndex) {
    // Records that compare equal keep the order they had (a stable sort), so
    // the same choice always gives the same list.
    //
    // By place, records whose values differ by less than 0.00001 count as
    // equal. Comparing the difference of the scaled values directly would not
    // be transitive (a ~ b and b ~ c, yet a < c), which std::sort and
    // std::stable_sort may not be given. Comparing the whole 0.00001 steps the
    // values fall in is a strict weak ordering; it orders every pair whose
    // scaled values differ by 1 or more the same way, and leaves values in
    // one step in their previous order.
    auto byNumber = [](const TStarLib* a, const TStarLib* b) { return a->Number < b->Number; };
    auto byName = [](const TStarLib* a, const TStarLib* b) { return CompareTextIgnoreCase(a->Name, b->Name) < 0; };
    auto byCatalog = [](const TStarLib* a, const TStarLib* b) {
        return CompareTextIgnoreCase(a->Catalog, b->Catalog) < 0;
    };
    auto byRA = [](const TStarLib* a, const TStarLib* b) { return PlaceStep(a->RA) < PlaceStep(b->RA); };
    auto byDec = [](const TStarLib* a, const TStarLib* b) { return PlaceStep(a->Dec) < PlaceStep(b->Dec); };
    switch (sortIndex) {
        case 0: std::stable_sort(entries_.begin(), entries_.end(), byNumber); break;
        case 1: std::stable_sort(entries_.begin(), entries_.end(), byName); break;
        case 2: std::stable_sort(entries_.begin(), entries_.end(), byCatalog); break;
        case 3: std::stable_sort(entries_.begin(), entries_.end(), byRA); break;
        case 4: std::stable_sort(entries_.begin(), entries_.end(), byDec); break;
        default: break;
    }
}

std::vector<std::vector<std::string>> LibraryList::FillLibraryGrid() const {
    std::vector<std::vector<std::string>> grid;
    grid.reserve(entries_.size() + 1);
    grid.push_back({"#", "Zev #", "Name", "Catalog", "RA", "Dec"});
    int row = 1;
    for (const TStarLib* record : entries_) {
        grid.push_back({std::to_string(row), std::to_string(record->Number), record->Name, record->Catalog,
                        FormatSexagesimal(false, record->RA), FormatSexagesimal(false, record->Dec)});
        ++row;
    }
    return grid;
}

int LibraryList::SelectedLibraryNumber(int gridRow) const {
    if (gridRow < 1 || gridRow > size()) return 0;
    return entries_[static_cast<size_t>(gridRow - 1)]->Number;
}

LibraryList::SearchResult LibraryList::SearchLibrary(const std::string& text, int currentGridRow,
                                                     bool down) const {
    const int n = size();
    auto matches = [&](const TStarLib* record) {
        return PosWildcard(text, record->Name, '?') > 0 || PosWildcard(text, record->Catalog, '?') > 0;
    };
    // An empty text would match at the first character of every record; the
    // operator has asked for nothing, so nothing is found.
    if (!text.empty()) {
        // The entry under the cursor, -1 when no row is current.
        const int current = std::clamp(currentGridRow - 1, -1, n);
        if (down) {
            for (int i = current + 1; i < n; ++i)
                if (matches(entries_[static_cast<size_t>(i)])) return {true, i + 1, ""};
        } else {
            for (int i = current < 0 ? n - 1 : current - 1; i >= 0; --i)
                if (matches(entries_[static_cast<size_t>(i)])) return {true, i + 1, ""};
        }
    }
    return {false, currentGridRow, "Not Found: " + text};
}

}  // namespace orv
