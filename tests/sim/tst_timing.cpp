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
    void nestedWaitEndsWhenItsConditionHolds();
};

namespace {
// A link on COM1 to a probe at address 3, an identify request for it, and a 500 ms program timer.
struct IdentRig {
    DeviceBus bus;
    SimEnv env;
    std::unique_ptr<SerialLink> link;
    std::unique_ptr<ProgramTimer> tick;
    QByteArray request;
    IdentRig() {
        bus.add<IdentProbe>(3);
        env.ports.attach(1, &bus);
        link.reset(Services::ports().create(nullptr));
        link->open(1, 9600);
        tick.reset(Services::clock().createTimer(nullptr, 500));
        TShortFrame f{};
        f.Device = 0xA5;
        f.Addr = 0x23;
        f.Code = 0x01;
        request = QByteArray::fromStdString(EncodeFrame(f));
    }
};
}  // namespace

void TimingTest::replyArrivesAtItsDueTime() {
    IdentRig r;
    r.bus.faults.extraLatencyMs = 100;
    QList<qint64> arrivals;
    connect(r.link.get(), &SerialLink::lineFeedReceived, [&] {
        r.link->read(2052);
        arrivals << r.env.clock.elapsedMs();
    });
    // A 500 ms timer whose slot writes a request and waits for its reply, as a probe-bus tick does.
    QList<qint64> sentAt;
    connect(r.tick.get(), &ProgramTimer::timeout, [&] {
        const int before = int(arrivals.size());
        sentAt << r.env.clock.elapsedMs();
        r.link->write(r.request);
        WaitUntil([&] { return arrivals.size() > before; });
    });
    r.tick->start();
    r.env.clock.advance(1600);
    QCOMPARE(sentAt.size(), 3);
    QCOMPARE(arrivals.size(), 3);
    // The probe answers after its own 15 ms plus the 100 ms added, never at the next tick.
    for (int i = 0; i < 3; ++i) QCOMPARE(arrivals[i] - sentAt[i], qint64(115));
}

void TimingTest::nestedWaitEndsWhenItsConditionHolds() {
    // A tick that writes two requests, the second waiting for the first one's reply, as a
    // probe-bus tick with two reads does. Each wait ends when the reply has come, not when the
    // clock's next event is due (which here is the end of the run).
    IdentRig r;
    int replies = 0;
    connect(r.link.get(), &SerialLink::lineFeedReceived, [&] {
        r.link->read(2052);
        ++replies;
    });
    QList<qint64> waitsEnded;
    connect(r.tick.get(), &ProgramTimer::timeout, [&] {
        for (int k = 0; k < 2; ++k) {
            const int before = replies;
            r.link->write(r.request);
            WaitUntil([&] { return replies > before; });
            waitsEnded << r.env.clock.elapsedMs();
        }
    });
    r.tick->start();
    r.env.clock.advance(10000);
    QStringList ended;
    for (qint64 t : waitsEnded) ended << QString::number(t);
    QVERIFY2(waitsEnded.size() >= 4, qPrintable(ended.join(u',')));
    // 15 ms per reply: each tick's waits end at 515 and 530 ms past its start.
    QCOMPARE(waitsEnded.mid(0, 4), (QList<qint64>{515, 530, 1015, 1030}));
}

TANKCFG_TEST_MAIN(TimingTest)
#include "tst_timing.moc"
