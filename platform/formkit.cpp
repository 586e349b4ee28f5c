#include "platform/formkit.h"

#include <algorithm>
#include <QBoxLayout>
#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QPushButton>
#include <QSet>
#include <QTableWidget>
#include <QValidator>
#include <vector>

#include "platform/loglist.h"

void TGauge::setPosition(int p) {
    position_ = std::clamp(p, 0, std::max(max_, 0));
    setValue(position_);
}

void TGauge::setMax(int m) {
    max_ = std::max(m, 0);
    setRange(0, std::max(max_, 1));
    setPosition(position_);
}

namespace FormKit {

TButton* Button(QWidget* parent, const char* name, const QString& caption) {
    return Named(new TButton(caption, parent), name);
}

QLabel* LabelFor(QWidget* parent, const QString& text, QWidget* control) {
    auto* l = new QLabel(text, parent);
    l->setBuddy(control);
    if (auto* value = qobject_cast<TValueText*>(control))
        value->setCaption(text);
    else
        control->setAccessibleName(text.trimmed());
    // A list that takes typing has an edit of its own, which a screen reader meets as a control.
    if (auto* list = qobject_cast<QComboBox*>(control); list && list->lineEdit())
        list->lineEdit()->setAccessibleName(text.trimmed());
    return l;
}

QGroupBox* Group(QWidget* parent, const QString& title, const char* name) {
    auto* g = new QGroupBox(title, parent);
    if (name) g->setObjectName(QString::fromLatin1(name));
    g->setAccessibleName(title.trimmed());
    return g;
}

QComboBox* List(QWidget* parent, const char* name, const QStringList& items) {
    auto* c = Named(new QComboBox(parent), name);
    c->addItems(items);
    return c;
}

TValueText* ValueText(QWidget* parent, const char* name, const QString& text, const QString& caption, bool fixedPitch) {
    auto* l = Named(new TValueText(text, caption, parent), name);
    if (fixedPitch) {
        QFont f(QStringLiteral("Monospace"));
        f.setStyleHint(QFont::TypeWriter);
        l->setFont(f);
        l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    }
    return l;
}

void ShowConnectionState(QLabel* status, bool connected) {
    QPalette p = status->palette();
    p.setColor(QPalette::Window, connected ? QColor(0, 255, 0) : QColor(255, 0, 0));
    status->setPalette(p);
    status->setAccessibleName(status->text().trimmed() +
                              (connected ? QStringLiteral(": connected") : QStringLiteral(": disconnected")));
}

TGrid* Grid(QWidget* parent, const char* name, std::initializer_list<int> widths) {
    auto* g = Named(new TGrid(2, int(widths.size()), parent), name);
    g->horizontalHeader()->hide();
    g->verticalHeader()->hide();
    g->setSelectionBehavior(QAbstractItemView::SelectRows);
    g->setSelectionMode(QAbstractItemView::SingleSelection);
    g->setEditTriggers(QAbstractItemView::NoEditTriggers);
    g->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    g->setWordWrap(false);
    // The widths were laid out for a small dialog font (about 5 px a character).
    const double scale = std::max(1.0, g->fontMetrics().averageCharWidth() / 5.0);
    int c = 0;
    for (int w : widths) g->setColumnWidth(c++, int(w * scale + 0.5));
    return g;
}

void FitHeaderRow(QTableWidget* g) {
    const QFontMetrics fm = g->fontMetrics();
    for (int c = 0; c < g->columnCount(); ++c)
        if (QTableWidgetItem* it = g->item(0, c)) {
            g->setColumnWidth(c, std::max(g->columnWidth(c), fm.horizontalAdvance(it->text()) + 12));
            it->setFlags(it->flags() & ~Qt::ItemIsSelectable);
        }
}

TLogList* LogList(QWidget* parent, const char* name, const QString& accessibleName) {
    auto* l = Named(new TLogList(parent), name);
    l->setAccessibleName(accessibleName);
    // Read line by line from the keyboard as well.
    l->setFocusPolicy(Qt::StrongFocus);
    return l;
}

namespace {
class TypedLengthLimit : public QValidator {
public:
    TypedLengthLimit(QLineEdit* edit, int limit) : QValidator(edit), limit_(limit), shown_(int(edit->text().size())) {
        connect(edit, &QLineEdit::textChanged, this, [this](const QString& t) { shown_ = int(t.size()); });
    }
    State validate(QString& input, int&) const override {
        return (input.size() <= limit_ || input.size() <= shown_) ? Acceptable : Invalid;
    }

private:
    int limit_;
    int shown_;  // length of the text as last accepted or set
};
}  // namespace

void LimitTyping(QLineEdit* edit, int limit) { edit->setValidator(new TypedLengthLimit(edit, limit)); }

namespace {
// Held by the window until its first show event, which comes before the window is drawn. (Not
// its first polish: every widget asks to be polished as soon as events run.)
class FirstShowWork : public QObject {
public:
    FirstShowWork(QWidget* window, std::function<void()> work) : QObject(window), work_(std::move(work)) {
        window->installEventFilter(this);
    }
    void run() {
        if (!work_) return;
        parent()->removeEventFilter(this);
        const std::function<void()> work = std::move(work_);
        work_ = nullptr;
        work();
    }
    bool eventFilter(QObject* target, QEvent* event) override {
        if (target == parent() && event->type() == QEvent::Show) run();
        return false;
    }

private:
    std::function<void()> work_;
};
}  // namespace

void OnFirstShow(QWidget* window, std::function<void()> work) { new FirstShowWork(window, std::move(work)); }

void Prepare(QWidget* window) {
    const QObjectList children = window->children();  // the work may add children
    for (QObject* child : children)
        if (auto* w = dynamic_cast<FirstShowWork*>(child)) w->run();
}

QStringList Numbers(int from, int to) {
    QStringList out;
    for (int i = from; i <= to; ++i) out << QString::number(i);
    return out;
}

QString ShownLogText(QString text) { return text.replace(QChar(0), QChar(0x2400)); }

QString LoggedText(QString text) { return text.replace(QChar(0x2400), QChar(0)); }

TArrowSpinEdit* ArrowSpin(QWidget* parent, const char* name, int lo, int hi) {
    auto* s = Named(new TArrowSpinEdit(parent), name);
    s->setRange(lo, hi);
    s->setValue(lo);
    return s;
}

TSpinEdit* Spin(QWidget* parent, const char* name, int lo, int hi, int value) {
    auto* s = Named(new TSpinEdit(parent), name);
    s->setRange(lo, hi);
    s->setValue(value);
    return s;
}

QString WithoutMnemonic(const QString& caption) {
    QString out;
    for (qsizetype i = 0; i < caption.size(); ++i) {
        if (caption[i] == QLatin1Char('&')) {
            if (i + 1 < caption.size() && caption[i + 1] == QLatin1Char('&')) out += caption[++i];
            continue;
        }
        out += caption[i];
    }
    return out.trimmed();
}

namespace {
// A widget that Tab stops at, itself or through the widget it hands its focus to.
bool TakesTab(const QWidget* w) {
    while (w->focusProxy()) w = w->focusProxy();
    return (w->focusPolicy() & Qt::TabFocus) == Qt::TabFocus;
}

class ReadingOrder {
public:
    QList<QWidget*> stops;

    void widget(QWidget* w) {
        if (w->isWindow() || seen_.contains(w)) return;
        seen_.insert(w);
        // A page control hands its focus to its tab bar, and holds its pages besides.
        if (TakesTab(w) && !qobject_cast<QTabWidget*>(w)) {
            stops << w;
            return;
        }
        children(w);
    }
    // What lies inside w, in reading order; children outside its layout follow, as created.
    void children(QWidget* w) {
        if (auto* pages = qobject_cast<QTabWidget*>(w)) {
            widget(pages->tabBar());
            for (int i = 0; i < pages->count(); ++i) widget(pages->widget(i));
        } else if (auto* main = qobject_cast<QMainWindow*>(w)) {
            if (main->centralWidget()) widget(main->centralWidget());
        } else if (w->layout()) {
            layout(w->layout());
        }
        for (QObject* o : w->children())
            if (auto* c = qobject_cast<QWidget*>(o)) widget(c);
    }

private:
    void layout(QLayout* l) {
        std::vector<QLayoutItem*> items;
        if (auto* grid = qobject_cast<QGridLayout*>(l)) {
            struct Cell {
                int row, column, index;
            };
            std::vector<Cell> cells;
            for (int i = 0; i < grid->count(); ++i) {
                int row = 0, column = 0, rows = 0, columns = 0;
                grid->getItemPosition(i, &row, &column, &rows, &columns);
                cells.push_back({row, column, i});
            }
            std::stable_sort(cells.begin(), cells.end(), [](const Cell& a, const Cell& b) {
                return a.row != b.row ? a.row < b.row : a.column < b.column;
            });
            for (const Cell& c : cells) items.push_back(grid->itemAt(c.index));
        } else {
            for (int i = 0; i < l->count(); ++i) items.push_back(l->itemAt(i));
            if (auto* box = qobject_cast<QBoxLayout*>(l);
                box && (box->direction() == QBoxLayout::RightToLeft || box->direction() == QBoxLayout::BottomToTop))
                std::reverse(items.begin(), items.end());
        }
        for (QLayoutItem* item : items) {
            if (QWidget* w = item->widget())
                widget(w);
            else if (QLayout* inner = item->layout())
                layout(inner);
        }
    }

    QSet<QWidget*> seen_;
};
}  // namespace

void TabInReadingOrder(QWidget* window) {
    ReadingOrder order;
    order.children(window);
    // The chain starts at the window: the first control read is the first the window's focus
    // goes to. Qt orders only widgets that take focus, and sees the chain as a ring, so the
    // window takes focus while the chain is laid, or the ring could start anywhere.
    const Qt::FocusPolicy policy = window->focusPolicy();
    window->setFocusPolicy(Qt::TabFocus);
    QWidget* previous = window;
    for (QWidget* stop : std::as_const(order.stops)) {
        QWidget::setTabOrder(previous, stop);
        previous = stop;
    }
    window->setFocusPolicy(policy);
}

}  // namespace FormKit
