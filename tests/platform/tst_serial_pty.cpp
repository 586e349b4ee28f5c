// The real serial link on a pseudo-terminal, on the programs' event loop: a line that hangs up
// or a device that goes is the port lost, once, with the CPU left idle; line noise and input
// purges are not; RS-485 mode on a port without modem lines.
#include <QAbstractEventDispatcher>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QtTest>
#include <cerrno>
#include <fcntl.h>
#include <memory>
#include <unistd.h>

#include "platform/serial.h"
#include "tests/programloop.h"

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
    // Writes all of bytes, letting the loop run while the line is full.
    bool writeAll(const QByteArray& bytes);
    QByteArray readSome() {
        char buf[256];
        const ssize_t n = ::read(master, buf, sizeof buf);
        return n > 0 ? QByteArray(buf, int(n)) : QByteArray();
    }
};

// Runs the real event loop until cond holds or ms of real time pass; counts the loop's wakeups.
bool loopUntil(const std::function<bool()>& cond, int ms, int* wakeups = nullptr) {
    int n = 0;
    auto c = QObject::connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::awake, [&n] { ++n; });
    QDeadlineTimer deadline(ms);
    while (!cond() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents,
                                        int(std::max<qint64>(1, deadline.remainingTime())));
    QObject::disconnect(c);
    if (wakeups) *wakeups = n;
    return cond();
}

bool Pty::writeAll(const QByteArray& bytes) {
    qsizetype off = 0;
    QDeadlineTimer deadline(10000);
    while (off < bytes.size() && !deadline.hasExpired()) {
        const ssize_t n = ::write(master, bytes.constData() + off, size_t(bytes.size() - off));
        if (n > 0)
            off += n;
        else if (n < 0 && errno != EAGAIN && errno != EINTR)
            return false;
        else
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return off == bytes.size();
}

// A real link opened as COM9 on a fresh pseudo-terminal, counting how often it was lost.
struct PtyLink {
    Pty pty;
    QtSerialPorts real;
    std::unique_ptr<SerialLink> link;
    int lost = 0;
    bool open() {
        if (pty.path.isEmpty()) return false;
        link.reset(real.create(nullptr));
        link->open(kCom, 9600);
        QObject::connect(link.get(), &SerialLink::lost, [this] { ++lost; });
        return true;
    }
};

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
    void noiseWithInputPurgesKeepsTheLinkAnswering();
    void rs485OnAPortWithoutModemLinesSendsPlainly();
};

void SerialPtyTest::hangUpWhileIdleIsThePortLostOnce() {
    PtyLink opened;
    if (!opened.open()) QSKIP("no pseudo-terminals here");
    Pty& pty = opened.pty;
    SerialLink* link = opened.link.get();
    const int& lost = opened.lost;
    int lines = 0;
    QObject::connect(link, &SerialLink::lineFeedReceived, [&] { ++lines; });
    QCOMPARE(::write(pty.master, "\r0282\n", 6), ssize_t(6));
    QVERIFY(loopUntil([&] { return lines == 1; }, 5000));

    const double cpu0 = ProcessCpuSeconds();
    pty.hangUp();
    int wakeups = 0;
    QVERIFY2(loopUntil([&] { return lost > 0; }, 5000, &wakeups), "a line that hung up must be the port lost");
    // Nothing more comes: the port is closed and its descriptor gone, so nothing can wake the loop.
    QCoreApplication::processEvents();
    QCOMPARE(lost, 1);
    QVERIFY(!link->isOpen());
    QCOMPARE(descriptorsOn(pty.path), 0);
    QVERIFY2(wakeups < 50, qPrintable(QStringLiteral("%1 wakeups").arg(wakeups)));
    QVERIFY2(ProcessCpuSeconds() - cpu0 < 0.5,
             qPrintable(QStringLiteral("%1 s of CPU").arg(ProcessCpuSeconds() - cpu0)));
    // A write to the lost port is refused rather than lost silently.
    QVERIFY_THROWS_EXCEPTION(SerialError, link->write("x"));
}

// Line noise in place of replies: each line feed in it makes the handler read what waits and
// purge the rest, as the links do. A purge can leave the port's next read with nothing, which
// is no loss, and the link must go on reading without being asked to.
void SerialPtyTest::noiseWithInputPurgesKeepsTheLinkAnswering() {
    PtyLink t;
    if (!t.open()) QSKIP("no pseudo-terminals here");
    int lines = 0;
    QByteArray last;
    QObject::connect(t.link.get(), &SerialLink::lineFeedReceived, [&] {
        ++lines;
        last = t.link->read(t.link->bytesWaiting());
        t.link->purgeInput();
    });
    // The far end takes each request whole, as a device does, and answers with noise.
    auto takeRequest = [&] {
        QByteArray got;
        const bool whole = loopUntil(
            [&] {
                got += t.pty.readSome();
                return got.endsWith('\n');
            },
            5000);
        while (!t.pty.readSome().isEmpty()) {}
        return whole ? got : QByteArray();
    };
    std::mt19937 rng(20240615);
    for (int burst = 0; burst < 6 && t.lost == 0; ++burst) {
        t.link->write("\r0301ABCD\n");
        QCOMPARE(takeRequest(), QByteArray("\r0301ABCD\n"));
        QVERIFY(t.pty.writeAll(Noise(rng, 4096)));
        loopUntil([&] { return t.lost > 0; }, 300);
    }
    QCOMPARE(t.lost, 0);
    QVERIFY(t.link->isOpen());

    // Still answering, both ways, with no purge or write to wake the link up.
    lines = 0;
    QCOMPARE(::write(t.pty.master, "\r0282\n", 6), ssize_t(6));
    QVERIFY(loopUntil([&] { return lines > 0; }, 5000));
    QVERIFY2(last.endsWith("\r0282\n"), last.right(20).toHex().constData());
    t.link->write("\r0301ABCD\n");
    QCOMPARE(takeRequest(), QByteArray("\r0301ABCD\n"));
    QCOMPARE(t.lost, 0);

    // And a hang-up after all that is still the port lost, once.
    t.pty.hangUp();
    QVERIFY(loopUntil([&] { return t.lost > 0; }, 5000));
    QCoreApplication::processEvents();
    QCOMPARE(t.lost, 1);
    QVERIFY(!t.link->isOpen());
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
    QVERIFY2(loopUntil(
                 [&] {
                     got += pty.readSome();
                     return got.size() >= 10;
                 },
                 5000),
             got.toHex().constData());
    QCOMPARE(got, QByteArray("\r0301ABCD\n"));
    link->close();
    link->open(kCom, 9600);  // the option stays with the link
    QVERIFY(link->rs485());
}

TANKCFG_PROGRAM_LOOP_TEST_MAIN(SerialPtyTest)
#include "tst_serial_pty.moc"
