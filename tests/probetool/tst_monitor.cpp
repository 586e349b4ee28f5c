// Monitor mode: measurement requests per tick, temperature rounds and their intervals.
#include "ostrelrig.h"

class MonitorTest : public QObject {
    Q_OBJECT
private slots:
    void refusedWithoutProbeOrForce();
    void forcedOnSilentAddressKeepsOneRequestWaiting();
    void oneMeasurementPerTick();
    void temperatureRoundsEvery34Ticks();
    void lostPortDuringMonitoring();
};

void MonitorTest::refusedWithoutProbeOrForce() {
    OstrelRig r;
    r.probe(3);
    r.start();
    r.selectAddress(4);
    r.button("Button2")->setEnabled(true);
    r.check("monmod")->setChecked(true);
    QVERIFY(!r.check("monmod")->isChecked());
    QVERIFY(!r.timer("MainTimer")->isActive());
    QVERIFY(r.buttonsEnabled(false));
    r.clearSent();
    r.env.clock.advance(1000);
    QVERIFY(r.sentLines().isEmpty());
}

void MonitorTest::forcedOnSilentAddressKeepsOneRequestWaiting() {
    OstrelRig r;
    r.probe(3);
    r.start();
    r.selectAddress(4);
    r.clearSent();
    r.check("cbForsA")->setChecked(true);
    r.check("monmod")->setChecked(true);
    QVERIFY(r.timer("MainTimer")->isActive());
    int most = 0;
    for (int i = 0; i < 40; ++i) {
        r.env.clock.advance(150);
        most = std::max(most, int(r.link()->Pending().size()));
    }
    QCOMPARE(most, 1);
    QVERIFY(r.sentLines().size() >= 20);
    for (const QByteArray& l : r.sentLines()) QCOMPARE(l.mid(4, 3), QByteArray("400"));  // "00" to address 4
    r.check("monmod")->setChecked(false);
    QVERIFY(!r.timer("MainTimer")->isActive());
    QVERIFY(r.buttonsEnabled(false));
}

void MonitorTest::oneMeasurementPerTick() {
    OstrelRig r;
    auto* p = r.startWithProbe(3);
    r.recordRequests();
    auto& reqs = r.requests;
    const qint64 t0 = r.env.clock.elapsedMs();
    r.check("monmod")->setChecked(true);
    QVERIFY(r.buttonsEnabled(false));
    r.env.clock.advance(3000 + 10);
    QCOMPARE(reqs.size(), 10);
    for (int k = 0; k < 10; ++k) {
        QCOMPARE(reqs[k].cmd, QString("00"));
        QCOMPARE(reqs[k].t, t0 + 300 * (k + 1));
    }
    QCOMPARE(r.timer("MainTimer")->interval(), 300);
    // Each tick applies what came in before it.
    p->setFloat(1, 1500);
    r.env.clock.advance(600);
    QCOMPARE(r.label("vSensVal1")->text(), QString("1500.000"));
    r.check("monmod")->setChecked(false);
    QVERIFY(r.buttonsEnabled(true));
    QVERIFY(!r.timer("MainTimer")->isActive());
}

void MonitorTest::lostPortDuringMonitoring() {
    OstrelRig r;
    r.startWithProbe(3);
    r.check("monmod")->setChecked(true);
    r.env.clock.advance(1000);
    // One box, not one per tick: monitoring ends when the port goes away.
    r.env.prompts.queue(PromptAnswer::ok());
    r.env.ports.remove(3);
    r.env.clock.advance(5000);
    QCOMPARE(r.env.prompts.texts(), QStringList{"COM3: port not open."});
    QVERIFY(!r.check("monmod")->isChecked());
    QVERIFY(!r.timer("MainTimer")->isActive());
}

void MonitorTest::temperatureRoundsEvery34Ticks() {
    OstrelRig r;
    r.startWithProbe(3);
    r.recordRequests();
    auto& reqs = r.requests;
    const qint64 t0 = r.env.clock.elapsedMs();
    r.check("monmod")->setChecked(true);
    r.env.clock.advance(310);  // one measurement tick: the next one is a temperature turn
    r.check("TemperMode")->setChecked(true);
    // While a round runs the clock ticks every second; before it, every 300 ms.
    QList<int> intervals;
    for (qint64 t : {t0 + 590, t0 + 650, t0 + 890})
        r.env.clock.at(t, [&] { intervals << r.timer("MainTimer")->interval(); });
    r.env.clock.advance(290 + 5 * 75 + 10);
    QCOMPARE(intervals, (QList<int>{300, 1000, 1000}));
    QStringList cmds;
    for (const OstrelRig::Request& q : reqs) cmds << q.cmd;
    QCOMPARE(cmds, (QStringList{"00", "7101", "7102", "7103", "7104", "7101"}));
    QCOMPARE(reqs[1].t, t0 + 600);
    QCOMPARE(r.timer("MainTimer")->interval(), 500);
    QCOMPARE(r.label("vTmpr1")->text(), QString("20.00"));
    QCOMPARE(r.label("vTmpr2")->text(), QString("19.50"));
    QCOMPARE(r.label("vTmpr3")->text(), QString("18.25"));
    QCOMPARE(r.label("vTmpr4")->text(), QString("-3.00"));
    const qint64 roundEnd = reqs.last().t + 75;

    // The next round: 17 measurement turns and 16 idle temperature turns later, at 500 ms.
    QVERIFY(r.env.clock.runUntil([&] { return reqs.size() > 6 + 17; }, 60000));
    r.env.clock.advance(5 * 75 + 10);
    cmds.clear();
    for (const OstrelRig::Request& q : reqs.mid(6)) cmds << q.cmd;
    QCOMPARE(cmds.mid(0, 17), QStringList(17, "00"));
    QCOMPARE(cmds.mid(17, 5), (QStringList{"7101", "7102", "7103", "7104", "7101"}));
    QCOMPARE(reqs[6].t, roundEnd + 500);
    QCOMPARE(reqs[6 + 16].t, roundEnd + 33 * 500);
    QCOMPARE(reqs[6 + 17].t, roundEnd + 34 * 500);
    QCOMPARE(r.timer("MainTimer")->interval(), 500);

    // Unchecked, every tick is a measurement again; the interval stays 500.
    r.check("TemperMode")->setChecked(false);
    reqs.clear();
    r.env.clock.advance(5000);
    for (const OstrelRig::Request& q : reqs) QCOMPARE(q.cmd, QString("00"));
    QCOMPARE(reqs.size(), 10);
    r.check("monmod")->setChecked(false);
}

TANKCFG_TEST_MAIN(MonitorTest)
#include "tst_monitor.moc"
