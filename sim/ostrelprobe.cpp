#include "sim/ostrelprobe.h"

#include "common/tankcfgtypes.h"

namespace {
constexpr uint8_t rspAck = 0x82;  // settings are acknowledged; the program applies no such code
}

OstrelProbe::OstrelProbe(int address, std::optional<double> speed, std::optional<double> length)
    : ProbeCore(address, speed.value_or(3000.0)) {
    if (speed) speed_ = SingleToBE(*speed);
    if (length) length_ = SingleToBE(*length);
    echoAddressSet = true;
}

QList<QByteArray> OstrelProbe::answer(const ShortRequest& r) {
    const uint8_t a = r.addrByte;
    const uint8_t d0 = r.at(0);
    const QByteArray echo(1, char(r.code));
    switch (r.code) {
    case 0x00: {  // measurement
        QByteArray d = readings();
        d += QByteArray(3, '\0');
        d += temperatureBytes(temps[0]);
        d += char(status);
        return {reply(a, 0x80, d)};
    }
    case 0x51:
        if (d0 == 1 || d0 == 2) floats = d0;
        return {reply(a, 0x95, QByteArray(1, char(floats)))};
    case 0x71: {
        QByteArray d = temperatureBytes(d0 >= 1 && d0 <= 4 ? temps[d0] : 0.0);
        d += char(d0);
        return {reply(a, 0x97, d)};
    }
    case 0x90: return {reply(a, 0x9C, QByteArray(reinterpret_cast<const char*>(speed_.data()), 4))};
    case 0x91: return {reply(a, 0x9B, QByteArray(reinterpret_cast<const char*>(serial.data()), 6))};
    case 0x92:
    case 0x93:
    case 0x94:
    case 0x95:
        if (r.has(0)) speed_[r.code - 0x92] = d0;
        return {reply(a, rspAck, echo)};
    case 0x96:
    case 0x97:
    case 0x98:
    case 0x99:
        if (r.has(0)) length_[r.code - 0x96] = d0;
        return {reply(a, rspAck, echo)};
    case 0x9A: return {reply(a, 0xA8, QByteArray(reinterpret_cast<const char*>(length_.data()), 4))};
    case 0xA0:
        if (r.has(0)) digFilter = d0;
        return {reply(a, 0xC0, QByteArray(1, char(digFilter)))};
    default: return {};
    }
}
