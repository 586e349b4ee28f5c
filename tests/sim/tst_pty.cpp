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
    auto identify = [&](int addr) {
        TShortFrame f{};
        f.Device = DevProbe;
        f.Addr = uint8_t(0x20 | addr);
        f.Code = 0x01;
        link->write(QByteArray::fromStdString(EncodeFrame(f)));
    };
    auto replyAddr = [](const QByteArray& line) {
        TShortFrame r{};
        DecodeFrameReply(line.toStdString(), r);
        return r.Code == 0x81 ? int(r.Addr) : -1;
    };
    identify(12);
    QTRY_VERIFY_WITH_TIMEOUT(!lines.isEmpty(), 10000);
    QCOMPARE(replyAddr(lines.takeFirst()), 0x2C);
    // Nobody at 7: asked right before 3, an answer from 7 would come first.
    identify(7);
    identify(3);
    QTRY_VERIFY_WITH_TIMEOUT(!lines.isEmpty(), 10000);
    QCOMPARE(replyAddr(lines.takeFirst()), 0x23);
    QVERIFY(lines.isEmpty());
    link->close();
    qunsetenv("SERIAL_COM2");
}

QTEST_MAIN(PtyTest)
#include "tst_pty.moc"
