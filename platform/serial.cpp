#include "platform/serial.h"

#include "platform/portmap.h"

#include <QFileInfo>
#include <QSerialPort>
#include <QTimer>
#include <cerrno>
#include <linux/serial.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

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

void SerialLink::resetEvents() { dataPending_ = lfPending_ = dsrPending_ = false; }

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

QString ComDevicePath(int comNumber) { return MapComPort(comNumber).device; }

QString PortGoneText(int comNumber) {
    return QStringLiteral("COM%1 (%2): the port is gone; connect again once it is back")
        .arg(comNumber)
        .arg(ComDevicePath(comNumber));
}

namespace {
// Every text names the device tried, and where a mapping sent the port there, the mapping.
std::string NoSuchPortText(int comNumber, const ComPortMapping& m) {
    const std::string name = "COM" + std::to_string(comNumber);
    if (m.device.isEmpty()) return name + ": no such port (" + m.origin.toStdString() + " is set empty)";
    std::string text = name + ": no such port (" + m.device.toStdString();
    if (m.source != ComPortMapping::Source::Default) text += ", from " + m.origin.toStdString();
    return text + ")";
}
}  // namespace

namespace {
class QtSerialLink final : public SerialLink {
public:
    explicit QtSerialLink(QObject* parent) : SerialLink(parent), port_(this), dsrPoll_(this) {
        connect(&port_, &QSerialPort::readyRead, this, [this] {
            // Only take the bytes here: the program's handler runs from the event queue.
            take(port_.readAll());
        });
        connect(&port_, &QSerialPort::errorOccurred, this, [this](QSerialPort::SerialPortError e) { portError(e); });
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
    ~QtSerialLink() override { close(); }

    void open(int comNumber, int baud) override {
        if (port_.isOpen()) close();
        com_ = comNumber;
        baud_ = baud;
        const ComPortMapping mapping = MapComPort(comNumber);
        const QString path = mapping.device;
        if (path.isEmpty() || !QFileInfo::exists(path))
            throw SerialError(SerialError::NoSuchPort, NoSuchPortText(comNumber, mapping));
        port_.setPortName(path);
        if (!port_.open(QIODevice::ReadWrite)) {
            const auto err = port_.error();
            const std::string tried = "COM" + std::to_string(comNumber) + " (" + path.toStdString() + "): ";
            const std::string why = port_.errorString().toStdString();
            if (err == QSerialPort::DeviceNotFoundError)
                throw SerialError(SerialError::NoSuchPort, NoSuchPortText(comNumber, mapping));
            if (err == QSerialPort::PermissionError) {
                // The same error stands for a port held by another program: advise on the group
                // only where the user may not use the device.
                const bool allowed = ::access(QFile::encodeName(path).constData(), R_OK | W_OK) == 0;
                throw SerialError(SerialError::AccessDenied, allowed ? tried + why
                                                                     : tried + why + "; to use serial ports, " +
                                                                           JoinGroupAdvice(path).toStdString());
            }
            throw SerialError(SerialError::Other, tried + why);
        }
        ++opening_;
        port_.setBaudRate(baud);
        port_.setDataBits(QSerialPort::Data8);
        port_.setParity(QSerialPort::NoParity);
        port_.setStopBits(QSerialPort::OneStop);
        port_.setFlowControl(QSerialPort::NoFlowControl);
        port_.setDataTerminalReady(false);
        dtr_ = false;
        port_.setRequestToSend(false);
        port_.clearError();
        path_ = path;
        buffer_.clear();
        resetEvents();
        applyRs485();
        dsrSupported_ = true;
        lastDsr_ = readDsr();
        if (dsrSupported_) dsrPoll_.start();
    }
    void close() override {
        dsrPoll_.stop();
        if (port_.isOpen()) {
            releaseRs485();
            port_.close();
        }
        buffer_.clear();
        resetEvents();
    }
    bool isOpen() const override { return port_.isOpen(); }
    void write(const QByteArray& bytes) override {
        if (!port_.isOpen()) throw SerialError::NotOpen(com_);
        if (direction_ != Direction::ByWrite) {
            port_.write(bytes);
            port_.flush();
            return;
        }
        // The line is ours only while RTS is up: raise it, send, wait until the last bit has
        // left the port, drop it, so the probe's answer finds the bus free.
        port_.setRequestToSend(true);
        port_.write(bytes);
        port_.flush();
        while (port_.isOpen() && port_.bytesToWrite() > 0 && port_.waitForBytesWritten(1000)) {}
        if (!port_.isOpen()) return;
        ::tcdrain(int(port_.handle()));
        port_.setRequestToSend(false);
    }
    void setRs485(bool on) override {
        if (on == rs485_) return;
        if (port_.isOpen()) releaseRs485();
        rs485_ = on;
        if (port_.isOpen()) applyRs485();
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
    // Who drives RTS for RS-485: nobody (off, or a port without modem lines such as a
    // pseudo-terminal), the kernel's driver, or this link around each write.
    enum class Direction { None, ByDriver, ByWrite };

    void applyRs485() {
        direction_ = Direction::None;
        if (!rs485_ || !port_.isOpen()) return;
        const int fd = int(port_.handle());
        if (::ioctl(fd, TIOCGRS485, &savedRs485_) == 0) {
            serial_rs485 conf = savedRs485_;
            conf.flags = (conf.flags | SER_RS485_ENABLED | SER_RS485_RTS_ON_SEND) & ~unsigned(SER_RS485_RTS_AFTER_SEND);
            conf.delay_rts_before_send = 0;
            conf.delay_rts_after_send = 0;
            // A driver that cannot do it may clear the flag and still succeed.
            if (::ioctl(fd, TIOCSRS485, &conf) == 0 && (conf.flags & SER_RS485_ENABLED)) {
                direction_ = Direction::ByDriver;
                return;
            }
        }
        int lines = 0;
        if (::ioctl(fd, TIOCMGET, &lines) == 0) direction_ = Direction::ByWrite;
    }
    void releaseRs485() {
        // The driver keeps its RS-485 setting after close: give the port back as it was.
        if (direction_ == Direction::ByDriver) ::ioctl(int(port_.handle()), TIOCSRS485, &savedRs485_);
        direction_ = Direction::None;
    }

    // An error from QSerialPort is only a hint. It reports a read that found nothing as
    // ReadError, with whatever errno an earlier call left (ENOTTY on a pseudo-terminal), and
    // EAGAIN as ResourceError; an input purge between its poll and its read does exactly that,
    // so line noise would drop a live port. The port is lost only when it is gone.
    void portError(QSerialPort::SerialPortError e) {
        switch (e) {
        case QSerialPort::ReadError:
        case QSerialPort::ResourceError:
        case QSerialPort::WriteError:
        case QSerialPort::DeviceNotFoundError:
        case QSerialPort::UnknownError: break;
        default: return;  // settings, modem lines, time-outs: not about the port being there
        }
        if (!port_.isOpen()) return;
        if (portGone()) {
            // A hung-up line stays readable for ever: left open, it would spin the event loop.
            portLost();
            return;
        }
        port_.clearError();
        // After a ResourceError QSerialPort stops watching the port; a read from it starts
        // watching again.
        take(port_.readAll());
    }

    void take(const QByteArray& chunk) {
        buffer_ += chunk;
        noteIncoming(chunk);
    }

    // Gone: a hang-up, a read failing with EIO, ENXIO or ENODEV, or the device node removed.
    bool portGone() {
        const int fd = int(port_.handle());
        if (fd < 0) return true;
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 0) > 0 && (p.revents & (POLLHUP | POLLERR | POLLNVAL))) return true;
        // A read of our own gives a fresh errno (QSerialPort's may be left from an earlier
        // call); what it finds is kept as received.
        char chunk[4096];
        ssize_t n = -1;
        do {
            n = ::read(fd, chunk, sizeof chunk);
        } while (n < 0 && errno == EINTR);
        if (n > 0) take(QByteArray(chunk, int(n)));
        if (n < 0 && (errno == EIO || errno == ENXIO || errno == ENODEV)) return true;
        struct stat st {};
        return ::stat(path_.toLocal8Bit().constData(), &st) != 0 &&
               (errno == ENOENT || errno == ENXIO || errno == ENODEV);
    }

    void portLost() {
        close();
        // Raised from the event queue: the program's handler may open boxes or drop the link,
        // which it may not do inside QSerialPort's own signal. A link opened again meanwhile
        // has not lost anything.
        const int opening = opening_;
        QMetaObject::invokeMethod(
            this,
            [this, opening] {
                if (opening == opening_ && !port_.isOpen()) emit lost();
            },
            Qt::QueuedConnection);
    }

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
    QString path_;  // the device node the port was opened on
    bool lastDsr_ = false;
    bool dsrSupported_ = true;
    int opening_ = 0;
    Direction direction_ = Direction::None;
    serial_rs485 savedRs485_{};
};
}  // namespace

SerialLink* QtSerialPorts::create(QObject* parent) { return new QtSerialLink(parent); }
