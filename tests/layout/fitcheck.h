#pragma once
// Does every text a window shows fit the control that shows it? FitOffences walks the visible
// controls of a shown window and measures each text in the control's own font against the room
// the style leaves for it: the style option is the one the control paints with, and frames,
// margins, indicators, arrows and padding come from the style, not from guesses.
//
// Labels, buttons, check and radio boxes, line edits (also those inside spin boxes and combo
// boxes, with every value or item they can show), drop-down lists (every item), tab captions,
// group box titles, grid headers and grid cells (the visible ones and, per column, the widest
// of all rows), memos without a scroll bar (no line may wrap out of sight), and every control
// cut off by the edge of its parent or window.
//
// A text that ends in an ellipsis was shortened on purpose: the control must then carry the
// whole text as its tool tip and as its accessible name.
#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QCheckBox>
#include <QComboBox>
#include <QFontMetricsF>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QStyle>
#include <QStyleOption>
#include <QTabBar>
#include <QTableView>
#include <QTextBlock>
#include <QTextLayout>
#include <algorithm>
#include <cmath>

namespace Fit {

// The protected style-option initialisers of the controls, reached as their paint events reach them.
struct ButtonPeek : QPushButton {
    using QPushButton::initStyleOption;
};
struct CheckPeek : QCheckBox {
    using QCheckBox::initStyleOption;
};
struct RadioPeek : QRadioButton {
    using QRadioButton::initStyleOption;
};
struct EditPeek : QLineEdit {
    using QLineEdit::initStyleOption;
};
struct ComboPeek : QComboBox {
    using QComboBox::initStyleOption;
};
struct TabPeek : QTabBar {
    using QTabBar::initStyleOption;
};
struct GroupPeek : QGroupBox {
    using QGroupBox::initStyleOption;
};
struct HeaderPeek : QHeaderView {
    static void init(const QHeaderView* h, QStyleOptionHeader* o) {
        void (QHeaderView::*f)(QStyleOptionHeader*) const = &HeaderPeek::initStyleOption;
        (h->*f)(o);
    }
};
struct ViewPeek : QAbstractItemView {
    using QAbstractItemView::initViewItemOption;
};

// A content so wide that no minimum width of a style applies: what the style adds to it is what
// the control needs beside its text.
constexpr int Wide = 4000;

class Checker {
public:
    Checker(QWidget* window, QString windowName) : window_(window), windowName_(std::move(windowName)) {}

    QStringList run() {
        const QList<QWidget*> all = window_->findChildren<QWidget*>();
        for (QWidget* w : all) {
            if (!w->isVisibleTo(window_) || w->isWindow()) continue;
            if (auto* l = qobject_cast<QLabel*>(w))
                label(l);
            else if (auto* b = qobject_cast<QPushButton*>(w))
                pushButton(b);
            else if (auto* c = qobject_cast<QCheckBox*>(w))
                checkBox(c);
            else if (auto* r = qobject_cast<QRadioButton*>(w))
                radio(r);
            else if (auto* e = qobject_cast<QLineEdit*>(w))
                lineEdit(e);
            else if (auto* cb = qobject_cast<QComboBox*>(w))
                combo(cb);
            else if (auto* t = qobject_cast<QTabBar*>(w))
                tabBar(t);
            else if (auto* g = qobject_cast<QGroupBox*>(w))
                groupBox(g);
            else if (auto* v = qobject_cast<QTableView*>(w))
                table(v);
            else if (auto* m = qobject_cast<QPlainTextEdit*>(w))
                memo(m);
            else
                continue;
            cutOff(w);
        }
        return offences_;
    }

private:
    static QString nameOf(const QWidget* w) {
        if (!w->objectName().isEmpty() && !w->objectName().startsWith(QLatin1String("qt_"))) return w->objectName();
        for (const QWidget* p = w->parentWidget(); p; p = p->parentWidget())
            if (!p->objectName().isEmpty() && !p->objectName().startsWith(QLatin1String("qt_")))
                return p->objectName() + QLatin1Char('/') + QLatin1String(w->metaObject()->className());
        return QLatin1String(w->metaObject()->className());
    }

    void offence(const QWidget* w, const QString& where, const QString& text, int need, int room, const char* what) {
        offences_ << QStringLiteral("%1: %2%3 \"%4\": %5 %6 px, room %7 px")
                         .arg(windowName_, nameOf(w), where, text, QLatin1String(what))
                         .arg(need)
                         .arg(room);
    }

    // A shortened text stands for the whole one, which the tool tip and the accessible name give.
    void elision(const QWidget* w, const QString& shown) {
        if (!shown.endsWith(QChar(0x2026))) return;
        const QString whole = w->toolTip();
        if (whole.isEmpty() || w->accessibleName() != whole || !whole.startsWith(shown.chopped(1)))
            offence(w, {}, shown, 0, 0, "shortened without the whole text as tool tip and accessible name:");
    }

    static int advance(const QFontMetrics& fm, const QString& text, bool mnemonic) {
        int width = 0;
        for (const QString& line : text.split(QLatin1Char('\n')))
            width =
                std::max(width, mnemonic ? fm.size(Qt::TextShowMnemonic, line).width() : fm.horizontalAdvance(line));
        return width;
    }

    void label(QLabel* l) {
        const QString text = l->text();
        if (text.isEmpty() || l->textFormat() == Qt::RichText ||
            (l->textFormat() == Qt::AutoText && Qt::mightBeRichText(text)))
            return;
        elision(l, text);
        const QFontMetrics fm(l->font());
        const int m = l->margin();
        QRect cr = l->contentsRect().adjusted(m, m, -m, -m);
        int indent = l->indent();
        if (indent < 0 && l->frameWidth() > 0) indent = fm.horizontalAdvance(QLatin1Char('x')) / 2;
        if (indent > 0) {
            const Qt::Alignment a = QStyle::visualAlignment(l->layoutDirection(), l->alignment());
            if (a & Qt::AlignLeft) cr.setLeft(cr.left() + indent);
            if (a & Qt::AlignRight) cr.setRight(cr.right() - indent);
        }
        const int lines = int(text.count(QLatin1Char('\n'))) + 1;
        if (l->wordWrap()) {
            const int need = l->heightForWidth(l->width());
            if (need > l->height()) offence(l, {}, text, need, l->height(), "wraps to a height of");
            return;
        }
        const int width = advance(fm, text, l->buddy() != nullptr);
        if (width > cr.width()) offence(l, {}, text, width, cr.width(), "needs");
        const int height = lines == 1 ? fm.height() : lines * fm.lineSpacing();
        if (height > cr.height()) offence(l, {}, text, height, cr.height(), "is higher than its label:");
        // A text on a plate of its own colour keeps the padding a button gives its caption.
        if (l->autoFillBackground() && width <= cr.width()) {
            const int pad = l->style()->pixelMetric(QStyle::PM_ButtonMargin, nullptr, l);
            const QRect drawn = l->style()->itemTextRect(fm, cr, int(l->alignment()), l->isEnabled(), text);
            const int left = drawn.left(), right = l->width() - 1 - drawn.right();
            if (left < pad || right < pad)
                offence(l, {}, text, width + 2 * pad, l->width(), "needs, with padding on its coloured plate,");
        }
    }

    template <class Option>
    void button(QAbstractButton* b, const Option& o, QStyle::ContentsType type) {
        const QString text = b->text();
        if (text.isEmpty()) return;
        elision(b, text);
        const QFontMetrics fm(b->font());
        int width = advance(fm, text, true);
        if (!b->icon().isNull()) width += b->iconSize().width() + 4;
        QStyle* s = b->style();
        const int need = width + s->sizeFromContents(type, &o, QSize(Wide, fm.height()), b).width() - Wide;
        if (need > b->width()) offence(b, {}, text, need, b->width(), "needs");
        const int high = s->sizeFromContents(type, &o, QSize(Wide, fm.height()), b).height();
        if (type != QStyle::CT_PushButton && high > b->height()) offence(b, {}, text, high, b->height(), "is higher:");
    }
    void pushButton(QPushButton* b) {
        QStyleOptionButton o;
        (b->*(&ButtonPeek::initStyleOption))(&o);
        button(b, o, QStyle::CT_PushButton);
    }
    void checkBox(QCheckBox* c) {
        QStyleOptionButton o;
        (c->*(&CheckPeek::initStyleOption))(&o);
        button(c, o, QStyle::CT_CheckBox);
    }
    void radio(QRadioButton* r) {
        QStyleOptionButton o;
        (r->*(&RadioPeek::initStyleOption))(&o);
        button(r, o, QStyle::CT_RadioButton);
    }

    // Room for text in a line edit, as its paint event computes it: the style's contents
    // rectangle, less the text margins and the edit's own two pixels a side; the text, plus one
    // pixel and the cursor, must fit it or the edit scrolls its start out of view.
    void lineEdit(QLineEdit* e) {
        QStringList texts{e->displayText()};
        QWidget* owner = e;
        if (auto* c = qobject_cast<QComboBox*>(e->parentWidget()); c && c->isEditable()) {
            for (int i = 0; i < c->count(); ++i) texts << c->itemText(i);
            owner = c;
        }
        if (auto* s = qobject_cast<QSpinBox*>(e->parentWidget())) {
            texts << s->prefix() + QString::number(s->minimum()) + s->suffix()
                  << s->prefix() + QString::number(s->maximum()) + s->suffix();
            owner = s;
        }
        QStyleOptionFrame o;
        (e->*(&EditPeek::initStyleOption))(&o);
        QStyle* st = e->style();
        const QRect r = st->subElementRect(QStyle::SE_LineEditContents, &o, e).marginsRemoved(e->textMargins());
        const int room = r.width() - 2 * 2;
        const int cursor = st->pixelMetric(QStyle::PM_TextCursorWidth, &o, e);
        const QFontMetricsF fm(e->font());
        for (const QString& t : texts) {
            if (t.isEmpty()) continue;
            elision(owner, t);
            const int need = int(std::lround(fm.horizontalAdvance(t))) + 1 + cursor;
            if (need > room) offence(owner, {}, t, need, room, "needs");
        }
        if (!e->displayText().isEmpty() && QFontMetrics(e->font()).height() > r.height())
            offence(owner, {}, e->displayText(), QFontMetrics(e->font()).height(), r.height(),
                    "is higher than its edit:");
    }

    void combo(QComboBox* c) {
        if (c->isEditable()) return;  // its edit is checked as an edit, with every item
        QStyleOptionComboBox o;
        (c->*(&ComboPeek::initStyleOption))(&o);
        const QFontMetrics fm(c->font());
        QStyle* s = c->style();
        const int extra = s->sizeFromContents(QStyle::CT_ComboBox, &o, QSize(Wide, fm.height()), c).width() - Wide;
        QStringList texts;
        for (int i = 0; i < c->count(); ++i) texts << c->itemText(i);
        if (texts.isEmpty()) texts << c->currentText();
        for (const QString& t : texts) {
            if (t.isEmpty()) continue;
            elision(c, t);
            const int need = fm.horizontalAdvance(t) + extra;
            if (need > c->width()) offence(c, {}, t, need, c->width(), "needs");
        }
    }

    void tabBar(QTabBar* bar) {
        for (int i = 0; i < bar->count(); ++i) {
            if (!bar->isTabVisible(i)) continue;
            QStyleOptionTab o;
            (bar->*(&TabPeek::initStyleOption))(&o, i);
            const QString whole = bar->tabText(i);
            if (o.text != whole) offence(bar, QStringLiteral(" tab %1").arg(i), whole, 0, 0, "is shortened to fit:");
            const QRect r = bar->style()->subElementRect(QStyle::SE_TabBarTabText, &o, bar);
            const int need = bar->fontMetrics().size(Qt::TextShowMnemonic, whole).width();
            if (need > r.width()) offence(bar, QStringLiteral(" tab %1").arg(i), whole, need, r.width(), "needs");
        }
    }

    void groupBox(QGroupBox* g) {
        if (g->title().isEmpty()) return;
        QStyleOptionGroupBox o;
        (g->*(&GroupPeek::initStyleOption))(&o);
        const QRect t = g->style()->subControlRect(QStyle::CC_GroupBox, &o, QStyle::SC_GroupBoxLabel, g);
        const int need = g->fontMetrics().size(Qt::TextShowMnemonic, g->title()).width();
        if (t.left() < 0 || t.right() >= g->width() || t.width() < need)
            offence(g, {}, g->title(), need, std::min(t.width(), g->width() - std::max(t.left(), 0)), "title needs");
    }

    void table(QTableView* v) {
        QAbstractItemModel* model = v->model();
        if (!model) return;
        if (QHeaderView* h = v->horizontalHeader(); h->isVisible()) header(h);
        const int grid = v->showGrid() ? 1 : 0;
        const int rows = model->rowCount(), cols = model->columnCount();
        if (rows == 0) return;
        const QRect vp = v->viewport()->rect();
        int first = std::max(v->rowAt(vp.top()), 0);
        int last = v->rowAt(vp.bottom());
        if (last < 0) last = rows - 1;
        // A grid of several columns shows them side by side; only a one-column list (a log)
        // scrolls sideways to its long lines.
        int columns = 0, span = 0;
        for (int c = 0; c < cols; ++c)
            if (!v->isColumnHidden(c)) ++columns, span += v->columnWidth(c);
        if (columns > 1 && span > vp.width())
            offence(v, QStringLiteral(" columns"), QString(), span, vp.width(), "span");
        QFontMetrics fm(v->font());
        for (int c = 0; c < cols; ++c) {
            if (v->isColumnHidden(c)) continue;
            QList<int> check;
            for (int r = first; r <= last; ++r) check << r;
            // The widest text of the column, wherever it is: a row scrolled to must fit as well.
            int widest = -1, widestWidth = -1;
            for (int r = 0; r < rows; ++r) {
                const int w = fm.horizontalAdvance(model->index(r, c).data().toString());
                if (w > widestWidth) widestWidth = w, widest = r;
            }
            if (widest >= 0 && !check.contains(widest)) check << widest;
            // One line per column: how many of the cells checked do not fit, and the worst.
            int bad = 0;
            CellFit worst;
            for (int r : check) {
                const CellFit f = cell(v, model->index(r, c), grid);
                if (f.need.width() > f.room.width() || f.need.height() > f.room.height()) {
                    ++bad;
                    if (f.need.width() - f.room.width() >= worst.need.width() - worst.room.width()) worst = f;
                }
            }
            if (bad)
                offence(v,
                        QStringLiteral(" column %1, %2 of %3 cells checked, worst row %4")
                            .arg(c)
                            .arg(bad)
                            .arg(check.size())
                            .arg(worst.row),
                        worst.text, worst.need.width(), worst.room.width(),
                        worst.need.height() > worst.room.height() ? "is too high or wide:" : "needs");
        }
    }

    struct CellFit {
        int row = -1;
        QString text;
        QSize need, room;
    };
    CellFit cell(QTableView* v, const QModelIndex& idx, int grid) {
        CellFit f;
        f.row = idx.row();
        f.text = idx.data().toString();
        if (f.text.isEmpty()) return f;
        QStyleOptionViewItem o;
        (v->*(&ViewPeek::initViewItemOption))(&o);
        o.rect = v->visualRect(idx);
        f.need = v->itemDelegateForIndex(idx)->sizeHint(o, idx);
        f.room = QSize(v->columnWidth(idx.column()) - grid, v->rowHeight(idx.row()) - grid);
        return f;
    }

    void header(QHeaderView* h) {
        QAbstractItemModel* model = h->model();
        for (int i = 0; i < h->count(); ++i) {
            if (h->isSectionHidden(i)) continue;
            QStyleOptionHeader o;
            HeaderPeek::init(h, &o);
            o.section = i;
            o.text = model->headerData(i, h->orientation(), Qt::DisplayRole).toString();
            if (o.text.isEmpty()) continue;
            o.textAlignment = h->defaultAlignment();
            const int need = h->style()->sizeFromContents(QStyle::CT_HeaderSection, &o, QSize(), h).width();
            if (need > h->sectionSize(i))
                offence(h, QStringLiteral(" section %1").arg(i), o.text, need, h->sectionSize(i), "needs");
        }
    }

    // A memo without a scroll bar shows all of its lines, none wrapped out of sight.
    void memo(QPlainTextEdit* m) {
        if (m->verticalScrollBarPolicy() != Qt::ScrollBarAlwaysOff) return;
        const QTextDocument* doc = m->document();
        const QFontMetrics fm(m->font());
        const int room = m->viewport()->width() - 2 * int(doc->documentMargin());
        int lines = 0;
        for (QTextBlock b = doc->begin(); b.isValid(); b = b.next()) {
            const int width = fm.horizontalAdvance(b.text());
            if (m->lineWrapMode() != QPlainTextEdit::NoWrap && width > room)
                offence(m, {}, b.text(), width, room, "wraps a line:");
            ++lines;
        }
        const int need = lines * fm.lineSpacing() + 2 * int(doc->documentMargin());
        if (need > m->viewport()->height())
            offence(m, {}, m->toPlainText().replace(QLatin1Char('\n'), QLatin1Char('|')), need, m->viewport()->height(),
                    "shows its lines in a height of");
    }

    // A control that reaches past its parent or the window is cut off where it does.
    void cutOff(QWidget* w) {
        QRect r = w->rect();
        for (QWidget* p = w; p != window_ && p->parentWidget(); p = p->parentWidget()) {
            r.translate(p->pos());
            const QRect inParent = r & p->parentWidget()->rect();
            if (inParent != r) {
                offence(w, QStringLiteral(" (cut off by %1)").arg(nameOf(p->parentWidget())), QString(), r.width(),
                        inParent.width(), "spans");
                return;
            }
        }
    }

    QWidget* window_;
    QString windowName_;
    QStringList offences_;
};

inline QStringList FitOffences(QWidget* window, const QString& name = {}) {
    return Checker(window, name.isEmpty() ? window->objectName() : name).run();
}

}  // namespace Fit
