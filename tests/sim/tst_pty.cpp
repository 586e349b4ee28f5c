// End to end through a real pseudo-terminal: QSerialPort link <-> devsim, in real time.
#include <QApplication>
#include <QProcess>
#include <QtTest>

#include "common/tankcfgtypes.h"
#include "platform/services.h"
#include "sim/devsimprocess.h"

class PtyTest : public QObject {
    Q_OBJECT
private slots:
    void identifyRoundTrip();
};

void PtyTest::identifyRoundTrip() {
    DevsimProcess sim(DEVSIM_PATH, {"--pace", "COM2=identprobe:3,identprobe:12"});
    if (!sim.start()) QSKIP(qPrintable("devsim did not start: " + sim.error()));
    QVERIFY(!sim.path("COM2").isEmpty());
    qputenv("SERIAL_COM2", sim.path("COM2").toLocal8Bit());
    Services::installReal();
    std::unique_ptr<SerialLink> link(Services::ports().create(nullptr));
    link->open(2, 9600);
    QList<QByteArray> lines;
    QObject::connect(link.get(), &SerialLink::lineFeedReceived, [&] { lines << link->read(2052); });
    for (int addr : {12, 7, 3}) {
        TShortFrame f{};
        f.Device = DevProbe;
        f.Addr = uint8_t(0x20 | addr);
        f.Code = 0x01;
        link->write(QByteArray::fromStdString(EncodeFrame(f)));
        QTest::qWait(addr == 7 ? 300 : 0);
        if (addr != 7) QTRY_VERIFY_WITH_TIMEOUT(!lines.isEmpty(), 10000);
        if (addr == 7) {
            QVERIFY(lines.isEmpty());  // nobody at 7
            continue;
        }
        TShortFrame r{};
        DecodeFrameReply(lines.takeFirst().toStdString(), r);
        QCOMPARE(int(r.Code), 0x81);
        QCOMPARE(int(r.Addr), 0x20 | addr);
    }
    link->close();
    qunsetenv("SERIAL_COM2");
}

QTEST_MAIN(PtyTest)
#include "tst_pty.moc"
