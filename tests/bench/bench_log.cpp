// The cost of one log line in a log already holding 100000 lines against its cost in an empty
// log, for Marvane's traffic log and Ostrel's frame log, each with the window shown.
#include <QTabWidget>
#include <memory>

#include "benchkit.h"
#include "console/maincfg.h"
#include "console/marvane.h"
#include "platform/errorguard.h"
#include "probetool/HelpWin.h"
#include "probetool/probc.h"
#include "probetool/scanb.h"

namespace {
constexpr int kFull = 100000;
constexpr int kMeasured = 500;

QString lineText(int i) {
    return QStringLiteral("RS232:<0282%1 3F 0A 77 line of noise as the terminal sends it, with some length>").arg(i);
}

// Microseconds per line, each line followed by what the event loop does with it.
template <class Add>
double perLine(BenchEnv& env, int prefill, Add add) {
    for (int i = 0; i < prefill; ++i) add(i);
    env.clock.settle();
    return MicrosOf([&] {
               for (int i = 0; i < kMeasured; ++i) {
                   add(i);
                   env.clock.settle();
               }
           }) /
           kMeasured;
}

double marvane(int prefill) {
    BenchEnv env;
    SetAppTitle(QString::fromLatin1(MarvaneTitle));
    MarvaneProgram program;
    program.forms().MainConfig->show();
    program.forms().MainConfig->Tankcfg->setCurrentIndex(2);  // the log's page
    env.clock.settle();
    return perLine(env, prefill,
                   [&](int i) { program.forms().MainConfig->AddLogLine(lineText(i).toStdString(), LogPrefixInfo); });
}

double ostrel(int prefill) {
    BenchEnv env;
    DeviceBus bus;
    env.ports.attach(3, &bus);
    SetAppTitle(OstrelTitle);
    auto w = std::make_unique<Tprobc>();
    w->AttachWindows(new TScanbus(w.get(), w->Link()), new THelpWindow(w.get()));
    w->show();
    env.clock.settle();
    const double us = perLine(env, prefill, [&](int i) { w->AddLog(lineText(i)); });
    w->close();
    return us;
}

void run() {
    const double m0 = marvane(0), m1 = marvane(kFull);
    Note("marvane log line: %.1f us in an empty log, %.1f us in a full one\n", m0, m1);
    Ratio("marvane_log_line_full_vs_empty", m1 / m0, 2.0);
    const double o0 = ostrel(0), o1 = ostrel(kFull);
    Note("ostrel log line: %.1f us in an empty log, %.1f us in a full one\n", o0, o1);
    Ratio("ostrel_log_line_full_vs_empty", o1 / o0, 2.0);
}
}  // namespace

TANKCFG_BENCH_MAIN(run)
