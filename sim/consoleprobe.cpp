#include "sim/consoleprobe.h"

#include <algorithm>
#include <cmath>

ConsoleProbe::ConsoleProbe(int address, double speed) : ProbeCore(address, speed) {
    const int ms = std::clamp(int(std::lround(speed)), 0, 9999);
    digits_ = QByteArray::number(ms).rightJustified(4, '0');
}

QList<QByteArray> ConsoleProbe::answer(const ShortRequest& r) {
    const uint8_t a = r.addrByte;
    const uint8_t d0 = r.at(0);
    answered << r.code;
    switch (r.code) {
    case 0x00: {  // measurement: raw 1 (0..2), raw 2 (3..5), 0 (6), level (7), period (8),
                  // temperature low, high (9, 10), status (11)
        if (measureErrorNext > 0) {
            --measureErrorNext;
            return {reply(a, 0x88)};
        }
        QByteArray d = readings();
        d += char(0);
        d += char(volumeLevel);
        d += char(period20 ? 1 : 0);
        d += temperatureBytes(temps[0]);
        d += char(status);
        return {reply(a, 0x80, d)};
    }
    case 0x04:
        if (r.has(0)) volumeLevel = d0;
        return {reply(a, 0x94, QByteArray(1, char(volumeLevel)))};
    case 0x61: return {reply(a, 0x94, QByteArray(1, char(volumeLevel)))};
    case 0x06:
        // Data 1 asks for 20 ms, 0 for 40 ms; each period has its own reply code.
        period20 = d0 != 0;
        return {reply(a, period20 ? 0x86 : 0x96, QByteArray(1, char(period20 ? 1 : 0)))};
    case 0x51:
        if (d0 == 1 || d0 == 2) floats = d0;
        return {reply(a, 0x95, QByteArray(1, char(floats)))};
    case 0x90: return {reply(a, 0x9C, digits_)};
    case 0x91: return {reply(a, 0x9B, QByteArray(reinterpret_cast<const char*>(serial.data()), 6))};
    case 0x92:
    case 0x93:
    case 0x94:
    case 0x95: {
        const int i = r.code - 0x92;
        if (r.has(0)) digits_[i] = char(d0);
        if (silentDigitNext > 0) {
            --silentDigitNext;
            return {};
        }
        return {reply(a, uint8_t(0xA0 + i))};
    }
    default: return {};
    }
}

LeakModule::LeakModule(int address) : BusDevice(0xA6, address) { latencyMs = 5; }

QByteArray LeakModule::data() const {
    // Byte 0 temperature + 25; byte 1 inputs 1..5 in bits 7..3, relay 2 in bit 1, relay 1 in
    // bit 0; byte 2 the analog input.
    uint8_t bits = 0;
    for (int i = 0; i < 5; ++i)
        if (inputs[size_t(i)]) bits |= uint8_t(0x80 >> i);
    if (relays[0]) bits |= 0x01;
    if (relays[1]) bits |= 0x02;
    QByteArray d;
    d += char(uint8_t(std::clamp(temperature + 25, 0, 255)));
    d += char(bits);
    d += char(uint8_t(std::clamp(analog, 0, 255)));
    return d;
}

QList<QByteArray> LeakModule::handleRequest(const ShortRequest& r) {
    switch (r.code) {
    case 0x00: return {reply(r.addrByte, 0x80, data())};
    case 0x01:
    case 0x02:
        if (r.has(0)) relays[size_t(r.code - 1)] = r.at(0) == 0xFF;
        if (otherCodeNext > 0) {
            --otherCodeNext;
            return {reply(r.addrByte, otherCode)};
        }
        return {reply(r.addrByte, 0x80, data())};
    default: return {};
    }
}
