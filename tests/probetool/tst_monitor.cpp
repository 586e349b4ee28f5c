// Monitor mode: measurement requests per tick, temperature rounds and their intervals.
#include "ostrelrig.h"

class MonitorTest : public QObject {
    Q_OBJECT
private slots:
    void refusedWithoutProbeOrForce();
    void forcedOnSilentAddressKeepsOneRequestWaiting();
    void oneMeasurementPerTick();
    void temperatureRoundsEvery34Ticks();
};

void MonitorTest::refusedWithoutProbeOrForce() {
    OstrelRig r;
    r.probe(3);
    r.start();
    r.selectAddress(4);
    r.w->Button2->setEnabled(true);
    r.w->monmod->setChecked(true);
    QVERIFY(!r.w->monmod->isChecked());
    QVERIFY(!r.w->MainTimer->isActive());
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
    r.w->cbForsA->setChecked(true);
    r.w->monmod->setChecked(true);
    QVERIFY(r.w->MainTimer->isActive());
    int most = 0;
    for (int i = 0; i < 40; ++i) {
        r.env.clock.advance(150);
        most = std::max(most, int(r.w->FTxQueue.size()));
    }
    QCOMPARE(most, 1);
    QVERIFY(r.sentLines().size() >= 20);
    for (const QByteArray& l : r.sentLines()) QCOMPARE(l.mid(4, 3), QByteArray("400"));  // "00" to address 4
    r.w->monmod->setChecked(false);
    QVERIFY(!r.w->MainTimer->isActive());
    QVERIFY(r.buttonsEnabled(false));
}

void MonitorTest::oneMeasurementPerTick() {
    OstrelRig r;
    auto* p = r.startWithProbe(3);
    r.recordRequests();
    auto& reqs = r.requests;
    const qint64 t0 = r.env.clock.elapsedMs();
    r.w->monmod->setChecked(true);
    QVERIFY(r.buttonsEnabled(false));
    r.env.clock.advance(3000 + 10);
    QCOMPARE(reqs.size(), 10);
    for (int k = 0; k < 10; ++k) {
        QCOMPARE(reqs[k].cmd, QString("00"));
        QCOMPARE(reqs[k].t, t0 + 300 * (k + 1));
    }
    QCOMPARE(r.w->MainTimer->interval(), 300);
    // Each tick applies what came in before it.
    p->setFloat(1, 1500);
    r.env.clock.advance(600);
    QCOMPARE(r.w->vSensVal1->text(), QString("1500.000"));
    r.w->monmod->setChecked(false);
    QVERIFY(r.buttonsEnabled(true));
    QVERIFY(!r.w->MainTimer->isActive());
}

void MonitorTest::temperatureRoundsEvery34Ticks() {
    OstrelRig r;
    r.startWithProbe(3);
    r.recordRequests();
    auto& reqs = r.requests;
    const qint64 t0 = r.env.clock.elapsedMs();
    r.w->monmod->setChecked(true);
    r.env.clock.advance(310);  // one measurement tick: the next one is a temperature turn
    QVERIFY(r.w->FTempTurn);
    r.w->TemperMode->setChecked(true);
    r.env.clock.advance(290 + 5 * 75 + 10);
    QStringList cmds;
    for (const OstrelRig::Request& q : reqs) cmds << q.cmd;
    QCOMPARE(cmds, (QStringList{"00", "7101", "7102", "7103", "7104", "7101"}));
    QCOMPARE(reqs[1].t, t0 + 600);
    QCOMPARE(r.w->MainTimer->interval(), 500);
    QCOMPARE(int(r.w->FTempCountdown), 16);
    QCOMPARE(r.w->vTmpr1->text(), QString("20.00"));
    QCOMPARE(r.w->vTmpr2->text(), QString("19.50"));
    QCOMPARE(r.w->vTmpr3->text(), QString("18.25"));
    QCOMPARE(r.w->vTmpr4->text(), QString("-3.00"));
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
    QCOMPARE(r.w->MainTimer->interval(), 500);

    // Unchecked, every tick is a measurement again; the interval stays 500.
    r.w->TemperMode->setChecked(false);
    reqs.clear();
    r.env.clock.advance(5000);
    for (const OstrelRig::Request& q : reqs) QCOMPARE(q.cmd, QString("00"));
    QCOMPARE(reqs.size(), 10);
    r.w->monmod->setChecked(false);
}

TANKCFG_TEST_MAIN(MonitorTest)
#include "tst_monitor.moc"
