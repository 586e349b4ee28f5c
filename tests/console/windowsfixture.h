#pragma once
// The probe-bus cycle's windows (probe scan, module scan, speed-of-wire wizard) on simulated
// time: a test clicks the button that opens a modal window and drives the window from actions
// scheduled on the virtual clock, which run inside the window's own loop.
#include <QCoreApplication>
#include <QLineEdit>
#include <QProgressBar>
#include <QTimer>

#include "console/calsow1.h"
#include "console/fscanlrm.h"
#include "console/probecfg.h"
#include "probefixture.h"

// Closing the main window leaves every event loop, and each loop started later returns at
// once until an application loop has run: a test that closed it runs one before the next.
inline void RunAnApplicationLoop() {
    QTimer::singleShot(0, qApp, [] { QCoreApplication::exit(0); });
    QCoreApplication::exec();
}

template <class T = QAbstractButton>
T* In(QWidget* window, const char* name) {
    T* c = window->findChild<T*>(QString::fromLatin1(name));
    if (!c) qFatal("no control %s", name);
    return c;
}

// The box a window of the cycle leaves when its port has gone.
inline const QString NotOnRs485Text = QStringLiteral("  ERROR No: 100 \r\r Not connected \r to RS485 Network !");

// OK to an expected box, noting whether the window had already gone when the box came.
inline PromptAnswer OkAfterWindowGone(const QWidget* window, bool& gone) {
    PromptAnswer a = PromptAnswer::ok();
    a.whileOpen = [window, &gone] { gone = !window->isVisible(); };
    return a;
}

struct WindowsRig : ProbeRig {
    explicit WindowsRig(bool connect = true) : ProbeRig(connect) {}

    // Requests of one code seen by the devices, by bus address.
    int requestsTo(int device, int code, int addr) const {
        int n = 0;
        for (const QByteArray& l : probes.requests)
            n += device_(l) == device && code_(l) == code && (addrByte(l) & 15) == addr;
        return n;
    }
    int requestsOf(int device, int code) const {
        int n = 0;
        for (const QByteArray& l : probes.requests) n += device_(l) == device && code_(l) == code;
        return n;
    }
    // Codes and addresses of the frames sent since mark, as "code@addr".
    QStringList framesSince(int mark) const {
        QStringList out;
        const QList<QByteArray> lines = probeSent();
        for (int i = mark; i < lines.size(); ++i)
            out << QStringLiteral("%1@%2").arg(code(lines[i]), 2, 16, QLatin1Char('0')).arg(addrByte(lines[i]) & 15);
        return out;
    }

private:
    static int device_(const QByteArray& l) { return device(l); }
    static int code_(const QByteArray& l) { return code(l); }
};
