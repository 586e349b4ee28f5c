// End to end: a whole calibration table, given or generated in the editor, over QSerialPort to devsim's tank console on a
// pseudo-terminal, real time. The console refuses the last block when the header's checksum
// does not match the values it received.
#include <QApplication>
#include <QElapsedTimer>
#include <QProgressBar>
#include <QPushButton>
#include <QtTest>
#include <cstring>

#include "calibration/genffctbl.h"
#include "calibration/tablecfg.h"
#include "common/tankcfgtypes.h"
#include "console/maincfg.h"
#include "console/marvane.h"
#include "console/progresft.h"
#include "platform/errorguard.h"
#include "platform/services.h"
#include "sim/devsimprocess.h"
#include "sim/scriptedprompts.h"

class E2eTablePtyTest : public QObject {
    Q_OBJECT
private slots:
    void cylinderTableIsTakenWithItsChecksum();
    void generatedTableSentFromTheEditor();
};

void E2eTablePtyTest::cylinderTableIsTakenWithItsChecksum() {
    DevsimProcess sim(DEVSIM_PATH, {"--latency", "0", "COM1=console"});
    if (!sim.start()) QSKIP(qPrintable("devsim did not start: " + sim.error()));
    qputenv("SERIAL_COM1", sim.path("COM1").toLocal8Bit());
    Services::installReal();
    ScriptedPrompts prompts;  // a box would block a real run: record it instead
    Services::install(nullptr, &prompts, nullptr);
    SetAppTitle(QString::fromLatin1(MarvaneTitle));
    std::memset(&ConsoleConfig, 0, sizeof ConsoleConfig);
    {
        MarvaneProgram program;
        TMainConfig* w = MainConfig;
        auto* connectButton = w->findChild<QPushButton*>(QStringLiteral("TrmConnect"));
        TCalTable& t = ConsoleConfig.Tanks[0].CalTable;
        t.Count = MaxCalPoints;
        t.Mode = 1;
        t.Step = 0.6475f;
        for (int i = 1; i <= MaxCalPoints; ++i) {
            t.Points[i].Arg = float(i * 0.6475);
            t.Points[i].Value = float(HorCylinderVolume(i * 0.6475, 5000, 1295) / 1e6);
        }
        connectButton->click();
        QCOMPARE(connectButton->text(), QStringLiteral("Disconnect"));
        QElapsedTimer clock;
        clock.start();
        uint8_t n = 1;
        w->SendCalibrationTable(n);
        QVERIFY2(clock.elapsed() < 60000, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(prompts.texts(), QStringList());
        QVERIFY(!progresf->isVisible());
        QCOMPARE(progresf->catprg->value(), 124);
        QCOMPARE(connectButton->text(), QStringLiteral("Disconnect"));
        connectButton->click();
    }
    Services::installReal();
    qunsetenv("SERIAL_COM1");
}

void E2eTablePtyTest::generatedTableSentFromTheEditor() {
    DevsimProcess sim(DEVSIM_PATH, {"--latency", "0", "COM1=console"});
    if (!sim.start()) QSKIP(qPrintable("devsim did not start: " + sim.error()));
    qputenv("SERIAL_COM1", sim.path("COM1").toLocal8Bit());
    Services::installReal();
    ScriptedPrompts prompts;
    Services::install(nullptr, &prompts, nullptr);
    SetAppTitle(QString::fromLatin1(MarvaneTitle));
    std::memset(&ConsoleConfig, 0, sizeof ConsoleConfig);
    {
        MarvaneProgram program;
        auto* connectButton = MainConfig->findChild<QPushButton*>(QStringLiteral("TrmConnect"));
        connectButton->click();
        QCOMPARE(connectButton->text(), QStringLiteral("Disconnect"));
        CalibrationTable->show();
        QCoreApplication::processEvents();
        // The generator is modal: its buttons are pressed once it runs.
        QTimer::singleShot(0, GenffrCt, [] {
            GenffrCt->GenTable->click();
            GenffrCt->Usetbl->click();
        });
        CalibrationTable->formulagen->click();
        QCOMPARE(CalibrationTable->Table.Count, uint16_t(MaxCalPoints));
        CalibrationTable->SendTable->click();
        QCOMPARE(prompts.texts(), QStringList());
        const TCalTable& sent = ConsoleConfig.Tanks[0].CalTable;
        QCOMPARE(sent.Count, uint16_t(MaxCalPoints));
        QVERIFY(sent.Points[MaxCalPoints].Value > 0);
        QVERIFY(!progresf->isVisible());
        QCOMPARE(progresf->catprg->value(), 124);
        connectButton->click();
    }
    Services::installReal();
    qunsetenv("SERIAL_COM1");
}

QTEST_MAIN(E2eTablePtyTest)
#include "tst_e2e_table_pty.moc"
