#include "controllers/MarkGrid.h"

#include <algorithm>
#include <cmath>

#include "astro/TextFormats.h"

namespace orv {

namespace {

bool EntryRow(int row) { return row >= 1 && row <= MarkTable::Capacity; }

}  // namespace

std::string MarkColumnTitle(int column) {
    switch (column) {
        case MarkNumberColumn: return "#";
        case MarkDescriptionColumn: return "Description";
        case MarkRAColumn: return "RA";
        case MarkDecColumn: return "Dec";
        case MarkEpochColumn: return "Epoch";
        default: return "";
    }
}

std::string MarkColumnEditMask(int column) {
    switch (column) {
        case MarkRAColumn: return "#0\\ 00\\ 00.0;1";
        case MarkDecColumn: return "!##0\\ 00\\ 00;1";
        case MarkEpochColumn: return "0000.0;1";
        default: return "";
    }
}

std::string FormatEpochCell(double epoch) {
    if (!std::isfinite(epoch)) return FormatFixed(epoch, 1);
    std::string digits = FormatFixed(std::fabs(epoch), 1);
    size_t point = digits.find('.');
    if (point < 4) digits.insert(0, 4 - point, '0');
    // A value that rounds to 0.0 shows without sign.
    return (epoch < 0 && FormatFixed(epoch, 1)[0] == '-') ? "-" + digits : digits;
}

std::string MarkCellText(const TMarkEntry& e, int row, int column) {
    switch (column) {
        case MarkNumberColumn: return std::to_string(row);
        case MarkDescriptionColumn: return e.description;
        case MarkRAColumn: return FormatSexagesimal(true, e.RA);
        case MarkDecColumn: return FormatSexagesimal(false, e.Dec);
        case MarkEpochColumn: return FormatEpochCell(e.Epoch);
        default: return "";
    }
}

std::string MarkCellText(const MarkTable& table, int row, int column) {
    if (row == 0) return MarkColumnTitle(column);
    if (!EntryRow(row)) return "";
    return MarkCellText(table.entry(row - 1), row, column);
}

double ParseSexagesimalCell(const std::string& text) {
    std::string unsigned_;
    unsigned_.reserve(text.size());
    for (char c : text)
        if (c != '-') unsigned_ += c;
    const bool negative = unsigned_.size() != text.size();

    double fields[3] = {0, 0, 0};
    int pos = 1;
    for (double& f : fields)
        if (!ExtractNumber(unsigned_, pos, f)) break;
    double v = fields[0] + fields[1] / 60.0 + fields[2] / 3600.0;
    return negative ? -v : v;
}

TMarkEntry ApplyMarkCellEdit(TMarkEntry e, int column, const std::string& text) {
    switch (column) {
        case MarkDescriptionColumn: e.description = text; break;
        case MarkRAColumn: e.RA = ParseSexagesimalCell(text); break;
        case MarkDecColumn: e.Dec = ParseSexagesimalCell(text); break;
        case MarkEpochColumn:
            if (ContainsNumber(text)) e.Epoch = ScanNumber(text);
            break;
        default: break;
    }
    return e;
}

bool StoreMarkCell(MarkTable& table, int row, int column, const std::string& text) {
    if (!EntryRow(row) || column < MarkDescriptionColumn || column > MarkEpochColumn) return false;
    table.setEntry(row - 1, ApplyMarkCellEdit(table.entry(row - 1), column, text));
    table.setMarksChanged(true);
    return true;
}

int MoveMarkUp(MarkTable& table, int selectedRow) {
    table.setMarksChanged(true);
    const int i = selectedRow - 1;
    if (i > 0 && i < MarkTable::Capacity) {
        table.SwapMarks(i - 1, i);
        return selectedRow - 1;
    }
    return selectedRow;
}

int MoveMarkDown(MarkTable& table, int selectedRow) {
    table.setMarksChanged(true);
    const int i = selectedRow - 1;
    if (i >= 0 && i < MarkTable::Capacity - 1) {
        table.SwapMarks(i, i + 1);
        return selectedRow + 1;
    }
    return selectedRow;
}

int FindMarkRow(const MarkTable& table, int selectedRow, const std::string& text) {
    // Row r shows entry r - 1, so starting at index r searches below the selection.
    int index = table.FindMark(std::max(selectedRow, 0), text);
    return index < 0 ? 0 : index + 1;
}

std::string NotFoundMessage(const std::string& text) { return "Not Found: \"" + text + "\""; }

bool InsertCurrentLocation(MarkTable& table, int selectedRow, double ra, double dec, double epoch) {
    return table.InsertMark(TMarkEntry{"", ra, dec, epoch}, selectedRow - 1);
}

bool DeleteMarkRow(MarkTable& table, int selectedRow) { return table.DeleteMark(selectedRow - 1); }

}  // namespace orv
