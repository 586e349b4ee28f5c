#pragma once
// Marvane's windows on simulated time, prompts and ports, with the tank console on COM1.
#include <QAbstractButton>
#include "platform/loglist.h"
#include <QPushButton>
#include <QTableWidget>
#include <QtTest>
#include <cstring>
#include <memory>

#include "common/tankcfgtypes.h"
#include "console/maincfg.h"
#include "console/marvane.h"
#include "platform/errorguard.h"
#include "sim/consolemodel.h"
#include "sim/testenv.h"

struct ConsoleFixture {
    SimEnv env;
    DeviceBus bus;
    ConsoleModel* model = nullptr;
    std::unique_ptr<MarvaneProgram> program;
    TMainConfig* w = nullptr;

    explicit ConsoleFixture(bool connect = true) {
        std::memset(&ConsoleConfig, 0, sizeof ConsoleConfig);
        CurrentTank = 0;
        SelectedMdi = 0;
        SetAppTitle(QString::fromLatin1(MarvaneTitle));
        env.prompts.acceptAny();  // until each test queues the boxes it expects
        model = bus.add<ConsoleModel>();
        env.ports.attach(1, &bus);
        program = std::make_unique<MarvaneProgram>();
        w = MainConfig;
        if (connect) {
            click("TrmConnect");
            env.clock.settle();
        }
    }
    ~ConsoleFixture() { program.reset(); }

    template <class T = QAbstractButton>
    T* find(const char* name) const {
        T* c = w->findChild<T*>(QString::fromLatin1(name));
        if (!c) qFatal("no control %s", name);
        return c;
    }
    void click(const char* name) { find(name)->click(); }

    // Terminal frames written to COM1 so far, and their command codes.
    QList<QByteArray> sent() const { return env.ports.writtenLines(1); }
    QList<int> sentCodes() const {
        QList<int> out;
        for (const QByteArray& l : sent()) out << l.mid(1, 2).toInt(nullptr, 16);
        return out;
    }
    // The data bytes of a sent frame.
    static QByteArray dataOf(const QByteArray& line) {
        return QByteArray::fromHex(line.mid(3, line.size() - 3 - 5));
    }
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

inline bool linkClosed(const TMainConfig* w) { return !w->TrmCom->isOpen(); }
