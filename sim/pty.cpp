#include "sim/pty.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

PtyEndpoint::PtyEndpoint(DeviceBus* bus, QObject* parent) : QObject(parent), bus_(bus) {}

PtyEndpoint::~PtyEndpoint() { hangUp(); }

void PtyEndpoint::hangUp() {
    if (bus_) bus_->toHost = nullptr;
    delete notifier_;
    notifier_ = nullptr;
    if (master_ >= 0) ::close(master_);
    if (slaveKeep_ >= 0) ::close(slaveKeep_);
    master_ = slaveKeep_ = -1;
}

bool PtyEndpoint::start(QString* error) {
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0) {
        if (error) *error = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    const char* name = ::ptsname(master_);
    if (!name) {
        if (error) *error = QStringLiteral("ptsname failed");
        return false;
    }
    path_ = QString::fromLocal8Bit(name);
    slaveKeep_ = ::open(name, O_RDWR | O_NOCTTY);
    if (slaveKeep_ >= 0) {
        // Raw bytes both ways: no CR/LF translation, no echo.
        termios t{};
        if (::tcgetattr(slaveKeep_, &t) == 0) {
            ::cfmakeraw(&t);
            ::tcsetattr(slaveKeep_, TCSANOW, &t);
        }
    }
    ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
    notifier_ = new QSocketNotifier(master_, QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &PtyEndpoint::readMaster);
    bus_->toHost = [this](const QByteArray& bytes) {
        qsizetype off = 0;
        while (off < bytes.size()) {
            const ssize_t n = ::write(master_, bytes.constData() + off, size_t(bytes.size() - off));
            if (n <= 0) break;
            off += n;
        }
    };
    return true;
}

void PtyEndpoint::readMaster() {
    char buf[512];
    for (;;) {
        const ssize_t n = ::read(master_, buf, sizeof buf);
        if (n <= 0) break;
        bus_->receiveFromHost(QByteArray(buf, int(n)));
    }
}
