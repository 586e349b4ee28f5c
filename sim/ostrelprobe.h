#pragma once
// A level probe in the probe configuration program's dialect: identify, serial number, speed of
// wire and probe length (4-byte floats, FF FF FF FF while not set), measurement data whose raw
// readings follow two float positions, four temperature sensors, one- or two-float mode, bus
// address, digital filter. Parsing and physics come from the shared probe core.
#include <array>
#include <optional>

#include "sim/busdevice.h"

class OstrelProbe : public ProbeCore {
public:
    explicit OstrelProbe(int address, std::optional<double> speed = {}, std::optional<double> length = {});

    // The stored settings as the probe reports them.
    std::array<uint8_t, 4> speedBytes() const { return speed_; }
    std::array<uint8_t, 4> lengthBytes() const { return length_; }
    int digFilter = 0;

protected:
    QList<QByteArray> answer(const ShortRequest& r) override;

private:
    std::array<uint8_t, 4> speed_{0xFF, 0xFF, 0xFF, 0xFF};
    std::array<uint8_t, 4> length_{0xFF, 0xFF, 0xFF, 0xFF};
};
