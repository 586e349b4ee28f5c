#pragma once
// Serves one device bus on a pseudo-terminal in real time: the program opens the slave side
// as its serial port.
#include <QObject>
#include <QSocketNotifier>
#include <QString>

#include "sim/device.h"

class PtyEndpoint : public QObject {
    Q_OBJECT
public:
    explicit PtyEndpoint(DeviceBus* bus, QObject* parent = nullptr);
    ~PtyEndpoint() override;
    bool start(QString* error);
    QString devicePath() const { return path_; }
    // The far end goes: both our sides close, and the line hangs up under the program.
    void hangUp();

private:
    void readMaster();
    DeviceBus* bus_;
    int master_ = -1;
    int slaveKeep_ = -1;  // held open so the line does not hang up between clients
    QString path_;
    QSocketNotifier* notifier_ = nullptr;
};
