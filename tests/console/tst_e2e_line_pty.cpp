// End to end on the programs' own event loop: Marvane's probe-bus and terminal links on
// QSerialPort, device models served on a pseudo-terminal in this process. Bursts of random
// bytes on the line cost a reply or two, never the link; a line that hangs up is the link
// lost, once, and leaves the program idle.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>
#include <cstring>
#include <memory>

#include "common/tankcfgtypes.h"
#include "console/consolesession.h"
#include "console/maincfg.h"
#include "console/marvane.h"
#include "console/probebuslink.h"
#include "console/terminallink.h"
#include "platform/errorguard.h"
#include "platform/serial.h"
#include "platform/services.h"
#include "platform/wait.h"
#include "sim/consolemodel.h"
#include "sim/consoleprobe.h"
#include "sim/pty.h"
#include "sim/scriptedprompts.h"
#include "tests/programloop.h"

namespace {
// Marvane on the real clock and ports, one COM number served by bus on a pseudo-terminal.
struct PtyRig {
    DeviceBus bus;
    PtyEndpoint endpoint{&bus};
    ScriptedPrompts prompts;
    std::unique_ptr<MarvaneProgram> program;
    int com;

    explicit PtyRig(int comNumber) : com(comNumber) {}
    ~PtyRig() {
        program.reset();
        Services::installReal();
        Services::installRealWorkbooks();
        qunsetenv(var().constData());
    }
    QByteArray var() const { return "SERIAL_COM" + QByteArray::number(com); }
    bool start(QString* why) {
        if (!endpoint.start(why)) return false;
        qputenv(var().constData(), endpoint.devicePath().toLocal8Bit());
        Services::installReal();
        Services::installRealWorkbooks();
        Services::install(nullptr, &prompts, nullptr);
        SetAppQuitting(false);
        SetAppTitle(QString::fromLatin1(MarvaneTitle));
        program = std::make_unique<MarvaneProgram>();
        return true;
    }
    template <class W>
    W* find(const char* name) const {
        return program->forms().MainConfig->findChild<W*>(QString::fromLatin1(name));
    }
};
}  // namespace

class E2eLinePtyTest : public QObject {
    Q_OBJECT
private slots:
    void probeBusWithAutoRefreshKeepsItsLinkThroughNoise();
    void terminalLinkKeepsItsLinkThroughNoise();
    void probeBusThatHangsUpIsLostOnceAndIdle();
};

void E2eLinePtyTest::probeBusWithAutoRefreshKeepsItsLinkThroughNoise() {
    PtyRig rig(3);
    auto* probe = rig.bus.add<ConsoleProbe>(2);
    QString why;
    if (!rig.start(&why)) QSKIP(qPrintable("no pseudo-terminal: " + why));
    TMainConfig* w = rig.program->forms().MainConfig;
    auto* status = rig.find<QLabel>("prconstat");
    auto* reading = rig.find<QLabel>("vSensval1");

    rig.find<QComboBox>("portsel")->setCurrentIndex(2);  // "Via Console"
    rig.find<QPushButton>("ProbeConnect")->click();
    QVERIFY(w->probeBus().isOpen());
    rig.find<QComboBox>("SlProbe")->setCurrentIndex(2);
    rig.find<QPushButton>("ChgProbe")->click();
    rig.find<QCheckBox>("Autorefresh")->setChecked(true);
    QVERIFY(MainLoopUntil([&] { return reading->text() == QStringLiteral("333333"); }, 20000));

    // Bursts of 4 KB while the cycle reads the probe every 500 ms.
    std::mt19937 rng(15);
    for (int burst = 0; burst < 6; ++burst) {
        rig.bus.toHost(Noise(rng, 4096));
        MainLoopFor(250);
    }
    MainLoopFor(1000);
    QVERIFY(w->probeBus().isOpen());
    QVERIFY(status->property("connected").toBool());
    QCOMPARE(rig.find<QPushButton>("ProbeConnect")->text(), QStringLiteral("Disconnect"));

    // Later requests are still answered: the float moves and the reading follows.
    probe->setFloat(1, 600.0);
    QVERIFY(MainLoopUntil([&] { return reading->text() == QStringLiteral("200000"); }, 10000));
    QVERIFY(w->probeBus().isOpen());
    QVERIFY2(rig.prompts.shown.isEmpty(), qPrintable(rig.prompts.texts().join(" | ")));
    rig.find<QCheckBox>("Autorefresh")->setChecked(false);
    rig.find<QPushButton>("ProbeConnect")->click();
    QVERIFY(!w->probeBus().isOpen());
}

void E2eLinePtyTest::terminalLinkKeepsItsLinkThroughNoise() {
    PtyRig rig(1);
    auto* console = rig.bus.add<ConsoleModel>();
    QString why;
    if (!rig.start(&why)) QSKIP(qPrintable("no pseudo-terminal: " + why));
    rig.find<QPushButton>("TrmConnect")->click();
    QVERIFY(rig.program->session().terminal().isOpen());

    // Noise in front of the first replies of an exchange: the link asks again, and each ask
    // purges the input while more noise is arriving.
    std::mt19937 rng(16);
    int noisy = 3;
    rig.bus.faults.hook = [&](const QByteArray&, QList<QByteArray> replies) {
        if (noisy > 0 && !replies.isEmpty()) {
            --noisy;
            replies.first().prepend(Noise(rng, 4096));
        }
        return replies;
    };
    rig.find<QLineEdit>("TrmID")->setText(QStringLiteral("NOISE1"));
    // Clicked from the main loop, as a technician's click arrives.
    QTimer::singleShot(0, rig.find<QPushButton>("send_t_to_console"), &QPushButton::click);
    QVERIFY(MainLoopUntil([&] { return noisy == 0 && rig.program->session().terminal().idle(); }, 20000));
    // Noise while the link is idle, too.
    for (int burst = 0; burst < 3; ++burst) {
        rig.bus.toHost(Noise(rng, 4096));
        MainLoopFor(250);
    }
    QVERIFY(rig.program->session().terminal().isOpen());
    QCOMPARE(rig.find<QPushButton>("TrmConnect")->text(), QStringLiteral("Disconnect"));
    QCOMPARE(noisy, 0);
    QCOMPARE(QString::fromStdString(console->config().TerminalId.str()), QStringLiteral("NOISE1"));

    // The line still carries a whole exchange afterwards.
    console->config().DbSaveTime = 77;
    rig.find<QPushButton>("get_t_from_console")->click();
    QVERIFY(rig.program->session().terminal().isOpen());
    QCOMPARE(int(rig.program->session().ConsoleConfig.DbSaveTime), 77);
    QVERIFY2(rig.prompts.shown.isEmpty(), qPrintable(rig.prompts.texts().join(" | ")));
    rig.find<QPushButton>("TrmConnect")->click();
    QVERIFY(!rig.program->session().terminal().isOpen());
}

void E2eLinePtyTest::probeBusThatHangsUpIsLostOnceAndIdle() {
    PtyRig rig(3);
    rig.bus.add<ConsoleProbe>(2);
    QString why;
    if (!rig.start(&why)) QSKIP(qPrintable("no pseudo-terminal: " + why));
    TMainConfig* w = rig.program->forms().MainConfig;
    auto* status = rig.find<QLabel>("prconstat");
    rig.find<QComboBox>("portsel")->setCurrentIndex(2);
    rig.find<QPushButton>("ProbeConnect")->click();
    int lost = 0;
    QObject::connect(w->probeBus().port(), &SerialLink::lost, [&] { ++lost; });
    rig.find<QComboBox>("SlProbe")->setCurrentIndex(2);
    rig.find<QPushButton>("ChgProbe")->click();
    rig.find<QCheckBox>("Autorefresh")->setChecked(true);
    QVERIFY(MainLoopUntil([&] { return rig.find<QLabel>("vSensval1")->text() == QStringLiteral("333333"); }, 20000));

    rig.endpoint.hangUp();
    QVERIFY(MainLoopUntil([&] { return !w->probeBus().isOpen(); }, 5000));
    const double cpu0 = ProcessCpuSeconds();
    MainLoopFor(1000);
    const double cpu = ProcessCpuSeconds() - cpu0;
    QCOMPARE(lost, 1);
    QVERIFY(!status->property("connected").toBool());
    QCOMPARE(rig.find<QPushButton>("ProbeConnect")->text(), QStringLiteral("Connect"));
    // A loop that spun on the hung-up line would use the whole second.
    QVERIFY2(cpu < 0.3, qPrintable(QStringLiteral("%1 s of CPU in 1 s").arg(cpu)));
    QVERIFY2(rig.prompts.shown.isEmpty(), qPrintable(rig.prompts.texts().join(" | ")));
}

TANKCFG_PROGRAM_LOOP_TEST_MAIN(E2eLinePtyTest)
#include "tst_e2e_line_pty.moc"
