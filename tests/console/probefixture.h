#pragma once
// Marvane on simulated time with a probe bus on COM3 ("Via Console"). Frames are read back at
// their own byte offsets: CR, device (1..2), address byte (3..4), code (5..6), data, CRC, LF.
#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QSpinBox>
#include <QTableWidget>
#include <QtTest>
#include <cstring>
#include <memory>

#include "common/tankcfgtypes.h"
#include "console/maincfg.h"
#include "console/marvane.h"
#include "platform/errorguard.h"
#include "sim/consoleprobe.h"
#include "sim/testenv.h"

// Answers every request with the next queued line, whatever it asks; silence when none is queued.
class ScriptedDevice : public DeviceModel {
public:
    QList<QByteArray> replies;
    QList<QByteArray> handleLine(const QByteArray&) override {
        if (replies.isEmpty()) return {};
        return {replies.takeFirst()};
    }
};

// A reply line as a device sends it.
inline QByteArray Reply(uint8_t device, uint8_t addr, uint8_t code, std::initializer_list<uint8_t> data = {}) {
    TShortFrame f{};
    f.Device = device;
    f.Addr = addr;
    f.Code = code;
    for (uint8_t b : data) f.Data[f.Count++] = b;
    return QByteArray::fromStdString(EncodeFrame(f));
}

struct ProbeRig {
    SimEnv env;
    DeviceBus bus;
    std::unique_ptr<MarvaneProgram> program;
    TMainConfig* w = nullptr;

    explicit ProbeRig(bool connect = true) {
        std::memset(&ConsoleConfig, 0, sizeof ConsoleConfig);
        SetAppTitle(QString::fromLatin1(MarvaneTitle));
        env.ports.attach(3, &bus);
        program = std::make_unique<MarvaneProgram>();
        w = MainConfig;
        if (connect) {
            find<QComboBox>("portsel")->setCurrentIndex(2);
            click("ProbeConnect");
            env.clock.settle();
        }
    }
    ~ProbeRig() { program.reset(); }

    template <class T = QAbstractButton>
    T* find(const char* name) const {
        T* c = w->findChild<T*>(QString::fromLatin1(name));
        if (!c) qFatal("no control %s", name);
        return c;
    }
    void click(const char* name) { find(name)->click(); }
    QString text(const char* label) const { return find<QLabel>(label)->text(); }
    QString cell(int r, int c) const {
        auto* it = find<QTableWidget>("LRMState")->item(r, c);
        return it ? it->text() : QString();
    }

    QList<QByteArray> sent() const { return env.ports.writtenLines(3); }
    static int device(const QByteArray& l) { return l.mid(1, 2).toInt(nullptr, 16); }
    static int addrByte(const QByteArray& l) { return l.mid(3, 2).toInt(nullptr, 16); }
    static int code(const QByteArray& l) { return l.mid(5, 2).toInt(nullptr, 16); }
    static QByteArray data(const QByteArray& l) { return QByteArray::fromHex(l.mid(7, l.size() - 7 - 5)); }
    // "code:data" of every frame sent, e.g. "92:33".
    QStringList sentCodes() const {
        QStringList out;
        for (const QByteArray& l : sent())
            out << QStringLiteral("%1:%2").arg(code(l), 2, 16, QLatin1Char('0')).arg(QString::fromLatin1(data(l).toHex())).toUpper();
        return out;
    }

    // Log lines, newest first.
    QStringList log(const char* list = "PrLogwin") const {
        QStringList out;
        auto* l = find<QListWidget>(list);
        for (int i = 0; i < l->count(); ++i) out << l->item(i)->text();
        return out;
    }
    int linesEndingWith(const QString& tail, const char* list = "PrLogwin") const {
        int n = 0;
        for (const QString& l : log(list)) n += l.endsWith(tail);
        return n;
    }
    int timeouts() const { return linesEndingWith(QStringLiteral(" /Error      > Probe Net Time out waiting for responce !")); }
    // Sends one request and lets its reply be handled.
    void request(uint8_t cmd, uint8_t addr, const ProbePayload& data = {}) {
        w->SendProbeCommand(cmd, addr, data);
        env.clock.runUntil([this] { return w->probeBus().lineFree(); }, 1000);
    }
};
