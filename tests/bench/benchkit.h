#pragma once
// What a benchmark needs: the programs' services on virtual time (with a watchdog long enough
// for a slow "before" run), a clock for real time, and the line scripts/bench reads:
//   RATIO <name> <value> <goal>     the run fails when value > goal
#include <QApplication>
#include <QElapsedTimer>
#include <cstdio>

#include "sim/testenv.h"

struct BenchEnv {
    VirtualClock clock{QDateTime(QDate(2026, 3, 14), QTime(9, 26, 53)), 3600};
    ScriptedPrompts prompts;
    SimSerialPorts ports;
    BenchEnv() {
        SetAppQuitting(false);
        prompts.acceptAny();
        Services::install(&clock, &prompts, &ports);
    }
};

// Real time in microseconds that fn takes.
template <class F>
double MicrosOf(F&& fn) {
    QElapsedTimer t;
    t.start();
    fn();
    return double(t.nsecsElapsed()) / 1000.0;
}

inline void Note(const char* fmt, double a, double b) {
    std::printf(fmt, a, b);
    std::fflush(stdout);
}

inline void Ratio(const char* name, double value, double goal) {
    std::printf("RATIO %s %.2f %.2f\n", name, value, goal);
    std::fflush(stdout);
}

#define TANKCFG_BENCH_MAIN(fn)              \
    int main(int argc, char** argv) {       \
        return RunHeadless(argc, argv, [] { \
            fn();                           \
            return 0;                       \
        });                                 \
    }
