#include "platform/loglist.h"

#include <QHeaderView>

#include "platform/formkit.h"

int TLogLines::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : count(); }

QVariant TLogLines::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= count()) return {};
    // A received NUL is shown as a symbol (it would end the text a screen reader gets); the line
    // itself, which the log file takes, keeps the byte.
    if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole) return FormKit::ShownLogText(text(index.row()));
    return {};
}

void TLogLines::insertLine(int row, const QString& text) {
    row = std::clamp(row, 0, count());
    beginInsertRows({}, row, row);
    if (row == 0)
        lines_.push_front(text);
    else if (row == count())
        lines_.push_back(text);
    else
        lines_.insert(lines_.begin() + row, text);
    endInsertRows();
}

void TLogLines::setLines(const QStringList& lines) {
    beginResetModel();
    lines_.assign(lines.begin(), lines.end());
    endResetModel();
}

void TLogLines::clear() {
    beginResetModel();
    lines_.clear();
    endResetModel();
}

TLogList::TLogList(QWidget* parent) : QTableView(parent), lines_(this) {
    setModel(&lines_);
    horizontalHeader()->hide();
    verticalHeader()->hide();
    // One height for every row, taken from the font, never from the rows.
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 2);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    setShowGrid(false);
    setWordWrap(false);
    setTextElideMode(Qt::ElideNone);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setFocusPolicy(Qt::NoFocus);
    fitColumn();
}

QStringList TLogList::lines() const {
    QStringList out;
    out.reserve(count());
    for (int i = 0; i < count(); ++i) out << lines_.text(i);
    return out;
}

void TLogList::insertLine(int row, const QString& text) {
    lines_.insertLine(row, text);
    // Measuring a line means shaping its text; a line too short to be the widest is not measured.
    const QFontMetrics fm = fontMetrics();
    if (qsizetype(fm.maxWidth()) * text.size() + 8 <= widest_) return;
    const int w = fm.horizontalAdvance(text) + 8;
    if (w > widest_) {
        widest_ = w;
        fitColumn();
    }
}

void TLogList::setLines(const QStringList& lines) {
    lines_.setLines(lines);
    widest_ = 0;
    for (const QString& l : lines) widest_ = std::max(widest_, fontMetrics().horizontalAdvance(l) + 8);
    fitColumn();
}

void TLogList::clear() {
    lines_.clear();
    widest_ = 0;
    fitColumn();
}

void TLogList::resizeEvent(QResizeEvent* e) {
    QTableView::resizeEvent(e);
    fitColumn();
}

void TLogList::fitColumn() { setColumnWidth(0, std::max(widest_, viewport()->width())); }
