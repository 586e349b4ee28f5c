// Both probe-bus dialects' replies at their byte offsets, from known answers. Every field gets a
// value of its own, so that a swapped, shifted or dropped byte shows.

#include <QTest>

#include <cmath>
#include <cstring>
#include <initializer_list>

#include "common/probepayload.h"

namespace {

// A decoded frame whose bytes beyond its count hold a value no field may show.
TShortFrame frame(uint8_t device, uint8_t addr, uint8_t code, std::initializer_list<uint8_t> data = {}) {
    TShortFrame f;
    std::memset(&f, 0x77, sizeof f);
    f.Device = device;
    f.Addr = addr;
    f.Code = code;
    f.Count = uint8_t(data.size());
    int k = 0;
    for (uint8_t b : data) f.Data[k++] = b;
    return f;
}

MarvaneBusReply marvane(uint8_t device, uint8_t code, std::initializer_list<uint8_t> data = {}, uint8_t addr = 0x20) {
    return DecodeMarvaneReply(frame(device, addr, code, data));
}

OstrelReply ostrel(uint8_t code, std::initializer_list<uint8_t> data = {}, uint8_t device = DevProbe) {
    return DecodeOstrelReply(frame(device, 0x23, code, data));
}

// A big-endian float's four bytes at d0..d3, with a fifth byte behind them that must not count.
OstrelReply ostrelFloat(uint8_t code, double v) {
    const auto b = SingleToBE(v);
    return ostrel(code, {b[0], b[1], b[2], b[3], 0x44});
}

OstrelReply ostrelFloatBits(uint8_t code, uint32_t bits) {
    return ostrel(code, {uint8_t(bits >> 24), uint8_t(bits >> 16), uint8_t(bits >> 8), uint8_t(bits)});
}

QStringList inputs(const ModuleReading& m) {
    QStringList l;
    for (const std::string& s : m.inputs) l << QString::fromStdString(s);
    return l;
}

// 0x0B08 / 8 x 0.0625: byte 10 high, byte 9 low without its three low bits.
constexpr double kTemp0B0A = 22.0625;

}  // namespace

class TestProbePayload : public QObject {
    Q_OBJECT
private slots:
    // Marvane's dialect
    void measurementAtEveryOffset();
    void periodComesFromByteEightNotSix();
    void measurementTemperatures();
    void shortRepliesReadZerosBeyondTheirCount();
    void periodVolumeAndSensorsReplies();
    void serialAndAddress();
    void speedOfWireDigits();
    void speedOfWireAcknowledgements();
    void reportsByDeviceAndCode();
    void codesOutsideTheTableAreIgnored();
    void moduleDataAtEveryOffset();
    void moduleBitsOneByOne();
    void levels();
    // Ostrel's dialect
    void ostrelMeasurementAtEveryOffset();
    void ostrelStatusAndFloats();
    void ostrelTemperatureSensors();
    void ostrelSerial();
    void ostrelSpeedSubstitutes();
    void ostrelLengthSubstitutes();
    void ostrelDigitalFilter();
    void ostrelIgnoresOtherDevicesAndCodes();
    void ostrelShortRepliesReadZeros();
};

void TestProbePayload::measurementAtEveryOffset() {
    const auto r =
        marvane(DevProbe, prData, {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0x0A, 0x0B, 0x0C}, 0x37);
    QCOMPARE(r.kind, MarvaneBusReply::Measurement);
    QCOMPARE(int(r.code), 0x80);
    QCOMPARE(int(r.address), 7);
    QCOMPARE(r.measurement.sensor1, 0x010203);
    QCOMPARE(r.measurement.sensor2, 0x040506);
    QCOMPARE(int(r.volumeLevel), 0x08);
    QCOMPARE(r.periodMs, 20);
    QCOMPARE(r.measurement.temperature, kTemp0B0A);
    QCOMPARE(int(r.measurement.lm75Degrees), 0x0B);
    QCOMPARE(int(r.measurement.status), 0x0C);
    // The sensors are unsigned 24-bit values.
    const auto top = marvane(DevProbe, prData, {0xFF, 0xFF, 0xFF, 0x80, 0x00, 0x01});
    QCOMPARE(top.measurement.sensor1, 16777215);
    QCOMPARE(top.measurement.sensor2, 0x800001);
}

void TestProbePayload::periodComesFromByteEightNotSix() {
    const auto slow = marvane(DevProbe, prData, {1, 2, 3, 4, 5, 6, 0xFF, 42, 0x00, 0, 0, 0});
    QCOMPARE(slow.periodMs, 40);
    QCOMPARE(int(slow.volumeLevel), 42);
    const auto fast = marvane(DevProbe, prData, {1, 2, 3, 4, 5, 6, 0x00, 42, 0x80, 0, 0, 0});
    QCOMPARE(fast.periodMs, 20);
    // Byte 6 changes nothing at all.
    const auto a = marvane(DevProbe, prData, {1, 2, 3, 4, 5, 6, 0x00, 8, 9, 10, 11, 12});
    const auto b = marvane(DevProbe, prData, {1, 2, 3, 4, 5, 6, 0xA5, 8, 9, 10, 11, 12});
    QCOMPARE(b.measurement.sensor1, a.measurement.sensor1);
    QCOMPARE(b.measurement.sensor2, a.measurement.sensor2);
    QCOMPARE(b.measurement.temperature, a.measurement.temperature);
    QCOMPARE(b.measurement.status, a.measurement.status);
    QCOMPARE(b.volumeLevel, a.volumeLevel);
}

void TestProbePayload::measurementTemperatures() {
    struct Case {
        uint8_t b9, b10;
        double celsius;
    };
    for (const Case& k :
         {Case{0x07, 0x19, 50.0}, Case{0x80, 0xFF, -1.0}, Case{0xF8, 0xFF, -0.0625}, Case{0x00, 0x00, 0.0}}) {
        const auto r = marvane(DevProbe, prData, {0, 0, 0, 0, 0, 0, 0, 0, 0, k.b9, k.b10, 0});
        QCOMPARE(r.measurement.temperature, k.celsius);
        QCOMPARE(int(r.measurement.lm75Degrees), int(k.b10));
    }
}

void TestProbePayload::shortRepliesReadZerosBeyondTheirCount() {
    const auto r = marvane(DevProbe, prData, {0x00, 0x01});
    QCOMPARE(r.measurement.sensor1, 0x000100);
    QCOMPARE(r.measurement.sensor2, 0);
    QCOMPARE(int(r.volumeLevel), 0);
    QCOMPARE(r.periodMs, 40);
    QCOMPARE(r.measurement.temperature, 0.0);
    QCOMPARE(int(r.measurement.status), 0);
    QCOMPARE(marvane(DevProbe, prSerial, {0xAB}).serial, std::string("AB0000000000"));
    QCOMPARE(marvane(DevProbe, prPeriod1).periodMs, 40);
    QVERIFY(marvane(DevProbe, prSensors).sensor2Shown);
    const auto m = marvane(DevLeakModule, mrData, {0x2D});
    QCOMPARE(m.module.temperature, 20);
    QCOMPARE(int(m.module.analog), 0);
    QCOMPARE(inputs(m.module), QStringList({"0", "0", "0", "0", "0"}));
    QVERIFY(!m.module.relays[0] && !m.module.relays[1]);
    // A count past the frame's capacity reads no further than the frame.
    TShortFrame f = frame(DevProbe, 0x20, prData, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12});
    f.Count = 255;
    QCOMPARE(int(DecodeMarvaneReply(f).measurement.status), 12);
}

void TestProbePayload::periodVolumeAndSensorsReplies() {
    for (uint8_t code : {uint8_t(prPeriod1), uint8_t(prPeriod2)}) {
        const auto fast = marvane(DevProbe, code, {0x03, 0x00});
        QCOMPARE(fast.kind, MarvaneBusReply::Period);
        QCOMPARE(fast.periodMs, 20);
        QCOMPARE(marvane(DevProbe, code, {0x00, 0x03}).periodMs, 40);
    }
    const auto v = marvane(DevProbe, prVolumeLevel, {77, 12});
    QCOMPARE(v.kind, MarvaneBusReply::VolumeLevel);
    QCOMPARE(int(v.volumeLevel), 77);
    QCOMPARE(int(marvane(DevProbe, prVolumeLevel, {150}).volumeLevel), 150);  // the page holds it in range

    // Only a 1 hides sensor 2: 0 and 2 both show it.
    struct Case {
        uint8_t b0;
        bool shown;
    };
    for (const Case& k : {Case{1, false}, Case{0, true}, Case{2, true}, Case{0xFF, true}}) {
        const auto s = marvane(DevProbe, prSensors, {k.b0, 1});
        QCOMPARE(s.kind, MarvaneBusReply::Sensors);
        QCOMPARE(s.sensor2Shown, k.shown);
    }
}

void TestProbePayload::serialAndAddress() {
    const auto r = marvane(DevProbe, prSerial, {0xAB, 0xCD, 0xEF, 0x01, 0x23, 0x45, 0x67}, 0x25);
    QCOMPARE(r.kind, MarvaneBusReply::Serial);
    QCOMPARE(r.serial, std::string("ABCDEF012345"));
    QCOMPARE(int(r.address), 5);
    // The sequence nibble is not part of the address.
    QCOMPARE(int(marvane(DevProbe, prIdentify, {}, 0xFA).address), 10);
    QCOMPARE(marvane(DevProbe, prIdentify, {}, 0xFA).kind, MarvaneBusReply::Identify);
}

void TestProbePayload::speedOfWireDigits() {
    const auto r = marvane(DevProbe, prSowDigits, {'3', '0', '5', '2', '9'});
    QCOMPARE(r.kind, MarvaneBusReply::SowDigits);
    QCOMPARE(r.speedOfWire, 305200);
    QCOMPARE(marvane(DevProbe, prSowDigits, {'1', '5', '0', '0'}).speedOfWire, 150000);  // the page holds it in range
    QCOMPARE(marvane(DevProbe, prSowDigits, {'9', '9', '9', '9'}).speedOfWire, 999900);
    // Missing characters read as byte 0, which the conversion skips like blanks.
    QCOMPARE(marvane(DevProbe, prSowDigits, {'3'}).speedOfWire, 300);
    try {
        marvane(DevProbe, prSowDigits, {'3', 'O', '5', '2'});
        QFAIL("no conversion error");
    } catch (const ConvertError& e) {
        QCOMPARE(QString::fromStdString(e.what()), QStringLiteral("'3O52' is not a valid integer value"));
    }
    // The same bytes from a module are no speed.
    QCOMPARE(marvane(DevLeakModule, prSowDigits, {'3', 'O', '5', '2'}).kind, MarvaneBusReply::Ignored);
}

void TestProbePayload::speedOfWireAcknowledgements() {
    for (uint8_t code = prSowAck1; code <= prSowAck4; ++code) {
        const auto r = marvane(DevProbe, code);
        QCOMPARE(r.kind, MarvaneBusReply::SowAck);
        QCOMPARE(int(r.code), int(code));
    }
    QCOMPARE(marvane(DevProbe, 0x9F).kind, MarvaneBusReply::Ignored);
    QCOMPARE(marvane(DevProbe, 0xA4).kind, MarvaneBusReply::Ignored);
}

void TestProbePayload::reportsByDeviceAndCode() {
    struct Case {
        uint8_t device, code;
        MarvaneBusReply::Kind kind;
    };
    const Case cases[] = {
        {DevProbe, prIdentify, MarvaneBusReply::Identify},
        {DevProbe, prAddressSet, MarvaneBusReply::AddressSet},
        {DevProbe, prMeasureError, MarvaneBusReply::MeasureError},
        {DevProbe, FrameInvalid, MarvaneBusReply::ProbeCrcError},
        {DevLeakModule, FrameInvalid, MarvaneBusReply::ModuleCrcError},
        {DevLeakModule, prIdentify, MarvaneBusReply::Ignored},
        {0x00, FrameInvalid, MarvaneBusReply::ForeignDevice},
        {0x00, prData, MarvaneBusReply::ForeignDevice},
        {0xA4, prIdentify, MarvaneBusReply::ForeignDevice},
        {0xA7, mrData, MarvaneBusReply::ForeignDevice},
    };
    for (const Case& k : cases) QCOMPARE(marvane(k.device, k.code, {1, 2, 3}).kind, k.kind);
}

void TestProbePayload::codesOutsideTheTableAreIgnored() {
    const QList<int> probeCodes = {0x80, 0x81, 0x82, 0x86, 0x88, 0x94, 0x95, 0x96,
                                   0x9B, 0x9C, 0xA0, 0xA1, 0xA2, 0xA3, 0xFF};
    for (int code = 0; code <= 0xFF; ++code) {
        const uint8_t c = uint8_t(code);
        // Digits that read as a number, so that 0x9C decodes.
        const auto p = marvane(DevProbe, c, {'3', '0', '0', '0'});
        QCOMPARE(p.kind == MarvaneBusReply::Ignored, !probeCodes.contains(code));
        const auto m = marvane(DevLeakModule, c, {'3', '0', '0', '0'});
        QCOMPARE(m.kind == MarvaneBusReply::Ignored, code != mrData && code != FrameInvalid);
    }
}

void TestProbePayload::moduleDataAtEveryOffset() {
    const auto r = marvane(DevLeakModule, mrData, {0x2D, 0xA9, 0xC8, 0x11}, 0x53);
    QCOMPARE(r.kind, MarvaneBusReply::ModuleData);
    QCOMPARE(int(r.address), 3);
    QCOMPARE(r.module.temperature, 20);
    QCOMPARE(int(r.module.analog), 0xC8);
    QCOMPARE(inputs(r.module), QStringList({"1", "0", "1", "0", "1"}));  // 0xA9: bits 7, 5, 3
    QVERIFY(r.module.relays[0]);
    QVERIFY(!r.module.relays[1]);
    // Byte 0 is the temperature + 25.
    QCOMPARE(marvane(DevLeakModule, mrData, {0x00}).module.temperature, -25);
    QCOMPARE(marvane(DevLeakModule, mrData, {0xFF}).module.temperature, 230);
}

void TestProbePayload::moduleBitsOneByOne() {
    for (int i = 0; i < 5; ++i) {
        const auto r = marvane(DevLeakModule, mrData, {25, uint8_t(0x80 >> i), 0});
        QStringList want(5, QStringLiteral("0"));
        want[i] = QStringLiteral("1");
        QCOMPARE(inputs(r.module), want);
        QVERIFY(!r.module.relays[0] && !r.module.relays[1]);
    }
    // Bit 2 is neither an input nor a relay.
    const auto bit2 = marvane(DevLeakModule, mrData, {25, 0x04, 0});
    QCOMPARE(inputs(bit2.module), QStringList(5, QStringLiteral("0")));
    QVERIFY(!bit2.module.relays[0] && !bit2.module.relays[1]);
    const auto relay2 = marvane(DevLeakModule, mrData, {25, 0x02, 0});
    QVERIFY(!relay2.module.relays[0] && relay2.module.relays[1]);
    QCOMPARE(inputs(relay2.module), QStringList(5, QStringLiteral("0")));
}

void TestProbePayload::levels() {
    QCOMPARE(MarvaneLevelMm(1000000, 300000), 3000.0);
    QCOMPARE(MarvaneLevelMm(256, 300000), 0.768);
    QCOMPARE(MarvaneLevelMm(16777215, 400000), 16777215 * 400000.0 / 100000000.0);
    QCOMPARE(OstrelLevelMm(1000000, 3000.0), 3000.0);
    QCOMPARE(OstrelLevelMm(500000, 3000.0), 1500.0);
}

void TestProbePayload::ostrelMeasurementAtEveryOffset() {
    const auto r = ostrel(rspData, {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0x0A, 0x0B, 0x0C});
    QCOMPARE(r.kind, OstrelReply::Measurement);
    QCOMPARE(int(r.code), 0x80);
    QCOMPARE(r.raw1, 0x010203);
    QCOMPARE(r.raw2, 0x040506);
    QCOMPARE(r.temperature, kTemp0B0A);
    QCOMPARE(int(r.status), 0x0C);
    // d6..d8 are not used.
    const auto other = ostrel(rspData, {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0xF7, 0xF8, 0xF9, 0x0A, 0x0B, 0x0C});
    QCOMPARE(other.raw1, r.raw1);
    QCOMPARE(other.raw2, r.raw2);
    QCOMPARE(other.temperature, r.temperature);
    QCOMPARE(other.status, r.status);
    QCOMPARE(ostrel(rspData, {0xFF, 0xFF, 0xFF}).raw1, 16777215);
}

void TestProbePayload::ostrelStatusAndFloats() {
    // The status reply keeps the status byte where a measurement has it.
    const auto s = ostrel(rspStatus, {0x7E, 0x7E, 0x7E, 0x7E, 0x7E, 0x7E, 0x7E, 0x7E, 0x7E, 0x7E, 0x7E, 0x81, 0x7E});
    QCOMPARE(s.kind, OstrelReply::Status);
    QCOMPARE(int(s.status), 0x81);
    struct Case {
        uint8_t d0;
        bool shown;
    };
    for (const Case& k : {Case{1, false}, Case{0, true}, Case{2, true}}) {
        const auto f = ostrel(rspFloats, {k.d0, 1});
        QCOMPARE(f.kind, OstrelReply::Floats);
        QCOMPARE(f.sensor2Shown, k.shown);
    }
}

void TestProbePayload::ostrelTemperatureSensors() {
    struct Case {
        uint8_t d0, d1, d2;
        double celsius;
    };
    for (const Case& k : {Case{0x00, 0x19, 1, 50.0}, Case{0xF8, 0xFF, 4, -0.0625}, Case{0x87, 0x0C, 2, 25.0},
                          Case{0xB8, 0x3D, 3, 123.4375}}) {
        const auto r = ostrel(rspTemp, {k.d0, k.d1, k.d2, 0x01});
        QCOMPARE(r.kind, OstrelReply::Temperature);
        QCOMPARE(r.tempSensor, int(k.d2));
        QCOMPARE(r.temperature, k.celsius);
    }
    for (uint8_t n : {0, 5, 255}) QCOMPARE(ostrel(rspTemp, {0x00, 0x19, n}).kind, OstrelReply::Ignored);
}

void TestProbePayload::ostrelSerial() {
    const auto r = ostrel(rspSerial, {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD});
    QCOMPARE(r.kind, OstrelReply::Serial);
    QCOMPARE(r.serial, std::string("0123456789AB"));
}

void TestProbePayload::ostrelSpeedSubstitutes() {
    struct Case {
        double sent, stored;
    };
    for (const Case& k : {Case{2800.0, 2800.0}, Case{3500.0, 3000.0}, Case{2500.0, 2999.0}, Case{2500.5, 2500.5},
                          Case{3499.5, 3499.5}, Case{-1.0, 2999.0}, Case{1e30, 3000.0}}) {
        const auto r = ostrelFloat(rspSpeed, k.sent);
        QCOMPARE(r.kind, OstrelReply::Speed);
        QCOMPARE(r.wireSpeed, k.stored);
    }
    QCOMPARE(ostrelFloatBits(rspSpeed, 0xFFFFFFFF).wireSpeed, 2999.0);  // reads as 0
    QCOMPARE(ostrelFloatBits(rspSpeed, 0x7FC00000).wireSpeed, 2999.0);  // not a number
    QCOMPARE(ostrelFloatBits(rspSpeed, 0x7F800000).wireSpeed, 3000.0);  // +inf
    QCOMPARE(ostrelFloatBits(rspSpeed, 0xFF800000).wireSpeed, 2999.0);  // -inf
}

void TestProbePayload::ostrelLengthSubstitutes() {
    struct Case {
        double sent, stored;
    };
    for (const Case& k :
         {Case{1234.0, 1234.0}, Case{8001.0, 8000.0}, Case{8000.5, 8000.5}, Case{499.0, 500.0}, Case{499.5, 499.5}}) {
        const auto r = ostrelFloat(rspLength, k.sent);
        QCOMPARE(r.kind, OstrelReply::Length);
        QCOMPARE(r.probeLength, k.stored);
    }
    QCOMPARE(ostrelFloatBits(rspLength, 0xFFFFFFFF).probeLength, 500.0);
    QCOMPARE(ostrelFloatBits(rspLength, 0xFFC00001).probeLength, 500.0);
}

void TestProbePayload::ostrelDigitalFilter() {
    struct Case {
        uint8_t d0, value;
    };
    for (const Case& k : {Case{10, 10}, Case{7, 7}, Case{0, 0}, Case{11, 0}, Case{255, 0}}) {
        const auto r = ostrel(rspDigFilter, {k.d0, 5});
        QCOMPARE(r.kind, OstrelReply::DigFilter);
        QCOMPARE(int(r.digFilter), int(k.value));
    }
}

void TestProbePayload::ostrelIgnoresOtherDevicesAndCodes() {
    const QList<int> applied = {rspData,   rspIdentify, rspStatus, rspFloats,   rspTemp,
                                rspSerial, rspSpeed,    rspLength, rspDigFilter};
    for (int code = 0; code <= 0xFF; ++code) {
        const uint8_t c = uint8_t(code);
        QCOMPARE(ostrel(c, {0, 0, 1}).kind == OstrelReply::Ignored, !applied.contains(code));
        for (uint8_t device : {DevLeakModule, uint8_t(0x00), uint8_t(0xA4)})
            QCOMPARE(ostrel(c, {0, 0, 1}, device).kind, OstrelReply::Ignored);
    }
}

void TestProbePayload::ostrelShortRepliesReadZeros() {
    const auto r = ostrel(rspData, {0x00, 0x01});
    QCOMPARE(r.raw1, 0x000100);
    QCOMPARE(r.raw2, 0);
    QCOMPARE(r.temperature, 0.0);
    QCOMPARE(int(r.status), 0);
    QCOMPARE(int(ostrel(rspStatus).status), 0);
    QCOMPARE(ostrel(rspSerial, {0xAB}).serial, std::string("AB0000000000"));
    QCOMPARE(ostrel(rspSpeed).wireSpeed, 2999.0);
    QCOMPARE(ostrel(rspLength).probeLength, 500.0);
    QCOMPARE(ostrel(rspFloats).sensor2Shown, true);
    QCOMPARE(ostrel(rspTemp).kind, OstrelReply::Ignored);
}

QTEST_APPLESS_MAIN(TestProbePayload)
#include "tst_probepayload.moc"
