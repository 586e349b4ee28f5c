#pragma once
// Marvane on the real clock and QSerialPort, its COM1 on devsim's tank console on a
// pseudo-terminal. A box would block a real run, so boxes are recorded instead of shown.
#include <QPushButton>
#include <QStringList>
#include <cstring>
#include <memory>

#include "common/tankcfgtypes.h"
#include "console/consolesession.h"
#include "console/maincfg.h"
#include "console/marvane.h"
#include "platform/errorguard.h"
#include "platform/services.h"
#include "sim/devsimprocess.h"
#include "sim/scriptedprompts.h"

struct PtyConsole {
    DevsimProcess sim;
    ScriptedPrompts prompts;
    std::unique_ptr<MarvaneProgram> program;
    QPushButton* connectButton = nullptr;

    explicit PtyConsole(const QStringList& devsimArgs)
        : sim(QStringLiteral(DEVSIM_PATH), devsimArgs + QStringList{"COM1=console"}) {}
    ~PtyConsole() {
        program.reset();
        Services::installReal();
        Services::installRealWorkbooks();
        qunsetenv("SERIAL_COM1");
    }
    // Starts devsim and the program and connects the terminal link; false when either fails.
    bool start() {
        if (!sim.start()) return false;
        qputenv("SERIAL_COM1", sim.path(QStringLiteral("COM1")).toLocal8Bit());
        Services::installReal();
        Services::installRealWorkbooks();
        Services::install(nullptr, &prompts, nullptr);
        SetAppTitle(QString::fromLatin1(MarvaneTitle));
        program = std::make_unique<MarvaneProgram>();
        connectButton = program->forms().MainConfig->findChild<QPushButton*>(QStringLiteral("TrmConnect"));
        connectButton->click();
        return connected();
    }
    bool connected() const { return connectButton->text() == QStringLiteral("Disconnect"); }
    QString problem() const {
        return sim.error().isEmpty() ? QStringLiteral("the terminal link did not open") : sim.error();
    }
};
