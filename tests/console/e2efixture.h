#pragma once
// End-to-end runs: Marvane on the real serial ports and clock, with scripted prompts, against
// devsim on pseudo-terminals, in real time.
#include <QElapsedTimer>
#include <QTimer>
#include <cstring>
#include <functional>

#include "common/tankcfgtypes.h"
#include "console/marvane.h"
#include "platform/errorguard.h"
#include "platform/services.h"
#include "platform/wait.h"
#include "sim/devsimprocess.h"
#include "sim/scriptedprompts.h"

// Real time passes until cond holds, at most ms.
inline bool waitFor(const std::function<bool()>& cond, int ms = 20000) {
    QElapsedTimer t;
    t.start();
    QTimer poll;  // wakes the wait up while nothing else happens
    poll.start(20);
    return WaitUntil(cond, [&] { return t.elapsed() > ms; });
}

// COM3 is devsim's probe bus; everything else is real but the prompts. Call before the program
// is created.
inline void UseDevsimProbeBus(const DevsimProcess& sim, ScriptedPrompts& prompts) {
    qputenv("SERIAL_COM3", sim.path("COM3").toLocal8Bit());
    Services::installReal();
    Services::installRealWorkbooks();
    Services::install(nullptr, &prompts, nullptr);
    SetAppQuitting(false);
    SetAppTitle(QString::fromLatin1(MarvaneTitle));
}
