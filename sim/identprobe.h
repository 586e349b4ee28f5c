#pragma once
// The smallest probe: answers the identify command (0x01 -> 0x81) at its bus address.
#include "sim/device.h"

class IdentProbe : public DeviceModel {
public:
    explicit IdentProbe(int address) : address_(address) {}
    bool accepts(const QByteArray& line) const override;
    QList<QByteArray> handleLine(const QByteArray& line) override;
    int address() const { return address_; }

private:
    int address_;
};

// Short-frame helpers for probe-bus models: the request's device byte, address nibble and
// code, read from a line (false when the line is too short or not hex).
bool PeekShortRequest(const QByteArray& line, int& device, int& addrByte, int& code);
