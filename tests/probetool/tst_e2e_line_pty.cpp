// End to end on the program's own event loop: Ostrel's port on QSerialPort, a probe model
// served on a pseudo-terminal in this process, monitor mode polling. Bursts of random bytes on
// the line cost a reply or two, never the port; a line that hangs up is the port lost, once:
// monitoring ends with one box and the program is left idle.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QtTest>

#include "platform/errorguard.h"
#include "platform/serial.h"
#include "platform/services.h"
#include "platform/wait.h"
#include "probetool/HelpWin.h"
#include "probetool/probc.h"
#include "probetool/scanb.h"
#include "probetool/txengine.h"
#include "sim/ostrelprobe.h"
#include "sim/pty.h"
#include "sim/scriptedprompts.h"
#include "tests/programloop.h"

class E2eLinePtyTest : public QObject {
    Q_OBJECT
private slots:
    void monitorKeepsThePortThroughNoiseAndLosesItOnceToAHangUp();
};

void E2eLinePtyTest::monitorKeepsThePortThroughNoiseAndLosesItOnceToAHangUp() {
    DeviceBus bus;
    auto* probe = bus.add<OstrelProbe>(3, 3000.0, 2000.0);
    PtyEndpoint endpoint(&bus);
    QString why;
    if (!endpoint.start(&why)) QSKIP(qPrintable("no pseudo-terminal: " + why));
    for (int n : {1, 2, 4, 5, 6}) qputenv(("SERIAL_COM" + QByteArray::number(n)).constData(), "");
    qputenv("SERIAL_COM3", endpoint.devicePath().toLocal8Bit());
    Services::installReal();
    ScriptedPrompts prompts;  // real clock and ports; a box would be recorded, not shown
    Services::install(nullptr, &prompts, nullptr);
    SetAppQuitting(false);
    SetAppTitle(OstrelTitle);

    {
        Tprobc w;
        w.AttachWindows(new TScanbus(&w, w.Link()), new THelpWindow(&w));
        SerialLink* port = w.Link()->Port();
        QVERIFY(port->isOpen());
        auto* Addr = w.findChild<QComboBox*>("Addr");
        auto* monmod = w.findChild<QCheckBox*>("monmod");
        auto* level = w.findChild<QLabel*>("vSensVal1");
        Addr->setCurrentIndex(3);
        emit Addr->activated(3);
        QVERIFY(w.ProbeState().Present);
        monmod->setChecked(true);
        QVERIFY2(MainLoopUntil([&] { return level->text() == QStringLiteral(" 999.999"); }, 10000),
                 qPrintable(level->text()));
        const QString before = level->text();

        std::mt19937 rng(17);
        for (int burst = 0; burst < 6; ++burst) {
            bus.toHost(Noise(rng, 4096));
            MainLoopFor(250);
        }
        MainLoopFor(1000);
        QVERIFY(port->isOpen());
        QVERIFY(monmod->isChecked());

        // Later requests are still answered: the float moves and the reading follows.
        probe->setFloat(1, 600.0);
        QVERIFY2(MainLoopUntil([&] { return level->text() != before; }, 10000), qPrintable(before));
        QVERIFY(port->isOpen());
        QVERIFY2(prompts.shown.isEmpty(), qPrintable(prompts.texts().join(" | ")));

        int lost = 0;
        QObject::connect(port, &SerialLink::lost, [&] { ++lost; });
        prompts.queue(PromptAnswer::ok());
        endpoint.hangUp();
        QVERIFY(MainLoopUntil([&] { return !port->isOpen() && !prompts.shown.isEmpty(); }, 5000));
        const double cpu0 = ProcessCpuSeconds();
        MainLoopFor(1000);
        const double cpu = ProcessCpuSeconds() - cpu0;
        QCOMPARE(lost, 1);
        QVERIFY(!monmod->isChecked());
        QCOMPARE(prompts.shown.size(), 1);
        QCOMPARE(prompts.shown[0].icon, MsgIcon::Error);
        QVERIFY2(prompts.shown[0].text.contains(QStringLiteral("COM3")), qPrintable(prompts.shown[0].text));
        // A loop that spun on the hung-up line would use the whole second.
        QVERIFY2(cpu < 0.3, qPrintable(QStringLiteral("%1 s of CPU in 1 s").arg(cpu)));
        QVERIFY2(prompts.strictnessProblem().isEmpty(), qPrintable(prompts.strictnessProblem()));
    }
    Services::installReal();
    SetAppQuitting(false);
    for (int n = 1; n <= 6; ++n) qunsetenv(("SERIAL_COM" + QByteArray::number(n)).constData());
}

TANKCFG_PROGRAM_LOOP_TEST_MAIN(E2eLinePtyTest)
#include "tst_e2e_line_pty.moc"
