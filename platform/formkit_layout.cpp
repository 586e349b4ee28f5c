// Room for what a control shows: sizes from the control's font and its style's metrics.
#include <QAbstractItemModel>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOption>
#include <QTableView>
#include <algorithm>
#include <array>
#include <cmath>

#include "platform/formkit.h"

namespace FormKit {

namespace {
// A line edit draws its text two pixels in from each side of the style's contents rectangle and
// scrolls it once the text, a pixel and the cursor no longer fit.
int EditTextRoom(const QWidget* edit, const QString& text) {
    const QFontMetricsF fm(edit->font());
    return int(std::ceil(fm.horizontalAdvance(text))) + 2 * 2 + 1 +
           edit->style()->pixelMetric(QStyle::PM_TextCursorWidth, nullptr, edit);
}

QStyleOptionViewItem CellOption(const QTableView* view) {
    QStyleOptionViewItem o;
    o.initFrom(view);
    o.font = view->font();
    o.fontMetrics = QFontMetrics(o.font);
    o.widget = view;
    o.textElideMode = view->textElideMode();
    if (view->wordWrap()) o.features |= QStyleOptionViewItem::WrapText;
    return o;
}
}  // namespace

void Plate(QLabel* label) {
    label->setAutoFillBackground(true);
    label->setAlignment(Qt::AlignCenter);
    label->setMargin(label->style()->pixelMetric(QStyle::PM_ButtonMargin, nullptr, label));
}

void FitText(QWidget* control, const QString& widest) {
    QStyle* s = control->style();
    const int high = control->fontMetrics().height();
    int need = 0;
    if (auto* list = qobject_cast<QComboBox*>(control)) {
        QStyleOptionComboBox o;
        o.initFrom(list);
        o.editable = list->isEditable();
        o.frame = list->hasFrame();
        const int text = o.editable ? EditTextRoom(list, widest) : list->fontMetrics().horizontalAdvance(widest);
        need = s->sizeFromContents(QStyle::CT_ComboBox, &o, QSize(text, high), list).width();
        if (o.editable) {
            // The edit sits in the list's edit field: whatever the style keeps around that field
            // beyond what it adds to a content is room the text needs as well.
            o.rect = QRect(0, 0, need, list->height());
            const QRect field = s->subControlRect(QStyle::CC_ComboBox, &o, QStyle::SC_ComboBoxEditField, list);
            need += std::max(0, text - field.width());
        }
    } else if (auto* edit = qobject_cast<QLineEdit*>(control)) {
        QStyleOptionFrame o;
        o.initFrom(edit);
        o.lineWidth = edit->hasFrame() ? s->pixelMetric(QStyle::PM_DefaultFrameWidth, &o, edit) : 0;
        const QMargins m = edit->textMargins();
        need = s->sizeFromContents(QStyle::CT_LineEdit, &o,
                                   QSize(EditTextRoom(edit, widest) + m.left() + m.right(), high), edit)
                   .width();
    } else {
        return;
    }
    control->setMinimumWidth(std::max(control->minimumWidth(), need));
}

void FitColumn(QTableView* view, int column, int minWidth, const std::function<const QString&(int row)>& text) {
    const QAbstractItemModel* model = view->model();
    if (!model || column < 0 || column >= model->columnCount()) return;
    // Tens of thousands of rows are measured character by character from a table of the
    // font's advances: the widest text is then measured whole.
    const QFontMetrics fm(view->font());
    std::array<int, 256> advance;
    advance.fill(-1);
    auto width = [&](const QString& t) {
        int w = 0;
        for (QChar ch : t) {
            const char16_t u = ch.unicode();
            if (u >= 256) return fm.horizontalAdvance(t);
            int& a = advance[u];
            if (a < 0) a = fm.horizontalAdvance(ch);
            w += a;
        }
        return w;
    };
    int widestRow = -1, widest = -1;
    for (int r = 0, n = model->rowCount(); r < n; ++r) {
        const int w = width(text(r));
        if (w > widest) widest = w, widestRow = r;
    }
    int need = minWidth;
    const int grid = view->showGrid() ? 1 : 0;
    if (widestRow >= 0) {
        const QModelIndex idx = model->index(widestRow, column);
        need = std::max(need, view->itemDelegateForIndex(idx)->sizeHint(CellOption(view), idx).width() + grid);
    }
    if (const QHeaderView* h = view->horizontalHeader(); h->isVisible())
        need = std::max(need, h->sectionSizeHint(column));
    view->setColumnWidth(column, need);
}

void ShowAllRows(QTableView* view) {
    const QAbstractItemModel* model = view->model();
    if (!model) return;
    const int grid = view->showGrid() ? 1 : 0;
    // One line of text, a pixel of air above and below it, and the grid line.
    int row = view->fontMetrics().height();
    if (model->rowCount() > 0 && model->columnCount() > 0) {
        const QModelIndex idx = model->index(0, 0);
        row = std::max(row, view->itemDelegateForIndex(idx)->sizeHint(CellOption(view), idx).height());
    }
    row += 2 + grid;
    QHeaderView* rows = view->verticalHeader();
    rows->setMinimumSectionSize(row);
    rows->setDefaultSectionSize(row);
    rows->setSectionResizeMode(QHeaderView::Fixed);
    view->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    view->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    int width = 0;
    for (int c = 0; c < model->columnCount(); ++c)
        if (!view->isColumnHidden(c)) width += view->columnWidth(c);
    const int frame = 2 * view->frameWidth();
    const QHeaderView* header = view->horizontalHeader();
    const int top = header->isVisible() ? header->sizeHint().height() : 0;
    view->setFixedSize(width + frame, top + model->rowCount() * row + frame);
}

void ShowAllColumns(QTableView* view) {
    const QAbstractItemModel* model = view->model();
    if (!model) return;
    int width = 2 * view->frameWidth();
    for (int c = 0; c < model->columnCount(); ++c)
        if (!view->isColumnHidden(c)) width += view->columnWidth(c);
    if (view->verticalScrollBarPolicy() != Qt::ScrollBarAlwaysOff)
        width += view->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, view->verticalScrollBar());
    view->setMinimumWidth(width);
}

}  // namespace FormKit
