// A whole calibration table sent over a pseudo-terminal to devsim's tank console, paced at
// 9600 baud with no reply latency, against the pure wire time of every byte both ways.
// Prints "transfer_over_wire RATIO" (goal: at most 1.02).
#include <QApplication>
#include <QElapsedTimer>
#include <QProgressBar>
#include <QPushButton>
#include <cstdio>
#include <cstring>

#include "common/tankcfgtypes.h"
#include "console/maincfg.h"
#include "console/marvane.h"
#include "console/progresft.h"
#include "platform/errorguard.h"
#include "platform/services.h"
#include "sim/devsimprocess.h"
#include "sim/scriptedprompts.h"

namespace {
// Characters of a long frame line with len data bytes: CR, code, data, CRC, LF.
constexpr int lineChars(int len) { return 2 * (1 + len) + 4 + 2; }
}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    DevsimProcess sim(QStringLiteral(DEVSIM_PATH), {"--pace", "--latency", "0", "COM1=console"});
    if (!sim.start()) {
        std::fprintf(stderr, "bench_transfer: devsim did not start: %s\n", qPrintable(sim.error()));
        return 2;
    }
    qputenv("SERIAL_COM1", sim.path(QStringLiteral("COM1")).toLocal8Bit());
    Services::installReal();
    ScriptedPrompts prompts;  // a box must not stop the run
    Services::install(nullptr, &prompts, nullptr);
    SetAppTitle(QString::fromLatin1(MarvaneTitle));
    std::memset(&ConsoleConfig, 0, sizeof ConsoleConfig);
    double seconds = 0;
    {
        MarvaneProgram program;
        TMainConfig* w = MainConfig;
        auto* connectButton = w->findChild<QPushButton*>(QStringLiteral("TrmConnect"));
        TCalTable& t = ConsoleConfig.Tanks[0].CalTable;
        t.Count = MaxCalPoints;
        t.Step = 1.0f;
        for (int i = 1; i <= MaxCalPoints; ++i) t.Points[i].Value = float(i * 6.25);
        connectButton->click();
        if (connectButton->text() != QStringLiteral("Disconnect")) {
            std::fprintf(stderr, "bench_transfer: cannot open %s\n", qPrintable(sim.path(QStringLiteral("COM1"))));
            return 2;
        }
        QElapsedTimer clock;
        clock.start();
        uint8_t n = 1;
        w->SendCalibrationTable(n);
        seconds = double(clock.nsecsElapsed()) / 1e9;
        const bool ok = prompts.shown.isEmpty() && progresf->catprg->value() == 124 && !progresf->isVisible();
        connectButton->click();
        if (!ok) {
            std::fprintf(stderr, "bench_transfer: the transfer failed: %s\n", qPrintable(prompts.texts().join(QStringLiteral("; "))));
            return 1;
        }
    }
    // Header (10 data bytes) and its acknowledgement (2), then 125 blocks (131) and theirs (4).
    const long chars = lineChars(10) + lineChars(2) + 125L * (lineChars(131) + lineChars(4));
    const double wire = double(chars) * 10 / 9600;  // start bit, 8 data bits, stop bit
    std::printf("transfer %.3f s, wire %.3f s (%ld characters at 9600 baud)\n", seconds, wire, chars);
    std::printf("transfer_over_wire %.4f\n", seconds / wire);
    Services::installReal();
    return 0;
}
