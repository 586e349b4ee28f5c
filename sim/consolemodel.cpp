#include "sim/consolemodel.h"

#include <bit>
#include <cstring>

namespace {
int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// The console reads and writes its payloads at offsets of its own, with its own float
// packing, so that it checks the program's layouts rather than repeating them.
float single(const QByteArray& d, int at) {
    uint32_t u = 0;
    for (int i = 0; i < 4; ++i) u = u << 8 | uint8_t(d[at + i]);
    return std::bit_cast<float>(u);
}

void putSingle(QByteArray& d, int at, double x) {
    const uint32_t u = std::bit_cast<uint32_t>(float(x));
    for (int i = 0; i < 4; ++i) d[at + i] = char(u >> (24 - 8 * i));
}

// Byte offsets of the tank payload, as the console defines them.
enum TankAt : int {
    AtProbeId = 0,
    AtProbeAddress = 6,
    AtTankNo = 7,
    AtSensors = 8,
    AtSpeedOfWire = 9,
    AtProbeDistance = 13,
    AtCapacity = 17,
    AtMaxFuel = 21,
    AtLowFuel = 25,
    AtFuelAlarm = 29,
    AtWaterAlarm = 33,
    AtTkFuel = 37,
    AtAuxValue = 41,
    AtSensor1Distance = 45,
    AtSensor2Distance = 49,
    AtDiameter = 53,
    AtRoFuel = 57,
    AtName = 59,
};

std::string nameFrom(const QByteArray& d, int from) {
    std::string s;
    for (int i = from; i < d.size() && s.size() < 20 && d[i] != 0; ++i) s += d[i];
    return s;
}
}  // namespace

bool DecodeLongRequest(const QByteArray& line, uint8_t& code, QByteArray& data) {
    if (line.size() < 8 || line.front() != '\r' || line.back() != '\n' || (line.size() - 2) % 2 != 0) return false;
    QByteArray bytes;
    for (int i = 1; i + 1 < line.size() - 1; i += 2) {
        const int hi = hexDigit(line[i]), lo = hexDigit(line[i + 1]);
        if (hi < 0 || lo < 0) return false;
        bytes.append(char(hi * 16 + lo));
    }
    uint16_t crc = Crc16Update(0, 0x0D);
    for (int i = 0; i < bytes.size() - 2; ++i) crc = Crc16Update(crc, uint8_t(bytes[i]));
    if (BytesToWord(uint8_t(bytes[bytes.size() - 2]), uint8_t(bytes[bytes.size() - 1])) != crc) return false;
    code = uint8_t(bytes[0]);
    data = bytes.mid(1, bytes.size() - 3);
    return true;
}

ConsoleModel::ConsoleModel()
    : cfg_(std::make_unique<TConsoleConfig>()), tables_(std::make_unique<TableState[]>(MaxTanks)) {
    std::memset(cfg_.get(), 0, sizeof(TConsoleConfig));
    cfg_->DbSaveTime = 60;
    cfg_->RefTemp = 15;
    cfg_->TankCount = 1;
    cfg_->TerminalId.assign("012345");
    for (auto& t : cfg_->Tanks) SetTankDefaults(t);
    for (auto& u : cfg_->Mdi) SetMdiUnitDefaults(u);
}

QByteArray ConsoleModel::reply(uint8_t code, const QByteArray& data) const {
    TLongFrame f{};
    f.Code = code;
    f.Len = int32_t(std::min<qsizetype>(data.size(), LongFrameMaxData));
    std::memcpy(f.Data, data.constData(), std::size_t(f.Len));
    const TLineBuffer line = EncodeLongFrame(f);
    return QByteArray(reinterpret_cast<const char*>(line.Data), line.Len);
}

uint8_t ConsoleModel::status() {
    if (refuseNext > 0) {
        --refuseNext;
        return refusalStatus;
    }
    return 0;
}

QList<QByteArray> ConsoleModel::handleLine(const QByteArray& line) {
    uint8_t code = 0;
    QByteArray d;
    if (!DecodeLongRequest(line, code, d)) {
        ++rejectedLines;
        return {};
    }
    TConsoleConfig& c = *cfg_;
    switch (code) {
    case tcSetGlobal: {
        if (d.size() < 12) return {reply(trGlobalAck, QByteArray(1, char(refusalStatus)))};
        const uint8_t st = status();
        if (st == 0) {
            c.TankCount = uint8_t(d[0]);
            c.Language = uint8_t(d[1]);
            c.Units = uint8_t(d[2]);
            c.DbSaveTime = uint8_t(d[3]);
            c.RefTemp = uint8_t(d[4]);
            c.TerminalId.assign(std::string(d.constData() + 5, 6));
            c.MdiCount = uint8_t(d[11]);
        }
        return {reply(trGlobalAck, QByteArray(1, char(st)))};
    }
    case tcGetGlobal: {
        QByteArray r;
        for (uint8_t b : {c.TankCount, c.Language, c.Units, c.DbSaveTime, c.RefTemp}) r.append(char(b));
        r.append(c.TerminalId.Chars, 6);
        r.append(char(c.MdiCount));
        return {reply(trGlobal, r)};
    }
    case tcSetTank: return {reply(trTankAck, onSetTank(d))};
    case tcGetTank:
        if (d.size() < 1 || uint8_t(d[0]) < 1 || uint8_t(d[0]) > MaxTanks) return {};
        return {reply(trTank, tankReply(uint8_t(d[0])))};
    case tcSetMdi: {
        uint8_t st = status();
        const int n = d.size() >= 2 ? uint8_t(d[0]) : 0;
        if (n < 1 || n > MaxMdiUnits) st = refusalStatus;
        if (st == 0) {
            c.Mdi[n - 1].Address = uint8_t(d[1]);
            c.Mdi[n - 1].Name.assign(nameFrom(d, 2));
        }
        return {reply(trMdiAck, QByteArray(1, char(st)))};
    }
    case tcGetMdi: {
        if (d.size() < 1 || uint8_t(d[0]) < 1 || uint8_t(d[0]) > MaxMdiUnits) return {};
        const TMdiUnitRecord& u = c.Mdi[uint8_t(d[0]) - 1];
        QByteArray r;
        r.append(d[0]);
        r.append(char(u.Address));
        r.append(QByteArray::fromStdString(u.Name.str().substr(0, 20)));
        r.append('\0');
        return {reply(trMdi, r)};
    }
    case tcTableHeader: {
        const int n = d.size() >= 10 ? uint8_t(d[0]) : 0;
        uint8_t st = status();
        if (n < 1 || n > MaxTanks) st = refusalStatus;
        if (st == 0) {
            TableState& t = tables_[n - 1];
            t = TableState{};
            t.headerSeen = true;
            t.blocks = BytesToWord(uint8_t(d[1]), uint8_t(d[2]));
            t.perBlock = uint8_t(d[3]);
            t.stepCm = single(d, 4);
            t.crc = BytesToWord(uint8_t(d[8]), uint8_t(d[9]));
        }
        QByteArray r;
        r.append(char(n));
        r.append(char(st));
        return {reply(trTableHeaderAck, r)};
    }
    case tcTableBlock: return {reply(trTableBlockAck, onTableBlock(d))};
    default: return {};
    }
}

QByteArray ConsoleModel::onSetTank(const QByteArray& d) {
    const int n = d.size() >= AtName ? uint8_t(d[AtTankNo]) : 0;
    uint8_t st = status();
    if (n < 1 || n > MaxTanks) st = refusalStatus;
    if (st == 0) {
        TTankRecord& t = cfg_->Tanks[n - 1];
        std::memcpy(t.ProbeId, d.constData() + AtProbeId, 6);
        t.ProbeAddress = uint8_t(d[AtProbeAddress]);
        t.TwoSensors = uint8_t(d[AtSensors]) > 1 ? 1 : 0;
        t.SpeedOfWire = single(d, AtSpeedOfWire);
        t.ProbeDistance = single(d, AtProbeDistance);
        t.Capacity = single(d, AtCapacity);
        t.MaxFuel = single(d, AtMaxFuel);
        t.LowFuel = single(d, AtLowFuel);
        t.FuelAlarm = single(d, AtFuelAlarm);
        t.WaterAlarm = single(d, AtWaterAlarm);
        t.TkFuel = single(d, AtTkFuel);
        t.AuxValue = single(d, AtAuxValue);
        t.Sensor1Distance = single(d, AtSensor1Distance);
        t.Sensor2Distance = single(d, AtSensor2Distance);
        t.Diameter = single(d, AtDiameter);
        // The request carries the word high byte first.
        t.RoFuel = (uint8_t(d[AtRoFuel]) * 256 + uint8_t(d[AtRoFuel + 1])) / 1000.0;
        t.ProductName.assign(nameFrom(d, AtName));
    }
    QByteArray r;
    r.append(char(n));
    r.append(char(st));
    return r;
}

QByteArray ConsoleModel::tankReply(int n) {
    const TTankRecord& t = cfg_->Tanks[n - 1];
    QByteArray r(AtName, '\0');
    std::memcpy(r.data() + AtProbeId, t.ProbeId, 6);
    r[AtProbeAddress] = char(t.ProbeAddress);
    int shown = n;
    if (wrongTankNext > 0) {
        --wrongTankNext;
        shown = n % MaxTanks + 1;
    }
    r[AtTankNo] = char(shown);
    r[AtSensors] = char(t.TwoSensors ? 2 : 1);
    putSingle(r, AtSpeedOfWire, t.SpeedOfWire);
    putSingle(r, AtProbeDistance, t.ProbeDistance);
    putSingle(r, AtCapacity, t.Capacity);
    putSingle(r, AtMaxFuel, t.MaxFuel);
    putSingle(r, AtLowFuel, t.LowFuel);
    putSingle(r, AtFuelAlarm, t.FuelAlarm);
    putSingle(r, AtWaterAlarm, t.WaterAlarm);
    putSingle(r, AtTkFuel, t.TkFuel);
    putSingle(r, AtAuxValue, t.AuxValue);
    putSingle(r, AtSensor1Distance, t.Sensor1Distance);
    putSingle(r, AtSensor2Distance, t.Sensor2Distance);
    putSingle(r, AtDiameter, t.Diameter);
    // The reply carries the word low byte first.
    const auto word = uint16_t(int64_t(t.RoFuel * 1000.0 + 0.5) & 0xFFFF);
    r[AtRoFuel] = char(word & 0xFF);
    r[AtRoFuel + 1] = char(word >> 8);
    r.append(QByteArray::fromStdString(t.ProductName.str().substr(0, 20)));
    r.append('\0');
    return r;
}

QByteArray ConsoleModel::onTableBlock(const QByteArray& d) {
    const int n = d.size() >= 3 ? uint8_t(d[0]) : 0;
    const int b = d.size() >= 3 ? BytesToWord(uint8_t(d[1]), uint8_t(d[2])) : 0;
    uint8_t st = status();
    if (n < 1 || n > MaxTanks || d.size() < 3 + 4 * 32) st = refusalStatus;
    if (st == 0) {
        TableState& t = tables_[n - 1];
        // Blocks must follow their header in order.
        if (!t.headerSeen || b != t.nextBlock || b >= MaxCalPoints / 32) {
            st = refusalStatus;
        } else {
            for (int i = 0; i < 32; ++i) t.values[32 * b + i] = single(d, 3 + 4 * i);
            ++t.nextBlock;
            ++t.blocksTaken;
            if (t.nextBlock == MaxCalPoints / 32) {
                uint16_t crc = 0;
                for (float v : t.values)
                    for (uint8_t x : SingleToBE(v)) crc = Crc16Update(crc, x);
                t.checksumOk = crc == t.crc;
                if (!t.checksumOk) st = refusalStatus;
            }
        }
    }
    int echo = b;
    if (wrongBlockEchoNext > 0) {
        --wrongBlockEchoNext;
        echo = b - 1;
    }
    QByteArray r;
    r.append(char(n));
    r.append(char((echo >> 8) & 0xFF));
    r.append(char(echo & 0xFF));
    r.append(char(st));
    return r;
}
