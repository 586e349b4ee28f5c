#include "calibration/textgrid.h"

#include <QApplication>
#include <QHeaderView>
#include <QPalette>
#include <QTableView>
#include <algorithm>

#include "platform/formkit.h"

TextGridModel::TextGridModel(int columns, int rows, QObject* parent)
    : QAbstractTableModel(parent), cols_(columns), rows_(std::max(rows, 1)), cells_(size_t(rows_) * size_t(cols_)) {}

void TextGridModel::SetRowCount(int rows) {
    rows = std::max(rows, 1);
    if (rows == rows_) return;
    if (rows < rows_) {
        beginRemoveRows(QModelIndex(), rows - 1, rows_ - 2);
        rows_ = rows;
        cells_.resize(size_t(rows_) * size_t(cols_));
        endRemoveRows();
    } else {
        beginInsertRows(QModelIndex(), rows_ - 1, rows - 2);
        rows_ = rows;
        cells_.resize(size_t(rows_) * size_t(cols_));
        endInsertRows();
    }
}

QString TextGridModel::Cell(int col, int row) const { return CellText(col, row); }

const QString& TextGridModel::CellText(int col, int row) const {
    static const QString none;
    if (col < 0 || col >= cols_ || row < 0 || row >= rows_) return none;
    return cells_[size_t(row) * size_t(cols_) + size_t(col)];
}

void TextGridModel::SetCell(int col, int row, const QString& text) {
    if (col < 0 || col >= cols_ || row < 0 || row >= rows_) return;
    cells_[size_t(row) * size_t(cols_) + size_t(col)] = text;
    changed(col, row, row);
}

void TextGridModel::changed(int col, int first, int last) {
    if (first == 0) {
        emit headerDataChanged(Qt::Horizontal, col, col);
        ++first;
    }
    if (first <= last) emit dataChanged(index(first - 1, col), index(last - 1, col), {Qt::DisplayRole});
}

int TextGridModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : rows_ - 1; }

int TextGridModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : cols_; }

QVariant TextGridModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) return {};
    if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole) return Cell(index.column(), index.row() + 1);
    // The first column is fixed, as the header row is.
    if (role == Qt::BackgroundRole && index.column() == 0) return QApplication::palette().button();
    return {};
}

QVariant TextGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole) return Cell(section, 0);
    // A screen reader reads a column by its header without the padding, and a row by its
    // number in the grid (the header row being row 0).
    if (orientation == Qt::Horizontal && role == Qt::AccessibleTextRole) {
        const QString shown = Cell(section, 0).trimmed();
        return shown.isEmpty() ? columnNames_.value(section) : shown;
    }
    if (orientation == Qt::Vertical && role == Qt::AccessibleTextRole) return QString::number(section + 1);
    return {};
}

QTableView* TextGridView(QWidget* parent, const char* name, TextGridModel* model, std::initializer_list<int> widths) {
    auto* v = FormKit::Named(new QTableView(parent), name);
    v->verticalHeader()->hide();
    // One height for every row, so no row is ever measured: a layout of many rows stays cheap.
    // Set before the model comes, so its rows are made at that height rather than made and
    // then resized one by one.
    v->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    v->verticalHeader()->setDefaultSectionSize(v->fontMetrics().height() + 4);
    v->setModel(model);
    v->horizontalHeader()->setSectionsClickable(false);
    v->horizontalHeader()->setHighlightSections(false);
    v->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    v->setSelectionBehavior(QAbstractItemView::SelectRows);
    v->setSelectionMode(QAbstractItemView::SingleSelection);
    v->setEditTriggers(QAbstractItemView::NoEditTriggers);
    v->setWordWrap(false);
    v->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    const double scale = std::max(1.0, v->fontMetrics().averageCharWidth() / 5.0);
    int c = 0;
    for (int w : widths) v->setColumnWidth(c++, int(w * scale + 0.5));
    return v;
}

int GridRowOf(const QModelIndex& index) { return index.isValid() ? index.row() + 1 : -1; }
