// The transmit queue's timing, sequence numbers and the receive assembly, on virtual time.
#include "ostrelrig.h"

class EngineTest : public QObject {
    Q_OBJECT
private slots:
    void answeredCommandsFollowAtTheNextTick();
    void silentFirstCommandIsRepeatedAt75AndDroppedAt300();
    void silentLaterCommandIsRepeatedAt225AndDroppedAt450();
    void lineAfterCountdownStillCountsAsAnswer();
    void badLineCountsAsAnswer();
    void lateReplyOfDroppedCommandAnswersTheNext();
    void sequenceNumbersAndRepeatNumber();
    void dataByteAndFirstFrameBytes();
    void startSendingOnEmptyOrRunningQueue();
    void receiveAssembly();
    void twoLinesInOneEventAndLinesWaitingForProcessing();
    void overlongLineDoesNotBlockLaterLines();
    void closedPortDiscardsQueueAndEndsWait();
};

void EngineTest::answeredCommandsFollowAtTheNextTick() {
    OstrelRig r;
    r.probe(3);
    r.start();
    r.w->Probe.Address = 3;
    r.recordRequests();
    r.w->QueueCommand("01");
    r.w->QueueCommand("91");
    r.w->QueueCommand("90");
    const qint64 t0 = r.env.clock.elapsedMs();
    r.w->StartSending();
    QCOMPARE(r.w->ProgrB->max(), 3);
    QCOMPARE(r.w->ProgrB->position(), 0);
    QVERIFY(r.w->Wrktmr->isActive());
    // The bar counts the commands the clock has reached: maximum - still queued + 1 at a tick.
    QList<int> positions;
    for (qint64 t : {t0 + 76, t0 + 151}) r.env.clock.at(t, [&] { positions << r.w->ProgrB->position(); });
    QVERIFY(r.env.clock.runUntil([&] { return r.w->FTxQueue.isEmpty(); }, 5000));
    QCOMPARE(positions, (QList<int>{1, 2}));
    QCOMPARE(r.requestTimes(), (QList<qint64>{t0, t0 + 75, t0 + 150}));
    QCOMPARE(r.env.clock.elapsedMs() - t0, qint64(225));
    QVERIFY(!r.w->Wrktmr->isActive());
    QCOMPARE(r.w->ProgrB->position(), 0);
    QCOMPARE(r.logCount("E-"), 0);
    QCOMPARE(r.logCount("R-"), 3);
}

void EngineTest::silentFirstCommandIsRepeatedAt75AndDroppedAt300() {
    OstrelRig r;
    r.probe(3);
    r.start();
    r.w->Probe.Address = 3;
    r.recordRequests([](const QString& c) { return c == "01"; });
    r.w->QueueCommand("01");
    r.w->QueueCommand("90");
    const qint64 t0 = r.env.clock.elapsedMs();
    r.w->StartSending();
    int dropsBefore300 = -1;
    r.env.clock.at(t0 + 299, [&] { dropsBefore300 = r.logCount("E-"); });
    QVERIFY(r.env.clock.runUntil([&] { return r.w->FTxQueue.isEmpty(); }, 5000));
    QCOMPARE(r.requestCmds(), (QStringList{"01", "01", "90"}));
    QCOMPARE(r.requestTimes(), (QList<qint64>{t0, t0 + 75, t0 + 300}));
    QCOMPARE(dropsBefore300, 0);
    QCOMPARE(r.logCount("E-"), 1);
    QCOMPARE(r.log().filter("E-").first(), QString("E-092653 > No responce! "));
    // The next command went out in the dropping tick: its S- line sits above the E- line.
    const QStringList l = r.log();
    const auto sent90 = l.indexOf(QRegularExpression("S-\\d{6} >A5..90.*"));
    QVERIFY(sent90 >= 0 && sent90 < l.indexOf(QRegularExpression("E-.*")));
}

void EngineTest::silentLaterCommandIsRepeatedAt225AndDroppedAt450() {
    OstrelRig r;
    r.probe(3);
    r.start();
    r.w->Probe.Address = 3;
    r.recordRequests([](const QString& c) { return c == "90"; });
    for (const char* c : {"01", "90", "91"}) r.w->QueueCommand(c);
    const qint64 t0 = r.env.clock.elapsedMs();
    QVERIFY(r.w->SendAndWait());
    QCOMPARE(r.requestCmds(), (QStringList{"01", "90", "90", "91"}));
    // 90 first sent at 75, again 225 later, dropped 450 after its first sending.
    QCOMPARE(r.requestTimes(), (QList<qint64>{t0, t0 + 75, t0 + 300, t0 + 525}));
    QCOMPARE(r.logCount("E-"), 1);
    QCOMPARE(r.logCount("S-"), 4);
}

void EngineTest::lineAfterCountdownStillCountsAsAnswer() {
    OstrelRig r;
    r.probe(3);
    r.start();
    r.w->Probe.Address = 3;
    r.recordRequests();
    // The second command (sent by the clock at 75) answered at 270: after the tick at 225 that
    // ends its countdown, before the deciding tick at 300, so it is not repeated. Answered at
    // 310, it has gone out again at 300; the late line then answers the repeat.
    const struct {
        int lateMs;
        QStringList cmds;
        QList<qint64> times;
    } cases[] = {
        {190, {"01", "90", "91"}, {0, 75, 300}},
        {230, {"01", "90", "90", "91"}, {0, 75, 300, 375}},
    };
    for (const auto& c : cases) {
        r.requests.clear();
        for (const char* cmd : {"01", "90", "91"}) r.w->QueueCommand(cmd);
        r.env.clock.after(20, [&] {
            r.bus.faults.lateNext = 1;
            r.bus.faults.lateMs = c.lateMs;
        });
        const qint64 t0 = r.env.clock.elapsedMs();
        QVERIFY(r.w->SendAndWait());
        QCOMPARE(r.requestCmds(), c.cmds);
        QList<qint64> times;
        for (qint64 t : r.requestTimes()) times << t - t0;
        QCOMPARE(times, c.times);
        QCOMPARE(r.logCount("E-"), 0);
    }
}

void EngineTest::badLineCountsAsAnswer() {
    OstrelRig r;
    r.probe(3);
    r.start();
    r.w->Probe.Address = 3;
    r.bus.faults.badCrcNext = 1;
    r.w->QueueCommand("01");
    QVERIFY(r.w->SendAndWait());
    r.w->ProcessReplies();
    QCOMPARE(r.sentCommands(), QStringList{"01"});  // not repeated
    QVERIFY(!r.w->Probe.Present);                    // but not applied
}

void EngineTest::lateReplyOfDroppedCommandAnswersTheNext() {
    OstrelRig r;
    r.probe(3);
    r.start();
    r.w->Probe.Address = 3;
    r.recordRequests([](const QString& c) { return c == "90"; });
    // 01 is silent once, and its repeat is answered at 330, after it was dropped at 300.
    r.bus.faults.silentNext = 1;
    r.bus.faults.lateNext = 1;
    r.bus.faults.lateMs = 250;
    r.w->QueueCommand("01");
    r.w->QueueCommand("90");
    const qint64 t0 = r.env.clock.elapsedMs();
    QVERIFY(r.w->SendAndWait());
    QCOMPARE(r.requestCmds(), (QStringList{"01", "01", "90"}));
    QCOMPARE(r.env.clock.elapsedMs() - t0, qint64(375));  // 90 counted as answered, not repeated
    QCOMPARE(r.logCount("E-"), 1);
}

void EngineTest::sequenceNumbersAndRepeatNumber() {
    OstrelRig r;
    r.probe(3);
    r.start();
    r.w->Probe.Address = 3;
    r.w->Probe.SeqNo = 0;
    r.bus.faults.silentNext = 1;
    for (int i = 0; i < 8; ++i) r.w->QueueCommand("01");
    QVERIFY(r.w->SendAndWait());
    QList<int> addrBytes;
    for (const QByteArray& l : r.sentLines()) addrBytes << l.mid(3, 2).toInt(nullptr, 16);
    // The first is repeated after silence with the next number; every sending takes one.
    QCOMPARE(addrBytes, (QList<int>{0x23, 0x43, 0x63, 0x83, 0xA3, 0xC3, 0xE3, 0x03, 0x23}));
}

void EngineTest::dataByteAndFirstFrameBytes() {
    OstrelRig r;
    r.probe(3);
    r.start();
    r.w->Probe.Address = 3;
    r.w->Probe.SeqNo = 0;
    r.w->QueueCommand("01");
    r.w->QueueCommand("5102");
    QVERIFY(r.w->SendAndWait());
    QCOMPARE(r.sentLines().at(0), QByteArray("\rA523017FCA\n"));
    // Code 0x51 with the one data byte 0x02: 14 characters in all.
    const QByteArray second = r.sentLines().at(1);
    QCOMPARE(second.mid(1, 8), QByteArray("A5435102"));
    QCOMPARE(second.size(), 14);
    QCOMPARE(r.log().filter("S-").last(), QString("S-092653 >A523017FCA"));
}

void EngineTest::startSendingOnEmptyOrRunningQueue() {
    OstrelRig r;
    r.probe(3);
    r.start();
    r.w->Probe.Address = 3;
    r.w->ProgrB->setMax(7);
    r.w->ProgrB->setPosition(5);
    r.w->StartSending();
    QCOMPARE(r.w->ProgrB->position(), 0);
    QCOMPARE(r.w->ProgrB->max(), 0);
    QVERIFY(!r.w->Wrktmr->isActive());
    QVERIFY(r.sentLines().isEmpty());

    r.w->QueueCommand("01");
    r.w->QueueCommand("90");
    r.w->StartSending();
    r.env.clock.advance(80);
    QCOMPARE(r.sentLines().size(), 2);  // 01, then 90 at the first tick
    r.w->QueueCommand("91");
    r.w->QueueCommand("9A");
    r.w->StartSending();
    QCOMPARE(r.sentLines().size(), 2);  // nothing more sent now
    QCOMPARE(r.w->ProgrB->position(), 0);
    QCOMPARE(r.w->ProgrB->max(), 3);
    QVERIFY(r.env.clock.runUntil([&] { return r.w->FTxQueue.isEmpty(); }, 5000));
    QCOMPARE(r.sentCommands(), (QStringList{"01", "90", "91", "9A"}));
}

void EngineTest::receiveAssembly() {
    OstrelRig r;
    r.start();
    r.w->FAwaitingReply = true;
    // Noise before a CR is discarded.
    r.arrive("xyz" + OstrelRig::frame(rspIdentify));
    QCOMPARE(r.w->FRxQueue.size(), 1);
    QCOMPARE(r.w->FRxQueue.first(), OstrelRig::frame(rspIdentify));
    QVERIFY(!r.w->FAwaitingReply);
    QCOMPARE(r.log().first(), "R-092653 >" + QString::fromLatin1(OstrelRig::frame(rspIdentify).mid(1, 10)));
    // Noise followed by LF without any CR is a line, and an answer.
    r.w->FAwaitingReply = true;
    r.arrive("noise\n");
    QCOMPARE(r.w->FRxQueue.size(), 2);
    QCOMPARE(r.w->FRxQueue.at(1), QByteArray("noise\n"));
    QVERIFY(!r.w->FAwaitingReply);
    QCOMPARE(r.log().first(), QString("R-092653 >oise"));
    // A bare CR LF: logged with nothing after the arrow, and an answer too.
    r.w->FAwaitingReply = true;
    r.arrive("\r\n");
    QCOMPARE(r.log().first(), QString("R-092653 >"));
    QVERIFY(!r.w->FAwaitingReply);
    // A line split over two events.
    const QByteArray line = OstrelRig::frame(rspIdentify);
    r.arrive(line.left(4));
    QCOMPARE(r.w->FRxQueue.size(), 3);
    r.arrive(line.mid(4));
    QCOMPARE(r.w->FRxQueue.size(), 4);
    QCOMPARE(r.w->FRxQueue.last(), line);
    r.w->ProcessReplies();
    QVERIFY(r.w->FRxQueue.isEmpty());
    QVERIFY(r.w->Probe.Present);
}

void EngineTest::twoLinesInOneEventAndLinesWaitingForProcessing() {
    OstrelRig r;
    r.start();
    const QByteArray a = OstrelRig::frame(rspSpeed, OstrelRig::floatBytes(2800));
    const QByteArray b = OstrelRig::frame(rspSpeed, OstrelRig::floatBytes(3100));
    r.arrive(a + b);
    QCOMPARE(r.w->FRxQueue, (QList<QByteArray>{a, b}));
    QCOMPARE(r.logCount("R-"), 2);
    r.arrive(OstrelRig::frame(rspLength, OstrelRig::floatBytes(1234)));
    QCOMPARE(r.w->FRxQueue.size(), 3);
    r.w->ProcessReplies();
    QCOMPARE(r.w->Probe.WireSpeed, 3100.0);  // applied in arrival order: the later one stays
    QCOMPARE(r.w->Probe.ProbeLength, 1234.0);
    QVERIFY(r.w->FRxQueue.isEmpty());
}

void EngineTest::overlongLineDoesNotBlockLaterLines() {
    OstrelRig r;
    r.start();
    // A line of 130 characters that would be a valid reply if it were decoded whole.
    QByteArray data(59, '\x11');
    const QByteArray longLine = OstrelRig::frame(rspSpeed, OstrelRig::floatBytes(2800) + data);
    QVERIFY(longLine.size() > 120);
    r.arrive(longLine + OstrelRig::frame(rspIdentify));
    r.w->ProcessReplies();
    QVERIFY(r.w->FRxQueue.isEmpty());
    QVERIFY(r.w->Probe.Present);
    QCOMPARE(r.w->Probe.WireSpeed, 3000.0);  // the long line was not applied
    QVERIFY(r.env.prompts.shown.isEmpty());
    // Endless noise without CR or LF stays bounded and is dropped at its LF.
    r.arrive(QByteArray(100000, 'x'));
    QVERIFY(r.w->FRxLine.size() <= 1024);
    r.arrive("\n" + OstrelRig::frame(rspIdentify));
    r.w->Probe.Present = false;
    r.w->ProcessReplies();
    QVERIFY(r.w->FRxQueue.isEmpty());
    QVERIFY(r.w->Probe.Present);
}

void EngineTest::closedPortDiscardsQueueAndEndsWait() {
    OstrelRig r;
    r.probe(3);
    r.start();
    r.w->Probe.Address = 5;  // nobody there
    for (int i = 0; i < 5; ++i) r.w->QueueCommand("01");
    r.env.clock.after(100, [&] { r.env.ports.remove(3); });
    const qint64 t0 = r.env.clock.elapsedMs();
    QVERIFY(r.w->SendAndWait());
    QVERIFY(r.env.clock.elapsedMs() - t0 <= 300);
    QVERIFY(r.w->FTxQueue.isEmpty());
    QCOMPARE(r.w->ProgrB->position(), 0);
    // The head ran out of time at that tick; the four behind it went without a log line.
    QCOMPARE(r.logCount("E-"), 1);
    QCOMPARE(r.logCount("S-"), 2);
    // With the port gone, starting again fails with the port's error and keeps the command.
    r.w->QueueCommand("01");
    Guard([&] { r.w->StartSending(); });
    QCOMPARE(r.w->FTxQueue.size(), 1);
    QVERIFY(!r.w->Wrktmr->isActive());
    QCOMPARE(r.env.prompts.shown.size(), 1);
    QCOMPARE(r.env.prompts.shown[0].caption, QString("Probe config"));
    QCOMPARE(r.env.prompts.shown[0].text, QString("COM3: port not open."));
}

TANKCFG_TEST_MAIN(EngineTest)
#include "tst_engine.moc"
