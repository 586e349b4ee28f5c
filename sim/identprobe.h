#pragma once
// The smallest probe: answers the identify command (0x01 -> 0x81) at its bus address.
#include "sim/busdevice.h"

class IdentProbe : public BusDevice {
public:
    explicit IdentProbe(int address) : BusDevice(0xA5, address) {}

protected:
    QList<QByteArray> handleRequest(const ShortRequest& r) override {
        if (r.code != 0x01) return {};
        return {reply(r.addrByte, 0x81)};
    }
};
