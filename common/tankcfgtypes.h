#pragma once
// Records shared by both programs, the ASCII-hex line codec of the probe bus and
// the terminal link, number packing, and the tank geometry routines.
//
// The console configuration records are a file format: the .dat file is the
// memory image of TConsoleConfig, little-endian, padding included. Padding is
// spelled out as named byte arrays so that copying a record carries a loaded
// file's padding bytes along; nothing reads them.

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <type_traits>

#include "common/cp1251.h"
#include "common/errors.h"
#include "common/numtext.h"

// ---------------------------------------------------------------------------
// Constants

inline constexpr uint8_t DevProbe = 0xA5;
inline constexpr uint8_t DevLeakModule = 0xA6;

// Statuses that the decoders put into Code.
inline constexpr uint8_t FrameInvalid = 255;
inline constexpr uint8_t FrameBadEnds = 254;

// Terminal commands; each reply code is the command + 0x80.
inline constexpr uint8_t tcSetGlobal = 0x02;
inline constexpr uint8_t tcGetGlobal = 0x03;
inline constexpr uint8_t tcSetTank = 0x04;
inline constexpr uint8_t tcGetTank = 0x05;
inline constexpr uint8_t tcSetMdi = 0x08;
inline constexpr uint8_t tcGetMdi = 0x09;
inline constexpr uint8_t tcTableHeader = 0x40;
inline constexpr uint8_t tcTableBlock = 0x42;

inline constexpr uint8_t trGlobalAck = 0x82;
inline constexpr uint8_t trGlobal = 0x83;
inline constexpr uint8_t trTankAck = 0x84;
inline constexpr uint8_t trTank = 0x85;
inline constexpr uint8_t trMdiAck = 0x88;
inline constexpr uint8_t trMdi = 0x89;
inline constexpr uint8_t trTableHeaderAck = 0xC0;
inline constexpr uint8_t trTableBlockAck = 0xC2;

inline constexpr int MaxTanks = 16;
inline constexpr int MaxMdiUnits = 16;
inline constexpr int MaxCalPoints = 4000;  // Points 1..4000 in use at most; 0 is the origin

// ---------------------------------------------------------------------------
// Short text: a length byte and N character bytes (Windows-1251). Only the first
// Len characters count; the bytes behind them keep whatever they held.

template <std::size_t N>
struct ShortText {
    static_assert(N >= 1 && N <= 255);
    uint8_t Len;
    char Chars[N];

    static constexpr std::size_t Capacity = N;

    // A loaded file may hold a length above the capacity; never read past Chars.
    std::string str() const { return std::string(Chars, Len < N ? Len : N); }

    void assign(std::string_view s) {
        const std::size_t n = s.size() < N ? s.size() : N;
        if (n > 0) std::memmove(Chars, s.data(), n);  // s may be a view of Chars itself
        Len = static_cast<uint8_t>(n);
    }
};

static_assert(sizeof(ShortText<12>) == 13 && alignof(ShortText<12>) == 1);
static_assert(sizeof(ShortText<14>) == 15 && alignof(ShortText<14>) == 1);
static_assert(sizeof(ShortText<24>) == 25 && alignof(ShortText<24>) == 1);
static_assert(sizeof(ShortText<25>) == 26 && alignof(ShortText<25>) == 1);

// ---------------------------------------------------------------------------
// Console configuration records

struct TMdiUnitRecord {
    uint8_t Address;  // 0..15
    ShortText<25> Name;
};

struct TTankDimension {
    uint8_t Used;  // Boolean
    uint8_t Pad1[7];
    double Value;
    ShortText<24> Caption;
    ShortText<14> Units;
};

struct TCalPoint {
    float Value;  // volume, litres, in level-to-volume mode
    float Arg;    // level, mm, in that mode
};

struct TCalTable {
    uint16_t Count;  // Points 1..Count in use
    uint8_t Mode;    // 1 level to volume, 0 volume to level
    uint8_t Pad3;
    float Step;  // mm
    uint16_t Crc;
    uint8_t Pad10[2];
    TCalPoint Points[MaxCalPoints + 1];
};

struct TTankRecord {
    TTankDimension Dimensions[8];
    TCalTable CalTable;
    uint8_t Pad32468[4];
    double Capacity;    // litres
    double Diameter;    // cm
    double MaxFuel;     // %
    double WaterAlarm;  // cm
    double LowFuel;     // %
    double FuelAlarm;   // cm
    ShortText<25> ProductName;
    uint8_t ProbeId[6];
    uint8_t ProbeAddress;  // 0..15
    uint8_t Spare1[2];
    uint8_t Pad32555[5];
    double Spare2;
    double ProbeDistance;    // cm
    double Sensor1Distance;  // cm
    double Sensor2Distance;  // cm
    uint8_t TwoSensors;      // Boolean
    uint8_t Pad32593[7];
    double SpeedOfWire;  // m/s
    double AuxValue;
    double RoFuel;
    double TkFuel;
    uint8_t Spare3[2];
    uint8_t Pad32634[2];
    int32_t Spare4;
    uint8_t InUse;
    uint8_t Pad32641[7];
};

struct TConsoleConfig {
    uint8_t DbSaveTime;  // minutes, 1..250
    uint8_t RefTemp;     // degrees Celsius, 1..50
    uint8_t TankCount;   // 1..16
    uint8_t Language;    // 0 English, 1 Bulgarian, 2 Russian, 3 Turkish, 4 Serbian
    ShortText<12> TerminalId;
    uint8_t Units;     // 0 metric, 1 U.S.
    uint8_t MdiCount;  // 0..16
    TMdiUnitRecord Mdi[MaxMdiUnits];
    uint8_t Pad451[5];
    TTankRecord Tanks[MaxTanks];
};

// The layouts are the .dat file format.
static_assert(sizeof(TMdiUnitRecord) == 27 && alignof(TMdiUnitRecord) == 1);
static_assert(offsetof(TMdiUnitRecord, Address) == 0);
static_assert(offsetof(TMdiUnitRecord, Name) == 1);

static_assert(sizeof(TTankDimension) == 56);
static_assert(offsetof(TTankDimension, Used) == 0);
static_assert(offsetof(TTankDimension, Value) == 8);
static_assert(offsetof(TTankDimension, Caption) == 16);
static_assert(offsetof(TTankDimension, Units) == 41);

static_assert(sizeof(TCalPoint) == 8);
static_assert(offsetof(TCalPoint, Value) == 0);
static_assert(offsetof(TCalPoint, Arg) == 4);

static_assert(sizeof(TCalTable) == 32020 && alignof(TCalTable) == 4);
static_assert(offsetof(TCalTable, Count) == 0);
static_assert(offsetof(TCalTable, Mode) == 2);
static_assert(offsetof(TCalTable, Step) == 4);
static_assert(offsetof(TCalTable, Crc) == 8);
static_assert(offsetof(TCalTable, Points) == 12);

static_assert(sizeof(TTankRecord) == 32648 && alignof(TTankRecord) == 8);
static_assert(offsetof(TTankRecord, Dimensions) == 0);
static_assert(offsetof(TTankRecord, CalTable) == 448);
static_assert(offsetof(TTankRecord, Capacity) == 32472);
static_assert(offsetof(TTankRecord, Diameter) == 32480);
static_assert(offsetof(TTankRecord, MaxFuel) == 32488);
static_assert(offsetof(TTankRecord, WaterAlarm) == 32496);
static_assert(offsetof(TTankRecord, LowFuel) == 32504);
static_assert(offsetof(TTankRecord, FuelAlarm) == 32512);
static_assert(offsetof(TTankRecord, ProductName) == 32520);
static_assert(offsetof(TTankRecord, ProbeId) == 32546);
static_assert(offsetof(TTankRecord, ProbeAddress) == 32552);
static_assert(offsetof(TTankRecord, Spare1) == 32553);
static_assert(offsetof(TTankRecord, Spare2) == 32560);
static_assert(offsetof(TTankRecord, ProbeDistance) == 32568);
static_assert(offsetof(TTankRecord, Sensor1Distance) == 32576);
static_assert(offsetof(TTankRecord, Sensor2Distance) == 32584);
static_assert(offsetof(TTankRecord, TwoSensors) == 32592);
static_assert(offsetof(TTankRecord, SpeedOfWire) == 32600);
static_assert(offsetof(TTankRecord, AuxValue) == 32608);
static_assert(offsetof(TTankRecord, RoFuel) == 32616);
static_assert(offsetof(TTankRecord, TkFuel) == 32624);
static_assert(offsetof(TTankRecord, Spare3) == 32632);
static_assert(offsetof(TTankRecord, Spare4) == 32636);
static_assert(offsetof(TTankRecord, InUse) == 32640);

static_assert(sizeof(TConsoleConfig) == 522824 && alignof(TConsoleConfig) == 8);
static_assert(offsetof(TConsoleConfig, DbSaveTime) == 0);
static_assert(offsetof(TConsoleConfig, RefTemp) == 1);
static_assert(offsetof(TConsoleConfig, TankCount) == 2);
static_assert(offsetof(TConsoleConfig, Language) == 3);
static_assert(offsetof(TConsoleConfig, TerminalId) == 4);
static_assert(offsetof(TConsoleConfig, Units) == 17);
static_assert(offsetof(TConsoleConfig, MdiCount) == 18);
static_assert(offsetof(TConsoleConfig, Mdi) == 19);
static_assert(offsetof(TConsoleConfig, Tanks) == 456);

static_assert(std::is_standard_layout_v<TConsoleConfig> && std::is_trivially_copyable_v<TConsoleConfig>);

// What a program knows of one probe bus address (memory only, never stored).
struct probetype {
    uint8_t Present = 0;       // Boolean: the address answered the identify command
    uint8_t Address = 0;       // 0..15
    std::string SerialNo;      // 12 upper-case hex digits
    double WireSpeed = 0.0;    // m/s
    double ProbeLength = 0.0;  // mm
    uint8_t SeqNo = 0;         // sequence nibble, high nibble of a request's address byte
};

// Gives a tank its defaults; its calibration table, the padding and the bytes
// behind each text's length stay as they are, so a tank added again after the
// count was lowered keeps its table.
void SetTankDefaults(TTankRecord& tank);
void SetMdiUnitDefaults(TMdiUnitRecord& unit);

// ---------------------------------------------------------------------------
// Frames and line codec

inline constexpr int ShortFrameMaxData = 120;
inline constexpr int ShortLineMax = 120;  // what the short decoder looks at
inline constexpr int LineBufferSize = 2052;
inline constexpr int LongFrameMaxData = (LineBufferSize - 8) / 2;  // 1022

struct TShortFrame {
    uint8_t Code;
    uint8_t Addr;    // bus address in the low nibble, sequence nibble in the high
    uint8_t Device;  // DevProbe or DevLeakModule
    uint8_t Count;   // 0..120
    uint8_t Data[ShortFrameMaxData];
};

struct TLongFrame {
    uint8_t Code;
    int32_t Len;
    uint8_t Data[LineBufferSize];
};

struct TLineBuffer {
    int32_t Len;
    uint8_t Data[LineBufferSize];
};

// One CRC-16/ARC step (reflected polynomial 0xA001); a running value starts at 0.
uint16_t Crc16Update(uint16_t crc, uint8_t b);

// CR, device, address, code, data, CRC, LF; Count above 120 is taken as 120.
std::string EncodeFrame(const TShortFrame& frame);
// CR, code, data, CRC, LF; Len is taken within 0..1022 so the line fits.
TLineBuffer EncodeLongFrame(const TLongFrame& frame);

// Only the first 120 characters of a line are looked at. A line shorter than a
// minimal frame decodes to FrameInvalid with Count 0.
void DecodeFrameReply(const std::string& line, TShortFrame& frame);
// Only line.Len (taken within 0..2052) bytes are looked at; a line shorter than
// a minimal frame decodes to FrameInvalid with Len 0.
void DecodeLongReply(const TLineBuffer& line, TLongFrame& frame);

// (16 x d(hi) + d(lo)) mod 256 with d(c) = c - 48 up to '@', c - 55 above; accepts anything.
uint8_t HexPairToByte(char hi, char lo);
std::string ByteToHex(uint8_t b);
uint16_t BytesToWord(uint8_t hi, uint8_t lo);
std::string ByteToBits(uint8_t b);  // bit 7 first

std::array<uint8_t, 4> SingleToBE(double x);
// Appends SingleToBE(x) at Data[Len] and adds 4 to Len; throws RangeError
// instead of writing past the buffer.
TLineBuffer& AppendSingleBE(TLineBuffer& block, double x);
TLongFrame& AppendSingleBE(TLongFrame& frame, double x);
double BEBytesToSingle(uint8_t b0, uint8_t b1, uint8_t b2, uint8_t b3);
int32_t BEBytesToLongInt(uint8_t b0, uint8_t b1, uint8_t b2, uint8_t b3);

// Three decimals with '.', right-aligned in at least 8 characters.
std::string FloatToFixed(double x);

// The probe program's variants.
// 255 when a character is below '0'; letters above 'F' count as 15.
uint8_t HexPairToByteChecked(char hi, char lo);
double TempFromRaw(uint8_t hi, uint8_t lo);                                    // degrees Celsius
double BEBytesToSingleOrZero(uint8_t b0, uint8_t b1, uint8_t b2, uint8_t b3);  // FF FF FF FF reads 0
std::string StripFrameEnds(const std::string& s);

namespace probeprog {
// The short decoder with every pair read through HexPairToByteChecked.
void DecodeFrameReply(const std::string& line, TShortFrame& frame);
}  // namespace probeprog

// ---------------------------------------------------------------------------
// Tank geometry and table interpolation

// Liquid volume at depth h in a horizontal cylinder of length L and radius R
// (result in the length unit cubed). h is taken within 0..2R; R <= 0 gives 0.
double HorCylinderVolume(double h, double L, double R);

// The table's value at x from the degree-5 polynomial through six neighbouring
// points (Points 0..Count, Count taken as at most 4000); x == 0 gives 0. With
// fewer than six points, or repeated Arg values in the window, the polynomial
// goes through the distinct points there are.
double LagrangeInterpolate(double x, const TCalTable& table);
// The same value, with the search for the first point above x starting at `from`, which then
// holds that point's index: a caller that walks x upwards through a table whose Arg values
// increase passes the index back in and finds each window without scanning from point 0.
// Every point before `from` must lie at or below x.
double LagrangeInterpolateFrom(double x, const TCalTable& table, int& from);
