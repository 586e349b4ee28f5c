// End to end: Marvane on QSerialPort against devsim's probe bus on a pseudo-terminal, real
// time: scan the bus, pick a probe, calibrate its speed of wire and write it.
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QtTest>

#include "console/calsow1.h"
#include "console/maincfg.h"
#include "console/probecfg.h"
#include "e2efixture.h"

class E2eScanCalibratePtyTest : public QObject {
    Q_OBJECT
private slots:
    void scanPickCalibrateWrite();
};

namespace {
template <class T = QPushButton>
T* In(QWidget* window, const char* name) {
    return window->findChild<T*>(QString::fromLatin1(name));
}

// The probe model's test aid (request 0x7E, no reply) moves float 1 from the program's side.
void moveFloat(TMainConfig* w, uint8_t addr, double mm) {
    const auto b = SingleToBE(mm);
    w->SendProbeCommand(0x7E, addr, {1, b[0], b[1], b[2], b[3]});
}
}  // namespace

void E2eScanCalibratePtyTest::scanPickCalibrateWrite() {
    // Probe 9 runs on a 3125 m/s wire and reports 3125 until told otherwise.
    DevsimProcess sim(DEVSIM_PATH, {"--pace", "COM3=consoleprobe:4,consoleprobe:9:3125,leakmodule:3"});
    if (!sim.start()) QSKIP(qPrintable("devsim did not start: " + sim.error()));
    ScriptedPrompts prompts;
    UseDevsimProbeBus(sim, prompts);
    MarvaneProgram program;
    TMainConfig* w = program.forms().MainConfig;
    auto* sow = w->findChild<QSpinBox*>(QStringLiteral("PrSpdOfWire"));

    w->portsel->setCurrentIndex(2);
    In(w, "ProbeConnect")->click();
    QVERIFY(w->probeBus().isOpen());

    // Scan: both probes are listed ("4" before "9"); take 9.
    QStringList listed;
    QString result;
    bool scanned = false;
    QTimer::singleShot(0, [&] {
        scanned =
            waitFor([&] { return In(program.forms().probeconfig, "CloseSc")->text() == QStringLiteral("Ok"); }, 40000);
        auto* list = In<QComboBox>(program.forms().probeconfig, "ProbesList");
        for (int i = 0; i < list->count(); ++i) listed << list->itemText(i);
        result = In<QLabel>(program.forms().probeconfig, "ScanResult")->text();
        list->setCurrentIndex(1);
        In(program.forms().probeconfig, "CloseSc")->click();
    });
    In(w, "ProbeScan")->click();
    QVERIFY(scanned);
    QCOMPARE(listed, (QStringList{"4", "9"}));
    QCOMPARE(result, QStringLiteral("2 Probes detected on Net."));
    QCOMPARE(w->currentProbe(), uint8_t(9));
    QVERIFY(waitFor([&] { return sow->value() == 312500 && w->probeBus().lineFree(); }, 5000));
    QCOMPARE(w->findChild<QLabel*>(QStringLiteral("iProbeSn"))->text(), QStringLiteral("Probe SN: 202603140009"));

    // A wrong speed written to the probe: it reports 3500 m/s from now on.
    auto writeAndReadBack = [&](int value) {
        sow->setValue(value);
        In(w, "SetSow")->click();
        WaitFor(2600);  // the first digit now, the next three one per 500 ms tick
        sow->setValue(200000);
        In(w, "ChgProbe")->click();
    };
    w->SlProbe->setCurrentIndex(9);
    writeAndReadBack(350000);
    QVERIFY(waitFor([&] { return sow->value() == 350000 && w->probeBus().lineFree(); }, 5000));

    // Calibrate over 1000 mm: 300 mm, then 1300 mm.
    moveFloat(w, 9, 300.0);
    QVERIFY(waitFor([&] { return w->probeBus().lineFree(); }, 2000));
    bool measured = false;
    QString shown;
    QTimer::singleShot(0, [&] {
        In(program.forms().CalSoW, "Nextbut")->click();
        if (!waitFor([&] { return program.forms().CalSoW->step() == 3; }, 20000))
            return In(program.forms().CalSoW, "Cancel")->click();
        moveFloat(w, 9, 1300.0);
        In(program.forms().CalSoW, "Nextbut")->click();
        measured = waitFor([&] { return program.forms().CalSoW->step() == 5; }, 20000);
        shown = In<QLabel>(program.forms().CalSoW, "Infolabel")->text();
        In(program.forms().CalSoW, "Nextbut")->click();
        In(program.forms().CalSoW, "Nextbut")->click();
    });
    In(w, "CalibrateSow")->click();
    QVERIFY(measured);
    QCOMPARE(shown, QStringLiteral("Speed of wire is:312500"));
    QCOMPARE(program.forms().CalSoW->point1(), 96000);
    QCOMPARE(program.forms().CalSoW->point2(), 416000);
    QCOMPARE(sow->value(), 312500);

    // Write it to the probe and read it back.
    writeAndReadBack(sow->value());
    QVERIFY(waitFor([&] { return sow->value() == 312500; }, 5000));

    QVERIFY(prompts.shown.isEmpty());
    In(w, "ProbeConnect")->click();
    QVERIFY(!w->probeBus().isOpen());
    qunsetenv("SERIAL_COM3");
}

QTEST_MAIN(E2eScanCalibratePtyTest)
#include "tst_e2e_scan_calibrate_pty.moc"
