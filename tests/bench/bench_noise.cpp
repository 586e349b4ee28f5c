// The time Marvane takes to absorb 1 MB of line noise on its terminal port against the time
// for 100 KB: linear work gives 10, the goal leaves room up to 12.
#include <QPushButton>
#include <algorithm>
#include <random>
#include <vector>

#include "benchkit.h"
#include "console/maincfg.h"
#include "console/marvane.h"
#include "platform/errorguard.h"
#include "sim/consolemodel.h"

namespace {
// Random bytes arriving in the chunks a port hands over, everything handled between chunks.
double absorb(int bytes) {
    BenchEnv env;
    DeviceBus bus;
    bus.add<ConsoleModel>();
    env.ports.attach(1, &bus);
    SetAppTitle(QString::fromLatin1(MarvaneTitle));
    MarvaneProgram program;
    program.forms().MainConfig->show();
    program.forms().MainConfig->Tankcfg->setCurrentIndex(2);  // the log's page
    program.forms().MainConfig->findChild<QPushButton*>(QStringLiteral("TrmConnect"))->click();
    env.clock.settle();
    SimSerialLink* port = env.ports.openLink(1);
    if (!port) qFatal("the terminal port did not open");
    std::mt19937 rng(11);
    QByteArray chunk(1024, '\0');
    return MicrosOf([&] {
        for (int sent = 0; sent < bytes; sent += chunk.size()) {
            for (char& c : chunk) c = char(rng() & 0xFF);
            port->arrive(chunk);
            env.clock.settle();
        }
    });
}

void run() {
    // The short run is the one a busy machine disturbs most: take the middle of three.
    std::vector<double> smalls = {absorb(100 * 1024), absorb(100 * 1024), absorb(100 * 1024)};
    std::sort(smalls.begin(), smalls.end());
    const double small = smalls[1], large = absorb(1024 * 1024);
    Note("terminal noise: 100 KB in %.0f us, 1 MB in %.0f us\n", small, large);
    Ratio("marvane_noise_1MB_vs_100KB", large / small, 12.0);
}
}  // namespace

TANKCFG_BENCH_MAIN(run)
