// The simulated probe of this program's dialect, as devsim serves it.
#include "ostrelrig.h"
#include "sim/models.h"

class ModelTest : public QObject {
    Q_OBJECT
private slots:
    void specs();
    void ignoresBadRequestsAndOtherAddresses();
    void testCommandMovesFloat();
};

namespace {
QByteArray request(uint8_t addr, uint8_t code, const QByteArray& data = {}, uint8_t dev = DevProbe) {
    return OstrelRig::frame(code, data, dev, addr);
}
}  // namespace

void ModelTest::specs() {
    QString err;
    for (const char* good : {"probe:3", "probe:0:2950", "probe:15:3000:1500.5"})
        QVERIFY2(CreateDeviceModel(good, &err), good);
    for (const char* bad : {"probe", "probe:16", "probe:-1", "probe:x", "probe:3:fast", "probe:3:3000:2000:1"}) {
        err.clear();
        QVERIFY2(!CreateDeviceModel(bad, &err), bad);
        QVERIFY(err.contains("probe:ADDR[:SPEED[:LENGTH]]"));
    }
    auto m = CreateDeviceModel("probe:4:2950:1500", &err);
    auto* p = dynamic_cast<OstrelProbe*>(m.get());
    QVERIFY(p);
    QCOMPARE(p->speedBytes(), SingleToBE(2950));
    QCOMPARE(p->lengthBytes(), SingleToBE(1500));
    auto unset = CreateDeviceModel("probe:4", &err);
    QCOMPARE(dynamic_cast<OstrelProbe*>(unset.get())->speedBytes(), (std::array<uint8_t, 4>{0xFF, 0xFF, 0xFF, 0xFF}));
}

void ModelTest::ignoresBadRequestsAndOtherAddresses() {
    OstrelProbe p(5);
    QVERIFY(p.accepts(request(0x25, 0x01)));
    QVERIFY(!p.accepts(request(0x26, 0x01)));
    QVERIFY(!p.accepts(request(0x25, 0x01, {}, DevLeakModule)));
    QVERIFY(!p.accepts(CorruptCrc(request(0x25, 0x01))));
    QVERIFY(p.handleLine(CorruptCrc(request(0x25, 0x01))).isEmpty());
    QVERIFY(p.handleLine(request(0x25, 0x33)).isEmpty());  // not of the dialect: silence
    const QList<QByteArray> r = p.handleLine(request(0x45, 0x01));
    QCOMPARE(r.size(), 1);
    TShortFrame f{};
    probeprog::DecodeFrameReply(r[0].toStdString(), f);
    QCOMPARE(int(f.Code), 0x81);
    QCOMPARE(int(f.Addr), 0x45);  // the request's address byte comes back
}

void ModelTest::testCommandMovesFloat() {
    OstrelProbe p(2, 2500.0);
    p.handleLine(request(0x22, 0x7E, QByteArray(1, '\x01') + OstrelRig::floatBytes(250)));
    QCOMPARE(p.floatMm(1), 250.0);
    const QList<QByteArray> r = p.handleLine(request(0x42, 0x00));
    TShortFrame f{};
    probeprog::DecodeFrameReply(r[0].toStdString(), f);
    QCOMPARE(int(f.Code), 0x80);
    QCOMPARE(int(f.Count), 12);
    QCOMPARE(BEBytesToLongInt(0, f.Data[0], f.Data[1], f.Data[2]), 100000);  // 250 mm at 2500 m/s
}

TANKCFG_TEST_MAIN(ModelTest)
#include "tst_model.moc"
