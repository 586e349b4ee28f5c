#pragma once
// What a window test needs: virtual time, scripted prompts, simulated ports and the spreadsheet
// twin, installed as the program's services for the test's lifetime.
#include <QApplication>
#include <QtGlobal>
#include <QtTest/QTest>

#include "platform/appsetup.h"
#include "platform/services.h"
#include "platform/wait.h"
#include "sim/scriptedprompts.h"
#include "sim/simlink.h"
#include "sim/simworkbooks.h"
#include "sim/virtualclock.h"

struct SimEnv {
    VirtualClock clock;
    ScriptedPrompts prompts;
    SimSerialPorts ports;
    SimWorkbooks workbooks;
    SimEnv() {
        SetAppQuitting(false);
        Services::install(&clock, &prompts, &ports);
        Services::installWorkbooks(&workbooks);
    }
    // A prompt the test did not queue, or an answer it queued for a prompt that never came,
    // fails the test.
    ~SimEnv() {
        SetAppQuitting(false);
        const QString problem = prompts.strictnessProblem();
        if (!problem.isEmpty()) QTest::qFail(qPrintable(problem), __FILE__, __LINE__);
    }
};

// main() for a QtTest suite on virtual time: the event dispatcher must be the plain one, whose
// "about to block" means the event queue is drained. The application is prepared as the
// programs prepare theirs.
template <class Body>
int RunHeadless(int& argc, char** argv, Body body) {
    qputenv("QT_NO_GLIB", "1");
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    PrepareApplication();
    app.setAttribute(Qt::AA_Use96Dpi, true);
    return body();
}

#define TANKCFG_TEST_MAIN(TestClass)              \
    int main(int argc, char** argv) {             \
        return RunHeadless(argc, argv, [&] {      \
            TestClass tc;                         \
            QTEST_SET_MAIN_SOURCE_PATH            \
            return QTest::qExec(&tc, argc, argv); \
        });                                       \
    }
