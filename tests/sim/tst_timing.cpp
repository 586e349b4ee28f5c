// Virtual time hands a device's reply to the program at the reply's own due time, also while a
// program timer ticks and waits nested inside its slot.
#include <QApplication>
#include <QtTest>

#include "common/tankcfgtypes.h"
#include "platform/services.h"
#include "platform/wait.h"
#include "sim/identprobe.h"
#include "sim/testenv.h"

class TimingTest : public QObject {
    Q_OBJECT
private slots:
    void replyArrivesAtItsDueTime();
};

void TimingTest::replyArrivesAtItsDueTime() {
    SimEnv env;
    DeviceBus bus;
    bus.add<IdentProbe>(3);
    bus.faults.extraLatencyMs = 100;
    env.ports.attach(1, &bus);
    std::unique_ptr<SerialLink> link(Services::ports().create(nullptr));
    link->open(1, 9600);
    QList<qint64> arrivals;
    connect(link.get(), &SerialLink::lineFeedReceived, [&] {
        link->read(2052);
        arrivals << env.clock.elapsedMs();
    });
    // A 500 ms timer whose slot writes a request and waits for its reply, as a probe-bus tick does.
    std::unique_ptr<ProgramTimer> tick(Services::clock().createTimer(nullptr, 500));
    TShortFrame f{};
    f.Device = 0xA5;
    f.Addr = 0x23;
    f.Code = 0x01;
    const QByteArray req = QByteArray::fromStdString(EncodeFrame(f));
    QList<qint64> sentAt;
    connect(tick.get(), &ProgramTimer::timeout, [&] {
        const int before = int(arrivals.size());
        sentAt << env.clock.elapsedMs();
        link->write(req);
        WaitUntil([&] { return arrivals.size() > before; });
    });
    tick->start();
    env.clock.advance(1600);
    QCOMPARE(sentAt.size(), 3);
    QCOMPARE(arrivals.size(), 3);
    // The probe answers after its own 15 ms plus the 100 ms added, never at the next tick.
    for (int i = 0; i < 3; ++i) QCOMPARE(arrivals[i] - sentAt[i], qint64(115));
}

TANKCFG_TEST_MAIN(TimingTest)
#include "tst_timing.moc"
