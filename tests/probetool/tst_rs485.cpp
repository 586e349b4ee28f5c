// Ostrel's port is an RS-485 bus: RTS is up while a frame goes out and down once it has left,
// DTR stays on.
#include "ostrelrig.h"

class Rs485Test : public QObject {
    Q_OBJECT
private slots:
    void framesGoOutWithRtsUpAndDtrOn();
};

void Rs485Test::framesGoOutWithRtsUpAndDtrOn() {
    OstrelRig rig;
    rig.startWithProbe(3);
    QVERIFY(rig.env.ports.rs485(3));
    QVERIFY(rig.port()->dtrOn());
    // Selecting the probe sent its frames.
    const auto around = rig.env.ports.rtsAroundWrites(3);
    QVERIFY(!around.isEmpty());
    for (const auto& r : around) {
        QVERIFY(r.during);
        QVERIFY(!r.after);
    }
    QVERIFY(rig.port()->dtrOn());
}

TANKCFG_TEST_MAIN(Rs485Test)
#include "tst_rs485.moc"
