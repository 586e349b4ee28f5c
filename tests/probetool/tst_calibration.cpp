// Two-point calibration against a simulated float.
#include <QMap>
#include <memory>

#include "ostrelrig.h"

class CalibrationTest : public QObject {
    Q_OBJECT
private slots:
    void workedExample();
    void pointOrderDoesNotMatter();
    void threeOutliersEachSideChangeNothing();
    void middleTenOfEachPointAreSummed();
    void seventeenthSampleOverwritesSlot16();
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
    QCOMPARE(r.w->CalibrationSums(), (std::pair<int32_t, int32_t>{18000000, 9000000}));
    QCOMPARE(r.edit("WireSpd")->text(), QString("3000.00"));
    QCOMPARE(r.edit("ProbLen")->text(), QString("5700.00"));
    QStringList expected{"5101", "00"};
    for (int i = 0; i < 32; ++i) expected << "00";
    expected << "5102"
             << "00";
    QCOMPARE(r.sentCommands(), expected);
    QCOMPARE(p->floats, 2);
    // Sampling has ended: a measurement now shows as a level again.
    r.check("Lvmode")->setChecked(true);
    r.apply(OstrelRig::frame(rspData, OstrelRig::measurementData(100000, 0)));
    QCOMPARE(r.label("SLevel")->text(), QString("1700.000"));  // 2000 mm - 300 mm
    // Nothing is written to the probe, nor to the probe state.
    QCOMPARE(r.probeState().WireSpeed, 3000.0);
    QCOMPARE(r.probeState().ProbeLength, 2000.0);
}

void CalibrationTest::pointOrderDoesNotMatter() {
    OstrelRig r;
    auto* p = r.startWithProbe(3);
    moveFloatAtBoxes(r, p, 2700, 5400);
    r.click("BCalibr");
    QCOMPARE(r.edit("WireSpd")->text(), QString("3000.00"));
    QCOMPARE(r.edit("ProbLen")->text(), QString("5700.00"));
}

void CalibrationTest::threeOutliersEachSideChangeNothing() {
    OstrelRig r;
    auto* p = r.startWithProbe(3, 2950);
    moveFloatAtBoxes(r, p, 5400, 2700);
    r.click("BCalibr");  // without outliers first
    const QString speed = r.edit("WireSpd")->text();
    const QString length = r.edit("ProbLen")->text();
    QCOMPARE(speed, QString("2950.00"));
    QCOMPARE(length, QString("5700.00"));
    // The 5101 batch's "00", then 16 samples per point; three far below, three far above,
    // spread over each point's samples. Each outlier is far enough out that a window shifted
    // by one slot either way would change the results.
    const QList<int> point1{-800000, 0, 700000, 0, 0, 3000000, 0, -700000, 0, 0, -900000, 0, 0, 5000000, 0, 0};
    const QList<int> point2{0, 0, 4000000, -600000, 0, 0, -750000, 0, 900000, 0, 0, 0, -650000, 0, 2000000, 0};
    moveFloatAtBoxes(r, p, 5400, 2700);
    p->rawNoise = QList<int>{0} + point1 + point2;
    r.edit("WireSpd")->clear();
    r.edit("ProbLen")->clear();
    r.click("BCalibr");
    QVERIFY(p->rawNoise.isEmpty());
    QCOMPARE(r.edit("WireSpd")->text(), speed);
    QCOMPARE(r.edit("ProbLen")->text(), length);
}

namespace {
// Replaces the replies to the sampling requests: the k-th "00" of point 1 reads point1[k],
// that of point 2 point2[k]; extra[k] adds a second reply to point 1's k-th request. The
// "00" before the first point reads 100000.
void sampleReplies(OstrelRig& r, QList<int> point1, QList<int> point2, QMap<int, int> extra = {}) {
    auto n = std::make_shared<int>(0);
    r.bus.faults.hook = [n, point1, point2, extra](const QByteArray& req, QList<QByteArray> replies) {
        if (OstrelRig::commandOf(req) != "00") return replies;
        const int k = (*n)++ - 1;  // the 5101 batch's "00" comes first
        auto reading = [](int raw) { return OstrelRig::frame(rspData, OstrelRig::measurementData(raw, 0)); };
        if (k < 0) return QList<QByteArray>{reading(100000)};  // 300 mm at 3000 m/s
        if (k < 16) {
            QList<QByteArray> out{reading(point1[k])};
            if (extra.contains(k)) out << reading(extra[k]);
            return out;
        }
        if (k >= 16 && k < 32) return QList<QByteArray>{reading(point2[k - 16])};
        return replies;
    };
}
}  // namespace

void CalibrationTest::middleTenOfEachPointAreSummed() {
    OstrelRig r;
    r.startWithProbe(3);
    // Sixteen different readings per point, in no order: the sums of sorted slots 4..13 differ
    // from those of any other ten slots in a row.
    const QList<int> order{7, 2, 15, 10, 1, 12, 5, 16, 3, 9, 14, 6, 11, 4, 13, 8};
    QList<int> point1, point2;
    for (int k : order) {
        point1 << 1000000 + 1000 * k;
        point2 << 500000 + 10 * k * k;
    }
    sampleReplies(r, point1, point2);
    r.env.prompts.queue(PromptAnswer::ok());
    r.env.prompts.queue(PromptAnswer::ok());
    r.click("BCalibr");
    int sum2 = 0;
    for (int k = 4; k <= 13; ++k) sum2 += 500000 + 10 * k * k;
    QCOMPARE(r.w->CalibrationSums(), (std::pair<int32_t, int32_t>{10000000 + 85000, sum2}));
    // speed = (P2 - P1) * 1 000 000 / d, length = smaller sum * speed / 10 000 000 + P2
    const double d = (10085000 - sum2) / 10.0;
    const double speed = 2700 * (1000000.0 / d);
    QCOMPARE(r.edit("WireSpd")->text(), CalibrationText(speed));
    QCOMPARE(r.edit("ProbLen")->text(), CalibrationText(sum2 * speed / 10000000.0 + 3000));
}

void CalibrationTest::seventeenthSampleOverwritesSlot16() {
    OstrelRig r;
    r.startWithProbe(3);
    QList<int> point1, point2;
    for (int k = 1; k <= 16; ++k) {
        point1 << 1000000 + 1000 * k;
        point2 << 500000;
    }
    // The last request of point 1 gets two replies; the second, the smallest reading of all,
    // takes slot 16 from the largest, so the middle ten move down by one.
    sampleReplies(r, point1, point2, {{15, 1000500}});
    r.check("Lvmode")->setChecked(true);
    QString levelAtPoint2;
    PromptAnswer point2Box;
    point2Box.whileOpen = [&] { levelAtPoint2 = r.label("SLevel")->text(); };
    r.env.prompts.queue(PromptAnswer::ok());
    r.env.prompts.queue(point2Box);
    r.click("BCalibr");
    QCOMPARE(r.w->CalibrationSums(), (std::pair<int32_t, int32_t>{10000000 + 75000, 5000000}));
    // The reading before the first point shows as a level; samples are not levels from the bottom.
    QCOMPARE(levelAtPoint2, QString("1700.000"));
}

void CalibrationTest::equalSumsStopSilently() {
    OstrelRig r;
    auto* p = r.startWithProbe(3);
    r.edit("WireSpd")->setText("keep");
    r.edit("ProbLen")->setText("me");
    r.clearSent();
    r.env.prompts.queue(PromptAnswer::ok());
    r.env.prompts.queue(PromptAnswer::ok());
    r.click("BCalibr");  // the float never moves
    QCOMPARE(r.edit("WireSpd")->text(), QString("keep"));
    QCOMPARE(r.edit("ProbLen")->text(), QString("me"));
    QVERIFY(!r.sentCommands().contains("5102"));
    QCOMPARE(p->floats, 1);
    QCOMPARE(r.env.prompts.shown.size(), 2);
}

void CalibrationTest::positionCheck_data() {
    QTest::addColumn<QString>("p1");
    QTest::addColumn<QString>("p2");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("199/499") << "199"
                             << "499" << true;
    QTest::newRow("198.9/499") << "198.9"
                               << "499" << false;
    QTest::newRow("199/498.9") << "199"
                               << "498.9" << false;
    QTest::newRow("300/3000") << "300"
                              << "3000" << true;
    QTest::newRow("3000/300") << "3000"
                              << "300" << false;
}

void CalibrationTest::positionCheck() {
    QFETCH(QString, p1);
    QFETCH(QString, p2);
    QFETCH(bool, accepted);
    OstrelRig r;
    r.startWithProbe(3);
    r.edit("CPoint1")->setText(p1);
    r.edit("Cpoint2")->setText(p2);
    r.env.prompts.queue(PromptAnswer::ok());
    if (accepted) r.env.prompts.queue(PromptAnswer::ok());
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
    r.edit("CPoint1")->setText("3OO");
    r.env.prompts.queue(PromptAnswer::ok());
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
