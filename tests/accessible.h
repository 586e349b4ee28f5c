#pragma once
// A control as a screen reader or a GUI test tool reaches it: its accessible interface, what it
// reads as, and its actions; a window's whole accessible tree; what the screen reader is told;
// and the order Tab goes through a window, against the order the eye reads it.
#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QAccessible>
#include <QAction>
#include <QComboBox>
#include <QCoreApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPointer>
#include <QScrollBar>
#include <QSizeGrip>
#include <QStatusBar>
#include <QTabBar>
#include <QTextEdit>
#include <QWidget>
#include <utility>
#include <vector>

#include "platform/formkit.h"

inline QAccessibleInterface* ax(QObject* o) { return QAccessible::queryAccessibleInterface(o); }
inline QString axName(QObject* o) { return ax(o)->text(QAccessible::Name); }
inline QString axText(QObject* o) {
    QAccessibleTextInterface* t = ax(o)->textInterface();
    return t ? t->text(0, t->characterCount()) : QString();
}
// An action as a tool performs it: the call returns, then the event loop runs what it asked for.
inline void act(QObject* o, const QString& action) {
    ax(o)->actionInterface()->doAction(action);
    QCoreApplication::processEvents();
}
// The interfaces that label o (its Label relations), by name.
inline QStringList axLabels(QObject* o) {
    QStringList out;
    for (const auto& [iface, relation] : ax(o)->relations(QAccessible::Label)) out << iface->text(QAccessible::Name);
    return out;
}

// What the programs tell a screen reader while this lives.
class AccessibleEventLog {
public:
    AccessibleEventLog() {
        current() = this;
        previous_ = FormKit::WatchAccessibleEvents(&AccessibleEventLog::handle);
    }
    ~AccessibleEventLog() {
        FormKit::WatchAccessibleEvents(previous_);
        current() = nullptr;
    }
    AccessibleEventLog(const AccessibleEventLog&) = delete;
    AccessibleEventLog& operator=(const AccessibleEventLog&) = delete;

    int count(const QObject* o, QAccessible::Event type) const {
        int n = 0;
        for (const auto& [object, t] : events_) n += object == o && t == type;
        return n;
    }
    void clear() { events_.clear(); }

private:
    static AccessibleEventLog*& current() {
        static AccessibleEventLog* log = nullptr;
        return log;
    }
    static void handle(QAccessibleEvent* e) {
        if (current()) current()->events_.push_back({e->object(), e->type()});
    }
    std::vector<std::pair<QPointer<QObject>, QAccessible::Event>> events_;
    FormKit::AccessibleEventWatcher previous_ = nullptr;
};

namespace AccessibleTree {
// Parts of a composite control that the control's own interface stands for: a scroll area's
// viewport and scroll bars, a list box's drop-down list.
inline bool innerPart(const QWidget* w) {
    return w->objectName().startsWith(QLatin1String("qt_scrollarea")) || qobject_cast<const QScrollBar*>(w) ||
           QLatin1String(w->metaObject()->className()) == QLatin1String("QComboBoxListView");
}
// What needs no name: a container that only lays out named controls and shows nothing of its
// own, a text that shows nothing, a bar that a reader announces by its role.
inline bool needsNoName(QAccessibleInterface* i, const QWidget* w) {
    switch (i->role()) {
    case QAccessible::Client:
    case QAccessible::LayeredPane:
    case QAccessible::Border:
    case QAccessible::Pane:
    case QAccessible::StatusBar:
    case QAccessible::MenuBar:
    case QAccessible::Grip: return true;
    case QAccessible::StaticText:
        return w && i->text(QAccessible::Name).isEmpty() && i->text(QAccessible::Value).isEmpty() &&
               !qobject_cast<const QAbstractButton*>(w) && w->property("text").toString().trimmed().isEmpty();
    default: return qobject_cast<const QSizeGrip*>(w);
    }
}
inline QString describe(QAccessibleInterface* i) {
    QObject* o = i->object();
    QString where = o ? QString::fromLatin1(o->metaObject()->className()) + QLatin1Char(' ') + o->objectName()
                      : QStringLiteral("(item)");
    if (o && o->objectName().isEmpty())
        if (QObject* p = o->parent())
            where += QStringLiteral(" in ") + (p->objectName().isEmpty() ? axName(p) : p->objectName());
    return QStringLiteral("role %1: %2").arg(int(i->role()), 0, 16).arg(where);
}
// A label that shows nothing yet reads as something: Qt lends an empty label in a group the
// group's caption.
inline bool borrowsAName(QAccessibleInterface* i, const QWidget* w) {
    auto* label = qobject_cast<const QLabel*>(w);
    return label && label->text().trimmed().isEmpty() && label->pixmap().isNull() &&
           label->accessibleName().isEmpty() && !i->text(QAccessible::Name).isEmpty() &&
           QLatin1String(w->metaObject()->className()) == QLatin1String("QLabel");
}
inline void walk(QAccessibleInterface* i, QStringList& unnamed, int depth) {
    if (!i || depth > 40) return;
    auto* w = qobject_cast<QWidget*>(i->object());
    if (w && innerPart(w)) return;
    auto* action = qobject_cast<QAction*>(i->object());
    const bool control =
        (w && !needsNoName(i, w)) || (action && !action->isSeparator()) || i->role() == QAccessible::PageTab;
    if (control && i->text(QAccessible::Name).trimmed().isEmpty()) unnamed << describe(i);
    if (borrowsAName(i, w))
        unnamed << describe(i) + QStringLiteral(" reads \"") + i->text(QAccessible::Name) + QLatin1Char('"');
    // Items of grids and lists are read by their text; their widget is named.
    if (qobject_cast<QAbstractItemView*>(w)) return;
    for (int k = 0; k < i->childCount(); ++k) walk(i->child(k), unnamed, depth + 1);
}
}  // namespace AccessibleTree

// Every control of the window's accessible tree that a screen reader would meet without a name,
// or with a name it does not show.
inline QStringList UnnamedControls(QWidget* window) {
    QStringList unnamed;
    AccessibleTree::walk(ax(window), unnamed, 0);
    return unnamed;
}

namespace TabOrder {
// A control's place on screen as nested blocks, from the window down: each layout it sits in and
// each widget around it, with its rectangle in the window.
struct Block {
    const void* id;
    QRect rect;
};
inline QRect inWindow(const QWidget* w, const QWidget* window, QRect r) {
    return r.translated(w->mapTo(window, QPoint(0, 0)));
}
inline bool layoutChain(QLayout* l, const QWidget* target, std::vector<QLayout*>& chain) {
    chain.push_back(l);
    for (int i = 0; i < l->count(); ++i) {
        QLayoutItem* item = l->itemAt(i);
        if (item->widget() == target) return true;
        if (QLayout* inner = item->layout())
            if (layoutChain(inner, target, chain)) return true;
    }
    chain.pop_back();
    return false;
}
inline std::vector<Block> place(const QWidget* w, const QWidget* window) {
    std::vector<Block> path;
    for (const QWidget* c = w; c && c != window; c = c->parentWidget()) {
        const QWidget* p = c->parentWidget();
        std::vector<Block> level{{c, inWindow(p, window, c->geometry())}};
        std::vector<QLayout*> chain;
        if (p->layout() && layoutChain(p->layout(), c, chain))
            for (auto it = chain.rbegin(); it != chain.rend(); ++it)
                level.insert(level.begin(), Block{*it, inWindow(p, window, (*it)->geometry())});
        path.insert(path.begin(), level.begin(), level.end());
    }
    return path;
}
// Read first: entirely above, or beside and to the left.
inline bool readBefore(const QRect& a, const QRect& b) {
    if (a.bottom() < b.top()) return true;
    if (b.bottom() < a.top()) return false;
    return a.left() != b.left() ? a.left() < b.left() : a.top() < b.top();
}
inline bool readBefore(const std::vector<Block>& a, const std::vector<Block>& b) {
    for (size_t k = 0; k < a.size() && k < b.size(); ++k)
        if (a[k].id != b[k].id) return readBefore(a[k].rect, b[k].rect);
    return false;
}
// The widget a tab stop belongs to: a spin box for its edit.
inline const QWidget* owner(const QWidget* w) {
    for (const QWidget* p = w->parentWidget(); p; p = p->parentWidget())
        if (p->focusProxy() == w) return p;
    return w;
}
inline QString nameOf(const QWidget* w) {
    w = owner(w);
    return w->objectName().isEmpty() ? QString::fromLatin1(w->metaObject()->className()) : w->objectName();
}
inline bool takesTab(const QWidget* w) { return (w->focusPolicy() & Qt::TabFocus) == Qt::TabFocus; }
}  // namespace TabOrder

// The controls Tab stops at in the window, in the order it goes there (as Qt moves the focus:
// shown, enabled, taking focus by Tab, not handing it to another widget).
inline QList<QWidget*> TabStops(QWidget* window) {
    QList<QWidget*> out;
    for (QWidget* w = window->nextInFocusChain(); w && w != window; w = w->nextInFocusChain())
        if (w->window() == window && w->isVisibleTo(window) && w->isEnabled() && !w->focusProxy() &&
            TabOrder::takesTab(w))
            out << w;
    return out;
}

// Where Tab goes against the reading order: "B before A" for each pair that Tab reaches A
// first although B is read first. Blocks are compared where their places part: two controls of
// one group keep to the group, and a group is read before what lies below it or to its right.
inline QStringList TabOrderAgainstReading(QWidget* window) {
    const QList<QWidget*> stops = TabStops(window);
    std::vector<std::vector<TabOrder::Block>> places;
    for (QWidget* s : stops) places.push_back(TabOrder::place(s, window));
    QStringList wrong;
    for (qsizetype i = 0; i < stops.size(); ++i)
        for (qsizetype j = i + 1; j < stops.size(); ++j)
            if (TabOrder::readBefore(places[size_t(j)], places[size_t(i)]))
                wrong << TabOrder::nameOf(stops[j]) + QStringLiteral(" before ") + TabOrder::nameOf(stops[i]);
    return wrong;
}

// Controls on show that a keyboard cannot reach: buttons, edits, lists, spin edits, grids and
// tab bars that Tab never stops at.
inline QStringList UnreachableByTab(QWidget* window) {
    const QList<QWidget*> stops = TabStops(window);
    QStringList out;
    for (QWidget* w : window->findChildren<QWidget*>()) {
        if (w->window() != window || !w->isVisibleTo(window) || !w->isEnabled()) continue;
        const bool control = qobject_cast<QAbstractButton*>(w) || qobject_cast<QComboBox*>(w) ||
                             qobject_cast<QAbstractSpinBox*>(w) || qobject_cast<QAbstractItemView*>(w) ||
                             qobject_cast<QPlainTextEdit*>(w) || qobject_cast<QTextEdit*>(w) ||
                             qobject_cast<QTabBar*>(w) ||
                             (qobject_cast<QLineEdit*>(w) && !qobject_cast<QComboBox*>(w->parentWidget()) &&
                              !qobject_cast<QAbstractSpinBox*>(w->parentWidget()));
        // A grid's header and a bar's scroll buttons belong to the control around them.
        if (!control || w->objectName().startsWith(QLatin1String("qt_")) || qobject_cast<QScrollBar*>(w) ||
            qobject_cast<QHeaderView*>(w) || qobject_cast<QTabBar*>(w->parentWidget()))
            continue;
        if (QLatin1String(w->metaObject()->className()) == QLatin1String("QComboBoxListView")) continue;
        QWidget* stop = w;
        while (stop->focusProxy()) stop = stop->focusProxy();
        if (!stops.contains(stop)) out << TabOrder::nameOf(w);
    }
    return out;
}
