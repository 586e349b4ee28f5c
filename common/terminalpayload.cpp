#include "common/terminalpayload.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <string>

namespace {
constexpr int TankReplyMin = 59;  // through the RoFuel word; the name may be empty

void put(TLongFrame& f, uint8_t b) {
    if (f.Len >= LongFrameMaxData) throw RangeError();
    f.Data[f.Len++] = b;
}

// Characters from data[from] up to the first 0 byte or the end of the data, at most 20.
std::string nameFrom(const uint8_t* data, int32_t len, int from) {
    std::string s;
    for (int i = from; i < len && s.size() < 20 && data[i] != 0; ++i) s += char(data[i]);
    return s;
}

// The twelve floats of the tank payload, in their order on the wire from byte 9.
template <class Tank>
auto payloadFloats(Tank& t) {
    return std::array{&t.SpeedOfWire, &t.ProbeDistance,   &t.Capacity,        &t.MaxFuel,
                      &t.LowFuel,     &t.FuelAlarm,       &t.WaterAlarm,      &t.TkFuel,
                      &t.AuxValue,    &t.Sensor1Distance, &t.Sensor2Distance, &t.Diameter};
}

bool zeroAt(const uint8_t* data, int32_t len, int i) { return i < len && data[i] == 0; }
}  // namespace

uint16_t RoFuelWord(double roFuel) {
    const double t = std::trunc(roFuel * 1000.0);
    if (!std::isfinite(t)) return 0;
    double low = std::fmod(t, 65536.0);
    if (low < 0) low += 65536.0;
    return uint16_t(low);
}

TLongFrame GlobalRequest(const TConsoleConfig& cfg) {
    TLongFrame f{};
    f.Code = tcSetGlobal;
    for (uint8_t b : {cfg.TankCount, cfg.Language, cfg.Units, cfg.DbSaveTime, cfg.RefTemp}) put(f, b);
    // Character positions 1..6 of the field, whatever the identifier's length.
    for (int i = 0; i < 6; ++i) put(f, uint8_t(cfg.TerminalId.Chars[i]));
    put(f, cfg.MdiCount);
    return f;
}

TLongFrame TankRequest(const TConsoleConfig& cfg, int n) {
    if (n < 1 || n > MaxTanks) throw RangeError();
    const TTankRecord& t = cfg.Tanks[n - 1];
    TLongFrame f{};
    f.Code = tcSetTank;
    for (uint8_t b : t.ProbeId) put(f, b);
    put(f, t.ProbeAddress);
    put(f, uint8_t(n));
    put(f, t.TwoSensors ? 2 : 1);
    for (const double* x : payloadFloats(t)) AppendSingleBE(f, *x);
    // High byte first on the way out; the reply carries it the other way round.
    const uint16_t ro = RoFuelWord(t.RoFuel);
    put(f, uint8_t(ro >> 8));
    put(f, uint8_t(ro & 0xFF));
    const std::string name = t.ProductName.str().substr(0, 20);
    for (char c : name) put(f, uint8_t(c));
    if (name.size() < 20) put(f, 0);
    return f;
}

TLongFrame MdiRequest(const TConsoleConfig& cfg, int n) {
    if (n < 1 || n > MaxMdiUnits) throw RangeError();
    const TMdiUnitRecord& u = cfg.Mdi[n - 1];
    TLongFrame f{};
    f.Code = tcSetMdi;
    put(f, uint8_t(n));
    put(f, u.Address);
    for (char c : u.Name.str()) put(f, uint8_t(c));
    put(f, 0);
    return f;
}

TLongFrame ShortRequest(uint8_t code, std::initializer_list<uint8_t> data) {
    TLongFrame f{};
    f.Code = code;
    for (uint8_t b : data) put(f, b);
    return f;
}

std::size_t TakeTerminalLine(const uint8_t* waiting, std::size_t n, TLineBuffer& line, TLongFrame& reply) {
    const std::size_t taken = std::min<std::size_t>(n, LineBufferSize);
    line.Len = int32_t(taken);
    if (taken > 0) std::memcpy(line.Data, waiting, taken);
    reply.Code = 0;
    reply.Len = 0;
    DecodeLongReply(line, reply);
    return taken;
}

TerminalReplyEffect ApplyTerminalReply(TConsoleConfig& cfg, uint8_t code, int32_t len, const uint8_t* data) {
    len = std::clamp<int32_t>(len, 0, LineBufferSize);
    TerminalReplyEffect e;
    e.code = code;
    switch (code) {
    case trGlobalAck:
    case trMdiAck:
        e.kind = TerminalReplyEffect::Ack;
        e.ok = zeroAt(data, len, 0);
        break;
    case trTankAck:
        e.kind = TerminalReplyEffect::Ack;
        e.ok = zeroAt(data, len, 1);
        break;
    case trGlobal:
        e.kind = TerminalReplyEffect::Stored;
        if (len >= 12) {
            cfg.TankCount = data[0];
            cfg.Language = data[1];
            cfg.Units = data[2];
            cfg.DbSaveTime = data[3];
            cfg.RefTemp = data[4];
            std::string id;
            for (int i = 5; i <= 10; ++i) id += data[i] < '0' ? '<' : data[i] > 'Z' ? '>' : char(data[i]);
            cfg.TerminalId.assign(id);
            cfg.MdiCount = data[11];
        }
        break;
    case trTank:
        e.kind = TerminalReplyEffect::Stored;
        if (len >= TankReplyMin && data[7] >= 1 && data[7] <= MaxTanks) {
            TTankRecord& t = cfg.Tanks[data[7] - 1];
            std::memcpy(t.ProbeId, data, 6);
            t.ProbeAddress = data[6];
            t.TwoSensors = data[8] > 1 ? 1 : 0;
            const uint8_t* b = data + 9;
            for (double* x : payloadFloats(t)) {
                *x = BEBytesToSingle(b[0], b[1], b[2], b[3]);
                b += 4;
            }
            // Low byte first in the reply.
            t.RoFuel = (data[57] + 256.0 * data[58]) / 1000.0;
            t.ProductName.assign(nameFrom(data, len, 59));
        }
        break;
    case trMdi:
        e.kind = TerminalReplyEffect::Stored;
        if (len >= 2 && data[0] >= 1 && data[0] <= MaxMdiUnits) {
            TMdiUnitRecord& u = cfg.Mdi[data[0] - 1];
            u.Address = data[1];
            u.Name.assign(nameFrom(data, len, 2));
        }
        break;
    case trTableHeaderAck:
        e.kind = TerminalReplyEffect::TableHeader;
        e.ok = zeroAt(data, len, 1);
        break;
    case trTableBlockAck:
        e.kind = TerminalReplyEffect::TableBlock;
        e.ok = zeroAt(data, len, 3);
        if (len >= 3) {
            e.hasBlock = true;
            e.block = uint16_t(data[1] * 256 + data[2]);
        }
        break;
    case FrameBadEnds:
    case FrameInvalid: e.kind = TerminalReplyEffect::Resend; break;
    default: break;
    }
    return e;
}
