// Line codec, CRC and number packing of the probe bus and the terminal link.

#include <QTest>

#include <cmath>
#include <random>

#include "common/tankcfgtypes.h"

namespace {

const std::string CR = "\r";
const std::string LF = "\n";

TShortFrame shortFrame(uint8_t device, uint8_t addr, uint8_t code, std::initializer_list<uint8_t> data = {}) {
    TShortFrame f{};
    f.Device = device;
    f.Addr = addr;
    f.Code = code;
    for (uint8_t b : data) f.Data[f.Count++] = b;
    return f;
}

TLineBuffer lineBuffer(const std::string& s) {
    TLineBuffer b{};
    b.Len = static_cast<int32_t>(s.size());
    std::memcpy(b.Data, s.data(), s.size());
    return b;
}

std::string lineText(const TLineBuffer& b) {
    return std::string(reinterpret_cast<const char*>(b.Data), std::size_t(b.Len));
}

TShortFrame sentinelShort() {
    TShortFrame f;
    std::memset(&f, 0xEE, sizeof f);
    return f;
}

}  // namespace

class TestCodec : public QObject {
    Q_OBJECT
private slots:
    void crcCheckValue();
    void encodeShortVectors();
    void decodeShortVectors();
    void encodeLongVectors();
    void decodeLongStatuses();
    void shortRoundTripsRandom();
    void longRoundTripsRandom();
    void encodersClampCounts();
    void shortLinesAreInvalidWithoutOverrun_data();
    void shortLinesAreInvalidWithoutOverrun();
    void overlongShortLineDecodesFirst120();
    void hostileLongLines();
    void probeDecoderReadsPairsChecked();
    void hexPairs();
    void numberPacking();
    void appendSingleStaysInBuffer();
    void probeVariants();
    void floatToFixed();
};

void TestCodec::crcCheckValue() {
    uint16_t crc = 0;
    for (char c : std::string("123456789")) crc = Crc16Update(crc, static_cast<uint8_t>(c));
    QCOMPARE(crc, uint16_t(0xBB3D));
}

void TestCodec::encodeShortVectors() {
    QCOMPARE(EncodeFrame(shortFrame(0xA5, 0x01, 0x00)), CR + "A501001F13" + LF);
    QCOMPARE(EncodeFrame(shortFrame(0xA5, 0x21, 0x02, {0x05})), CR + "A5210205649E" + LF);
}

void TestCodec::decodeShortVectors() {
    TShortFrame f = sentinelShort();
    DecodeFrameReply(CR + "A501817FD3" + LF, f);
    QCOMPARE(f.Code, uint8_t(0x81));
    QCOMPARE(f.Addr, uint8_t(0x01));
    QCOMPARE(f.Device, uint8_t(0xA5));
    QCOMPARE(f.Count, uint8_t(0));
    QCOMPARE(f.Data[0], uint8_t(0xEE));

    // A request: its code is below 0x80, but the fields stay filled.
    f = sentinelShort();
    DecodeFrameReply(CR + "A501001F13" + LF, f);
    QCOMPARE(f.Code, FrameInvalid);
    QCOMPARE(f.Device, uint8_t(0xA5));
    QCOMPARE(f.Count, uint8_t(0));

    // Each of the other three checks on its own.
    DecodeFrameReply(CR + "A501817FD4" + LF, f);
    QCOMPARE(f.Code, FrameInvalid);
    DecodeFrameReply("X" + std::string("A501817FD3") + LF, f);
    QCOMPARE(f.Code, FrameInvalid);
    DecodeFrameReply(CR + "A501817FD3" + CR, f);
    QCOMPARE(f.Code, FrameInvalid);

    // The console decoder reads a lower-case letter right as the high digit
    // only (16 x 42 wraps to 0xA0), and wrong as the low one.
    DecodeFrameReply(CR + "a501817Fd3" + LF, f);
    QCOMPARE(f.Code, uint8_t(0x81));
    DecodeFrameReply(CR + "A501817fD3" + LF, f);
    QCOMPARE(f.Code, FrameInvalid);
}

void TestCodec::encodeLongVectors() {
    TLongFrame f{};
    f.Code = 0x03;
    TLineBuffer line = EncodeLongFrame(f);
    QCOMPARE(line.Len, 8);
    QCOMPARE(lineText(line), CR + "039144" + LF);

    f.Code = 0x05;
    f.Len = 1;
    f.Data[0] = 0x01;
    line = EncodeLongFrame(f);
    QCOMPARE(lineText(line), CR + "05015353" + LF);
}

void TestCodec::decodeLongStatuses() {
    TLongFrame f{};
    // A reply with a valid code and CRC: build it with the encoder.
    TLongFrame reply{};
    reply.Code = 0x85;
    reply.Len = 3;
    reply.Data[0] = 1, reply.Data[1] = 2, reply.Data[2] = 0xFF;
    std::string good = lineText(EncodeLongFrame(reply));

    DecodeLongReply(lineBuffer(good), f);
    QCOMPARE(f.Code, uint8_t(0x85));
    QCOMPARE(f.Len, 3);
    QCOMPARE(f.Data[2], uint8_t(0xFF));

    std::string badEnd = good;
    badEnd.back() = '\r';
    DecodeLongReply(lineBuffer(badEnd), f);
    QCOMPARE(f.Code, FrameBadEnds);
    QCOMPARE(f.Len, 3);

    std::string badStart = good;
    badStart.front() = 'Q';
    DecodeLongReply(lineBuffer(badStart), f);
    QCOMPARE(f.Code, FrameBadEnds);

    std::string badCrc = badEnd;
    badCrc[badCrc.size() - 2] = badCrc[badCrc.size() - 2] == '0' ? '1' : '0';
    DecodeLongReply(lineBuffer(badCrc), f);
    QCOMPARE(f.Code, FrameInvalid);

    // The code bound is 0x7F here (the short decoder wants 0x80).
    reply.Code = 0x7F;
    DecodeLongReply(EncodeLongFrame(reply), f);
    QCOMPARE(f.Code, uint8_t(0x7F));
    reply.Code = 0x7E;
    DecodeLongReply(EncodeLongFrame(reply), f);
    QCOMPARE(f.Code, FrameInvalid);
    QCOMPARE(f.Len, 3);

    TShortFrame s{};
    DecodeFrameReply(EncodeFrame(shortFrame(0xA5, 0, 0x7F)), s);
    QCOMPARE(s.Code, FrameInvalid);
}

void TestCodec::shortRoundTripsRandom() {
    std::mt19937 rng(20240601);
    for (int round = 0; round < 3000; ++round) {
        TShortFrame in{};
        in.Device = static_cast<uint8_t>(rng());
        in.Addr = static_cast<uint8_t>(rng());
        in.Code = static_cast<uint8_t>(0x80 | rng());
        in.Count = static_cast<uint8_t>(rng() % 55);  // what fits in a 120-character line
        for (int i = 0; i < in.Count; ++i) in.Data[i] = static_cast<uint8_t>(rng());
        const std::string line = EncodeFrame(in);
        QCOMPARE(line.size(), std::size_t(2 * in.Count + 12));

        for (int variant = 0; variant < 2; ++variant) {
            TShortFrame out = sentinelShort();
            if (variant == 0)
                DecodeFrameReply(line, out);
            else
                probeprog::DecodeFrameReply(line, out);
            QCOMPARE(out.Code, in.Code);
            QCOMPARE(out.Device, in.Device);
            QCOMPARE(out.Addr, in.Addr);
            QCOMPARE(out.Count, in.Count);
            QVERIFY(std::memcmp(out.Data, in.Data, in.Count) == 0);
            if (in.Count < 120) QCOMPARE(out.Data[in.Count], uint8_t(0xEE));
        }

        // Any single changed character is caught.
        std::string bad = line;
        const std::size_t pos = 1 + rng() % (bad.size() - 2);
        bad[pos] = bad[pos] == '0' ? '1' : '0';
        TShortFrame out{};
        DecodeFrameReply(bad, out);
        QCOMPARE(out.Code, FrameInvalid);
    }
}

void TestCodec::longRoundTripsRandom() {
    std::mt19937 rng(7);
    for (int round = 0; round < 500; ++round) {
        TLongFrame in{};
        in.Code = static_cast<uint8_t>(0x7F + rng() % 0x7F);  // 0x7F..0xFD: not a status code
        in.Len = static_cast<int32_t>(round < 2 ? (round ? 1022 : 0) : rng() % 1023);
        for (int i = 0; i < in.Len; ++i) in.Data[i] = static_cast<uint8_t>(rng());
        const TLineBuffer line = EncodeLongFrame(in);
        QCOMPARE(line.Len, 2 * in.Len + 8);

        TLongFrame out;
        std::memset(&out, 0xEE, sizeof out);
        DecodeLongReply(line, out);
        QCOMPARE(out.Code, in.Code);
        QCOMPARE(out.Len, in.Len);
        QVERIFY(std::memcmp(out.Data, in.Data, std::size_t(in.Len)) == 0);
        QCOMPARE(out.Data[in.Len], uint8_t(0xEE));
    }
}

void TestCodec::encodersClampCounts() {
    TShortFrame s = shortFrame(0xA5, 1, 2);
    s.Count = 200;
    const std::string line = EncodeFrame(s);
    QCOMPARE(line.size(), std::size_t(252));
    s.Count = 120;
    QCOMPARE(EncodeFrame(s), line);

    TLongFrame l{};
    l.Code = 0x42;
    l.Len = 5000;
    TLineBuffer out = EncodeLongFrame(l);
    QCOMPARE(out.Len, 2052);
    QCOMPARE(out.Data[2051], uint8_t('\n'));
    l.Len = 1022;
    QCOMPARE(lineText(EncodeLongFrame(l)), lineText(out));

    l.Len = -3;
    QCOMPARE(EncodeLongFrame(l).Len, 8);
}

void TestCodec::shortLinesAreInvalidWithoutOverrun_data() {
    QTest::addColumn<QByteArray>("line");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("CR") << QByteArray("\r");
    QTest::newRow("CR LF") << QByteArray("\r\n");
    QTest::newRow("header only") << QByteArray("\rA50181\n");
    QTest::newRow("11 chars, CRC but no LF") << QByteArray("\rA501817FD3");
    QTest::newRow("garbage") << QByteArray("\xFF\x80\x00zz", 5);
    QTest::newRow("all high bytes, 30") << QByteArray(30, char(0xFF));
    QTest::newRow("blanks, 12") << QByteArray(12, ' ');
}

void TestCodec::shortLinesAreInvalidWithoutOverrun() {
    QFETCH(QByteArray, line);
    const std::string s(line.constData(), std::size_t(line.size()));
    for (int variant = 0; variant < 2; ++variant) {
        TShortFrame f = sentinelShort();
        if (variant == 0)
            DecodeFrameReply(s, f);
        else
            probeprog::DecodeFrameReply(s, f);
        QCOMPARE(f.Code, FrameInvalid);
        QVERIFY(f.Count <= 54);
        QCOMPARE(f.Data[54], uint8_t(0xEE));
    }

    TLongFrame l;
    std::memset(&l, 0xEE, sizeof l);
    DecodeLongReply(lineBuffer(s.substr(0, 2052)), l);
    QVERIFY(l.Code == FrameInvalid || l.Code == FrameBadEnds);
    QVERIFY(l.Len >= 0 && l.Len <= 1022);
}

void TestCodec::overlongShortLineDecodesFirst120() {
    TShortFrame in = shortFrame(0xA6, 0x35, 0x91);
    in.Count = 54;
    for (int i = 0; i < 54; ++i) in.Data[i] = static_cast<uint8_t>(i * 3);
    const std::string line = EncodeFrame(in);
    QCOMPARE(line.size(), std::size_t(120));

    TShortFrame out = sentinelShort();
    DecodeFrameReply(line + std::string(500, 'F'), out);
    QCOMPARE(out.Code, uint8_t(0x91));
    QCOMPARE(out.Count, uint8_t(54));
    QCOMPARE(out.Data[54], uint8_t(0xEE));

    // A longer valid frame than the decoder looks at: cut, so invalid, and bounded.
    TShortFrame big = in;
    big.Count = 120;
    out = sentinelShort();
    DecodeFrameReply(EncodeFrame(big), out);
    QCOMPARE(out.Code, FrameInvalid);
    QCOMPARE(out.Count, uint8_t(54));
    QCOMPARE(out.Data[54], uint8_t(0xEE));
}

void TestCodec::hostileLongLines() {
    TLongFrame in{};
    in.Code = 0x83;
    in.Len = 1022;
    const TLineBuffer good = EncodeLongFrame(in);

    TLongFrame f;
    TLineBuffer line = good;
    line.Len = 1 << 30;  // a corrupt length is taken as 2052
    DecodeLongReply(line, f);
    QCOMPARE(f.Code, uint8_t(0x83));
    QCOMPARE(f.Len, 1022);

    line.Len = -5;
    DecodeLongReply(line, f);
    QCOMPARE(f.Code, FrameInvalid);
    QCOMPARE(f.Len, 0);

    for (int len = 0; len < 8; ++len) {
        line.Len = len;
        DecodeLongReply(line, f);
        QCOMPARE(f.Code, FrameInvalid);
        QCOMPARE(f.Len, 0);
    }
    line.Len = 8;  // shortest frame length, but not a frame
    DecodeLongReply(line, f);
    QCOMPARE(f.Code, FrameInvalid);
}

void TestCodec::probeDecoderReadsPairsChecked() {
    // Lower case reads as 15 in the probe program, so the CRC rejects the line.
    TShortFrame f{};
    probeprog::DecodeFrameReply(CR + "a501817fd3" + LF, f);
    QCOMPARE(f.Code, FrameInvalid);
    QCOMPARE(f.Device, uint8_t(0xF5));
    probeprog::DecodeFrameReply(CR + "A501817FD3" + LF, f);
    QCOMPARE(f.Code, uint8_t(0x81));
    // A blank in a pair reads as 255.
    probeprog::DecodeFrameReply(CR + " 501817FD3" + LF, f);
    QCOMPARE(f.Device, uint8_t(255));
    QCOMPARE(f.Code, FrameInvalid);
}

void TestCodec::hexPairs() {
    QCOMPARE(HexPairToByte('a', '5'), uint8_t(0xA5));
    QCOMPARE(HexPairToByte('5', 'a'), uint8_t(0x7A));
    QCOMPARE(HexPairToByte('F', 'F'), uint8_t(0xFF));
    QCOMPARE(HexPairToByte('0', '0'), uint8_t(0x00));
    QCOMPARE(HexPairToByte('@', '@'), uint8_t(16 * 16 + 16));  // wraps like the rest
    QCOMPARE(HexPairToByte(char(0xC0), '0'), uint8_t(16 * (0xC0 - 55)));

    QCOMPARE(HexPairToByteChecked('A', 'g'), uint8_t(0xAF));
    QCOMPARE(HexPairToByteChecked(' ', '5'), uint8_t(255));
    QCOMPARE(HexPairToByteChecked('5', '/'), uint8_t(255));
    QCOMPARE(HexPairToByteChecked('9', 'F'), uint8_t(0x9F));
    QCOMPARE(HexPairToByteChecked(char(0xD0), 'z'), uint8_t(0xFF));  // high bytes count as above 'F'
    QCOMPARE(HexPairToByteChecked('@', ':'), uint8_t((16 * 16 + 10) % 256));

    for (int b = 0; b < 256; ++b) {
        const std::string h = ByteToHex(uint8_t(b));
        QCOMPARE(h, QByteArray::number(b, 16).rightJustified(2, '0').toUpper().toStdString());
        QCOMPARE(HexPairToByte(h[0], h[1]), uint8_t(b));
        QCOMPARE(HexPairToByteChecked(h[0], h[1]), uint8_t(b));
    }
}

void TestCodec::numberPacking() {
    QCOMPARE(BytesToWord(0x12, 0xFE), uint16_t(0x12FE));
    QCOMPARE(ByteToBits(0xA5), std::string("10100101"));
    QCOMPARE(ByteToBits(0x01), std::string("00000001"));

    QCOMPARE(SingleToBE(3000.0), (std::array<uint8_t, 4>{0x45, 0x3B, 0x80, 0x00}));
    QCOMPARE(SingleToBE(-2.0), (std::array<uint8_t, 4>{0xC0, 0x00, 0x00, 0x00}));
    QCOMPARE(SingleToBE(0.1), (std::array<uint8_t, 4>{0x3D, 0xCC, 0xCC, 0xCD}));  // nearest float
    QCOMPARE(SingleToBE(1e300), (std::array<uint8_t, 4>{0x7F, 0x80, 0x00, 0x00}));
    QCOMPARE(BEBytesToSingle(0x3F, 0xC0, 0x00, 0x00), 1.5);
    QCOMPARE(BEBytesToSingle(0x45, 0x3B, 0x80, 0x00), 3000.0);

    QCOMPARE(BEBytesToLongInt(0x00, 0x12, 0x34, 0x56), int32_t(0x123456));
    QCOMPARE(BEBytesToLongInt(0xFF, 0xFF, 0xFF, 0xFE), int32_t(-2));
    QCOMPARE(BEBytesToLongInt(0x80, 0, 0, 0), std::numeric_limits<int32_t>::min());
}

void TestCodec::appendSingleStaysInBuffer() {
    TLineBuffer b{};
    b.Len = 3;
    TLineBuffer& r = AppendSingleBE(b, 3000.0);
    QCOMPARE(&r, &b);
    QCOMPARE(b.Len, 7);
    QCOMPARE(b.Data[3], uint8_t(0x45));
    QCOMPARE(b.Data[6], uint8_t(0x00));

    b.Len = 2048;  // last room
    AppendSingleBE(b, 1.5);
    QCOMPARE(b.Len, 2052);
    QCOMPARE(b.Data[2048], uint8_t(0x3F));
    QVERIFY_THROWS_EXCEPTION(RangeError, AppendSingleBE(b, 1.0));
    QCOMPARE(b.Len, 2052);
    b.Len = -1;
    QVERIFY_THROWS_EXCEPTION(RangeError, AppendSingleBE(b, 1.0));

    TLongFrame f{};
    f.Code = tcTableBlock;
    f.Len = 2;
    AppendSingleBE(AppendSingleBE(f, 1.5), 3000.0);
    QCOMPARE(f.Len, 10);
    QCOMPARE(f.Data[2], uint8_t(0x3F));
    QCOMPARE(f.Data[6], uint8_t(0x45));
    f.Len = 2049;
    QVERIFY_THROWS_EXCEPTION(RangeError, AppendSingleBE(f, 1.0));
}

void TestCodec::probeVariants() {
    QCOMPARE(TempFromRaw(0x19, 0x00), 50.0);
    QCOMPARE(TempFromRaw(0x0C, 0x87), 25.0);
    QCOMPARE(TempFromRaw(0xFF, 0xF8), -0.0625);
    QCOMPARE(TempFromRaw(0x80, 0x00), -256.0);

    QCOMPARE(BEBytesToSingleOrZero(0xFF, 0xFF, 0xFF, 0xFF), 0.0);
    QVERIFY(std::isnan(BEBytesToSingleOrZero(0xFF, 0xFF, 0xFF, 0xFE)));
    QCOMPARE(BEBytesToSingleOrZero(0x3F, 0xC0, 0x00, 0x00), 1.5);

    QCOMPARE(StripFrameEnds("\rA501\n"), std::string("A501"));
    QCOMPARE(StripFrameEnds("\r\n"), std::string());
    QCOMPARE(StripFrameEnds("x"), std::string());
    QCOMPARE(StripFrameEnds(""), std::string());
}

void TestCodec::floatToFixed() {
    const char saved = DecimalSeparator;
    DecimalSeparator = ',';  // never used here
    QCOMPARE(FloatToFixed(1.5), std::string("   1.500"));
    QCOMPARE(FloatToFixed(22000), std::string("22000.000"));
    QCOMPARE(FloatToFixed(-2.5), std::string("  -2.500"));
    QCOMPARE(FloatToFixed(0.0005), std::string("   0.001"));
    QCOMPARE(FloatToFixed(-0.0004), std::string("   0.000"));
    QCOMPARE(FloatToFixed(12345678.9), std::string("12345678.900"));
    DecimalSeparator = saved;
}

QTEST_APPLESS_MAIN(TestCodec)
#include "tst_codec.moc"
