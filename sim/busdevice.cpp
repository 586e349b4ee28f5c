#include "sim/busdevice.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "common/tankcfgtypes.h"

bool ParseShortRequest(const QByteArray& line, QByteArray& bytes) {
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

namespace {
bool parse(const QByteArray& line, ShortRequest& r) {
    QByteArray b;
    if (!ParseShortRequest(line, b)) return false;
    r.device = uint8_t(b[0]);
    r.addrByte = uint8_t(b[1]);
    r.code = uint8_t(b[2]);
    r.data = b.mid(3);
    return true;
}
}  // namespace

bool BusDevice::accepts(const QByteArray& line) const {
    ShortRequest r;
    return parse(line, r) && r.device == device_ && (r.addrByte & 0x0F) == address_;
}

QList<QByteArray> BusDevice::handleLine(const QByteArray& line) {
    ShortRequest r;
    if (!parse(line, r)) return {};
    return handleRequest(r);
}

QByteArray BusDevice::reply(uint8_t addrByte, uint8_t code, const QByteArray& data) const {
    TShortFrame f{};
    f.Device = device_;
    f.Addr = addrByte;
    f.Code = code;
    f.Count = uint8_t(std::min<qsizetype>(data.size(), ShortFrameMaxData));
    std::memcpy(f.Data, data.constData(), f.Count);
    return QByteArray::fromStdString(EncodeFrame(f));
}

ProbeCore::ProbeCore(int address, double speed) : BusDevice(DevProbe, address), physicalSpeed(speed) {
    latencyMs = 5;
    serial = {0x20, 0x26, 0x03, 0x14, 0x00, uint8_t(address)};
}

QList<QByteArray> ProbeCore::handleRequest(const ShortRequest& r) {
    switch (r.code) {
    case 0x7E:
        if (r.data.size() >= 5) setFloat(r.at(0), BEBytesToSingle(r.at(1), r.at(2), r.at(3), r.at(4)));
        return {};
    case 0x01: return {reply(r.addrByte, 0x81)};
    case 0x02:
        if (!r.has(0) || r.at(0) > 15) return {};
        address_ = r.at(0);
        return {reply(uint8_t((r.addrByte & 0xF0) | address_), 0x82,
                      echoAddressSet ? QByteArray(1, char(r.code)) : QByteArray())};
    default: return answer(r);
    }
}

int ProbeCore::raw(double mm) const {
    const double v = physicalSpeed > 0 ? physicalSpeed : 3000.0;
    const double r = std::round(mm * 1e6 / v);
    if (!(r > 0)) return 0;
    return int(std::min(r, double(0xFFFFFF)));
}

QByteArray ProbeCore::readings() {
    ++dataRequests;
    int r1 = raw(float1Mm_);
    if (!rawNoise.isEmpty()) r1 = std::clamp(r1 + rawNoise.takeFirst(), 0, 0xFFFFFF);
    QByteArray d;
    put24(d, r1);
    put24(d, floats == 1 ? 0 : raw(float2Mm_));
    return d;
}

QByteArray ProbeCore::temperatureBytes(double celsius) {
    const int w = int(std::lround(celsius / 0.0625)) * 8;
    QByteArray d;
    d += char(w & 0xFF);
    d += char((w >> 8) & 0xFF);
    return d;
}

void ProbeCore::put24(QByteArray& d, int v) {
    d += char((v >> 16) & 0xFF);
    d += char((v >> 8) & 0xFF);
    d += char(v & 0xFF);
}
