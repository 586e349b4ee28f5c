// The simulated tank console: what it takes, what it answers, and its own faults.
#include <QApplication>
#include <QtTest>

#include "sim/consolemodel.h"
#include "sim/models.h"
#include "sim/testenv.h"

namespace {
QByteArray request(uint8_t code, const QByteArray& data) {
    TLongFrame f{};
    f.Code = code;
    f.Len = int32_t(data.size());
    std::memcpy(f.Data, data.constData(), std::size_t(f.Len));
    const TLineBuffer l = EncodeLongFrame(f);
    return QByteArray(reinterpret_cast<const char*>(l.Data), l.Len);
}

TLongFrame decode(const QByteArray& line) {
    TLineBuffer b{};
    b.Len = int32_t(line.size());
    std::memcpy(b.Data, line.constData(), std::size_t(b.Len));
    TLongFrame f{};
    DecodeLongReply(b, f);
    return f;
}

QByteArray block(int tank, int b) {
    QByteArray d;
    d.append(char(tank));
    d.append(char(b >> 8));
    d.append(char(b & 0xFF));
    for (int i = 0; i < 32; ++i)
        for (uint8_t x : SingleToBE(32.0 * b + i + 1)) d.append(char(x));
    return d;
}

QByteArray header(int tank) {
    return QByteArray::fromHex("00007D203DCCCCCD1234").replace(0, 1, QByteArray(1, char(tank)));
}
}  // namespace

class ConsoleModelTest : public QObject {
    Q_OBJECT
private slots:
    void registeredAsConsole();
    void rejectsBadRequests();
    void tableBlocksInOrder();
    void faultsOfItsOwn();
    void tableChecksumAgainstTheHeader();
};

void ConsoleModelTest::registeredAsConsole() {
    QString err;
    auto m = CreateDeviceModel(QStringLiteral("console"), &err);
    QVERIFY2(m, qPrintable(err));
    QVERIFY(dynamic_cast<ConsoleModel*>(m.get()));
    QVERIFY(!CreateDeviceModel(QStringLiteral("console:1"), &err));
}

void ConsoleModelTest::rejectsBadRequests() {
    ConsoleModel m;
    QByteArray bad = request(tcGetGlobal, {});
    bad[2] = bad[2] == '3' ? '4' : '3';
    QVERIFY(m.handleLine(bad).isEmpty());
    QVERIFY(m.handleLine("\r03\n").isEmpty());
    QVERIFY(m.handleLine(request(tcGetTank, QByteArray(1, char(17)))).isEmpty());
    QCOMPARE(m.rejectedLines, 2);
    const auto r = m.handleLine(request(tcGetGlobal, {}));
    QCOMPARE(r.size(), 1);
    const TLongFrame f = decode(r[0]);
    QCOMPARE(int(f.Code), int(trGlobal));
    QCOMPARE(f.Len, 12);
    QCOMPARE(QByteArray(reinterpret_cast<const char*>(f.Data) + 5, 6), QByteArray("012345"));
}

void ConsoleModelTest::tableBlocksInOrder() {
    ConsoleModel m;
    // A block before its header is refused, echoing its number.
    TLongFrame a = decode(m.handleLine(request(tcTableBlock, block(2, 0)))[0]);
    QCOMPARE(int(a.Code), int(trTableBlockAck));
    QCOMPARE(int(a.Data[3]), 1);
    a = decode(m.handleLine(request(tcTableHeader, header(2)))[0]);
    QCOMPARE(int(a.Code), int(trTableHeaderAck));
    QCOMPARE(int(a.Data[1]), 0);
    QCOMPARE(m.table(2).blocks, uint16_t(125));
    QCOMPARE(m.table(2).stepCm, 0.1f);
    QCOMPARE(m.table(2).crc, uint16_t(0x1234));
    for (int b : {0, 1}) {
        a = decode(m.handleLine(request(tcTableBlock, block(2, b)))[0]);
        QCOMPARE(int(a.Data[3]), 0);
        QCOMPARE(BytesToWord(a.Data[1], a.Data[2]), uint16_t(b));
    }
    a = decode(m.handleLine(request(tcTableBlock, block(2, 3)))[0]);  // 2 skipped
    QCOMPARE(int(a.Data[3]), 1);
    QCOMPARE(BytesToWord(a.Data[1], a.Data[2]), uint16_t(3));
    QCOMPARE(m.table(2).blocksTaken, 2);
    QCOMPARE(m.table(2).values[33], 34.0f);
}

void ConsoleModelTest::faultsOfItsOwn() {
    ConsoleModel m;
    m.wrongTankNext = 1;
    TLongFrame t = decode(m.handleLine(request(tcGetTank, QByteArray(1, char(16))))[0]);
    QCOMPARE(int(t.Data[7]), 1);
    t = decode(m.handleLine(request(tcGetTank, QByteArray(1, char(16))))[0]);
    QCOMPARE(int(t.Data[7]), 16);
    // RoFuel low byte first in the reply.
    QCOMPARE(int(t.Data[57]), 0x7A);
    QCOMPARE(int(t.Data[58]), 0x03);
    m.refuseNext = 1;
    t = decode(m.handleLine(request(tcSetMdi, QByteArray("\x01\x02Hi\0", 5)))[0]);
    QCOMPARE(int(t.Code), int(trMdiAck));
    QCOMPARE(int(t.Data[0]), 1);
    QCOMPARE(QString::fromStdString(m.config().Mdi[0].Name.str()), QStringLiteral("No name"));
    m.handleLine(request(tcTableHeader, header(1)));
    m.wrongBlockEchoNext = 1;
    t = decode(m.handleLine(request(tcTableBlock, block(1, 0)))[0]);
    QCOMPARE(BytesToWord(t.Data[1], t.Data[2]), uint16_t(0xFFFF));
}

void ConsoleModelTest::tableChecksumAgainstTheHeader() {
    // The blocks carry the values 1..4000; a header with another checksum gets the last
    // block refused.
    uint16_t crc = 0;
    for (int v = 1; v <= MaxCalPoints; ++v)
        for (uint8_t x : SingleToBE(v)) crc = Crc16Update(crc, x);
    for (bool right : {true, false}) {
        ConsoleModel m;
        QByteArray h = header(1);
        if (right) h.replace(8, 2, QByteArray(1, char(crc >> 8)) + char(crc & 0xFF));
        m.handleLine(request(tcTableHeader, h));
        TLongFrame a{};
        for (int b = 0; b < 125; ++b) a = decode(m.handleLine(request(tcTableBlock, block(1, b)))[0]);
        QCOMPARE(m.table(1).blocksTaken, 125);
        QCOMPARE(m.table(1).checksumOk, right);
        QCOMPARE(int(a.Data[3]), right ? 0 : 1);
        QCOMPARE(BytesToWord(a.Data[1], a.Data[2]), uint16_t(124));
    }
}

TANKCFG_TEST_MAIN(ConsoleModelTest)
#include "tst_consolemodel.moc"
