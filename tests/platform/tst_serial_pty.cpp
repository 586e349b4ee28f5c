// The real serial link on a pseudo-terminal: a line that hangs up or a device that goes is the
// port lost, once, with the CPU left idle; RS-485 mode on a port without modem lines.
#include <QAbstractEventDispatcher>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QtTest>
#include <cerrno>
#include <fcntl.h>
#include <memory>
#include <time.h>
#include <unistd.h>

#include "platform/serial.h"
#include "sim/testenv.h"

namespace {
constexpr int kCom = 9;

// The master side of a fresh pseudo-terminal, its slave named as COM9.
struct Pty {
    int master = -1;
    QString path;
    Pty() {
        master = ::posix_openpt(O_RDWR | O_NOCTTY);
        if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0) return;
        ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);
        path = QString::fromLocal8Bit(::ptsname(master));
        qputenv("SERIAL_COM9", path.toLocal8Bit());
    }
    ~Pty() {
        hangUp();
        qunsetenv("SERIAL_COM9");
    }
    void hangUp() {
        if (master >= 0) ::close(master);
        master = -1;
    }
    QByteArray readSome() {
        char buf[256];
        const ssize_t n = ::read(master, buf, sizeof buf);
        return n > 0 ? QByteArray(buf, int(n)) : QByteArray();
    }
};

double cpuSeconds() {
    timespec ts{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

// Runs the real event loop until cond holds or ms of real time pass; counts the loop's wakeups.
bool loopUntil(const std::function<bool()>& cond, int ms, int* wakeups = nullptr) {
    int n = 0;
    auto c = QObject::connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::awake, [&n] { ++n; });
    QDeadlineTimer deadline(ms);
    while (!cond() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, int(std::max<qint64>(1, deadline.remainingTime())));
    QObject::disconnect(c);
    if (wakeups) *wakeups = n;
    return cond();
}

// Descriptors of this process that lead to path.
int descriptorsOn(const QString& path) {
    int n = 0;
    for (const QFileInfo& fd : QDir(QStringLiteral("/proc/self/fd")).entryInfoList(QDir::System | QDir::Files))
        n += fd.symLinkTarget() == path;
    return n;
}
}  // namespace

class SerialPtyTest : public QObject {
    Q_OBJECT
private slots:
    void hangUpWhileIdleIsThePortLostOnce();
    void rs485OnAPortWithoutModemLinesSendsPlainly();
};

void SerialPtyTest::hangUpWhileIdleIsThePortLostOnce() {
    Pty pty;
    if (pty.path.isEmpty()) QSKIP("no pseudo-terminals here");
    QtSerialPorts real;
    std::unique_ptr<SerialLink> link(real.create(nullptr));
    link->open(kCom, 9600);
    int lost = 0, lines = 0;
    QObject::connect(link.get(), &SerialLink::lost, [&] { ++lost; });
    QObject::connect(link.get(), &SerialLink::lineFeedReceived, [&] { ++lines; });
    QCOMPARE(::write(pty.master, "\r0282\n", 6), ssize_t(6));
    QVERIFY(loopUntil([&] { return lines == 1; }, 5000));

    const double cpu0 = cpuSeconds();
    pty.hangUp();
    int wakeups = 0;
    QVERIFY2(loopUntil([&] { return lost > 0; }, 5000, &wakeups), "a line that hung up must be the port lost");
    // Nothing more comes: the port is closed and its descriptor gone, so nothing can wake the loop.
    QCoreApplication::processEvents();
    QCOMPARE(lost, 1);
    QVERIFY(!link->isOpen());
    QCOMPARE(descriptorsOn(pty.path), 0);
    QVERIFY2(wakeups < 50, qPrintable(QStringLiteral("%1 wakeups").arg(wakeups)));
    QVERIFY2(cpuSeconds() - cpu0 < 0.5, qPrintable(QStringLiteral("%1 s of CPU").arg(cpuSeconds() - cpu0)));
    // A write to the lost port is refused rather than lost silently.
    QVERIFY_THROWS_EXCEPTION(SerialError, link->write("x"));
}

void SerialPtyTest::rs485OnAPortWithoutModemLinesSendsPlainly() {
    Pty pty;
    if (pty.path.isEmpty()) QSKIP("no pseudo-terminals here");
    QtSerialPorts real;
    std::unique_ptr<SerialLink> link(real.create(nullptr));
    link->setRs485(true);
    link->open(kCom, 9600);  // a pseudo-terminal has no RTS: no error
    link->setDtr(true);
    QVERIFY(link->rs485() && link->dtrOn());
    link->write("\r0301ABCD\n");
    QByteArray got;
    QVERIFY2(loopUntil([&] {
        got += pty.readSome();
        return got.size() >= 10;
    }, 5000), got.toHex().constData());
    QCOMPARE(got, QByteArray("\r0301ABCD\n"));
    link->close();
    link->open(kCom, 9600);  // the option stays with the link
    QVERIFY(link->rs485());
}

TANKCFG_TEST_MAIN(SerialPtyTest)
#include "tst_serial_pty.moc"
