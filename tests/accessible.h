#pragma once
// A control as a screen reader or a GUI test tool reaches it: its accessible interface, what it
// reads as, and its actions.
#include <QAccessible>
#include <QCoreApplication>

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
