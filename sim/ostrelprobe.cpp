#include "sim/ostrelprobe.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "common/tankcfgtypes.h"

namespace {
constexpr uint8_t rspAck = 0x82;  // settings are acknowledged; the program applies no such code
}

bool ParseProbeRequest(const QByteArray& line, QByteArray& bytes) {
    if (line.size() < 12 || line.front() != '\r' || line.back() != '\n' || (line.size() - 2) % 2 != 0) return false;
    bytes = QByteArray::fromHex(line.mid(1, line.size() - 2));
    if (bytes.size() * 2 != line.size() - 2 || bytes.size() < 5) return false;
    uint16_t crc = Crc16Update(0, 0x0D);
    for (int i = 0; i < bytes.size() - 2; ++i) crc = Crc16Update(crc, uint8_t(bytes[i]));
    const uint16_t got = uint16_t(uint8_t(bytes[bytes.size() - 2]) << 8 | uint8_t(bytes[bytes.size() - 1]));
    if (crc != got) return false;
    bytes.chop(2);
    return true;
}

OstrelProbe::OstrelProbe(int address, std::optional<double> speed, std::optional<double> length) : address_(address) {
    latencyMs = 5;
    serial = {0x20, 0x26, 0x03, 0x14, 0x00, uint8_t(address)};
    if (speed) {
        physicalSpeed = *speed;
        speed_ = SingleToBE(*speed);
    }
    if (length) length_ = SingleToBE(*length);
}

bool OstrelProbe::accepts(const QByteArray& line) const {
    QByteArray b;
    return ParseProbeRequest(line, b) && uint8_t(b[0]) == DevProbe && (uint8_t(b[1]) & 0x0F) == address_;
}

QByteArray OstrelProbe::reply(uint8_t addrByte, uint8_t code, const QByteArray& data) const {
    TShortFrame f{};
    f.Device = DevProbe;
    f.Addr = addrByte;
    f.Code = code;
    f.Count = uint8_t(data.size());
    std::memcpy(f.Data, data.constData(), size_t(data.size()));
    return QByteArray::fromStdString(EncodeFrame(f));
}

int OstrelProbe::raw(double mm) const {
    const double v = physicalSpeed > 0 ? physicalSpeed : 3000.0;
    const double r = std::round(mm * 1e6 / v);
    if (!(r > 0)) return 0;
    return int(std::min(r, double(0xFFFFFF)));
}

namespace {
QByteArray tempBytes(double celsius) {
    // Eighths of the 1/16-degree steps, low byte first.
    const int w = int(std::lround(celsius / 0.0625)) * 8;
    QByteArray d;
    d += char(w & 0xFF);
    d += char((w >> 8) & 0xFF);
    return d;
}
void put24(QByteArray& d, int v) {
    d += char((v >> 16) & 0xFF);
    d += char((v >> 8) & 0xFF);
    d += char(v & 0xFF);
}
}  // namespace

QList<QByteArray> OstrelProbe::handleLine(const QByteArray& line) {
    QByteArray b;
    if (!ParseProbeRequest(line, b)) return {};
    const uint8_t addrByte = uint8_t(b[1]);
    const uint8_t code = uint8_t(b[2]);
    const bool hasData = b.size() > 3;
    const uint8_t d0 = hasData ? uint8_t(b[3]) : 0;
    switch (code) {
    case 0x00: {  // measurement
        ++dataRequests;
        int r1 = raw(float1Mm_);
        if (!rawNoise.isEmpty()) r1 = std::clamp(r1 + rawNoise.takeFirst(), 0, 0xFFFFFF);
        QByteArray d;
        put24(d, r1);
        put24(d, floats == 1 ? 0 : raw(float2Mm_));
        d += QByteArray(3, '\0');
        d += tempBytes(temps[0]);
        d += char(status);
        return {reply(addrByte, 0x80, d)};
    }
    case 0x01:
        return {reply(addrByte, 0x81, {})};
    case 0x02:
        if (!hasData || d0 > 15) return {};
        address_ = d0;
        return {reply(uint8_t((addrByte & 0xF0) | d0), rspAck, QByteArray(1, char(code)))};
    case 0x51:
        if (hasData && (d0 == 1 || d0 == 2)) floats = d0;
        return {reply(addrByte, 0x95, QByteArray(1, char(floats)))};
    case 0x71: {
        QByteArray d = tempBytes(d0 >= 1 && d0 <= 4 ? temps[d0] : 0.0);
        d += char(d0);
        return {reply(addrByte, 0x97, d)};
    }
    case 0x7E:  // test aid: move a float, no reply
        if (b.size() >= 8)
            setFloat(d0, BEBytesToSingle(uint8_t(b[4]), uint8_t(b[5]), uint8_t(b[6]), uint8_t(b[7])));
        return {};
    case 0x90:
        return {reply(addrByte, 0x9C, QByteArray(reinterpret_cast<const char*>(speed_.data()), 4))};
    case 0x91:
        return {reply(addrByte, 0x9B, QByteArray(reinterpret_cast<const char*>(serial.data()), 6))};
    case 0x92: case 0x93: case 0x94: case 0x95:
        if (hasData) speed_[code - 0x92] = d0;
        return {reply(addrByte, rspAck, QByteArray(1, char(code)))};
    case 0x96: case 0x97: case 0x98: case 0x99:
        if (hasData) length_[code - 0x96] = d0;
        return {reply(addrByte, rspAck, QByteArray(1, char(code)))};
    case 0x9A:
        return {reply(addrByte, 0xA8, QByteArray(reinterpret_cast<const char*>(length_.data()), 4))};
    case 0xA0:
        if (hasData) digFilter = d0;
        return {reply(addrByte, 0xC0, QByteArray(1, char(digFilter)))};
    default:
        return {};
    }
}
