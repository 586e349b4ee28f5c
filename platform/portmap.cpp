#include "platform/portmap.h"

#include <QDir>
#include <QFileInfo>
#include <QSerialPortInfo>
#include <QStandardPaths>
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <vector>

QString ComPortLinksFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/tankcfg/dosdevices");
}

ComPortMapping MapComPort(int comNumber) {
    ComPortMapping m;
    const QByteArray var = "SERIAL_COM" + QByteArray::number(comNumber);
    if (qEnvironmentVariableIsSet(var.constData())) {
        m.source = ComPortMapping::Source::Environment;
        m.origin = QString::fromLatin1(var);
        m.device = qEnvironmentVariable(var.constData());
        return m;
    }
    // Wine writes the links in lower case; a technician may well type them in capitals.
    const QDir folder(ComPortLinksFolder());
    for (const QString& name : {QStringLiteral("com%1"), QStringLiteral("COM%1")}) {
        const QFileInfo link(folder.filePath(name.arg(comNumber)));
        if (!link.isSymLink()) continue;
        m.source = ComPortMapping::Source::UserLink;
        m.origin = link.filePath();
        // As the link says, not resolved further: a /dev/serial/by-id name stays the name the
        // technician chose, and is itself a link that follows the adapter from plug to plug.
        m.device = link.symLinkTarget();
        return m;
    }
    m.device = QStringLiteral("/dev/ttyS%1").arg(comNumber - 1);
    return m;
}

QString ComDeviceGroup(const QString& device) {
    struct stat st {};
    if (!device.isEmpty() && ::stat(QFile::encodeName(device).constData(), &st) == 0 && st.st_gid != 0) {
        if (const group* g = ::getgrgid(st.st_gid); g && g->gr_name && *g->gr_name)
            return QString::fromLocal8Bit(g->gr_name);
    }
    return QStringLiteral("dialout");
}

QString JoinGroupAdvice(const QString& device) {
    return QStringLiteral("join the %1 group: sudo usermod -aG %1 $USER, then log in again")
        .arg(ComDeviceGroup(device));
}

namespace {
QString UsbText(const QSerialPortInfo& info) {
    QStringList parts;
    if (!info.description().isEmpty()) parts << info.description();
    if (!info.manufacturer().isEmpty() && info.manufacturer() != info.description()) parts << info.manufacturer();
    if (info.hasVendorIdentifier() && info.hasProductIdentifier())
        parts << QStringLiteral("%1:%2")
                     .arg(info.vendorIdentifier(), 4, 16, QLatin1Char('0'))
                     .arg(info.productIdentifier(), 4, 16, QLatin1Char('0'));
    if (!info.serialNumber().isEmpty()) parts << QStringLiteral("serial ") + info.serialNumber();
    return parts.join(QStringLiteral(", "));
}

QString UsbTextFor(const QString& canonicalDevice, const QList<QSerialPortInfo>& ports) {
    for (const QSerialPortInfo& info : ports) {
        const QString where = QFileInfo(info.systemLocation()).canonicalFilePath();
        if (!where.isEmpty() && where == canonicalDevice) return UsbText(info);
    }
    return {};
}

ComPortState Inspect(int comNumber, const QList<QSerialPortInfo>& ports) {
    ComPortState s;
    s.comNumber = comNumber;
    s.mapping = MapComPort(comNumber);
    if (s.mapping.device.isEmpty()) return s;
    const QFileInfo dev(s.mapping.device);
    s.exists = dev.exists();
    if (!s.exists) return s;
    s.mayOpen = ::access(QFile::encodeName(s.mapping.device).constData(), R_OK | W_OK) == 0;
    s.usb = UsbTextFor(dev.canonicalFilePath(), ports);
    return s;
}

QString SourceText(const ComPortMapping& m) {
    switch (m.source) {
    case ComPortMapping::Source::Environment: return m.origin;
    case ComPortMapping::Source::UserLink: return QStringLiteral("link ") + QFileInfo(m.origin).fileName();
    case ComPortMapping::Source::Default: break;
    }
    return QStringLiteral("default");
}
}  // namespace

ComPortState InspectComPort(int comNumber) { return Inspect(comNumber, QSerialPortInfo::availablePorts()); }

QString ComPortsReport() {
    const QList<QSerialPortInfo> ports = QSerialPortInfo::availablePorts();
    const QString dash = QStringLiteral("-");
    std::vector<QStringList> rows;
    rows.push_back({QStringLiteral("Port"), QStringLiteral("Device"), QStringLiteral("Set by"),
                    QStringLiteral("Exists"), QStringLiteral("May open"), QStringLiteral("USB adapter")});
    QString deniedDevice;
    for (int n = 1; n <= 16; ++n) {
        const ComPortState s = Inspect(n, ports);
        const bool none = s.mapping.device.isEmpty();
        rows.push_back({QStringLiteral("COM%1").arg(n), none ? QStringLiteral("(none)") : s.mapping.device,
                        SourceText(s.mapping), s.exists ? QStringLiteral("yes") : QStringLiteral("no"),
                        !s.exists   ? dash
                        : s.mayOpen ? QStringLiteral("yes")
                                    : QStringLiteral("no"),
                        s.usb.isEmpty() ? dash : s.usb});
        if (s.exists && !s.mayOpen && deniedDevice.isEmpty()) deniedDevice = s.mapping.device;
    }
    std::vector<qsizetype> width(rows.front().size(), 0);
    for (const QStringList& r : rows)
        for (qsizetype c = 0; c < r.size(); ++c) width[size_t(c)] = std::max(width[size_t(c)], r[c].size());
    QString out;
    for (const QStringList& r : rows) {
        QString line;
        for (qsizetype c = 0; c < r.size(); ++c)
            line += c + 1 < r.size() ? r[c].leftJustified(width[size_t(c)] + 2) : r[c];
        out += line.trimmed() + QLatin1Char('\n');
    }
    out += QStringLiteral(
               "\nCOM<n> is the device named by SERIAL_COM<n>, else the target of the link com<n> in\n"
               "%1, else /dev/ttyS<n-1>.\n"
               "Map a USB adapter by its stable name, for example:\n"
               "  mkdir -p %1\n"
               "  ln -sfn /dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A12345-if00-port0 %1/com3\n")
               .arg(ComPortLinksFolder());
    if (!deniedDevice.isEmpty())
        out += QStringLiteral("\nTo open the ports marked \"no\" under \"May open\",\n%1.\n")
                   .arg(JoinGroupAdvice(deniedDevice));
    return out;
}
