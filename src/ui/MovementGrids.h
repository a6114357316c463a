#pragma once
// The two grids of the Movement window as Qt item models and views: the
// object library (436 rows, read-only, whole-row selection) and the mark table
// (500 editable rows, the texts and parsing of MarkGrid). The grids' title row
// is the views' header; grid row r is view row r - 1.

#include <QAbstractTableModel>
#include <QStyledItemDelegate>
#include <QTableView>
#include <string>
#include <vector>

namespace orv {
class LibraryList;
class MarkTable;
}  // namespace orv

namespace orv::ui {

// The library grid of the display list in its current order.
class LibraryGridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit LibraryGridModel(const LibraryList& list, QObject* parent = nullptr);
    // Fills the grid again from the list (after a sort).
    void FillLibraryGrid();

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    const LibraryList& list_;
    std::vector<std::vector<std::string>> grid_;   // row 0: the titles
};

// The mark grid over the shared mark table; every read shows the table as it is now.
class MarkGridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit MarkGridModel(MarkTable& table, QObject* parent = nullptr);
    // Repaints every cell (after a move, insertion, deletion or load).
    void refresh();

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    // Stores an edited cell (and marks the table changed).
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;

private:
    MarkTable& table_;
};

// A column's edit mask in Qt's notation, from the grid's mask ("#0\ 00\ 00.0;1"):
// required digits '9', optional digits or signs '#', literals as they are.
QString QtInputMask(const std::string& gridMask);
// The text offered for editing: right-aligned in the mask's width when the
// mask starts with '!' (a positive declination "12 30 00" as " 12 30 00").
QString MaskedEditText(const std::string& gridMask, const QString& text);

// Draws each mark cell's text 2 pixels right of and below the cell's corner,
// and edits it through the column's mask.
class MarkCellDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override;
};

// A grid whose current row counts as the grid's row (1 for the first entry,
// 0 for none), with a way to end cell editing before the rows move.
class GridView : public QTableView {
    Q_OBJECT
public:
    using QTableView::QTableView;
    int gridRow() const;
    void selectGridRow(int row);
    // Stores what the open cell editor holds and closes it.
    void leaveEditing();
};

}  // namespace orv::ui
