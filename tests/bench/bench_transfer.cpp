// A whole calibration table sent over a pseudo-terminal to devsim's tank console, paced at
// 9600 baud with no reply latency, against the pure wire time of every byte both ways.
// Prints "transfer_over_wire RATIO" (goal: at most 1.02).
#include <QApplication>
#include <QElapsedTimer>
#include <QProgressBar>
#include <cstdio>

#include "console/progresft.h"
#include "tests/console/ptyconsole.h"

namespace {
// Characters of a long frame line with len data bytes: CR, code, data, CRC, LF.
constexpr int lineChars(int len) { return 2 * (1 + len) + 4 + 2; }
}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    PtyConsole pty({"--pace", "--latency", "0"});
    if (!pty.start()) {
        std::fprintf(stderr, "bench_transfer: %s\n", qPrintable(pty.problem()));
        return 2;
    }
    TCalTable& t = pty.program->session().ConsoleConfig.Tanks[0].CalTable;
    t.Count = MaxCalPoints;
    t.Step = 1.0f;
    for (int i = 1; i <= MaxCalPoints; ++i) t.Points[i].Value = float(i * 6.25);
    QElapsedTimer clock;
    clock.start();
    uint8_t n = 1;
    pty.program->forms().MainConfig->SendCalibrationTable(n);
    const double seconds = double(clock.nsecsElapsed()) / 1e9;
    if (!pty.prompts.shown.isEmpty() || pty.program->forms().progresf->catprg->value() != 124 ||
        pty.program->forms().progresf->isVisible()) {
        std::fprintf(stderr, "bench_transfer: the transfer failed: %s\n",
                     qPrintable(pty.prompts.texts().join(QStringLiteral("; "))));
        return 1;
    }
    // Header (10 data bytes) and its acknowledgement (2), then 125 blocks (131) and theirs (4).
    const long chars = lineChars(10) + lineChars(2) + 125L * (lineChars(131) + lineChars(4));
    const double wire = double(chars) * 10 / 9600;  // start bit, 8 data bits, stop bit
    std::printf("transfer %.3f s, wire %.3f s (%ld characters at 9600 baud)\n", seconds, wire, chars);
    std::printf("transfer_over_wire %.4f\n", seconds / wire);
    std::printf("RATIO transfer_over_wire %.4f 1.02\n", seconds / wire);
    return 0;
}
