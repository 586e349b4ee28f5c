// End to end on the real clock: Ostrel's window, the QSerialPort link and devsim's probes on
// pseudo-terminals. The float is moved from the program's side of the line with the model's
// test command 0x7E while a "Move sensor" box is open.
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QtTest>

#include "common/tankcfgtypes.h"
#include "platform/errorguard.h"
#include "platform/serial.h"
#include "platform/services.h"
#include "platform/wait.h"
#include "probetool/HelpWin.h"
#include "probetool/probc.h"
#include "probetool/scanb.h"
#include "probetool/txengine.h"
#include "sim/devsimprocess.h"
#include "sim/scriptedprompts.h"

class E2ePtyTest : public QObject {
    Q_OBJECT
private slots:
    void selectReadAndCalibrate();
};

namespace {
QByteArray moveFloat(int address, double mm) {
    TShortFrame f{};
    f.Device = DevProbe;
    f.Addr = uint8_t(address);
    f.Code = 0x7E;
    f.Count = 5;
    f.Data[0] = 1;
    const auto b = SingleToBE(mm);
    for (int i = 0; i < 4; ++i) f.Data[1 + i] = b[size_t(i)];
    return QByteArray::fromStdString(EncodeFrame(f));
}
}  // namespace

void E2ePtyTest::selectReadAndCalibrate() {
    DevsimProcess sim(DEVSIM_PATH, {"COM3=probe:3", "COM5=probe:7"});
    if (!sim.start()) QSKIP(qPrintable("devsim did not start: " + sim.error()));
    for (int n : {1, 2, 4, 6}) qputenv(("SERIAL_COM" + QByteArray::number(n)).constData(), "");
    qputenv("SERIAL_COM3", sim.path("COM3").toLocal8Bit());
    qputenv("SERIAL_COM5", sim.path("COM5").toLocal8Bit());
    Services::installReal();
    ScriptedPrompts prompts;  // real clock and ports; the boxes answered by script
    Services::install(nullptr, &prompts, nullptr);
    SetAppQuitting(false);
    SetAppTitle(OstrelTitle);

    Tprobc w;
    w.AttachWindows(new TScanbus(&w, w.Link()), new THelpWindow(&w));
    auto* Comsel = w.findChild<QComboBox*>("Comsel");
    auto* Addr = w.findChild<QComboBox*>("Addr");
    auto* WireSpd = w.findChild<QLineEdit*>("WireSpd");
    auto* ProbLen = w.findChild<QLineEdit*>("ProbLen");
    auto* Bupdate = w.findChild<QPushButton*>("Bupdate");
    auto* BCalibr = w.findChild<QPushButton*>("BCalibr");
    auto* Status = w.findChild<QPlainTextEdit*>("Status");
    SerialLink* ComPort = w.Link()->Port();
    QCOMPARE(Comsel->count(), 2);
    QCOMPARE(Comsel->itemText(0), QString("COM3"));
    QCOMPARE(Comsel->itemText(1), QString("COM5"));
    QVERIFY(ComPort->isOpen());

    QElapsedTimer t;
    t.start();
    Addr->setCurrentIndex(3);
    emit Addr->activated(3);
    QVERIFY(w.ProbeState().Present);
    QVERIFY(Bupdate->isEnabled());
    // The probe's speed and length were never set: FF FF FF FF, read as 0 and substituted.
    QCOMPARE(Status->toPlainText().split('\n'),
             (QStringList{"SN: 202603140003", "Speed:2999.0 [m/s]", "Length: Not calibrated !"}));
    QCOMPARE(WireSpd->text(), QString("2999.0"));
    QCOMPARE(ProbLen->text(), QString("500.0"));
    QVERIFY2(t.elapsed() < 10000, qPrintable(QString::number(t.elapsed())));

    // P1 = 300 and P2 = 3000 mm above the bottom of a 5700 mm probe.
    PromptAnswer p1;
    p1.whileOpen = [ComPort] { ComPort->write(moveFloat(3, 5400)); };
    PromptAnswer p2;
    p2.whileOpen = [ComPort] { ComPort->write(moveFloat(3, 2700)); };
    prompts.queue(p1);
    prompts.queue(p2);
    t.restart();
    BCalibr->click();
    QCOMPARE(prompts.texts(), (QStringList{"Move sensor to Point 1", "Move sensor to Point 2"}));
    QCOMPARE(WireSpd->text(), QString("3000.00"));
    QCOMPARE(ProbLen->text(), QString("5700.00"));
    QVERIFY2(t.elapsed() < 30000, qPrintable(QString::number(t.elapsed())));

    // Written to the probe and read back.
    Bupdate->click();
    QCOMPARE(w.ProbeState().WireSpeed, 3000.0);
    QCOMPARE(w.ProbeState().ProbeLength, 5700.0);
    QVERIFY(w.LogLines().filter("E-").isEmpty());
    w.close();
    QVERIFY(!ComPort->isOpen());
    QVERIFY2(prompts.strictnessProblem().isEmpty(), qPrintable(prompts.strictnessProblem()));
    SetAppQuitting(false);
    for (int n = 1; n <= 6; ++n) qunsetenv(("SERIAL_COM" + QByteArray::number(n)).constData());
}

QTEST_MAIN(E2ePtyTest)
#include "tst_e2e_pty.moc"
