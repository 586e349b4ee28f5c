#pragma once
// Marvane's windows on simulated time, prompts and ports, with the tank console on COM1.
#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QSpinBox>
#include <QPushButton>
#include <QTableWidget>
#include <QtTest>
#include <cstring>
#include <memory>

#include "calibration/chartmodule.h"
#include "common/tankcfgtypes.h"
#include "console/consolesession.h"
#include "console/maincfg.h"
#include "console/marvane.h"
#include "console/terminallink.h"
#include "platform/errorguard.h"
#include "platform/loglist.h"
#include "sim/consolemodel.h"
#include "sim/testenv.h"

struct ConsoleFixture {
    SimEnv env;
    DeviceBus bus;
    ConsoleModel* model = nullptr;
    std::unique_ptr<MarvaneProgram> program;
    TMainConfig* w = nullptr;

    explicit ConsoleFixture(bool connect = true) {
        SetAppTitle(QString::fromLatin1(MarvaneTitle));
        ChartModule::useFile(QStringLiteral(TANKCFG_CHART_MODULE));
        model = bus.add<ConsoleModel>();
        env.ports.attach(1, &bus);
        program = std::make_unique<MarvaneProgram>();
        w = forms().MainConfig;
        if (connect) {
            click("TrmConnect");
            env.clock.settle();
        }
    }
    ~ConsoleFixture() { program.reset(); }

    // The program's session and its windows by their form names.
    ConsoleSession& session() const { return program->session(); }
    const MarvaneForms& forms() const { return program->forms(); }

    template <class T = QAbstractButton>
    T* find(const char* name) const {
        T* c = w->findChild<T*>(QString::fromLatin1(name));
        if (!c) qFatal("no control %s", name);
        return c;
    }
    void click(const char* name) { find(name)->click(); }
    QSpinBox* spin(const char* name) const { return find<QSpinBox>(name); }
    QLineEdit* edit(const char* name) const { return find<QLineEdit>(name); }
    QTableWidget* grid(const char* name) const { return find<QTableWidget>(name); }
    QCheckBox* check(const char* name) const { return find<QCheckBox>(name); }
    QComboBox* list(const char* name) const { return find<QComboBox>(name); }
    // "Global config only" unchecked: the operations take the tanks and MDI units too.
    void wholeConfig() { check("wtankdta")->setChecked(false); }
    const TerminalLink& link() const { return session().terminal(); }
    bool linkClosed() const { return !link().isOpen(); }
    bool linkIdle() const { return link().idle(); }
    // Queues the not-connected box n times, as a refused request shows it.
    void expectNotConnected(int n = 1) {
        for (int i = 0; i < n; ++i) env.prompts.queue(PromptAnswer::ok());
    }

    // Terminal frames written to COM1 so far, and their command codes.
    QList<QByteArray> sent() const { return env.ports.writtenLines(1); }
    QList<int> sentCodes() const {
        QList<int> out;
        for (const QByteArray& l : sent()) out << l.mid(1, 2).toInt(nullptr, 16);
        return out;
    }
    // The data bytes of a sent frame.
    static QByteArray dataOf(const QByteArray& line) { return QByteArray::fromHex(line.mid(3, line.size() - 3 - 5)); }
    // Log lines, newest first.
    QStringList log() const {
        QStringList out;
        for (int i = 0; i < w->PrLogwin->count(); ++i) out << w->PrLogwin->text(i);
        return out;
    }
    int logLinesEndingWith(const QString& tail) const {
        int n = 0;
        for (const QString& l : log()) n += l.endsWith(tail);
        return n;
    }
    QStringList promptTexts() const { return env.prompts.texts(); }
    static QString cell(QTableWidget* g, int r, int c) {
        auto* it = g->item(r, c);
        return it ? it->text() : QString();
    }
};

inline const QString NotConnectedText = QStringLiteral("Error No:100 - Not Connected !\r Transmision aborted ! ");
