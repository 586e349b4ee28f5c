#pragma once
// Ostrel's main window on simulated ports and virtual time, with helpers to click, inject
// replies and read what was sent and logged.
#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QLabel>
#include <QLineEdit>
#include <QCheckBox>
#include <QSpinBox>
#include <QtTest>
#include <memory>

#include "common/tankcfgtypes.h"
#include "platform/errorguard.h"
#include "probetool/HelpWin.h"
#include "probetool/probc.h"
#include "probetool/scanb.h"
#include "sim/identprobe.h"
#include "sim/ostrelprobe.h"
#include "sim/testenv.h"

struct OstrelRig {
    DeviceBus bus;  // on COM3; declared before the environment, which refers to it
    SimEnv env;
    std::unique_ptr<Tprobc> w;

    // Attaches COM3 unless told otherwise; call start() after adding devices and ports.
    explicit OstrelRig(bool attachCom3 = true) {
        SetAppTitle(OstrelTitle);
        env.prompts.acceptAny();  // until each test queues the boxes it expects
        RegisterHelpFile(OstrelHelpFile);
        if (attachCom3) env.ports.attach(3, &bus);
    }
    ~OstrelRig() { w.reset(); }

    // A probe at addr, selected as the user does; what was sent and shown so far is forgotten.
    OstrelProbe* startWithProbe(int addr, double speed = 3000.0, double length = 2000.0) {
        OstrelProbe* p = probe(addr, speed, length);
        start();
        selectAddress(addr);
        clearSent();
        env.prompts.clear();
        return p;
    }

    // Every request that reaches the bus, with its virtual time; silent(cmd) drops its replies.
    struct Request {
        qint64 t;
        QString cmd;
    };
    QList<Request> requests;
    void recordRequests(std::function<bool(const QString& cmd)> silent = {}) {
        bus.faults.hook = [this, silent](const QByteArray& req, QList<QByteArray> replies) {
            const QString cmd = QString::fromLatin1(req.mid(5, req.size() - 10));
            requests << Request{env.clock.elapsedMs(), cmd};
            if (silent && silent(cmd)) return QList<QByteArray>{};
            return replies;
        };
    }
    QList<qint64> requestTimes() const {
        QList<qint64> out;
        for (const Request& q : requests) out << q.t;
        return out;
    }
    QStringList requestCmds() const {
        QStringList out;
        for (const Request& q : requests) out << q.cmd;
        return out;
    }

    Tprobc* start() {
        w = std::make_unique<Tprobc>();
        w->Scanbus = new TScanbus(w.get());
        w->HelpWindow = new THelpWindow(w.get());
        return w.get();
    }
    OstrelProbe* probe(int addr, double speed = 3000.0, double length = 2000.0) {
        return bus.add<OstrelProbe>(addr, speed, length);
    }

    void click(const char* name) {
        auto* b = w->findChild<QAbstractButton*>(QLatin1String(name));
        QVERIFY2(b, name);
        b->click();
    }
    static void choose(QComboBox* c, int index) {
        c->setCurrentIndex(index);
        emit c->activated(index);
    }
    // Selects an address as the user does and lets its exchanges run.
    void selectAddress(int a) { choose(w->Addr, a); }

    // Command texts sent on COM3: device, address byte and CRC stripped ("01", "5102").
    QStringList sentCommands() const {
        QStringList out;
        for (const QByteArray& l : env.ports.writtenLines(3)) out << QString::fromLatin1(l.mid(5, l.size() - 10));
        return out;
    }
    QList<QByteArray> sentLines() const { return env.ports.writtenLines(3); }
    void clearSent() { env.ports.clearWritten(3); }

    // A reply line as a device would send it.
    static QByteArray frame(uint8_t code, const QByteArray& data = {}, uint8_t device = DevProbe, uint8_t addr = 0x23) {
        TShortFrame f{};
        f.Code = code;
        f.Device = device;
        f.Addr = addr;
        f.Count = uint8_t(data.size());
        memcpy(f.Data, data.constData(), size_t(data.size()));
        return QByteArray::fromStdString(EncodeFrame(f));
    }
    static QByteArray floatBytes(float x) {
        const auto b = SingleToBE(x);
        return QByteArray(reinterpret_cast<const char*>(b.data()), 4);
    }
    // Bytes arriving on COM3 as one receive event.
    void arrive(const QByteArray& bytes) {
        env.ports.openLink(3)->arrive(bytes);
        env.clock.settle();
    }
    // A reply arrives and is applied.
    void apply(const QByteArray& line) {
        arrive(line);
        w->ProcessReplies();
    }

    QStringList log() const { return w->LogLines(); }
    int logCount(const QString& prefix) const {
        int n = 0;
        for (const QString& l : log()) n += l.startsWith(prefix);
        return n;
    }
    QStringList statusLines() const { return w->Status->toPlainText().split(QLatin1Char('\n')); }
    bool buttonsEnabled(bool all) const {
        for (auto* b : {w->BCalibr, w->Bupdate, w->Bsetaddres, w->BtOneS, w->BtTwoS})
            if (b->isEnabled() != all) return false;
        return true;
    }
    QStringList promptTexts() const { return env.prompts.texts(); }
};
