#pragma once
// A grid of texts that can hold tens of thousands of rows: one string per cell in one
// vector, shown by a view, never an item object per cell. Grid row 0 is the fixed header
// row and is shown in the view's header; grid rows 1..n-1 are the model's rows 0..n-2.
#include <QAbstractTableModel>
#include <QString>
#include <QStringList>
#include <algorithm>
#include <initializer_list>
#include <vector>

class QTableView;
class QWidget;

class TextGridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    TextGridModel(int columns, int rows, QObject* parent = nullptr);

    // Grid rows, the header row included (at least 1).
    int RowCount() const { return rows_; }
    // Rows kept keep their texts; new rows are empty. Below 1 counts as 1.
    void SetRowCount(int rows);
    // An empty text outside the grid.
    QString Cell(int col, int row) const;
    // The same without a copy, for reading every cell of a column.
    const QString& CellText(int col, int row) const;
    // Ignored outside the grid.
    void SetCell(int col, int row, const QString& text);
    // What a screen reader calls each column while its header cell is empty.
    void SetColumnNames(const QStringList& names) { columnNames_ = names; }
    // Rows first..last of one column from text(row), shown with one update.
    template <class F>
    void FillColumn(int col, int first, int last, F&& text) {
        if (col < 0 || col >= cols_) return;
        first = std::max(first, 0);
        last = std::min(last, rows_ - 1);
        if (first > last) return;
        for (int r = first; r <= last; ++r) cells_[size_t(r) * size_t(cols_) + size_t(col)] = text(r);
        changed(col, first, last);
    }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    void changed(int col, int first, int last);
    int cols_;
    int rows_;
    std::vector<QString> cells_;
    QStringList columnNames_;
};

// The view of a text grid: whole-row selection, no editing in place, rows of one height.
QTableView* TextGridView(QWidget* parent, const char* name, TextGridModel* model, std::initializer_list<int> widths);
// The model row index of grid row r, and back.
int GridRowOf(const QModelIndex& index);
