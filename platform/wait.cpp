#include "platform/wait.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QObject>

#include "platform/services.h"

namespace {
bool g_quitting = false;
}

bool AppQuitting() { return g_quitting; }
void SetAppQuitting(bool quitting) { g_quitting = quitting; }

bool WaitUntil(const std::function<bool()>& done, const std::function<bool()>& abort) {
    for (;;) {
        // Posted events first: a blocking processEvents() would handle them and then sleep
        // even when one of them has just made the condition true.
        QCoreApplication::sendPostedEvents();
        if (done()) return true;
        if (g_quitting || (abort && abort())) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
        // What it handled may have made the condition true: look before the events posted
        // while it slept (a timer come due) run, or a tick would take the line first each time.
        if (done()) return true;
    }
}

void WaitFor(int ms) {
    bool due = false;
    QObject guard;
    Services::clock().singleShot(ms, &guard, [&due] { due = true; });
    WaitUntil([&due] { return due; });
}
