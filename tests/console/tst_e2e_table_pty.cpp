// End to end: a whole calibration table, given or generated in the editor, over QSerialPort to devsim's tank console on
// a pseudo-terminal, real time. The console refuses the last block when the header's checksum does not match the values
// it received.
#include <QApplication>
#include <QElapsedTimer>
#include <QProgressBar>
#include <QTimer>
#include <QtTest>

#include "calibration/genffctbl.h"
#include "calibration/tablecfg.h"
#include "console/progresft.h"
#include "ptyconsole.h"

class E2eTablePtyTest : public QObject {
    Q_OBJECT
private slots:
    void cylinderTableIsTakenWithItsChecksum();
    void generatedTableSentFromTheEditor();
};

void E2eTablePtyTest::cylinderTableIsTakenWithItsChecksum() {
    PtyConsole pty({"--latency", "0"});
    if (!pty.start()) QSKIP(qPrintable(pty.problem()));
    TCalTable& t = pty.program->session().ConsoleConfig.Tanks[0].CalTable;
    t.Count = MaxCalPoints;
    t.Mode = 1;
    t.Step = 0.6475f;
    for (int i = 1; i <= MaxCalPoints; ++i) {
        t.Points[i].Arg = float(i * 0.6475);
        t.Points[i].Value = float(HorCylinderVolume(i * 0.6475, 5000, 1295) / 1e6);
    }
    QElapsedTimer clock;
    clock.start();
    uint8_t n = 1;
    pty.program->forms().MainConfig->SendCalibrationTable(n);
    QVERIFY2(clock.elapsed() < 60000, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(pty.prompts.texts(), QStringList());
    QVERIFY(!pty.program->forms().progresf->isVisible());
    QCOMPARE(pty.program->forms().progresf->catprg->value(), 124);
    QVERIFY(pty.connected());
}

void E2eTablePtyTest::generatedTableSentFromTheEditor() {
    PtyConsole pty({"--latency", "0"});
    if (!pty.start()) QSKIP(qPrintable(pty.problem()));
    pty.program->forms().CalibrationTable->show();
    QCoreApplication::processEvents();
    // The generator is modal: its buttons are pressed once it runs.
    QTimer::singleShot(0, pty.program->forms().GenffrCt, [&] {
        pty.program->forms().GenffrCt->GenTable->click();
        pty.program->forms().GenffrCt->Usetbl->click();
    });
    pty.program->forms().CalibrationTable->formulagen->click();
    QCOMPARE(pty.program->forms().CalibrationTable->Table.Count, uint16_t(MaxCalPoints));
    pty.program->forms().CalibrationTable->SendTable->click();
    QCOMPARE(pty.prompts.texts(), QStringList());
    const TCalTable& sent = pty.program->session().ConsoleConfig.Tanks[0].CalTable;
    QCOMPARE(sent.Count, uint16_t(MaxCalPoints));
    QVERIFY(sent.Points[MaxCalPoints].Value > 0);
    QVERIFY(!pty.program->forms().progresf->isVisible());
    QCOMPARE(pty.program->forms().progresf->catprg->value(), 124);
}

QTEST_MAIN(E2eTablePtyTest)
#include "tst_e2e_table_pty.moc"
