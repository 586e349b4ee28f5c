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
    void seventeenSamplesFillSixteenSlots();
    void probeInfoBounds_data();
    void probeInfoBounds();
    void probeInfoForAbsentProbe();
};

void RepliesTest::otherDeviceChangesNothing() {
    OstrelRig r;
    r.start();
    const QString status = r.w->vStatus->text();
    QByteArray data(12, '\x10');
    for (uint8_t dev : {uint8_t(0xA6), uint8_t(0x00), uint8_t(0xA4)}) {
        r.apply(OstrelRig::frame(rspIdentify, {}, dev));
        r.apply(OstrelRig::frame(rspSpeed, OstrelRig::floatBytes(2700), dev));
        r.apply(OstrelRig::frame(rspData, data, dev));
        r.apply(OstrelRig::frame(rspDigFilter, QByteArray(1, '\x05'), dev));
    }
    QVERIFY(!r.w->Probe.Present);
    QCOMPARE(r.w->Probe.WireSpeed, 3000.0);
    QCOMPARE(r.w->FRaw1, 0);
    QCOMPARE(r.w->vStatus->text(), status);
    QCOMPARE(r.w->DigFilter->value(), 0);
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
    const QString shown = r.w->WireSpd->text();
    r.apply(OstrelRig::frame(rspSpeed, bytes));
    QCOMPARE(r.w->Probe.WireSpeed, stored);
    QCOMPARE(r.w->WireSpd->text(), shown);  // the display waits for ShowProbeInfo
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
    QCOMPARE(r.w->Probe.ProbeLength, stored);
}

void RepliesTest::digitalFilter() {
    OstrelRig r;
    r.start();
    r.apply(OstrelRig::frame(rspDigFilter, QByteArray(1, '\x0A')));
    QCOMPARE(r.w->DigFilter->value(), 10);
    r.apply(OstrelRig::frame(rspDigFilter, QByteArray(1, '\x0B')));
    QCOMPARE(r.w->DigFilter->value(), 0);
    r.apply(OstrelRig::frame(rspDigFilter, QByteArray(1, '\x07')));
    r.apply(OstrelRig::frame(rspDigFilter, QByteArray(1, '\xFF')));
    QCOMPARE(r.w->DigFilter->value(), 0);
}

void RepliesTest::temperaturesBySensorNumber() {
    OstrelRig r;
    r.start();
    QLabel* t[] = {r.w->vTmpr1, r.w->vTmpr2, r.w->vTmpr3, r.w->vTmpr4};
    for (char n : {'\x00', '\x05', '\xFF'}) r.apply(OstrelRig::frame(rspTemp, QByteArray("\x00\x19", 2) + n));
    for (QLabel* l : t) QCOMPARE(l->text(), QString("---.--"));
    r.apply(OstrelRig::frame(rspTemp, QByteArray("\x00\x19\x01", 3)));
    r.apply(OstrelRig::frame(rspTemp, QByteArray("\xF8\xFF\x04", 3)));
    r.apply(OstrelRig::frame(rspTemp, QByteArray("\x87\x0C\x02", 3)));
    QCOMPARE(t[0]->text(), QString("50.00"));
    QCOMPARE(t[1]->text(), QString("25.00"));
    QCOMPARE(t[2]->text(), QString("---.--"));
    QCOMPARE(t[3]->text(), QString("-0.06"));
}

void RepliesTest::floatsShowOrHideSecondLevel() {
    OstrelRig r;
    r.start();
    r.apply(OstrelRig::frame(rspFloats, QByteArray(1, '\x01')));
    QVERIFY(r.w->vSensVal2->isHidden());
    // Levels keep being written into the hidden field.
    QByteArray data(12, '\0');
    data[5] = char(0x64);  // sensor 2 raw 100 -> 0.3 mm at 3000 m/s
    r.apply(OstrelRig::frame(rspData, data));
    QCOMPARE(r.w->vSensVal2->text(), QString("   0.300"));
    r.apply(OstrelRig::frame(rspFloats, QByteArray(1, '\x02')));
    QVERIFY(!r.w->vSensVal2->isHidden());
    r.apply(OstrelRig::frame(rspFloats, QByteArray(1, '\x01')));
    r.apply(OstrelRig::frame(rspFloats, QByteArray(1, '\x00')));
    QVERIFY(!r.w->vSensVal2->isHidden());
}

namespace {
QByteArray measurementData(int raw1, int raw2, uint8_t tHi, uint8_t tLo, uint8_t status) {
    QByteArray d;
    for (int v : {raw1, raw2}) {
        d += char((v >> 16) & 0xFF);
        d += char((v >> 8) & 0xFF);
        d += char(v & 0xFF);
    }
    d += QByteArray(3, '\0');
    d += char(tLo);
    d += char(tHi);
    d += char(status);
    return d;
}
}  // namespace

void RepliesTest::measurementInLevelMode() {
    OstrelRig r;
    r.start();
    r.w->Lvmode->setChecked(true);
    r.w->Probe.ProbeLength = 2000;
    r.apply(OstrelRig::frame(rspData, measurementData(500000, 1000000, 0x19, 0x00, 0xA5)));
    QCOMPARE(r.w->vSensVal1->text(), QString("1500.000"));
    QCOMPARE(r.w->vSensVal2->text(), QString("3000.000"));
    QCOMPARE(r.w->SLevel->text(), QString(" 500.000"));
    QCOMPARE(r.w->vTmpr->text(), QString("50.00"));
    QCOMPARE(r.w->vStatus->text(), QString("10100101"));
    // Without level mode SLevel keeps its text.
    r.w->Lvmode->setChecked(false);
    r.apply(OstrelRig::frame(rspData, measurementData(100000, 0, 0xFF, 0xF8, 0x00)));
    QCOMPARE(r.w->SLevel->text(), QString(" 500.000"));
    QCOMPARE(r.w->vSensVal1->text(), QString(" 300.000"));
    QCOMPARE(r.w->vTmpr->text(), QString("-0.06"));
    // The status reply writes the same field from its byte 11.
    r.apply(OstrelRig::frame(rspStatus, measurementData(0, 0, 0, 0, 0x81)));
    QCOMPARE(r.w->vStatus->text(), QString("10000001"));
}

void RepliesTest::measurementWithSpeedTextNotANumber() {
    OstrelRig r;
    r.start();
    r.w->Lvmode->setChecked(true);
    r.apply(OstrelRig::frame(rspData, measurementData(500000, 500000, 0x19, 0x00, 0x01)));
    r.w->WireSpd->setText("fast");
    r.apply(OstrelRig::frame(rspData, measurementData(900000, 900000, 0x0C, 0x87, 0x02)) +
            OstrelRig::frame(rspIdentify));
    QVERIFY(r.w->FRxQueue.isEmpty());  // consumed, and the line behind it handled
    QVERIFY(r.w->Probe.Present);
    QCOMPARE(r.w->vSensVal1->text(), QString("1500.000"));
    QCOMPARE(r.w->vSensVal2->text(), QString("1500.000"));
    QCOMPARE(r.w->SLevel->text(), QString(" 500.000"));
    QCOMPARE(r.w->FLevel1, 1500.0);
    QCOMPARE(r.w->vTmpr->text(), QString("25.00"));  // what does not need the speed is shown
    QVERIFY(r.env.prompts.shown.isEmpty());
    r.w->WireSpd->clear();
    r.apply(OstrelRig::frame(rspData, measurementData(900000, 900000, 0x0C, 0x87, 0x02)));
    QCOMPARE(r.w->vSensVal1->text(), QString("1500.000"));
}

void RepliesTest::seventeenSamplesFillSixteenSlots() {
    OstrelRig r;
    r.start();
    r.w->FSampling = true;
    r.w->FSampleIndex = 1;
    r.w->Lvmode->setChecked(true);
    const QString level = r.w->SLevel->text();
    QByteArray lines;
    for (int k = 1; k <= 17; ++k) lines += OstrelRig::frame(rspData, measurementData(1000 * k, 0, 0, 0, 0));
    r.apply(lines);
    for (int k = 1; k <= 15; ++k) QCOMPARE(r.w->CalSamples[size_t(k)], 1000 * k);
    QCOMPARE(r.w->CalSamples[16], 17000);
    QCOMPARE(int(r.w->FSampleIndex), 16);
    QCOMPARE(r.w->SLevel->text(), level);  // samples are not levels from the bottom
}

void RepliesTest::probeInfoBounds_data() {
    QTest::addColumn<double>("speed");
    QTest::addColumn<double>("length");
    QTest::addColumn<QString>("speedLine");
    QTest::addColumn<QString>("lengthLine");
    QTest::addColumn<QString>("speedText");
    QTest::newRow("defaults") << 3000.0 << 2000.0 << "Speed:3000.0 [m/s]" << "Length:2000.0 [m]" << "3000.0";
    QTest::newRow("substitutes") << 2999.0 << 500.0 << "Speed:2999.0 [m/s]" << "Length: Not calibrated !" << "2999.0";
    QTest::newRow("2550") << 2550.0 << 7999.5 << "Speed: Not calibrated !" << "Length: Not calibrated !" << "2550.0";
    QTest::newRow("bounds in") << 2600.0 << 510.0 << "Speed:2600.0 [m/s]" << "Length:510.0 [m]" << "2600.0";
    QTest::newRow("bounds in 2") << 3400.0 << 7999.0 << "Speed:3400.0 [m/s]" << "Length:7999.0 [m]" << "3400.0";
    QTest::newRow("just out") << 3400.5 << 509.9 << "Speed: Not calibrated !" << "Length: Not calibrated !" << "3400.5";
    QTest::newRow("rounded") << 3012.345 << 1234.56 << "Speed:3012.3 [m/s]" << "Length:1234.6 [m]" << "3012.3";
}

void RepliesTest::probeInfoBounds() {
    QFETCH(double, speed);
    QFETCH(double, length);
    QFETCH(QString, speedLine);
    QFETCH(QString, lengthLine);
    QFETCH(QString, speedText);
    OstrelRig r;
    r.start();
    r.w->Probe.Present = true;
    r.w->Probe.SerialNo = "0123456789AB";
    r.w->Probe.WireSpeed = speed;
    r.w->Probe.ProbeLength = length;
    r.w->ShowProbeInfo();
    QCOMPARE(r.statusLines(), (QStringList{"SN: 0123456789AB", speedLine, lengthLine}));
    QCOMPARE(r.w->WireSpd->text(), speedText);
}

void RepliesTest::probeInfoForAbsentProbe() {
    OstrelRig r;
    r.start();
    QCOMPARE(r.statusLines(), (QStringList{"SN: N/A", "Speed: N/A", "Length: N/A"}));
    r.w->ShowProbeInfo();
    QCOMPARE(r.statusLines(), (QStringList{"SN: Probe not found", "Speed: N/A", "Length: N/A"}));
    QVERIFY(r.w->WireSpd->text().isEmpty());
    QVERIFY(r.w->ProbLen->text().isEmpty());
}

TANKCFG_TEST_MAIN(RepliesTest)
#include "tst_replies.moc"
