// End to end: Marvane's probe-bus link on QSerialPort, devsim's probe bus (two console-dialect
// probes and a leak read module) on a pseudo-terminal, real time.
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QtTest>
#include <cstring>

#include "common/tankcfgtypes.h"
#include "console/maincfg.h"
#include "console/marvane.h"
#include "platform/errorguard.h"
#include "platform/loglist.h"
#include "platform/services.h"
#include "platform/wait.h"
#include "sim/devsimprocess.h"
#include "sim/scriptedprompts.h"
#include "e2efixture.h"

class E2eProbePtyTest : public QObject {
    Q_OBJECT
private slots:
    void probeAndModule();
};

void E2eProbePtyTest::probeAndModule() {
    DevsimProcess sim(DEVSIM_PATH, {"--pace", "COM3=consoleprobe:2,consoleprobe:5,leakmodule:3"});
    if (!sim.start()) QSKIP(qPrintable("devsim did not start: " + sim.error()));
    ScriptedPrompts prompts;
    UseDevsimProbeBus(sim, prompts);
    MarvaneProgram program;
    TMainConfig* w = program.forms().MainConfig;
    auto find = [w](const char* name) { return w->findChild<QWidget*>(QString::fromLatin1(name)); };
    auto label = [&](const char* name) { return static_cast<QLabel*>(find(name))->text(); };
    auto click = [&](const char* name) { static_cast<QPushButton*>(find(name))->click(); };
    auto* sow = static_cast<QSpinBox*>(find("PrSpdOfWire"));
    auto* grid = static_cast<QTableWidget*>(find("LRMState"));

    static_cast<QComboBox*>(find("portsel"))->setCurrentIndex(2);
    click("ProbeConnect");
    QVERIFY(w->probeBus().isOpen());

    // Choose probe 5: its serial and speed of wire come back.
    static_cast<QComboBox*>(find("SlProbe"))->setCurrentIndex(5);
    click("ChgProbe");
    QVERIFY(waitFor(
        [&] { return label("iProbeSn") == QStringLiteral("Probe SN: 202603140005") && sow->value() == 300000; }));

    // One measurement: float 1 at 1000 mm on a 3000 m/s wire.
    click("proberefresh");
    QVERIFY(waitFor([&] { return label("vSensval1") == QStringLiteral("333333"); }));
    QCOMPARE(label("vSenslev1"), QStringLiteral(" 999.999"));

    // Move it to address 7 and choose it there.
    prompts.queue(PromptAnswer::input(QStringLiteral("7")));
    click("SetAddres");
    QVERIFY(waitFor([&] { return prompts.shown.size() == 2; }));
    QCOMPARE(prompts.shown[1].caption, QStringLiteral("Info"));
    static_cast<QComboBox*>(find("SlProbe"))->setCurrentIndex(7);
    click("ChgProbe");
    QVERIFY(waitFor([&] { return w->probeSerial(7) == "202603140005" && w->probeBus().lineFree(); }));

    // Write its speed of wire, one digit per tick, and read it back.
    sow->setValue(312345);
    click("SetSow");
    QVERIFY(
        waitFor([&] { return w->probeBus().lineFree() && label("iProben") == QStringLiteral("Probe Address: 7"); }));
    WaitFor(2600);  // four digits: the first now, then one per 500 ms tick
    sow->setValue(200000);
    click("ChgProbe");
    QVERIFY(waitFor([&] { return sow->value() == 312300; }));

    // Read the leak read module at address 3.
    w->SendModuleCommand(0x00, DevLeakModule, 3);
    QVERIFY(waitFor([&] { return grid->item(4, 1) && grid->item(4, 1)->text() == QStringLiteral("20"); }));
    QCOMPARE(grid->item(4, 2)->text(), QStringLiteral(" 128"));
    QCOMPARE(grid->item(4, 5)->text(), QStringLiteral(" 1"));
    QCOMPARE(grid->item(4, 3)->text(), QStringLiteral(" OFF"));

    int timeouts = 0;
    auto* log = static_cast<TLogList*>(find("PrLogwin"));
    for (int i = 0; i < log->count(); ++i) timeouts += log->text(i).contains(QStringLiteral("Time out"));
    QCOMPARE(timeouts, 0);
    QCOMPARE(prompts.shown.size(), 2);
    click("ProbeConnect");
    QVERIFY(!w->probeBus().isOpen());
    qunsetenv("SERIAL_COM3");
}

QTEST_MAIN(E2eProbePtyTest)
#include "tst_e2e_probe_pty.moc"
