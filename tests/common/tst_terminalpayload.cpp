// The terminal link's requests and replies at their byte offsets, from known answers.

#include <QTest>

#include <cmath>
#include <cstring>
#include <memory>

#include "common/terminalpayload.h"

namespace {

std::unique_ptr<TConsoleConfig> blankConfig() {
    auto c = std::make_unique<TConsoleConfig>();
    std::memset(c.get(), 0, sizeof *c);
    return c;
}

QByteArray dataOf(const TLongFrame& f) { return QByteArray(reinterpret_cast<const char*>(f.Data), f.Len); }

TerminalReplyEffect apply(TConsoleConfig& c, uint8_t code, const QByteArray& data) {
    return ApplyTerminalReply(c, code, int32_t(data.size()), reinterpret_cast<const uint8_t*>(data.constData()));
}

QString text(const std::string& s) { return QString::fromLatin1(s.data(), qsizetype(s.size())); }

// Every field of the tank payload gets a value of its own, so that any two swapped show.
void fillTank(TTankRecord& t) {
    SetTankDefaults(t);
    t.ProbeAddress = 0x0B;
    t.TwoSensors = 1;
    t.ProductName.assign("DIESEL");
}

}  // namespace

class TestTerminalPayload : public QObject {
    Q_OBJECT
private slots:
    void globalRequestBytes();
    void tankRequestBytes();
    void tankRequestNameAndSensors();
    void mdiRequestBytes();
    void requestsRefuseNumbersOutsideTheRecords();
    void roFuelWord();
    void globalReplyFields();
    void tankReplyFields();
    void tankReplyRoFuelLowByteFirst();
    void mdiReplyFields();
    void shortOrMisnumberedRepliesStoreNothing();
    void acknowledgements();
    void frameCheckFailuresAskForAResend();
    void receiveAreaTakesAtMost2052();
};

void TestTerminalPayload::globalRequestBytes() {
    auto c = blankConfig();
    c->TankCount = 3;
    c->Language = 2;
    c->Units = 1;
    c->DbSaveTime = 60;
    c->RefTemp = 15;
    c->TerminalId.assign("012345");
    c->TerminalId.assign("AB12");  // positions 5 and 6 keep "45"
    c->MdiCount = 4;
    const TLongFrame f = GlobalRequest(*c);
    QCOMPARE(int(f.Code), 0x02);
    QCOMPARE(dataOf(f).toHex().toUpper(), QByteArray("0302013C0F414231323435"
                                                     "04"));
}

void TestTerminalPayload::tankRequestBytes() {
    auto c = blankConfig();
    fillTank(c->Tanks[2]);
    const TLongFrame f = TankRequest(*c, 3);
    QCOMPARE(int(f.Code), 0x04);
    const QByteArray d = dataOf(f);
    QCOMPARE(d.size(), 66);
    struct At {
        int offset;
        const char* hex;
        const char* field;
    };
    const At expected[] = {
        {0, "0123456789AB", "ProbeId"},
        {6, "0B", "ProbeAddress"},
        {7, "03", "tank number"},
        {8, "02", "two sensors"},
        {9, "453B8000", "SpeedOfWire"},
        {13, "41A00000", "ProbeDistance"},
        {17, "46ABE000", "Capacity"},
        {21, "42B40000", "MaxFuel"},
        {25, "41C80000", "LowFuel"},
        {29, "41900000", "FuelAlarm"},
        {33, "41200000", "WaterAlarm"},
        {37, "3F7FBE77", "TkFuel"},
        {41, "40F66666", "AuxValue"},
        {45, "3FC00000", "Sensor1Distance"},
        {49, "3FCCCCCD", "Sensor2Distance"},
        {53, "432A0000", "Diameter"},
        {57, "037A", "RoFuel, high byte first"},
        {59, "44494553454C00", "ProductName"},
    };
    for (const At& a : expected) {
        const QByteArray want = QByteArray::fromHex(a.hex);
        QVERIFY2(d.mid(a.offset, want.size()) == want, a.field);
    }
}

void TestTerminalPayload::tankRequestNameAndSensors() {
    auto c = blankConfig();
    TTankRecord& t = c->Tanks[0];
    fillTank(t);
    t.TwoSensors = 0;
    struct Case {
        const char* name;
        int len;
        QByteArray tail;
    };
    for (const Case& k : {Case{"ABCDEFGHIJKLMNOPQRSTUVWXY", 79, "ABCDEFGHIJKLMNOPQRST"},
                          Case{"ABCDEFGHIJKLMNOPQRST", 79, "ABCDEFGHIJKLMNOPQRST"},
                          Case{"ABCDEFGHIJKLMNOPQRS", 79, QByteArray("ABCDEFGHIJKLMNOPQRS\0", 20)},
                          Case{"DIESL", 65, QByteArray("DIESL\0", 6)}, Case{"", 60, QByteArray(1, '\0')}}) {
        t.ProductName.assign(k.name);
        const TLongFrame f = TankRequest(*c, 1);
        QCOMPARE(f.Len, k.len);
        QCOMPARE(dataOf(f).mid(59), k.tail);
        QCOMPARE(int(f.Data[8]), 1);
    }
}

void TestTerminalPayload::mdiRequestBytes() {
    auto c = blankConfig();
    c->Mdi[2].Address = 7;
    c->Mdi[2].Name.assign("Gate");
    const TLongFrame f = MdiRequest(*c, 3);
    QCOMPARE(int(f.Code), 0x08);
    QCOMPARE(dataOf(f), QByteArray("\x03\x07Gate\0", 7));
    c->Mdi[0].Name.assign("");
    QCOMPARE(dataOf(MdiRequest(*c, 1)), QByteArray("\x01\x00\x00", 3));
    const TLongFrame g = ShortRequest(tcGetTank, {16});
    QCOMPARE(int(g.Code), 0x05);
    QCOMPARE(dataOf(g), QByteArray("\x10"));
}

void TestTerminalPayload::requestsRefuseNumbersOutsideTheRecords() {
    auto c = blankConfig();
    for (int n : {0, 17, -1}) {
        QVERIFY_THROWS_EXCEPTION(RangeError, TankRequest(*c, n));
        QVERIFY_THROWS_EXCEPTION(RangeError, MdiRequest(*c, n));
    }
}

void TestTerminalPayload::roFuelWord() {
    QCOMPARE(RoFuelWord(0.89), uint16_t(890));
    QCOMPARE(RoFuelWord(0.8999), uint16_t(899));  // truncated, not rounded
    QCOMPARE(RoFuelWord(65.537), uint16_t(1));    // only the low 16 bits travel
    QCOMPARE(RoFuelWord(-0.001), uint16_t(0xFFFF));
    QCOMPARE(RoFuelWord(-0.0019), uint16_t(0xFFFF));  // toward zero
    QCOMPARE(RoFuelWord(std::nan("")), uint16_t(0));
    QCOMPARE(RoFuelWord(INFINITY), uint16_t(0));
}

void TestTerminalPayload::globalReplyFields() {
    auto c = blankConfig();
    c->TerminalId.assign("ABCDEFGHIJKL");
    const auto e = apply(*c, trGlobal, QByteArray::fromHex("05 01 00 1E 14 61 20 31 42 7E 5A 07"));
    QCOMPARE(e.kind, TerminalReplyEffect::Stored);
    QCOMPARE(int(c->TankCount), 5);
    QCOMPARE(int(c->Language), 1);
    QCOMPARE(int(c->Units), 0);
    QCOMPARE(int(c->DbSaveTime), 30);
    QCOMPARE(int(c->RefTemp), 20);
    QCOMPARE(text(c->TerminalId.str()), QStringLiteral("><1B>Z"));
    QCOMPARE(int(c->MdiCount), 7);
    // "0" and "Z" themselves stand.
    apply(*c, trGlobal, QByteArray::fromHex("01 00 01 01 01 30 2F 5A 5B 39 3A 00"));
    QCOMPARE(text(c->TerminalId.str()), QStringLiteral("0<Z>9:"));
    QCOMPARE(int(c->Units), 1);
}

void TestTerminalPayload::tankReplyFields() {
    auto c = blankConfig();
    const QByteArray reply = QByteArray::fromHex(
                                 "112233445566 0D 04 02"
                                 "3F800000 40000000 40400000 40800000 40A00000 40C00000"
                                 "40E00000 41000000 41100000 41200000 41300000 41400000"
                                 "7A03") +
                             QByteArray("GAS\0junk", 8);
    QCOMPARE(reply.size(), 67);
    const auto e = apply(*c, trTank, reply);
    QCOMPARE(e.kind, TerminalReplyEffect::Stored);
    const TTankRecord& t = c->Tanks[3];
    QCOMPARE(QByteArray(reinterpret_cast<const char*>(t.ProbeId), 6), QByteArray::fromHex("112233445566"));
    QCOMPARE(int(t.ProbeAddress), 13);
    QCOMPARE(int(t.TwoSensors), 1);
    const double floats[12] = {t.SpeedOfWire, t.ProbeDistance,   t.Capacity,        t.MaxFuel,
                               t.LowFuel,     t.FuelAlarm,       t.WaterAlarm,      t.TkFuel,
                               t.AuxValue,    t.Sensor1Distance, t.Sensor2Distance, t.Diameter};
    for (int i = 0; i < 12; ++i) QCOMPARE(floats[i], double(i + 1));
    QCOMPARE(t.RoFuel, 0.89);
    QCOMPARE(text(t.ProductName.str()), QStringLiteral("GAS"));
    // Only tank 4 was written.
    const TTankRecord zero{};
    for (int n : {0, 1, 2, 4, 15}) QVERIFY(std::memcmp(&c->Tanks[n], &zero, sizeof zero) == 0);

    // Byte 8 above 1 means two sensors; 1 and 0 mean one.
    QByteArray r = reply;
    for (int b8 : {3, 1, 0}) {
        r[8] = char(b8);
        apply(*c, trTank, r);
        QCOMPARE(bool(t.TwoSensors), b8 > 1);
    }
    // A name runs to the end of the data when it has no 0 byte, and stops at 20 characters.
    apply(*c, trTank, reply.left(59) + "ABCDEFGHIJKLMNOPQRSTUVWXYZ");
    QCOMPARE(text(t.ProductName.str()), QStringLiteral("ABCDEFGHIJKLMNOPQRST"));
    apply(*c, trTank, reply.left(59));
    QCOMPARE(text(t.ProductName.str()), QString());
}

void TestTerminalPayload::tankReplyRoFuelLowByteFirst() {
    auto c = blankConfig();
    fillTank(c->Tanks[0]);
    // The request's own bytes (high byte first) read back as another value.
    const TLongFrame request = TankRequest(*c, 1);
    apply(*c, trTank, dataOf(request));
    QCOMPARE(c->Tanks[0].RoFuel, 31.235);
    QCOMPARE(int(c->Tanks[0].ProbeAddress), 0x0B);
}

void TestTerminalPayload::mdiReplyFields() {
    auto c = blankConfig();
    auto e = apply(*c, trMdi, QByteArray("\x02\x04Pump\0x", 7));
    QCOMPARE(e.kind, TerminalReplyEffect::Stored);
    QCOMPARE(int(c->Mdi[1].Address), 4);
    QCOMPARE(text(c->Mdi[1].Name.str()), QStringLiteral("Pump"));
    apply(*c, trMdi, QByteArray("\x10\x0F") + QByteArray(30, 'n'));
    QCOMPARE(int(c->Mdi[15].Address), 15);
    QCOMPARE(c->Mdi[15].Name.str(), std::string(20, 'n'));
}

void TestTerminalPayload::shortOrMisnumberedRepliesStoreNothing() {
    auto c = blankConfig();
    const QByteArray before(reinterpret_cast<const char*>(c.get()), sizeof *c);
    auto same = [&] { return QByteArray(reinterpret_cast<const char*>(c.get()), sizeof *c) == before; };
    QByteArray tank(59, '\x55');
    for (int n : {0, 17, 255}) {
        tank[7] = char(n);
        QCOMPARE(apply(*c, trTank, tank).kind, TerminalReplyEffect::Stored);
        QVERIFY(same());
    }
    tank[7] = 1;
    apply(*c, trTank, tank.left(58));
    apply(*c, trGlobal, QByteArray(11, '\x09'));
    apply(*c, trMdi, QByteArray(1, '\x01'));
    apply(*c, trMdi,
          QByteArray("\x11\x03"
                     "AB",
                     4));
    apply(*c, trMdi,
          QByteArray("\x00\x03"
                     "AB",
                     4));
    QVERIFY(same());
    // A negative length reads nothing.
    QCOMPARE(ApplyTerminalReply(*c, trTank, -5, reinterpret_cast<const uint8_t*>(tank.constData())).kind,
             TerminalReplyEffect::Stored);
    QVERIFY(same());
}

void TestTerminalPayload::acknowledgements() {
    auto c = blankConfig();
    struct Case {
        uint8_t code;
        QByteArray data;
        TerminalReplyEffect::Kind kind;
        bool ok;
    };
    const Case cases[] = {
        {trGlobalAck, QByteArray(1, '\0'), TerminalReplyEffect::Ack, true},
        {trGlobalAck, QByteArray(1, '\1'), TerminalReplyEffect::Ack, false},
        {trGlobalAck, QByteArray(), TerminalReplyEffect::Ack, false},
        {trTankAck, QByteArray("\x03\x00", 2), TerminalReplyEffect::Ack, true},
        {trTankAck, QByteArray("\x00\x03", 2), TerminalReplyEffect::Ack, false},
        {trTankAck, QByteArray(1, '\0'), TerminalReplyEffect::Ack, false},
        {trMdiAck, QByteArray("\x00\x05", 2), TerminalReplyEffect::Ack, true},
        {trMdiAck, QByteArray("\x02\x00", 2), TerminalReplyEffect::Ack, false},
        {trTableHeaderAck, QByteArray("\x02\x00", 2), TerminalReplyEffect::TableHeader, true},
        {trTableHeaderAck, QByteArray("\x00\x01", 2), TerminalReplyEffect::TableHeader, false},
        {trTableHeaderAck, QByteArray(1, '\0'), TerminalReplyEffect::TableHeader, false},
        {0x90, QByteArray(1, '\0'), TerminalReplyEffect::Other, false},
    };
    for (const Case& k : cases) {
        const auto e = apply(*c, k.code, k.data);
        QCOMPARE(e.kind, k.kind);
        QCOMPARE(e.ok, k.ok);
        QCOMPARE(int(e.code), int(k.code));
    }
    auto e = apply(*c, trTableBlockAck, QByteArray::fromHex("02 01 02 00"));
    QVERIFY(e.kind == TerminalReplyEffect::TableBlock && e.ok && e.hasBlock);
    QCOMPARE(int(e.block), 258);
    e = apply(*c, trTableBlockAck, QByteArray::fromHex("02 00 07"));
    QVERIFY(!e.ok && e.hasBlock);
    QCOMPARE(int(e.block), 7);
    e = apply(*c, trTableBlockAck, QByteArray::fromHex("02 00 07 05"));
    QVERIFY(!e.ok);
    e = apply(*c, trTableBlockAck, QByteArray::fromHex("02 00"));
    QVERIFY(!e.ok && !e.hasBlock);
}

void TestTerminalPayload::frameCheckFailuresAskForAResend() {
    auto c = blankConfig();
    QCOMPARE(apply(*c, FrameInvalid, {}).kind, TerminalReplyEffect::Resend);
    QCOMPARE(apply(*c, FrameBadEnds, {}).kind, TerminalReplyEffect::Resend);
}

void TestTerminalPayload::receiveAreaTakesAtMost2052() {
    TLineBuffer line{};
    TLongFrame reply{};
    const std::string good = "\r820063F1\n";
    QCOMPARE(TakeTerminalLine(reinterpret_cast<const uint8_t*>(good.data()), good.size(), line, reply), good.size());
    QCOMPARE(line.Len, 10);
    QCOMPARE(int(reply.Code), int(trGlobalAck));
    QCOMPARE(reply.Len, 1);
    QCOMPARE(int(reply.Data[0]), 0);
    const std::string badEnd = "\r820063F1\r";
    TakeTerminalLine(reinterpret_cast<const uint8_t*>(badEnd.data()), badEnd.size(), line, reply);
    QCOMPARE(int(reply.Code), int(FrameBadEnds));
    const std::string flood(3000, '\n');
    QCOMPARE(TakeTerminalLine(reinterpret_cast<const uint8_t*>(flood.data()), flood.size(), line, reply),
             std::size_t(2052));
    QCOMPARE(line.Len, 2052);
    QCOMPARE(int(reply.Code), int(FrameInvalid));
    QCOMPARE(TakeTerminalLine(nullptr, 0, line, reply), std::size_t(0));
    QCOMPARE(line.Len, 0);
    QCOMPARE(int(reply.Code), int(FrameInvalid));
}

QTEST_APPLESS_MAIN(TestTerminalPayload)
#include "tst_terminalpayload.moc"
