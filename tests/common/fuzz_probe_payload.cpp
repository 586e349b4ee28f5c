// Both programs' probe-bus reply decoders, fed any frame: one built straight from the input
// (any device, address, code and count, up to 255), and the input read as a received line
// through each program's line decoder, as the links hand it on.
//
// Nothing is read past the frame, bytes beyond the count never matter, every field stays
// within what its bytes can say, and only a speed-of-wire reply that is no number throws.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>

#include "common/probepayload.h"
#include "fuzzcheck.h"

namespace {

// The same frame with other bytes beyond its count.
TShortFrame refilled(const TShortFrame& f) {
    TShortFrame g = f;
    for (int k = std::min<int>(f.Count, ShortFrameMaxData); k < ShortFrameMaxData; ++k) g.Data[k] = uint8_t(~g.Data[k]);
    return g;
}

std::optional<MarvaneBusReply> marvane(const TShortFrame& f) {
    try {
        return DecodeMarvaneReply(f);
    } catch (const ConvertError&) {
        FUZZ_CHECK(f.Device == DevProbe && f.Code == prSowDigits);
        return std::nullopt;
    }
}

bool hexSerial(const std::string& s) {
    return s.size() == 12 &&
           std::all_of(s.begin(), s.end(), [](char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'); });
}

bool raw24(int32_t v) { return v >= 0 && v <= 0xFFFFFF; }

// A temperature from two bytes: a signed 16-bit count of 1/128 degree.
bool sensorTemperature(double t) { return std::isfinite(t) && t >= -256.0 && t < 256.0; }

void checkMarvane(const TShortFrame& f) {
    const std::optional<MarvaneBusReply> got = marvane(f);
    const std::optional<MarvaneBusReply> again = marvane(refilled(f));
    FUZZ_CHECK(got.has_value() == again.has_value());
    if (!got) return;
    FUZZ_CHECK(*got == *again);
    const MarvaneBusReply& r = *got;
    using K = MarvaneBusReply;
    FUZZ_CHECK(r.code == f.Code);
    FUZZ_CHECK(r.address == (f.Addr & 15));
    if (f.Device != DevProbe && f.Device != DevLeakModule) FUZZ_CHECK(r.kind == K::ForeignDevice);
    if (f.Device == DevLeakModule)
        FUZZ_CHECK(r.kind == (f.Code == mrData         ? K::ModuleData
                              : f.Code == FrameInvalid ? K::ModuleCrcError
                                                       : K::Ignored));
    if (f.Device == DevProbe && f.Code == FrameInvalid) FUZZ_CHECK(r.kind == K::ProbeCrcError);
    FUZZ_CHECK(r.periodMs == 20 || r.periodMs == 40);
    switch (r.kind) {
    case K::Measurement:
        FUZZ_CHECK(f.Code == prData);
        FUZZ_CHECK(raw24(r.measurement.sensor1) && raw24(r.measurement.sensor2));
        FUZZ_CHECK(sensorTemperature(r.measurement.temperature));
        break;
    case K::ModuleData:
        FUZZ_CHECK(r.module.temperature >= -25 && r.module.temperature <= 230);
        for (const std::string& in : r.module.inputs) FUZZ_CHECK(in == "0" || in == "1");
        break;
    case K::Serial: FUZZ_CHECK(hexSerial(r.serial)); break;
    case K::SowDigits:
        FUZZ_CHECK(r.speedOfWire % 100 == 0 && r.speedOfWire >= -999900 && r.speedOfWire <= 999900);
        break;
    case K::SowAck: FUZZ_CHECK(r.code >= prSowAck1 && r.code <= prSowAck4); break;
    default: break;
    }
}

void checkOstrel(const TShortFrame& f) {
    const OstrelReply r = DecodeOstrelReply(f);
    FUZZ_CHECK(r == DecodeOstrelReply(refilled(f)));
    using K = OstrelReply;
    FUZZ_CHECK(r.code == f.Code);
    if (f.Device != DevProbe) FUZZ_CHECK(r.kind == K::Ignored);
    switch (r.kind) {
    case K::Measurement:
        FUZZ_CHECK(raw24(r.raw1) && raw24(r.raw2));
        FUZZ_CHECK(sensorTemperature(r.temperature));
        break;
    case K::Temperature:
        FUZZ_CHECK(r.tempSensor >= 1 && r.tempSensor <= 4);
        FUZZ_CHECK(sensorTemperature(r.temperature));
        break;
    case K::Serial: FUZZ_CHECK(hexSerial(r.serial)); break;
    case K::Speed: FUZZ_CHECK(r.wireSpeed > 2500 && r.wireSpeed < 3500); break;
    case K::Length: FUZZ_CHECK(r.probeLength > 499 && r.probeLength < 8001); break;
    case K::DigFilter: FUZZ_CHECK(r.digFilter <= 10); break;
    default: break;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    // A frame as it stands in memory: device, address, code, count, then the data bytes; what
    // the input does not fill keeps a pattern of its own.
    TShortFrame f;
    std::memset(&f, 0x5A, sizeof f);
    if (size >= 4) {
        f.Device = data[0];
        f.Addr = data[1];
        f.Code = data[2];
        f.Count = data[3];
        std::memcpy(f.Data, data + 4, std::min<std::size_t>(size - 4, ShortFrameMaxData));
        checkMarvane(f);
        checkOstrel(f);
    }

    // The input as a received line, through each program's line decoder.
    const std::string line(reinterpret_cast<const char*>(data), std::min<std::size_t>(size, ShortLineMax));
    TShortFrame m;
    std::memset(&m, 0xEE, sizeof m);
    DecodeFrameReply(line, m);
    checkMarvane(m);
    TShortFrame o;
    std::memset(&o, 0xEE, sizeof o);
    probeprog::DecodeFrameReply(line, o);
    checkOstrel(o);
    return 0;
}
