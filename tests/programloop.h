#pragma once
// main() for a real-time test that must run on the programs' own event loop (glib's), not on
// the plain one the virtual-time tests need: the two hand on queued events and socket events
// in a different order, and serial behaviour differs with it. glib polls the port, then runs
// queued events, then lets the port read, so a purge made by a queued handler can leave a poll
// that saw bytes with nothing to read. TANKCFG_PLAIN_LOOP set runs the same test on the plain
// loop.
#include <QApplication>
#include <QByteArray>
#include <QEventLoop>
#include <QTimer>
#include <QtTest>
#include <functional>
#include <random>
#include <time.h>

#include "platform/appsetup.h"

template <class TestClass>
int RunOnProgramLoop(int argc, char** argv) {
    if (qEnvironmentVariableIsSet("TANKCFG_PLAIN_LOOP"))
        qputenv("QT_NO_GLIB", "1");
    else
        qunsetenv("QT_NO_GLIB");
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    PrepareApplication();
    app.setAttribute(Qt::AA_Use96Dpi, true);
    TestClass tc;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&tc, argc, argv);
}

// Runs the program's main loop, as it runs while the technician watches, until cond holds or
// ms of real time pass. (A wait of the program's own hands on queued events before it polls
// the ports; the main loop polls first.)
inline bool MainLoopUntil(const std::function<bool()>& cond, int ms) {
    QEventLoop loop;
    QTimer poll, deadline;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (cond()) loop.quit();
    });
    QObject::connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
    poll.start(20);
    deadline.setSingleShot(true);
    deadline.start(ms);
    if (!cond()) loop.exec();
    return cond();
}
inline void MainLoopFor(int ms) {
    MainLoopUntil([] { return false; }, ms);
}

// CPU time this process has used, in seconds: a loop that spins shows here.
inline double ProcessCpuSeconds() {
    timespec ts{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

// Line noise: size random bytes.
inline QByteArray Noise(std::mt19937& rng, int size) {
    QByteArray out(size, '\0');
    for (char& c : out) c = char(rng() & 0xFF);
    return out;
}

#define TANKCFG_PROGRAM_LOOP_TEST_MAIN(TestClass) \
    int main(int argc, char** argv) { return RunOnProgramLoop<TestClass>(argc, argv); }
