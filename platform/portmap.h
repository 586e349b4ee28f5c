#pragma once
// Which device a COM number stands for on this machine, and what a technician needs to know
// about it. COM<n> is, in this order:
//   1. the device named by the environment variable SERIAL_COM<n> (set but empty: no such port);
//   2. the target of the link com<n> in the user's port folder, as Wine's dosdevices links
//      (com3 -> /dev/serial/by-id/usb-FTDI_...), so a start from the desktop menu finds it too;
//   3. /dev/ttyS<n-1>.
#include <QString>
#include <QStringList>

struct ComPortMapping {
    enum class Source { Environment, UserLink, Default };
    // Empty: there is no such port.
    QString device;
    Source source = Source::Default;
    // The variable or the link that said so; empty for the default.
    QString origin;
};

// $XDG_CONFIG_HOME/tankcfg/dosdevices (~/.config/tankcfg/dosdevices when it is not set).
QString ComPortLinksFolder();
ComPortMapping MapComPort(int comNumber);

// The group a user must belong to for the device: the device's own group, or dialout where it
// cannot be told (missing, or root's).
QString ComDeviceGroup(const QString& device);
// How to join that group, for error texts and the port list.
QString JoinGroupAdvice(const QString& device);

struct ComPortState {
    int comNumber = 0;
    ComPortMapping mapping;
    bool exists = false;
    // Read and write access for this user (not tried: opening a port raises its modem lines).
    bool mayOpen = false;
    // The USB adapter's description, maker and ids, where the system knows them.
    QString usb;
};
ComPortState InspectComPort(int comNumber);

// COM1..COM16 as a table for the terminal: device, where the mapping came from, whether it
// exists, whether this user may open it, the USB adapter; with how to map and how to get access.
QString ComPortsReport();
