#pragma once
// The serial link seam: a port opened by COM number. The real link is QSerialPort; tests use
// the simulated twin in sim/. Events reach the program through the event queue, never from
// inside the port's own signal, so a handler may run a nested wait and still see new events.
#include <QByteArray>
#include <QObject>
#include <QString>
#include <string>

#include "common/errors.h"

struct SerialError : AppError {
    enum Kind { NoSuchPort, AccessDenied, Other };
    SerialError(Kind k, const std::string& msg) : AppError(msg), kind(k) {}
    // What a write to a port that is not open (or has gone) reports.
    static SerialError NotOpen(int comNumber) {
        return SerialError(Other, "COM" + std::to_string(comNumber) + ": port not open");
    }
    Kind kind;
};

class SerialLink : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    ~SerialLink() override = default;

    // 8 data bits, no parity, 1 stop bit, no flow control. Throws SerialError.
    virtual void open(int comNumber, int baud = 9600) = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    virtual void write(const QByteArray& bytes) = 0;
    virtual qint64 bytesWaiting() const = 0;
    // Takes up to maxBytes of what waits.
    virtual QByteArray read(qint64 maxBytes) = 0;
    virtual void purgeInput() = 0;
    virtual void purgeOutput() = 0;
    virtual bool dsr() const = 0;
    // The DTR line; open() leaves it off.
    virtual void setDtr(bool on) { (void)on; }
    bool dtrOn() const { return dtr_; }
    // RS-485 half duplex: RTS is raised while the link sends and dropped once the bytes have
    // left. An option of the link: set before open() it applies to every opening.
    virtual void setRs485(bool on) { rs485_ = on; }
    bool rs485() const { return rs485_; }

    int comNumber() const { return com_; }
    int baud() const { return baud_; }

signals:
    // A line feed arrived (the event character).
    void lineFeedReceived();
    // Bytes arrived; count is what waits now.
    void bytesAvailable(int count);
    void dsrChanged();
    // The port went away under us (device removed, line hung up, read failing); it is closed
    // now. Raised once per opening.
    void lost();

protected:
    // Implementations call this after appending newly received bytes to what waits.
    void noteIncoming(const QByteArray& chunk);
    void noteDsrChanged();
    void resetEvents();
    // After a purge of the input: the bytes an event was pending for are gone.
    void dropInputEvents();
    virtual bool waitingHasLineFeed() const = 0;
    int com_ = 0;
    int baud_ = 9600;
    bool dtr_ = false;
    bool rs485_ = false;

private:
    void schedule();
    void deliver();
    bool scheduled_ = false;
    bool dataPending_ = false;
    bool lfPending_ = false;
    bool dsrPending_ = false;
};

class SerialPorts {
public:
    virtual ~SerialPorts() = default;
    virtual SerialLink* create(QObject* parent) = 0;
};

// The device COMn stands for (platform/portmap.h: SERIAL_COM<n>, the user's com<n> link, or
// /dev/ttyS<n-1>); empty when SERIAL_COM<n> is set but empty, meaning there is no such port.
QString ComDevicePath(int comNumber);

// What the log says when an open port goes away (an adapter pulled, a line hung up).
QString PortGoneText(int comNumber);

class QtSerialPorts : public SerialPorts {
public:
    SerialLink* create(QObject* parent) override;
};
