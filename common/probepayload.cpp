#include "common/probepayload.h"

#include <cmath>

namespace {

// Data byte k of a reply; positions beyond its count read as 0, whatever the frame holds there.
class Bytes {
public:
    explicit Bytes(const TShortFrame& f) : f_(f) {}
    uint8_t operator[](int k) const { return k < f_.Count && k < ShortFrameMaxData ? f_.Data[k] : 0; }

    // Bytes from..from+2 as a 24-bit big-endian number.
    int32_t raw24(int from) const { return BEBytesToLongInt(0, (*this)[from], (*this)[from + 1], (*this)[from + 2]); }

    // Six bytes from 0 as two hexadecimal digits each.
    std::string serial() const {
        std::string sn;
        for (int k = 0; k < 6; ++k) sn += ByteToHex((*this)[k]);
        return sn;
    }

    double floatOrZero() const { return BEBytesToSingleOrZero((*this)[0], (*this)[1], (*this)[2], (*this)[3]); }

private:
    const TShortFrame& f_;
};

int periodOf(uint8_t b) { return b ? 20 : 40; }

void decodeProbe(const TShortFrame& frame, MarvaneBusReply& r) {
    using K = MarvaneBusReply;
    const Bytes d(frame);
    switch (frame.Code) {
    case prData:
        r.kind = K::Measurement;
        r.measurement.sensor1 = d.raw24(0);
        r.measurement.sensor2 = d.raw24(3);
        // Byte 6 is not read.
        r.volumeLevel = d[7];
        r.periodMs = periodOf(d[8]);
        r.measurement.temperature = TempFromRaw(d[10], d[9]);
        r.measurement.lm75Degrees = d[10];
        r.measurement.status = d[11];
        break;
    case prIdentify: r.kind = K::Identify; break;
    case prAddressSet: r.kind = K::AddressSet; break;
    case prPeriod1:
    case prPeriod2:
        r.kind = K::Period;
        r.periodMs = periodOf(d[0]);
        break;
    case prMeasureError: r.kind = K::MeasureError; break;
    case prVolumeLevel:
        r.kind = K::VolumeLevel;
        r.volumeLevel = d[0];
        break;
    case prSensors:
        r.kind = K::Sensors;
        r.sensor2Shown = d[0] != 1;
        break;
    case prSerial:
        r.kind = K::Serial;
        r.serial = d.serial();
        break;
    case prSowDigits: {
        r.kind = K::SowDigits;
        std::string digits;
        for (int k = 0; k < 4; ++k) digits += char(d[k]);
        // Four characters cannot make a number whose hundredfold leaves 32 bits.
        r.speedOfWire = 100 * ParseInt(digits);
        break;
    }
    case prSowAck1:
    case prSowAck2:
    case prSowAck3:
    case prSowAck4: r.kind = K::SowAck; break;
    case FrameInvalid: r.kind = K::ProbeCrcError; break;
    default: break;
    }
}

void decodeModule(const TShortFrame& frame, MarvaneBusReply& r) {
    const Bytes d(frame);
    if (frame.Code == FrameInvalid) {
        r.kind = MarvaneBusReply::ModuleCrcError;
        return;
    }
    if (frame.Code != mrData) return;
    r.kind = MarvaneBusReply::ModuleData;
    ModuleReading& m = r.module;
    m.temperature = int(d[0]) - 25;
    m.analog = d[2];
    // Bit 2 is not an input.
    for (int i = 0; i < 5; ++i) m.inputs[std::size_t(i)] = BitText(d[1], uint8_t(0x80 >> i));
    m.relays = {(d[1] & 0x01) != 0, (d[1] & 0x02) != 0};
}

}  // namespace

MarvaneBusReply DecodeMarvaneReply(const TShortFrame& frame) {
    MarvaneBusReply r;
    r.code = frame.Code;
    r.address = frame.Addr & 15;
    if (frame.Device == DevProbe)
        decodeProbe(frame, r);
    else if (frame.Device == DevLeakModule)
        decodeModule(frame, r);
    else
        r.kind = MarvaneBusReply::ForeignDevice;
    return r;
}

double MarvaneLevelMm(int32_t raw, int32_t speedCmPerS) { return double(speedCmPerS) * raw / 100000000.0; }

OstrelReply DecodeOstrelReply(const TShortFrame& frame) {
    using K = OstrelReply;
    OstrelReply r;
    r.code = frame.Code;
    if (frame.Device != DevProbe) return r;
    const Bytes d(frame);
    switch (frame.Code) {
    case rspData:
        r.kind = K::Measurement;
        r.raw1 = d.raw24(0);
        r.raw2 = d.raw24(3);
        // d6..d8 are not used.
        r.temperature = TempFromRaw(d[10], d[9]);
        r.status = d[11];
        break;
    case rspIdentify: r.kind = K::Identify; break;
    case rspStatus:
        r.kind = K::Status;
        r.status = d[11];
        break;
    case rspFloats:
        r.kind = K::Floats;
        r.sensor2Shown = d[0] != 1;
        break;
    case rspTemp:
        // A sensor number other than 1..4 names no field.
        if (d[2] >= 1 && d[2] <= 4) {
            r.kind = K::Temperature;
            r.tempSensor = d[2];
            r.temperature = TempFromRaw(d[1], d[0]);
        }
        break;
    case rspSerial:
        r.kind = K::Serial;
        r.serial = d.serial();
        break;
    case rspSpeed: {
        r.kind = K::Speed;
        const double v = d.floatOrZero();
        r.wireSpeed = v >= 3500 ? 3000.0 : (v <= 2500 || std::isnan(v)) ? 2999.0 : v;
        break;
    }
    case rspLength: {
        r.kind = K::Length;
        const double v = d.floatOrZero();
        r.probeLength = v >= 8001 ? 8000.0 : (v <= 499 || std::isnan(v)) ? 500.0 : v;
        break;
    }
    case rspDigFilter:
        r.kind = K::DigFilter;
        r.digFilter = d[0] <= 10 ? d[0] : 0;
        break;
    default: break;
    }
    return r;
}

double OstrelLevelMm(int32_t raw, double speedMPerS) { return raw * speedMPerS / 1000000.0; }
