// COM numbers on this machine: SERIAL_COM<n>, else the user's com<n> link (Wine's dosdevices
// style), else /dev/ttyS<n-1>; the errors and the port list name the device tried.
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>
#include <fcntl.h>
#include <memory>
#include <poll.h>
#include <pty.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/portmap.h"
#include "platform/serial.h"
#include "sim/testenv.h"

namespace {
// A fresh pseudo-terminal: its slave side is a device that exists and opens.
struct Pty {
    int master = -1;
    int slave = -1;
    QString path;
    Pty() {
        char name[128] = {};
        if (::openpty(&master, &slave, name, nullptr, nullptr) == 0) path = QString::fromLocal8Bit(name);
    }
    ~Pty() {
        for (int fd : {master, slave})
            if (fd >= 0) ::close(fd);
    }
};

void UnsetAllComVariables() {
    for (int n = 1; n <= 16; ++n) qunsetenv(("SERIAL_COM" + QByteArray::number(n)).constData());
}

std::string OpenError(int com) {
    QtSerialPorts real;
    std::unique_ptr<SerialLink> link(real.create(nullptr));
    try {
        link->open(com, 9600);
    } catch (const SerialError& e) {
        return e.what();
    }
    return "opened";
}

QString ReportLine(const QString& report, int com) {
    for (const QString& line : report.split(QLatin1Char('\n')))
        if (line.startsWith(QStringLiteral("COM%1 ").arg(com))) return line;
    return {};
}
}  // namespace

class PortsMapTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void linksInTheUsersConfigFolderMapPorts();
    void environmentWinsOverTheLink();
    void whatIsNotALinkMapsNothing();
    void aMappedPortOpensAndCarriesBytes();
    void missingPortErrorsNameTheDeviceTried();
    void permissionErrorSaysHowToJoinTheGroup();
    void portListShowsEveryComWithDeviceAndAccess();

private:
    std::unique_ptr<QTemporaryDir> home_;
    QString links_;
    QString link(const QString& name, const QString& target) {
        QDir().mkpath(links_);
        const QString at = links_ + QLatin1Char('/') + name;
        QFile::remove(at);
        if (::symlink(QFile::encodeName(target).constData(), QFile::encodeName(at).constData()) != 0) qFatal("symlink");
        return at;
    }
};

void PortsMapTest::init() {
    home_ = std::make_unique<QTemporaryDir>();
    // Where a technician's links live when XDG_CONFIG_HOME is not set: ~/.config.
    qputenv("HOME", home_->path().toLocal8Bit());
    qunsetenv("XDG_CONFIG_HOME");
    links_ = home_->path() + QStringLiteral("/.config/tankcfg/dosdevices");
    UnsetAllComVariables();
}

void PortsMapTest::cleanup() { UnsetAllComVariables(); }

void PortsMapTest::linksInTheUsersConfigFolderMapPorts() {
    QCOMPARE(ComPortLinksFolder(), links_);
    QCOMPARE(ComDevicePath(3), QString("/dev/ttyS2"));
    QCOMPARE(MapComPort(3).source, ComPortMapping::Source::Default);

    const QString byId = QStringLiteral("/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A1-if00-port0");
    const QString at = link(QStringLiteral("com3"), byId);
    // The name the technician linked, not what it leads to today: a by-id name follows the
    // adapter to whatever ttyUSB number it gets next time.
    QCOMPARE(ComDevicePath(3), byId);
    QCOMPARE(MapComPort(3).source, ComPortMapping::Source::UserLink);
    QCOMPARE(MapComPort(3).origin, at);
    QCOMPARE(ComDevicePath(4), QString("/dev/ttyS3"));

    // Typed in capitals, and relative to the folder, as ln -s writes it.
    link(QStringLiteral("COM12"), QStringLiteral("../adapter"));
    QCOMPARE(ComDevicePath(12), home_->path() + QStringLiteral("/.config/tankcfg/adapter"));

    // XDG_CONFIG_HOME moves the folder, and a start from another directory finds the same links.
    QVERIFY(QDir::setCurrent(QDir::tempPath()));
    QCOMPARE(ComDevicePath(3), byId);
    qputenv("XDG_CONFIG_HOME", (home_->path() + QStringLiteral("/elsewhere")).toLocal8Bit());
    QCOMPARE(ComPortLinksFolder(), home_->path() + QStringLiteral("/elsewhere/tankcfg/dosdevices"));
    QCOMPARE(ComDevicePath(3), QString("/dev/ttyS2"));
}

void PortsMapTest::environmentWinsOverTheLink() {
    link(QStringLiteral("com2"), QStringLiteral("/dev/ttyUSB7"));
    qputenv("SERIAL_COM2", "/dev/ttyACM0");
    QCOMPARE(ComDevicePath(2), QString("/dev/ttyACM0"));
    QCOMPARE(MapComPort(2).source, ComPortMapping::Source::Environment);
    QCOMPARE(MapComPort(2).origin, QString("SERIAL_COM2"));
    // Set but empty: no such port, whatever the link says.
    qputenv("SERIAL_COM2", "");
    QCOMPARE(ComDevicePath(2), QString());
}

void PortsMapTest::whatIsNotALinkMapsNothing() {
    QDir().mkpath(links_ + QStringLiteral("/com6"));
    QFile plain(links_ + QStringLiteral("/com7"));
    QVERIFY(plain.open(QIODevice::WriteOnly));
    plain.write("/dev/ttyUSB0\n");
    plain.close();
    QCOMPARE(ComDevicePath(6), QString("/dev/ttyS5"));
    QCOMPARE(ComDevicePath(7), QString("/dev/ttyS6"));
}

void PortsMapTest::aMappedPortOpensAndCarriesBytes() {
    Pty pty;
    if (pty.path.isEmpty()) QSKIP("no pseudo-terminal here");
    link(QStringLiteral("com9"), pty.path);
    QtSerialPorts real;
    std::unique_ptr<SerialLink> port(real.create(nullptr));
    port->open(9, 9600);
    QVERIFY(port->isOpen());
    port->write("\rA5\n");
    QByteArray got;
    QDeadlineTimer deadline(5000);
    char buf[16];
    while (got.size() < 4 && !deadline.hasExpired()) {
        pollfd p{pty.master, POLLIN, 0};
        if (::poll(&p, 1, 100) <= 0) continue;
        const ssize_t n = ::read(pty.master, buf, sizeof buf);
        if (n > 0) got.append(buf, int(n));
    }
    QCOMPARE(got.right(3), QByteArray("A5\n"));
}

void PortsMapTest::missingPortErrorsNameTheDeviceTried() {
    // The default device of COM16 is not on this machine (nor on any usual one).
    QVERIFY(!QFile::exists("/dev/ttyS15"));
    QCOMPARE(OpenError(16), std::string("COM16: no such port (/dev/ttyS15)"));

    const QString byId = QStringLiteral("/dev/serial/by-id/usb-unplugged-if00-port0");
    const QString at = link(QStringLiteral("com4"), byId);
    QCOMPARE(QString::fromStdString(OpenError(4)), QStringLiteral("COM4: no such port (%1, from %2)").arg(byId, at));

    qputenv("SERIAL_COM5", "/dev/ttyUSB99");
    QCOMPARE(OpenError(5), std::string("COM5: no such port (/dev/ttyUSB99, from SERIAL_COM5)"));
    qputenv("SERIAL_COM5", "");
    QCOMPARE(OpenError(5), std::string("COM5: no such port (SERIAL_COM5 is set empty)"));
}

void PortsMapTest::permissionErrorSaysHowToJoinTheGroup() {
    // The advice names the group that owns the device; dialout where there is none to tell.
    QCOMPARE(JoinGroupAdvice(QStringLiteral("/dev/ttyUSB99")),
             QString("join the dialout group: sudo usermod -aG dialout $USER, then log in again"));
    if (::geteuid() == 0) QSKIP("root may open any device: the refusal cannot be made here");
    Pty pty;
    if (pty.path.isEmpty()) QSKIP("no pseudo-terminal here");
    QVERIFY(::chmod(QFile::encodeName(pty.path).constData(), 0) == 0);
    link(QStringLiteral("com8"), pty.path);
    QtSerialPorts real;
    std::unique_ptr<SerialLink> port(real.create(nullptr));
    try {
        port->open(8, 9600);
        QFAIL("a device the user may not use opened");
    } catch (const SerialError& e) {
        QCOMPARE(e.kind, SerialError::AccessDenied);
        const QString text = QString::fromStdString(e.what());
        QVERIFY2(text.startsWith(QStringLiteral("COM8 (%1): ").arg(pty.path)), qPrintable(text));
        QVERIFY2(
            text.endsWith(QStringLiteral("sudo usermod -aG %1 $USER, then log in again").arg(ComDeviceGroup(pty.path))),
            qPrintable(text));
    }
    const QString line = ReportLine(ComPortsReport(), 8);
    QVERIFY2(line.contains(QRegularExpression(QStringLiteral("\\byes\\s+no\\b"))), qPrintable(line));
    QVERIFY(ComPortsReport().contains(QStringLiteral("sudo usermod -aG")));
}

void PortsMapTest::portListShowsEveryComWithDeviceAndAccess() {
    Pty pty;
    if (pty.path.isEmpty()) QSKIP("no pseudo-terminal here");
    link(QStringLiteral("com3"), pty.path);
    qputenv("SERIAL_COM2", "");
    qputenv("SERIAL_COM5", "/dev/ttyUSB99");
    const QString report = ComPortsReport();
    for (int n = 1; n <= 16; ++n) QVERIFY2(!ReportLine(report, n).isEmpty(), qPrintable(report));
    QVERIFY(!ReportLine(report, 17).size());
    const auto columns = [&](int com) { return ReportLine(report, com).split(QLatin1Char(' '), Qt::SkipEmptyParts); };
    QCOMPARE(columns(3).mid(0, 6), QStringList({"COM3", pty.path, "link", "com3", "yes", "yes"}));
    QCOMPARE(columns(2).mid(0, 4), QStringList({"COM2", "(none)", "SERIAL_COM2", "no"}));
    QCOMPARE(columns(5), QStringList({"COM5", "/dev/ttyUSB99", "SERIAL_COM5", "no", "-", "-"}));
    QCOMPARE(columns(16), QStringList({"COM16", "/dev/ttyS15", "default", "no", "-", "-"}));
    // Where to put the links, in the words of the folder this user has.
    QVERIFY(report.contains(links_ + QStringLiteral("/com3")));
}

TANKCFG_TEST_MAIN(PortsMapTest)
#include "tst_ports_map.moc"
