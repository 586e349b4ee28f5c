#pragma once
// The serial ports' twin for tests: COM numbers map to simulated device buses in-process.
#include <QList>
#include <QMap>
#include <QPointer>

#include "platform/serial.h"
#include "sim/device.h"

class SimSerialLink;

class SimSerialPorts : public SerialPorts {
public:
    SimSerialPorts();
    ~SimSerialPorts() override;
    SerialLink* create(QObject* parent) override;

    // COM n exists and leads to bus (not owned). A COM number never attached does not exist.
    void attach(int com, DeviceBus* bus);
    // COM n exists but nothing answers on it.
    void addEmptyPort(int com);
    // COM n exists but cannot be opened (held by another program).
    void setBusy(int com, bool busy);
    // COM n goes away: a link open on it closes and reports lost().
    void remove(int com);
    void setDsr(int com, bool on);
    bool dsr(int com) const { return ports_.value(com).dsr; }

    // Every chunk written to COM n, in order, over the whole run.
    QList<QByteArray> written(int com) const { return ports_.value(com).written; }
    QByteArray writtenBytes(int com) const;
    void clearWritten(int com) { ports_[com].written.clear(); }
    // Complete lines (CR ... LF) written to COM n.
    QList<QByteArray> writtenLines(int com) const;

    // RTS around each chunk written to COM n: raised while it went out, and after it had.
    struct RtsAround {
        bool during = false;
        bool after = false;
    };
    QList<RtsAround> rtsAroundWrites(int com) const { return ports_.value(com).rtsAround; }
    // The link open on COM n drives RTS for RS-485.
    bool rs485(int com) const;

    SimSerialLink* openLink(int com) const;
    // How often COM n was opened.
    int openCount(int com) const { return ports_.value(com).opens; }
    QList<int> openBauds(int com) const { return ports_.value(com).bauds; }

private:
    friend class SimSerialLink;
    struct Port {
        bool exists = false;
        bool busy = false;
        bool dsr = false;
        QPointer<DeviceBus> bus;  // a bus may go before the ports
        QList<QByteArray> written;
        int opens = 0;
        QList<int> bauds;
        bool rts = false;
        QList<RtsAround> rtsAround;
    };
    QMap<int, Port> ports_;
    QList<QPointer<SimSerialLink>> links_;
};

class SimSerialLink final : public SerialLink {
    Q_OBJECT
public:
    SimSerialLink(SimSerialPorts* ports, QObject* parent);
    void open(int comNumber, int baud) override;
    void close() override;
    bool isOpen() const override { return open_; }
    void write(const QByteArray& bytes) override;
    qint64 bytesWaiting() const override { return input_.size(); }
    QByteArray read(qint64 maxBytes) override;
    void purgeInput() override {
        input_.clear();
        dropInputEvents();
    }
    void purgeOutput() override {}
    bool dsr() const override;
    void setDtr(bool on) override { dtr_ = open_ && on; }

    // Bytes arriving from the device side.
    void arrive(const QByteArray& bytes);
    void dsrFlipped() { noteDsrChanged(); }
    void vanish();

protected:
    bool waitingHasLineFeed() const override { return input_.contains('\n'); }

private:
    SimSerialPorts* ports_;
    bool open_ = false;
    QByteArray input_;
};
