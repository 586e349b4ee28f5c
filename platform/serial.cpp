#include "platform/serial.h"

#include <QFileInfo>
#include <QSerialPort>
#include <QTimer>

void SerialLink::schedule() {
    if (scheduled_) return;
    scheduled_ = true;
    QMetaObject::invokeMethod(this, &SerialLink::deliver, Qt::QueuedConnection);
}

void SerialLink::noteIncoming(const QByteArray& chunk) {
    if (chunk.isEmpty()) return;
    dataPending_ = true;
    if (chunk.contains('\n')) lfPending_ = true;
    schedule();
}

void SerialLink::noteDsrChanged() {
    dsrPending_ = true;
    schedule();
}

void SerialLink::resetEvents() {
    dataPending_ = lfPending_ = dsrPending_ = false;
}

void SerialLink::dropInputEvents() { dataPending_ = lfPending_ = false; }

void SerialLink::deliver() {
    scheduled_ = false;
    if (!isOpen()) {
        resetEvents();
        return;
    }
    if (dsrPending_) {
        dsrPending_ = false;
        emit dsrChanged();
    }
    if (dataPending_ && isOpen()) {
        dataPending_ = false;
        if (const qint64 n = bytesWaiting(); n > 0) emit bytesAvailable(int(n));
    }
    if (lfPending_ && isOpen()) {
        lfPending_ = false;
        const qint64 before = bytesWaiting();
        emit lineFeedReceived();
        // A handler that took only part of what waited leaves a later line feed behind: raise
        // the event again rather than lose it. A handler that read nothing is not re-raised.
        if (isOpen() && bytesWaiting() < before && waitingHasLineFeed()) {
            lfPending_ = true;
            schedule();
        }
    }
}

QString ComDevicePath(int comNumber) {
    const QByteArray var = "SERIAL_COM" + QByteArray::number(comNumber);
    if (qEnvironmentVariableIsSet(var.constData())) return qEnvironmentVariable(var.constData());
    return QStringLiteral("/dev/ttyS%1").arg(comNumber - 1);
}

namespace {
class QtSerialLink final : public SerialLink {
public:
    explicit QtSerialLink(QObject* parent) : SerialLink(parent), port_(this), dsrPoll_(this) {
        connect(&port_, &QSerialPort::readyRead, this, [this] {
            // Only take the bytes here: the program's handler runs from the event queue.
            const QByteArray chunk = port_.readAll();
            buffer_ += chunk;
            noteIncoming(chunk);
        });
        connect(&port_, &QSerialPort::errorOccurred, this, [this](QSerialPort::SerialPortError e) {
            if (e == QSerialPort::ResourceError && port_.isOpen()) {
                close();
                emit lost();
            }
        });
        // QSerialPort has no signal for DSR changes: poll while open.
        dsrPoll_.setInterval(50);
        connect(&dsrPoll_, &QTimer::timeout, this, [this] {
            const bool now = readDsr();
            if (now != lastDsr_) {
                lastDsr_ = now;
                noteDsrChanged();
            }
        });
    }

    void open(int comNumber, int baud) override {
        if (port_.isOpen()) close();
        com_ = comNumber;
        baud_ = baud;
        const QString path = ComDevicePath(comNumber);
        const std::string name = "COM" + std::to_string(comNumber);
        if (path.isEmpty() || !QFileInfo::exists(path))
            throw SerialError(SerialError::NoSuchPort, name + ": no such port");
        port_.setPortName(path);
        if (!port_.open(QIODevice::ReadWrite)) {
            const auto err = port_.error();
            const std::string why = port_.errorString().toStdString();
            if (err == QSerialPort::DeviceNotFoundError)
                throw SerialError(SerialError::NoSuchPort, name + ": no such port (" + path.toStdString() + ")");
            if (err == QSerialPort::PermissionError)
                throw SerialError(SerialError::AccessDenied, name + " (" + path.toStdString() + "): " + why +
                                                                 " (is the user in the dialout group?)");
            throw SerialError(SerialError::Other, name + " (" + path.toStdString() + "): " + why);
        }
        port_.setBaudRate(baud);
        port_.setDataBits(QSerialPort::Data8);
        port_.setParity(QSerialPort::NoParity);
        port_.setStopBits(QSerialPort::OneStop);
        port_.setFlowControl(QSerialPort::NoFlowControl);
        port_.setDataTerminalReady(false);
        dtr_ = false;
        port_.setRequestToSend(false);
        buffer_.clear();
        resetEvents();
        dsrSupported_ = true;
        lastDsr_ = readDsr();
        if (dsrSupported_) dsrPoll_.start();
    }
    void close() override {
        dsrPoll_.stop();
        if (port_.isOpen()) port_.close();
        buffer_.clear();
        resetEvents();
    }
    bool isOpen() const override { return port_.isOpen(); }
    void write(const QByteArray& bytes) override {
        if (!port_.isOpen()) throw SerialError(SerialError::Other, "COM" + std::to_string(com_) + ": port not open");
        port_.write(bytes);
        port_.flush();
    }
    qint64 bytesWaiting() const override { return buffer_.size(); }
    QByteArray read(qint64 maxBytes) override {
        const QByteArray out = buffer_.left(maxBytes);
        buffer_.remove(0, out.size());
        return out;
    }
    void purgeInput() override {
        if (port_.isOpen()) {
            buffer_ += port_.readAll();
            port_.clear(QSerialPort::Input);
        }
        buffer_.clear();
        dropInputEvents();
    }
    void purgeOutput() override {
        if (port_.isOpen()) port_.clear(QSerialPort::Output);
    }
    bool dsr() const override { return lastDsr_; }
    void setDtr(bool on) override {
        dtr_ = on;
        if (port_.isOpen()) port_.setDataTerminalReady(on);
    }

protected:
    bool waitingHasLineFeed() const override { return buffer_.contains('\n'); }

private:
    bool readDsr() {
        if (!port_.isOpen() || !dsrSupported_) return false;
        const auto sig = port_.pinoutSignals();
        if (port_.error() == QSerialPort::UnsupportedOperationError) {
            // Pseudo-terminals have no modem lines.
            dsrSupported_ = false;
            port_.clearError();
            dsrPoll_.stop();
            return false;
        }
        return sig & QSerialPort::DataSetReadySignal;
    }

    QSerialPort port_;
    QTimer dsrPoll_;
    QByteArray buffer_;
    bool lastDsr_ = false;
    bool dsrSupported_ = true;
};
}  // namespace

SerialLink* QtSerialPorts::create(QObject* parent) { return new QtSerialLink(parent); }
