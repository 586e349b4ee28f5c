#pragma once
// What travels on the probe bus: the codes of both dialects, and each reply decoded into what
// it says. Marvane talks to probes and leak read modules; Ostrel talks to probes only, with
// codes and payloads of its own. Plain functions over a decoded frame, so that every byte
// offset can be checked alone and fuzzed; the windows only show and apply the result.
//
// Replies are applied by their device byte and code alone, never matched to a request, and
// a position beyond the frame's count reads as 0.
#include <array>
#include <cstdint>
#include <string>

#include "common/tankcfgtypes.h"

// ---------------------------------------------------------------------------
// Marvane's dialect: probes (DevProbe) and leak read modules (DevLeakModule)

// Requests to a probe.
enum TProbeCommand : uint8_t {
    pcReadData = 0x00,
    pcIdentify = 0x01,
    pcSetAddress = 0x02,
    pcSetVolumeLevel = 0x04,
    pcSetPeriod = 0x06,
    pcSetSensors = 0x51,
    pcQuery61 = 0x61,
    pcQuery90 = 0x90,
    pcGetSerial = 0x91,
    pcSowDigit1 = 0x92,
    pcSowDigit2 = 0x93,
    pcSowDigit3 = 0x94,
    pcSowDigit4 = 0x95,
};

// Replies of a probe.
enum TProbeReply : uint8_t {
    prData = 0x80,
    prIdentify = 0x81,
    prAddressSet = 0x82,
    prPeriod1 = 0x86,
    prMeasureError = 0x88,
    prVolumeLevel = 0x94,
    prSensors = 0x95,
    prPeriod2 = 0x96,
    prSerial = 0x9B,
    prSowDigits = 0x9C,
    prSowAck1 = 0xA0,
    prSowAck2 = 0xA1,
    prSowAck3 = 0xA2,
    prSowAck4 = 0xA3,
};

// Requests to a leak read module and its data reply.
enum TModuleCommand : uint8_t {
    mcRead = 0x00,
    mcRelay1 = 0x01,
    mcRelay2 = 0x02,
};
inline constexpr uint8_t mrData = 0x80;

// "1" when b and mask share a bit, else "0".
inline std::string BitText(uint8_t b, uint8_t mask) { return (b & mask) ? "1" : "0"; }

// One sensor-1 sample of a speed-of-wire calibration point: slots 1..17 (indexes 0..16) fill
// in order and every further sample overwrites slot 17. A count outside 0..17 is taken as the
// nearest end, so no write falls outside the array.
inline void AddSowSample(int32_t (&samples)[17], int32_t& count, int32_t value) {
    if (count < 0) count = 0;
    if (count < 17) ++count;
    if (count > 17) count = 17;
    samples[count - 1] = value;
}

// A probe's measurement (prData), apart from its volume level and period.
struct ProbeMeasurement {
    int32_t sensor1 = 0;       // bytes 0..2: raw reading of sensor 1, 24-bit big-endian
    int32_t sensor2 = 0;       // bytes 3..5: sensor 2
    double temperature = 0.0;  // byte 10 high, byte 9 low without its three low bits, in degrees C
    uint8_t lm75Degrees = 0;   // byte 10 alone: whole degrees of an LM75 sensor
    uint8_t status = 0;        // byte 11
    bool operator==(const ProbeMeasurement&) const = default;
};

// A leak read module's data (mrData).
struct ModuleReading {
    int temperature = 0;                // byte 0 - 25, degrees C
    uint8_t analog = 0;                 // byte 2: analog input 1
    std::array<std::string, 5> inputs;  // byte 1 bits 7..3: digital inputs 1..5, "1" or "0"
    std::array<bool, 2> relays{};       // byte 1 bits 0 and 1: relays 1 and 2 on
    bool operator==(const ModuleReading&) const = default;
};

struct MarvaneBusReply {
    enum Kind {
        Ignored,         // a code nothing applies
        Measurement,     // prData: measurement, volumeLevel, periodMs
        Identify,        // prIdentify: a probe answers at address
        AddressSet,      // prAddressSet
        Period,          // prPeriod1, prPeriod2: periodMs
        MeasureError,    // prMeasureError
        VolumeLevel,     // prVolumeLevel: volumeLevel
        Sensors,         // prSensors: sensor2Shown
        Serial,          // prSerial: serial of the probe at address
        SowDigits,       // prSowDigits: speedOfWire
        SowAck,          // prSowAck1..prSowAck4: code
        ProbeCrcError,   // a probe line that failed the frame check
        ModuleData,      // mrData: module, of the module at address
        ModuleCrcError,  // a module line that failed the frame check
        ForeignDevice,   // any other device byte, also after a failed decode
    };
    Kind kind = Ignored;
    uint8_t code = 0;
    uint8_t address = 0;  // the low four bits of the address byte
    ProbeMeasurement measurement;
    ModuleReading module;
    uint8_t volumeLevel = 0;   // as sent: byte 7 of a measurement, byte 0 of prVolumeLevel
    int periodMs = 40;         // 20 when its byte is non-zero: byte 8 of a measurement, byte 0 of a period reply
    bool sensor2Shown = true;  // byte 0 other than 1
    std::string serial;        // bytes 0..5 as twelve hexadecimal digits, byte 0 first
    int32_t speedOfWire = 0;   // cm/s: bytes 0..3 as characters read as a whole number, times 100
    bool operator==(const MarvaneBusReply&) const = default;
};

// A speed-of-wire reply whose four characters are not a whole number throws ConvertError,
// as a typed number would; every other frame decodes.
MarvaneBusReply DecodeMarvaneReply(const TShortFrame& frame);

// Level in mm of a raw reading, with the speed of wire in cm/s.
double MarvaneLevelMm(int32_t raw, int32_t speedCmPerS);

// ---------------------------------------------------------------------------
// Ostrel's dialect: probes only

// Command texts: the code as two hexadecimal digits, followed by two more for a data byte.
inline constexpr char cmdReadData[] = "00";
inline constexpr char cmdIdentify[] = "01";
inline constexpr char cmdSetAddress[] = "02";
inline constexpr char cmdSetFloats[] = "51";
inline constexpr char cmdReadTemp[] = "71";
inline constexpr char cmdGetSpeed[] = "90";
inline constexpr char cmdGetSerial[] = "91";
inline constexpr char cmdSetSpeed0[] = "92";   // 92..95: float bytes 0..3
inline constexpr char cmdSetLength0[] = "96";  // 96..99: float bytes 0..3
inline constexpr char cmdGetLength[] = "9A";
inline constexpr char cmdSetDigFilter[] = "A0";

inline constexpr uint8_t rspData = 0x80;
inline constexpr uint8_t rspIdentify = 0x81;
inline constexpr uint8_t rspStatus = 0x88;
inline constexpr uint8_t rspFloats = 0x95;
inline constexpr uint8_t rspTemp = 0x97;
inline constexpr uint8_t rspSerial = 0x9B;
inline constexpr uint8_t rspSpeed = 0x9C;
inline constexpr uint8_t rspLength = 0xA8;
inline constexpr uint8_t rspDigFilter = 0xC0;

struct OstrelReply {
    enum Kind {
        Ignored,      // another device, another code, a failed decode, or a temperature of no sensor
        Measurement,  // rspData: raw1, raw2, temperature, status
        Identify,     // rspIdentify
        Status,       // rspStatus: status
        Floats,       // rspFloats: sensor2Shown
        Temperature,  // rspTemp: temperature of tempSensor
        Serial,       // rspSerial: serial
        Speed,        // rspSpeed: wireSpeed
        Length,       // rspLength: probeLength
        DigFilter,    // rspDigFilter: digFilter
    };
    Kind kind = Ignored;
    uint8_t code = 0;
    int32_t raw1 = 0;          // d0..d2: raw reading of sensor 1, 24-bit big-endian
    int32_t raw2 = 0;          // d3..d5: sensor 2
    double temperature = 0.0;  // degrees C: d10 high and d9 low of a measurement, d1 and d0 of rspTemp
    uint8_t status = 0;        // d11, in a measurement and in rspStatus
    int tempSensor = 0;        // d2 of rspTemp, 1..4
    bool sensor2Shown = true;  // d0 other than 1
    std::string serial;        // d0..d5 as twelve hexadecimal digits, d0 first
    double wireSpeed = 0.0;    // m/s, d0..d3 a big-endian float: 3000 from 3500 up, 2999 up to 2500 or not a number
    double probeLength = 0.0;  // mm, the same way: 8000 from 8001 up, 500 up to 499 or not a number
    uint8_t digFilter = 0;     // d0 when at most 10, else 0
    bool operator==(const OstrelReply&) const = default;
};

OstrelReply DecodeOstrelReply(const TShortFrame& frame);

// Level in mm of a raw reading, with the speed of wire in m/s.
double OstrelLevelMm(int32_t raw, double speedMPerS);
