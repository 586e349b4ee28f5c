// devsim: serves simulated devices on pseudo-terminals in real time.
//   devsim [--pace] [--latency MS] NAME=MODEL[,MODEL...] ...
// e.g. devsim COM1=identprobe:3,identprobe:12
// Prints "NAME PATH" for every port, then "ready", and serves until stdin closes or it is killed.
#include <QCoreApplication>
#include <QSocketNotifier>
#include <QTextStream>
#include <cstdio>
#include <unistd.h>

#include "platform/services.h"
#include "sim/models.h"
#include "sim/pty.h"

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    Services::installReal();
    QStringList args = app.arguments().mid(1);
    int pace = 0;
    if (args.removeAll(QStringLiteral("--pace"))) pace = 9600;
    const bool watchStdin = args.removeAll(QStringLiteral("--until-stdin-closes")) > 0;
    // --latency MS: every device answers this long after a request (default: the model's own).
    int latency = -1;
    if (const int i = args.indexOf(QStringLiteral("--latency")); i >= 0 && i + 1 < args.size()) {
        bool ok = false;
        latency = args[i + 1].toInt(&ok);
        if (!ok || latency < 0) {
            std::fprintf(stderr, "devsim: --latency wants milliseconds, got '%s'\n", qPrintable(args[i + 1]));
            return 2;
        }
        args.remove(i, 2);
    }
    if (args.isEmpty() || args.contains(QStringLiteral("--help"))) {
        std::fprintf(
            stderr,
            "usage: devsim [--pace] [--latency MS] [--until-stdin-closes] NAME=MODEL[,MODEL...] ...\nmodels:\n");
        for (const auto& k : DeviceModelKinds()) std::fprintf(stderr, "  %s\n", k.help);
        return args.isEmpty() ? 2 : 0;
    }
    QTextStream out(stdout);
    for (const QString& a : args) {
        const int eq = a.indexOf(QLatin1Char('='));
        if (eq <= 0) {
            std::fprintf(stderr, "devsim: expected NAME=MODEL, got '%s'\n", qPrintable(a));
            return 2;
        }
        auto* bus = new DeviceBus(&app);
        bus->paceBaud = pace;
        for (const QString& spec : a.mid(eq + 1).split(QLatin1Char(','), Qt::SkipEmptyParts)) {
            QString err;
            auto m = CreateDeviceModel(spec, &err);
            if (!m) {
                std::fprintf(stderr, "devsim: %s\n", qPrintable(err));
                return 2;
            }
            if (latency >= 0) m->latencyMs = latency;
            bus->addDevice(std::move(m));
        }
        auto* ep = new PtyEndpoint(bus, &app);
        QString err;
        if (!ep->start(&err)) {
            std::fprintf(stderr, "devsim: cannot make a pseudo-terminal: %s\n", qPrintable(err));
            return 1;
        }
        out << a.left(eq) << ' ' << ep->devicePath() << Qt::endl;
    }
    out << "ready" << Qt::endl;
    if (watchStdin) {
        auto* n = new QSocketNotifier(STDIN_FILENO, QSocketNotifier::Read, &app);
        QObject::connect(n, &QSocketNotifier::activated, &app, [&app] {
            char c;
            if (::read(STDIN_FILENO, &c, 1) <= 0) app.quit();
        });
    }
    return app.exec();
}
