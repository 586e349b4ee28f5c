// Replies applied by their code: substitutions, formats, the measurement, the probe memo.
#include <cmath>
#include <limits>

#include "ostrelrig.h"

class RepliesTest : public QObject {
    Q_OBJECT
private slots:
    void otherDeviceChangesNothing();
    void speedSubstitutes_data();
    void speedSubstitutes();
    void lengthSubstitutes_data();
    void lengthSubstitutes();
    void digitalFilter();
    void temperaturesBySensorNumber();
    void floatsShowOrHideSecondLevel();
    void measurementInLevelMode();
    void measurementWithSpeedTextNotANumber();
    void probeInfoBounds_data();
    void probeInfoBounds();
    void probeInfoForAbsentProbe();
};

void RepliesTest::otherDeviceChangesNothing() {
    OstrelRig r;
    r.start();
    const QString status = r.label("vStatus")->text();
    QByteArray data(12, '\x10');
    for (uint8_t dev : {uint8_t(0xA6), uint8_t(0x00), uint8_t(0xA4)}) {
        r.apply(OstrelRig::frame(rspIdentify, {}, dev));
        r.apply(OstrelRig::frame(rspSpeed, OstrelRig::floatBytes(2700), dev));
        r.apply(OstrelRig::frame(rspData, data, dev));
        r.apply(OstrelRig::frame(rspDigFilter, QByteArray(1, '\x05'), dev));
    }
    QVERIFY(!r.probeState().Present);
    QCOMPARE(r.probeState().WireSpeed, 3000.0);
    QCOMPARE(r.label("vSensVal1")->text(), QString("- - - -.- - "));
    QCOMPARE(r.label("vTmpr")->text(), QString("--.-- "));
    QCOMPARE(r.label("vStatus")->text(), status);
    QCOMPARE(r.spin("DigFilter")->value(), 0);
}

namespace {
QByteArray be(double v) { return OstrelRig::floatBytes(float(v)); }
const QByteArray notSet("\xFF\xFF\xFF\xFF", 4);
const QByteArray nanBytes("\x7F\xC0\x00\x00", 4);
}  // namespace

void RepliesTest::speedSubstitutes_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<double>("stored");
    QTest::newRow("not set") << notSet << 2999.0;
    QTest::newRow("3500") << be(3500) << 3000.0;
    QTest::newRow("9000") << be(9000) << 3000.0;
    QTest::newRow("2500") << be(2500) << 2999.0;
    QTest::newRow("2500.5") << be(2500.5) << 2500.5;
    QTest::newRow("3499.5") << be(3499.5) << 3499.5;
    QTest::newRow("NaN") << nanBytes << 2999.0;
    QTest::newRow("-inf") << QByteArray("\xFF\x80\x00\x00", 4) << 2999.0;
}

void RepliesTest::speedSubstitutes() {
    QFETCH(QByteArray, bytes);
    QFETCH(double, stored);
    OstrelRig r;
    r.start();
    const QString shown = r.edit("WireSpd")->text();
    r.apply(OstrelRig::frame(rspSpeed, bytes));
    QCOMPARE(r.probeState().WireSpeed, stored);
    QCOMPARE(r.edit("WireSpd")->text(), shown);  // the display waits for ShowProbeInfo
}

void RepliesTest::lengthSubstitutes_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<double>("stored");
    QTest::newRow("8001") << be(8001) << 8000.0;
    QTest::newRow("8000.5") << be(8000.5) << 8000.5;
    QTest::newRow("499") << be(499) << 500.0;
    QTest::newRow("499.5") << be(499.5) << 499.5;
    QTest::newRow("not set") << notSet << 500.0;
    QTest::newRow("NaN") << nanBytes << 500.0;
    QTest::newRow("+inf") << QByteArray("\x7F\x80\x00\x00", 4) << 8000.0;
}

void RepliesTest::lengthSubstitutes() {
    QFETCH(QByteArray, bytes);
    QFETCH(double, stored);
    OstrelRig r;
    r.start();
    r.apply(OstrelRig::frame(rspLength, bytes));
    QCOMPARE(r.probeState().ProbeLength, stored);
}

void RepliesTest::digitalFilter() {
    OstrelRig r;
    r.start();
    r.apply(OstrelRig::frame(rspDigFilter, QByteArray(1, '\x0A')));
    QCOMPARE(r.spin("DigFilter")->value(), 10);
    r.apply(OstrelRig::frame(rspDigFilter, QByteArray(1, '\x0B')));
    QCOMPARE(r.spin("DigFilter")->value(), 0);
    r.apply(OstrelRig::frame(rspDigFilter, QByteArray(1, '\x07')));
    r.apply(OstrelRig::frame(rspDigFilter, QByteArray(1, '\xFF')));
    QCOMPARE(r.spin("DigFilter")->value(), 0);
}

void RepliesTest::temperaturesBySensorNumber() {
    OstrelRig r;
    r.start();
    QLabel* t[] = {r.label("vTmpr1"), r.label("vTmpr2"), r.label("vTmpr3"), r.label("vTmpr4")};
    for (char n : {'\x00', '\x05', '\xFF'}) r.apply(OstrelRig::frame(rspTemp, QByteArray("\x00\x19", 2) + n));
    for (QLabel* l : t) QCOMPARE(l->text(), QString("---.--"));
    r.apply(OstrelRig::frame(rspTemp, QByteArray("\x00\x19\x01", 3)));
    r.apply(OstrelRig::frame(rspTemp, QByteArray("\xF8\xFF\x04", 3)));
    r.apply(OstrelRig::frame(rspTemp, QByteArray("\x87\x0C\x02", 3)));
    QCOMPARE(t[0]->text(), QString("50.00"));
    QCOMPARE(t[1]->text(), QString("25.00"));
    QCOMPARE(t[2]->text(), QString("---.--"));
    QCOMPARE(t[3]->text(), QString("-0.06"));
    // At most four significant digits: three before the point leave one decimal.
    r.apply(OstrelRig::frame(rspTemp, QByteArray("\xB8\x3D\x03", 3)));  // 123.4375
    r.apply(OstrelRig::frame(rspTemp, QByteArray("\xF8\xCD\x04", 3)));  // -100.0625
    QCOMPARE(t[2]->text(), QString("123.40"));
    QCOMPARE(t[3]->text(), QString("-100.10"));
    r.apply(OstrelRig::frame(rspData, OstrelRig::measurementData(0, 0, 0x3D, 0xB8)));
    QCOMPARE(r.label("vTmpr")->text(), QString("123.40"));
}

void RepliesTest::floatsShowOrHideSecondLevel() {
    OstrelRig r;
    r.start();
    r.apply(OstrelRig::frame(rspFloats, QByteArray(1, '\x01')));
    QVERIFY(r.label("vSensVal2")->isHidden());
    // Levels keep being written into the hidden field.
    QByteArray data(12, '\0');
    data[5] = char(0x64);  // sensor 2 raw 100 -> 0.3 mm at 3000 m/s
    r.apply(OstrelRig::frame(rspData, data));
    QCOMPARE(r.label("vSensVal2")->text(), QString("   0.300"));
    r.apply(OstrelRig::frame(rspFloats, QByteArray(1, '\x02')));
    QVERIFY(!r.label("vSensVal2")->isHidden());
    r.apply(OstrelRig::frame(rspFloats, QByteArray(1, '\x01')));
    r.apply(OstrelRig::frame(rspFloats, QByteArray(1, '\x00')));
    QVERIFY(!r.label("vSensVal2")->isHidden());
}

namespace {
QByteArray measurementData(int raw1, int raw2, uint8_t tHi, uint8_t tLo, uint8_t status) {
    return OstrelRig::measurementData(raw1, raw2, tHi, tLo, status);
}
}  // namespace

void RepliesTest::measurementInLevelMode() {
    OstrelRig r;
    r.start();
    r.check("Lvmode")->setChecked(true);
    r.apply(OstrelRig::frame(rspData, measurementData(500000, 1000000, 0x19, 0x00, 0xA5)));
    QCOMPARE(r.label("vSensVal1")->text(), QString("1500.000"));
    QCOMPARE(r.label("vSensVal2")->text(), QString("3000.000"));
    QCOMPARE(r.label("SLevel")->text(), QString(" 500.000"));
    QCOMPARE(r.label("vTmpr")->text(), QString("50.00"));
    QCOMPARE(r.label("vStatus")->text(), QString("10100101"));
    // Without level mode SLevel keeps its text.
    r.check("Lvmode")->setChecked(false);
    r.apply(OstrelRig::frame(rspData, measurementData(100000, 0, 0xFF, 0xF8, 0x00)));
    QCOMPARE(r.label("SLevel")->text(), QString(" 500.000"));
    QCOMPARE(r.label("vSensVal1")->text(), QString(" 300.000"));
    QCOMPARE(r.label("vTmpr")->text(), QString("-0.06"));
    // The status reply writes the same field from its byte 11.
    r.apply(OstrelRig::frame(rspStatus, measurementData(0, 0, 0, 0, 0x81)));
    QCOMPARE(r.label("vStatus")->text(), QString("10000001"));
}

void RepliesTest::measurementWithSpeedTextNotANumber() {
    OstrelRig r;
    r.start();
    r.check("Lvmode")->setChecked(true);
    r.apply(OstrelRig::frame(rspData, measurementData(500000, 500000, 0x19, 0x00, 0x01)));
    r.edit("WireSpd")->setText("fast");
    r.apply(OstrelRig::frame(rspData, measurementData(900000, 900000, 0x0C, 0x87, 0x02)) +
            OstrelRig::frame(rspIdentify));
    QVERIFY(r.link()->ReceivedLines().isEmpty());  // consumed, and the line behind it handled
    QVERIFY(r.probeState().Present);
    QCOMPARE(r.label("vSensVal1")->text(), QString("1500.000"));
    QCOMPARE(r.label("vSensVal2")->text(), QString("1500.000"));
    QCOMPARE(r.label("SLevel")->text(), QString(" 500.000"));
    QCOMPARE(r.label("vTmpr")->text(), QString("25.00"));  // what does not need the speed is shown
    QVERIFY(r.env.prompts.shown.isEmpty());
    r.edit("WireSpd")->clear();
    r.apply(OstrelRig::frame(rspData, measurementData(900000, 900000, 0x0C, 0x87, 0x02)));
    QCOMPARE(r.label("vSensVal1")->text(), QString("1500.000"));
}

void RepliesTest::probeInfoBounds_data() {
    QTest::addColumn<double>("speed");
    QTest::addColumn<double>("length");
    QTest::addColumn<QString>("speedLine");
    QTest::addColumn<QString>("lengthLine");
    QTest::addColumn<QString>("speedText");
    QTest::newRow("defaults") << 3000.0 << 2000.0 << "Speed:3000.0 [m/s]"
                              << "Length:2000.0 [m]"
                              << "3000.0";
    QTest::newRow("substitutes") << 2999.0 << 500.0 << "Speed:2999.0 [m/s]"
                                 << "Length: Not calibrated !"
                                 << "2999.0";
    QTest::newRow("2550") << 2550.0 << 7999.5 << "Speed: Not calibrated !"
                          << "Length: Not calibrated !"
                          << "2550.0";
    QTest::newRow("bounds in") << 2600.0 << 510.0 << "Speed:2600.0 [m/s]"
                               << "Length:510.0 [m]"
                               << "2600.0";
    QTest::newRow("bounds in 2") << 3400.0 << 7999.0 << "Speed:3400.0 [m/s]"
                                 << "Length:7999.0 [m]"
                                 << "3400.0";
    QTest::newRow("just out") << 3400.5 << 509.9 << "Speed: Not calibrated !"
                              << "Length: Not calibrated !"
                              << "3400.5";
    QTest::newRow("rounded") << 3012.345 << 1234.56 << "Speed:3012.3 [m/s]"
                             << "Length:1234.6 [m]"
                             << "3012.3";
}

void RepliesTest::probeInfoBounds() {
    QFETCH(double, speed);
    QFETCH(double, length);
    QFETCH(QString, speedLine);
    QFETCH(QString, lengthLine);
    QFETCH(QString, speedText);
    OstrelRig r;
    r.start();
    r.apply(OstrelRig::frame(rspIdentify) + OstrelRig::frame(rspSerial, QByteArray("\x01\x23\x45\x67\x89\xAB", 6)) +
            OstrelRig::frame(rspSpeed, be(speed)) + OstrelRig::frame(rspLength, be(length)));
    r.w->ShowProbeInfo();
    QCOMPARE(r.statusLines(), (QStringList{"SN: 0123456789AB", speedLine, lengthLine}));
    QCOMPARE(r.edit("WireSpd")->text(), speedText);
}

void RepliesTest::probeInfoForAbsentProbe() {
    OstrelRig r;
    r.start();
    QCOMPARE(r.statusLines(), (QStringList{"SN: N/A", "Speed: N/A", "Length: N/A"}));
    r.w->ShowProbeInfo();
    QCOMPARE(r.statusLines(), (QStringList{"SN: Probe not found", "Speed: N/A", "Length: N/A"}));
    QVERIFY(r.edit("WireSpd")->text().isEmpty());
    QVERIFY(r.edit("ProbLen")->text().isEmpty());
}

TANKCFG_TEST_MAIN(RepliesTest)
#include "tst_replies.moc"
