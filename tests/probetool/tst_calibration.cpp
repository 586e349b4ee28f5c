// Two-point calibration against a simulated float.
#include "ostrelrig.h"

class CalibrationTest : public QObject {
    Q_OBJECT
private slots:
    void workedExample();
    void pointOrderDoesNotMatter();
    void threeOutliersEachSideChangeNothing();
    void equalSumsStopSilently();
    void positionCheck_data();
    void positionCheck();
    void positionNotANumber();
    void resultTexts();
};

namespace {
// Answers the two "Move sensor" boxes by moving float 1 first to d1, then to d2 (mm from the head).
void moveFloatAtBoxes(OstrelRig& r, OstrelProbe* p, double d1, double d2) {
    PromptAnswer a1;
    a1.whileOpen = [p, d1] { p->setFloat(1, d1); };
    PromptAnswer a2;
    a2.whileOpen = [p, d2] { p->setFloat(1, d2); };
    r.env.prompts.queue(a1);
    r.env.prompts.queue(a2);
}
}  // namespace

void CalibrationTest::workedExample() {
    OstrelRig r;
    auto* p = r.startWithProbe(3);
    // Heights 300 and 3000 above the bottom of a 5700 mm probe: 5400 and 2700 mm from the head,
    // raw means 1 800 000 and 900 000 at 3000 m/s.
    moveFloatAtBoxes(r, p, 5400, 2700);
    r.click("BCalibr");
    QCOMPARE(r.promptTexts(), (QStringList{"Move sensor to Point 1", "Move sensor to Point 2"}));
    QCOMPARE(r.env.prompts.shown[0].caption, QString("Info"));
    QCOMPARE(r.env.prompts.shown[0].icon, MsgIcon::Information);
    QCOMPARE(r.w->FCalSum1, 18000000);
    QCOMPARE(r.w->FCalSum2, 9000000);
    QCOMPARE(r.w->WireSpd->text(), QString("3000.00"));
    QCOMPARE(r.w->ProbLen->text(), QString("5700.00"));
    QStringList expected{"5101", "00"};
    for (int i = 0; i < 32; ++i) expected << "00";
    expected << "5102" << "00";
    QCOMPARE(r.sentCommands(), expected);
    QCOMPARE(p->floats, 2);
    QVERIFY(!r.w->FSampling);
    // Nothing is written to the probe, nor to the probe state.
    QCOMPARE(r.w->Probe.WireSpeed, 3000.0);
    QCOMPARE(r.w->Probe.ProbeLength, 2000.0);
}

void CalibrationTest::pointOrderDoesNotMatter() {
    OstrelRig r;
    auto* p = r.startWithProbe(3);
    moveFloatAtBoxes(r, p, 2700, 5400);
    r.click("BCalibr");
    QCOMPARE(r.w->WireSpd->text(), QString("3000.00"));
    QCOMPARE(r.w->ProbLen->text(), QString("5700.00"));
}

void CalibrationTest::threeOutliersEachSideChangeNothing() {
    OstrelRig r;
    auto* p = r.startWithProbe(3, 2950);
    moveFloatAtBoxes(r, p, 5400, 2700);
    r.click("BCalibr");  // without outliers first
    const QString speed = r.w->WireSpd->text();
    const QString length = r.w->ProbLen->text();
    QCOMPARE(speed, QString("2950.00"));
    QCOMPARE(length, QString("5700.00"));
    // The 5101 batch's "00", then 16 samples per point; three far below, three far above,
    // spread over each point's samples.
    const QList<int> point{-800000, 0, 700000, 0, 0, 3000000, 0, -1, 0, 0, -900000, 0, 0, 5000000, 0, 0};
    moveFloatAtBoxes(r, p, 5400, 2700);
    p->rawNoise = QList<int>{0} + point + point;
    r.w->WireSpd->clear();
    r.w->ProbLen->clear();
    r.click("BCalibr");
    QVERIFY(p->rawNoise.isEmpty());
    QCOMPARE(r.w->WireSpd->text(), speed);
    QCOMPARE(r.w->ProbLen->text(), length);
}

void CalibrationTest::equalSumsStopSilently() {
    OstrelRig r;
    auto* p = r.startWithProbe(3);
    r.w->WireSpd->setText("keep");
    r.w->ProbLen->setText("me");
    r.clearSent();
    r.click("BCalibr");  // the float never moves
    QCOMPARE(r.w->WireSpd->text(), QString("keep"));
    QCOMPARE(r.w->ProbLen->text(), QString("me"));
    QVERIFY(!r.sentCommands().contains("5102"));
    QCOMPARE(p->floats, 1);
    QCOMPARE(r.env.prompts.shown.size(), 2);
}

void CalibrationTest::positionCheck_data() {
    QTest::addColumn<QString>("p1");
    QTest::addColumn<QString>("p2");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("199/499") << "199" << "499" << true;
    QTest::newRow("198.9/499") << "198.9" << "499" << false;
    QTest::newRow("199/498.9") << "199" << "498.9" << false;
    QTest::newRow("300/3000") << "300" << "3000" << true;
    QTest::newRow("3000/300") << "3000" << "300" << false;
}

void CalibrationTest::positionCheck() {
    QFETCH(QString, p1);
    QFETCH(QString, p2);
    QFETCH(bool, accepted);
    OstrelRig r;
    r.startWithProbe(3);
    r.w->CPoint1->setText(p1);
    r.w->Cpoint2->setText(p2);
    r.click("BCalibr");
    if (accepted) {
        QCOMPARE(r.sentCommands().mid(0, 2), (QStringList{"5101", "00"}));
        QCOMPARE(r.promptTexts().first(), QString("Move sensor to Point 1"));
    } else {
        QVERIFY(r.sentLines().isEmpty());
        QCOMPARE(r.promptTexts(), QStringList{"Invalid values for \"P1\" or/and \"P2\" !"});
        QCOMPARE(r.env.prompts.shown[0].caption, QString("Error"));
        QCOMPARE(r.env.prompts.shown[0].icon, MsgIcon::Error);
        QCOMPARE(r.env.prompts.shown[0].buttons, int(MbOk | MbHelp));
    }
}

void CalibrationTest::positionNotANumber() {
    OstrelRig r;
    r.startWithProbe(3);
    r.w->CPoint1->setText("3OO");
    r.click("BCalibr");
    QCOMPARE(r.promptTexts(), QStringList{"'3OO' is not a valid floating point value."});
    QCOMPARE(r.env.prompts.shown[0].caption, QString("Probe config"));
    QVERIFY(r.sentLines().isEmpty());
}

void CalibrationTest::resultTexts() {
    QCOMPARE(CalibrationText(3012.345), QString("3012.30"));
    QCOMPARE(CalibrationText(2998.6), QString("2998.60"));
    QCOMPARE(CalibrationText(99999.4), QString("99999.00"));
    // Past five integer digits: every digit, two decimals, no exponent.
    QCOMPARE(CalibrationText(99999.999), QString("100000.00"));
    QCOMPARE(CalibrationText(123456.789), QString("123456.79"));
    QCOMPARE(CalibrationText(27000000000.0), QString("27000000000.00"));
}

TANKCFG_TEST_MAIN(CalibrationTest)
#include "tst_calibration.moc"
