#include "ui/MovementGrids.h"

#include <QApplication>
#include <QLineEdit>
#include <QPainter>

#include "astro/ObjectLibrary.h"
#include "config/MarkTable.h"
#include "controllers/MarkGrid.h"
#include "ui/UiSupport.h"

namespace orv::ui {

LibraryGridModel::LibraryGridModel(const LibraryList& list, QObject* parent)
    : QAbstractTableModel(parent), list_(list), grid_(list.FillLibraryGrid()) {}

void LibraryGridModel::FillLibraryGrid() {
    beginResetModel();
    grid_ = list_.FillLibraryGrid();
    endResetModel();
}

int LibraryGridModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() || grid_.empty() ? 0 : static_cast<int>(grid_.size()) - 1;
}

int LibraryGridModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() || grid_.empty() ? 0 : static_cast<int>(grid_.front().size());
}

QVariant LibraryGridModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid()) return {};
    return ToQString(grid_.at(static_cast<size_t>(index.row()) + 1).at(static_cast<size_t>(index.column())));
}

QVariant LibraryGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal || grid_.empty()) return {};
    return ToQString(grid_.front().at(static_cast<size_t>(section)));
}

MarkGridModel::MarkGridModel(MarkTable& table, QObject* parent) : QAbstractTableModel(parent), table_(table) {}

void MarkGridModel::refresh() { emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1)); }

int MarkGridModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : MarkGridRows - 1; }
int MarkGridModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : MarkGridColumns; }

QVariant MarkGridModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole)) return {};
    return ToQString(MarkCellText(table_, index.row() + 1, index.column()));
}

QVariant MarkGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal) return {};
    return ToQString(MarkColumnTitle(section));
}

Qt::ItemFlags MarkGridModel::flags(const QModelIndex& index) const {
    Qt::ItemFlags f = QAbstractTableModel::flags(index);
    if (index.column() != MarkNumberColumn) f |= Qt::ItemIsEditable;
    return f;
}

bool MarkGridModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (role != Qt::EditRole || !index.isValid()) return false;
    if (!StoreMarkCell(table_, index.row() + 1, index.column(), ToStd(value.toString()))) return false;
    emit dataChanged(index.siblingAtColumn(0), index.siblingAtColumn(MarkGridColumns - 1));
    return true;
}

namespace {

// Characters that Qt's input masks read as commands, escaped when a grid mask
// means them literally.
bool QtMaskCommand(QChar c) { return QStringLiteral("AaNnXx90Dd#HhBb><![]{}\\").contains(c); }

// The mask without its ";1" (keep literals) tail.
std::string MaskBody(const std::string& gridMask) { return gridMask.substr(0, gridMask.find(';')); }

int MaskWidth(const std::string& gridMask) {
    int width = 0;
    const std::string body = MaskBody(gridMask);
    for (size_t i = 0; i < body.size(); ++i) {
        if (body[i] == '!') continue;
        if (body[i] == '\\') ++i;
        ++width;
    }
    return width;
}

}  // namespace

QString QtInputMask(const std::string& gridMask) {
    const std::string body = MaskBody(gridMask);
    if (body.empty()) return {};
    QString mask;
    for (size_t i = 0; i < body.size(); ++i) {
        const char c = body[i];
        if (c == '!') continue;                 // right alignment: MaskedEditText does it
        if (c == '0') mask += '9';              // a digit, required
        else if (c == '#') mask += '#';         // a digit or sign, optional
        else if (c == '9') mask += '0';         // a digit, optional
        else {
            const QChar literal = QLatin1Char(c == '\\' && i + 1 < body.size() ? body[++i] : c);
            if (QtMaskCommand(literal)) mask += '\\';
            mask += literal;
        }
    }
    return mask + "; ";   // untyped places show as blanks
}

QString MaskedEditText(const std::string& gridMask, const QString& text) {
    if (gridMask.empty() || gridMask.front() != '!') return text;
    return text.rightJustified(MaskWidth(gridMask), ' ');
}

void MarkCellDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
    QStyleOptionViewItem o = option;
    initStyleOption(&o, index);
    const QString text = o.text;
    o.text.clear();
    // Background and selection only: the base class's paint would draw the text again.
    const QWidget* view = option.widget;
    QStyle* style = view ? view->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &o, painter, view);
    painter->save();
    painter->setClipRect(option.rect);
    painter->setPen(option.palette.color(option.state & QStyle::State_Selected ? QPalette::HighlightedText
                                                                               : QPalette::Text));
    const QRect at = option.rect.adjusted(2, 2, 0, 0);
    painter->drawText(at, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, text);
    painter->restore();
}

QWidget* MarkCellDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem&, const QModelIndex& index) const {
    auto* edit = new QLineEdit(parent);
    edit->setFrame(false);
    edit->setInputMask(QtInputMask(MarkColumnEditMask(index.column())));
    return edit;
}

void MarkCellDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const {
    auto* edit = static_cast<QLineEdit*>(editor);
    edit->setText(MaskedEditText(MarkColumnEditMask(index.column()), index.data(Qt::EditRole).toString()));
}

void MarkCellDelegate::setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const {
    // The text as shown, literals and all: the grid's parsing reads the numbers out of it.
    model->setData(index, static_cast<QLineEdit*>(editor)->displayText(), Qt::EditRole);
}

int GridView::gridRow() const {
    const QModelIndex current = currentIndex();
    return current.isValid() ? current.row() + 1 : 0;
}

void GridView::selectGridRow(int row) {
    if (!model() || row < 1 || row > model()->rowCount()) return;
    const int column = std::max(currentIndex().column(), 0);
    setCurrentIndex(model()->index(row - 1, column));
    scrollTo(currentIndex());
}

void GridView::leaveEditing() {
    if (state() != QAbstractItemView::EditingState) return;
    if (QWidget* editor = indexWidget(currentIndex())) {
        commitData(editor);
        closeEditor(editor, QAbstractItemDelegate::NoHint);
    }
}

}  // namespace orv::ui
