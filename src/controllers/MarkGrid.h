#pragma once
// The mark grid of the Movement dialog: 5 columns, 501 rows; row 0 holds the
// titles and row r shows entry r - 1. These functions give the cell texts,
// turn edited cell texts back into entries, and carry out the row commands;
// the dialog only draws and forwards.

#include <string>

#include "config/MarkTable.h"

namespace orv {

inline constexpr int MarkGridColumns = 5;
inline constexpr int MarkGridRows = MarkTable::Capacity + 1;

enum MarkColumn : int { MarkNumberColumn = 0, MarkDescriptionColumn, MarkRAColumn, MarkDecColumn, MarkEpochColumn };

// "#", "Description", "RA", "Dec", "Epoch"; "" outside the columns.
std::string MarkColumnTitle(int column);

// The edit mask of a column: "" for the number and description columns.
std::string MarkColumnEditMask(int column);

// Epoch with one decimal and at least four integer digits: 950 -> "0950.0".
std::string FormatEpochCell(double epoch);

// The text of one cell of entry e in the given column (row number r for column 0).
std::string MarkCellText(const TMarkEntry& e, int row, int column);
// The text of cell (row, column) of the grid: the titles in row 0; "" outside the grid.
std::string MarkCellText(const MarkTable& table, int row, int column);

// Hours or degrees from an edited RA or Dec cell: every "-" is removed and,
// if there was any, the result negated; then up to three numbers (units,
// minutes, seconds) are taken in turn, stopping at the first missing one.
// "-12 30 00" and "1-2 30" both give -12.5.
double ParseSexagesimalCell(const std::string& text);

// Entry e with the edited text of a column stored: the description as typed,
// RA and Dec as above, the epoch the first number of the text or unchanged
// when the text has none. Column 0 and unknown columns change nothing.
TMarkEntry ApplyMarkCellEdit(TMarkEntry e, int column, const std::string& text);

// Stores an edited cell of row 1..500 in the table and sets MarksChanged.
// False, nothing changed, for the title row, the number column or outside the grid.
bool StoreMarkCell(MarkTable& table, int row, int column, const std::string& text);

// "Move Mark Up" / "Move Mark Down" on the selected row: exchange the entry with
// its neighbour if there is one; MarksChanged is set either way. Returns the
// row to select next.
int MoveMarkUp(MarkTable& table, int selectedRow);
int MoveMarkDown(MarkTable& table, int selectedRow);

// The find dialog: the row of the first entry below the selected row whose
// description contains text, ignoring case; 0 if none.
int FindMarkRow(const MarkTable& table, int selectedRow, const std::string& text);
// The warning when FindMarkRow finds nothing: Not Found: "text".
std::string NotFoundMessage(const std::string& text);

// "Use Current Location": inserts an entry without description at the selected
// row's index. "Delete Mark": deletes the selected row's entry. Both set MarksChanged.
bool InsertCurrentLocation(MarkTable& table, int selectedRow, double ra, double dec, double epoch);
bool DeleteMarkRow(MarkTable& table, int selectedRow);

}  // namespace orv
