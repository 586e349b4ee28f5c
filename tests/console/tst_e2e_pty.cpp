// End to end: Marvane's terminal link on QSerialPort, devsim's tank console on a
// pseudo-terminal, real time.
#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include "platform/loglist.h"
#include <QPushButton>
#include <QSpinBox>
#include <QtTest>
#include <cstring>

#include "common/tankcfgtypes.h"
#include "console/consolesession.h"
#include "console/maincfg.h"
#include "console/marvane.h"
#include "console/terminallink.h"
#include "platform/errorguard.h"
#include "platform/services.h"
#include "sim/devsimprocess.h"

class E2ePtyTest : public QObject {
    Q_OBJECT
private slots:
    void sendAndReadBack();
};

void E2ePtyTest::sendAndReadBack() {
    DevsimProcess sim(DEVSIM_PATH, {"--pace", "COM1=console"});
    if (!sim.start()) QSKIP(qPrintable("devsim did not start: " + sim.error()));
    qputenv("SERIAL_COM1", sim.path("COM1").toLocal8Bit());
    Services::installReal();
    Services::installRealWorkbooks();
    SetAppTitle(QString::fromLatin1(MarvaneTitle));
    MarvaneProgram program;
    TMainConfig* w = program.forms().MainConfig;

    auto* connectButton = w->findChild<QPushButton*>(QStringLiteral("TrmConnect"));
    connectButton->click();
    QVERIFY(program.session().terminal().isOpen());
    w->findChild<QSpinBox*>(QStringLiteral("Noftanks"))->stepUp();
    w->findChild<QSpinBox*>(QStringLiteral("MdiUv"))->stepUp();
    program.session().ConsoleConfig.Tanks[1].ProductName.assign("DIESEL");
    program.session().ConsoleConfig.Tanks[1].RoFuel = 0.845;
    program.session().ConsoleConfig.Mdi[0].Name.assign("Island");
    w->findChild<QLineEdit*>(QStringLiteral("dbsave"))->setText(QStringLiteral("30"));
    w->findChild<QLineEdit*>(QStringLiteral("TrmID"))->setText(QStringLiteral("PTY001"));
    w->findChild<QCheckBox*>(QStringLiteral("wtankdta"))->setChecked(false);

    QElapsedTimer t;
    t.start();
    w->findChild<QPushButton*>(QStringLiteral("send_t_to_console"))->click();
    QVERIFY2(t.elapsed() < 20000, qPrintable(QString::number(t.elapsed())));
    QVERIFY(program.session().terminal().isOpen());
    QVERIFY(program.session().terminal().idle());

    // What the console took comes back on a read-back over the same line.
    std::memset(&program.session().ConsoleConfig.Tanks[1], 0, sizeof(TTankRecord));
    program.session().ConsoleConfig.Mdi[0].Name.assign("gone");
    program.session().ConsoleConfig.DbSaveTime = 1;
    t.restart();
    w->findChild<QPushButton*>(QStringLiteral("get_t_from_console"))->click();
    QVERIFY(t.elapsed() < 20000);
    QCOMPARE(int(program.session().ConsoleConfig.DbSaveTime), 30);
    QCOMPARE(QString::fromStdString(program.session().ConsoleConfig.TerminalId.str()), QStringLiteral("PTY001"));
    QCOMPARE(int(program.session().ConsoleConfig.TankCount), 2);
    QCOMPARE(QString::fromStdString(program.session().ConsoleConfig.Tanks[1].ProductName.str()),
             QStringLiteral("DIESEL"));
    QCOMPARE(program.session().ConsoleConfig.Tanks[1].RoFuel, 0.845);
    QCOMPARE(program.session().ConsoleConfig.Tanks[1].Capacity, 22000.0);
    QCOMPARE(QString::fromStdString(program.session().ConsoleConfig.Mdi[0].Name.str()), QStringLiteral("Island"));
    int timeouts = 0;
    for (int i = 0; i < w->PrLogwin->count(); ++i)
        timeouts += w->PrLogwin->text(i).contains(QStringLiteral("Time out"));
    QCOMPARE(timeouts, 0);
    connectButton->click();
    QVERIFY(!program.session().terminal().isOpen());
    qunsetenv("SERIAL_COM1");
}

QTEST_MAIN(E2ePtyTest)
#include "tst_e2e_pty.moc"
