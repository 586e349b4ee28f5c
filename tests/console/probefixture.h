#pragma once
// Marvane on simulated time with a probe bus on COM3 ("Via Console"). Frames are read back at
// their own byte offsets: CR, device (1..2), address byte (3..4), code (5..6), data, CRC, LF.
#include <QLabel>

#include "consolefixture.h"
#include "sim/consoleprobe.h"

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

// The console fixture without a terminal connection, plus the probe bus on COM3.
struct ProbeRig : ConsoleFixture {
    DeviceBus probes;

    explicit ProbeRig(bool connect = true) : ConsoleFixture(false) {
        env.ports.attach(3, &probes);
        if (connect) {
            list("portsel")->setCurrentIndex(2);
            click("ProbeConnect");
            env.clock.settle();
        }
    }

    QString text(const char* label) const { return find<QLabel>(label)->text(); }
    QString cell(int r, int c) const { return ConsoleFixture::cell(grid("LRMState"), r, c); }

    QList<QByteArray> probeSent() const { return env.ports.writtenLines(3); }
    static int device(const QByteArray& l) { return l.mid(1, 2).toInt(nullptr, 16); }
    static int addrByte(const QByteArray& l) { return l.mid(3, 2).toInt(nullptr, 16); }
    static int code(const QByteArray& l) { return l.mid(5, 2).toInt(nullptr, 16); }
    static QByteArray data(const QByteArray& l) { return QByteArray::fromHex(l.mid(7, l.size() - 7 - 5)); }
    // "code:data" of every frame sent, e.g. "92:33".
    QStringList probeCodes() const {
        QStringList out;
        for (const QByteArray& l : probeSent())
            out << QStringLiteral("%1:%2")
                       .arg(code(l), 2, 16, QLatin1Char('0'))
                       .arg(QString::fromLatin1(data(l).toHex()))
                       .toUpper();
        return out;
    }

    // Lines of a log list, newest first.
    QStringList log(const char* list = "PrLogwin") const {
        QStringList out;
        auto* l = find<TLogList>(list);
        for (int i = 0; i < l->count(); ++i) out << l->text(i);
        return out;
    }
    int linesEndingWith(const QString& tail, const char* list = "PrLogwin") const {
        int n = 0;
        for (const QString& l : log(list)) n += l.endsWith(tail);
        return n;
    }
    int timeouts() const {
        return linesEndingWith(QStringLiteral(" /Error      > Probe Net Time out waiting for responce !"));
    }
    // Sends one request and lets its reply be handled.
    void request(uint8_t cmd, uint8_t addr, const ProbePayload& data = {}) {
        w->SendProbeCommand(cmd, addr, data);
        env.clock.runUntil([this] { return w->probeBus().lineFree(); }, 1000);
    }
};
