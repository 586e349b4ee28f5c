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
#include "platform/clock.h"
#include "platform/errorguard.h"
#include "platform/serial.h"
#include "probetool/HelpWin.h"
#include "probetool/probc.h"
#include "probetool/scanb.h"
#include "probetool/txengine.h"
#include "sim/identprobe.h"
#include "sim/ostrelprobe.h"
#include "sim/testenv.h"

struct OstrelRig {
    DeviceBus bus;  // on COM3; declared before the environment, which refers to it
    SimEnv env;
    std::unique_ptr<Tprobc> w;
    TScanbus* scan = nullptr;
    THelpWindow* help = nullptr;

    // Attaches COM3 unless told otherwise; call start() after adding devices and ports.
    explicit OstrelRig(bool attachCom3 = true) {
        SetAppTitle(OstrelTitle);
        RegisterHelpFile(OstrelHelpFile);
        if (attachCom3) env.ports.attach(3, &bus);
    }
    ~OstrelRig() { w.reset(); }

    // A probe at addr, selected as the user does; what was sent so far is forgotten.
    OstrelProbe* startWithProbe(int addr, double speed = 3000.0, double length = 2000.0) {
        OstrelProbe* p = probe(addr, speed, length);
        start();
        selectAddress(addr);
        clearSent();
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
            const QString cmd = commandOf(req);
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
        scan = new TScanbus(w.get(), w->Link());
        help = new THelpWindow(w.get());
        w->AttachWindows(scan, help);
        return w.get();
    }
    // Started with the link pointed at addr, without the exchanges of selecting it.
    Tprobc* startAt(int addr) {
        start();
        w->Link()->SelectProbe(uint8_t(addr));
        return w.get();
    }
    OstrelProbe* probe(int addr, double speed = 3000.0, double length = 2000.0) {
        return bus.add<OstrelProbe>(addr, speed, length);
    }

    // The window's controls by name, as a test finds them.
    template <class T>
    T* control(const char* name) const {
        T* c = w->findChild<T*>(QLatin1String(name));
        if (!c) qFatal("no control %s", name);
        return c;
    }
    QLabel* label(const char* name) const { return control<QLabel>(name); }
    QLineEdit* edit(const char* name) const { return control<QLineEdit>(name); }
    QCheckBox* check(const char* name) const { return control<QCheckBox>(name); }
    QComboBox* combo(const char* name) const { return control<QComboBox>(name); }
    QPushButton* button(const char* name) const { return control<QPushButton>(name); }
    QPlainTextEdit* memo(const char* name) const { return control<QPlainTextEdit>(name); }
    QSpinBox* spin(const char* name) const { return control<QSpinBox>(name); }
    ProgramTimer* timer(const char* name) const { return control<ProgramTimer>(name); }
    TGauge* gauge() const { return control<TGauge>("ProgrB"); }
    SerialLink* port() const { return w->Link()->Port(); }
    ProbeTxEngine* link() const { return w->Link(); }
    probetype probeState() const { return w->ProbeState(); }
    template <class T>
    T* scanControl(const char* name) const {
        T* c = scan->findChild<T*>(QLatin1String(name));
        if (!c) qFatal("no scan control %s", name);
        return c;
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
    void selectAddress(int a) { choose(combo("Addr"), a); }

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
    // The data of a measurement reply (0x80): two 24-bit raw readings, the temperature's low
    // and high byte and the status byte.
    static QByteArray measurementData(int raw1, int raw2, uint8_t tHi = 0, uint8_t tLo = 0, uint8_t status = 0) {
        QByteArray d;
        for (int v : {raw1, raw2}) {
            d += char((v >> 16) & 0xFF);
            d += char((v >> 8) & 0xFF);
            d += char(v & 0xFF);
        }
        d += QByteArray(3, '\0');
        d += char(tLo);
        d += char(tHi);
        d += char(status);
        return d;
    }
    // The command text of a request line ("00", "5102").
    static QString commandOf(const QByteArray& request) {
        return QString::fromLatin1(request.mid(5, request.size() - 10));
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
    QStringList statusLines() const { return memo("Status")->toPlainText().split(QLatin1Char('\n')); }
    bool buttonsEnabled(bool all) const {
        for (const char* b : {"BCalibr", "Bupdate", "Bsetaddres", "BtOneS", "BtTwoS"})
            if (button(b)->isEnabled() != all) return false;
        return true;
    }
    QStringList promptTexts() const { return env.prompts.texts(); }
};
