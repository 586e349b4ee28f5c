// The transmit queue's timing, sequence numbers and the receive assembly, on virtual time.
#include "ostrelrig.h"

class EngineTest : public QObject {
    Q_OBJECT
private slots:
    void answeredCommandsFollowAtTheNextTick();
    void silentFirstCommandIsRepeatedAt75AndDroppedAt300();
    void silentLaterCommandIsRepeatedAt225AndDroppedAt450();
    void lineAfterCountdownStillCountsAsAnswer();
    void silentCommandAfterAnAnsweredRepeatIsSentTwice();
    void silentCommandAfterADroppedOneIsSentTwice();
    void badLineCountsAsAnswer();
    void lateReplyOfDroppedCommandAnswersTheNext();
    void sequenceNumbersAndRepeatNumber();
    void dataByteAndFirstFrameBytes();
    void startSendingOnEmptyOrRunningQueue();
    void receiveAssembly();
    void twoLinesInOneEventAndLinesWaitingForProcessing();
    void overlongLineDoesNotBlockLaterLines();
    void linesOfUpTo120CharactersAreDecoded();
    void closedPortDiscardsQueueAndEndsWait();
    void engineRunsWithoutAWindow();
};

void EngineTest::answeredCommandsFollowAtTheNextTick() {
    OstrelRig r;
    r.probe(3);
    r.startAt(3);
    r.recordRequests();
    r.w->QueueCommand("01");
    r.w->QueueCommand("91");
    r.w->QueueCommand("90");
    const qint64 t0 = r.env.clock.elapsedMs();
    r.w->StartSending();
    QCOMPARE(r.gauge()->max(), 3);
    QCOMPARE(r.gauge()->position(), 0);
    QVERIFY(r.timer("Wrktmr")->isActive());
    // The bar counts the commands the clock has reached: maximum - still queued + 1 at a tick.
    QList<int> positions;
    for (qint64 t : {t0 + 76, t0 + 151}) r.env.clock.at(t, [&] { positions << r.gauge()->position(); });
    QVERIFY(r.env.clock.runUntil([&] { return r.link()->Pending().isEmpty(); }, 5000));
    QCOMPARE(positions, (QList<int>{1, 2}));
    QCOMPARE(r.requestTimes(), (QList<qint64>{t0, t0 + 75, t0 + 150}));
    QCOMPARE(r.env.clock.elapsedMs() - t0, qint64(225));
    QVERIFY(!r.timer("Wrktmr")->isActive());
    QCOMPARE(r.gauge()->position(), 0);
    QCOMPARE(r.logCount("E-"), 0);
    QCOMPARE(r.logCount("R-"), 3);
}

void EngineTest::silentFirstCommandIsRepeatedAt75AndDroppedAt300() {
    OstrelRig r;
    r.probe(3);
    r.startAt(3);
    r.recordRequests([](const QString& c) { return c == "01"; });
    r.w->QueueCommand("01");
    r.w->QueueCommand("90");
    const qint64 t0 = r.env.clock.elapsedMs();
    r.w->StartSending();
    int dropsBefore300 = -1;
    r.env.clock.at(t0 + 299, [&] { dropsBefore300 = r.logCount("E-"); });
    QVERIFY(r.env.clock.runUntil([&] { return r.link()->Pending().isEmpty(); }, 5000));
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
    r.startAt(3);
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
    r.startAt(3);
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

void EngineTest::silentCommandAfterAnAnsweredRepeatIsSentTwice() {
    OstrelRig r;
    r.probe(3);
    r.startAt(3);
    r.recordRequests([](const QString& c) { return c == "90"; });
    // 01 is silent once and answered on its repeat; 90 behind it never answers.
    r.bus.faults.silentNext = 1;
    r.w->QueueCommand("01");
    r.w->QueueCommand("90");
    r.w->QueueCommand("91");
    const qint64 t0 = r.env.clock.elapsedMs();
    QVERIFY(r.w->SendAndWait());
    QCOMPARE(r.requestCmds(), (QStringList{"01", "01", "90", "90", "91"}));
    // 01 at 0 and 75, answered; 90 at 150 and 375, dropped at 600 with 91 sent.
    QCOMPARE(r.requestTimes(), (QList<qint64>{t0, t0 + 75, t0 + 150, t0 + 375, t0 + 600}));
    QCOMPARE(r.logCount("E-"), 1);
}

void EngineTest::silentCommandAfterADroppedOneIsSentTwice() {
    OstrelRig r;
    r.startAt(5);  // nobody there
    r.recordRequests();
    r.w->QueueCommand("01");
    r.w->QueueCommand("90");
    r.w->QueueCommand("91");
    const qint64 t0 = r.env.clock.elapsedMs();
    QVERIFY(r.w->SendAndWait());
    QCOMPARE(r.requestCmds(), (QStringList{"01", "01", "90", "90", "91", "91"}));
    QCOMPARE(r.requestTimes(), (QList<qint64>{t0, t0 + 75, t0 + 300, t0 + 525, t0 + 750, t0 + 975}));
    QCOMPARE(r.logCount("E-"), 3);
    QCOMPARE(r.env.clock.elapsedMs() - t0, qint64(1200));
}

void EngineTest::badLineCountsAsAnswer() {
    OstrelRig r;
    r.probe(3);
    r.startAt(3);
    r.bus.faults.badCrcNext = 1;
    r.w->QueueCommand("01");
    QVERIFY(r.w->SendAndWait());
    r.w->ProcessReplies();
    QCOMPARE(r.sentCommands(), QStringList{"01"});  // not repeated
    QVERIFY(!r.probeState().Present);               // but not applied
}

void EngineTest::lateReplyOfDroppedCommandAnswersTheNext() {
    OstrelRig r;
    r.probe(3);
    r.startAt(3);
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
    r.startAt(3);
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
    r.startAt(3);
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
    r.startAt(3);
    r.gauge()->setMax(7);
    r.gauge()->setPosition(5);
    r.w->StartSending();
    QCOMPARE(r.gauge()->position(), 0);
    QCOMPARE(r.gauge()->max(), 0);
    QVERIFY(!r.timer("Wrktmr")->isActive());
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
    QCOMPARE(r.gauge()->position(), 0);
    QCOMPARE(r.gauge()->max(), 3);
    QVERIFY(r.env.clock.runUntil([&] { return r.link()->Pending().isEmpty(); }, 5000));
    QCOMPARE(r.sentCommands(), (QStringList{"01", "90", "91", "9A"}));
}

void EngineTest::receiveAssembly() {
    OstrelRig r;
    r.startAt(5);  // nobody there: only the lines the test sends answer
    // One command in flight; a line that answers it keeps it from going out again.
    int sent = 0;
    auto sendOne = [&] {
        r.w->QueueCommand("01");
        r.w->StartSending();
        ++sent;
        return r.link()->AwaitingReply();
    };
    auto answered = [&] {
        r.env.clock.advance(80);
        return r.sentLines().size() == sent && r.link()->Pending().isEmpty();
    };
    // Noise before a CR is discarded.
    QVERIFY(sendOne());
    r.arrive("xyz" + OstrelRig::frame(rspIdentify));
    QCOMPARE(r.link()->ReceivedLines().size(), 1);
    QCOMPARE(r.link()->ReceivedLines().first(), OstrelRig::frame(rspIdentify));
    QVERIFY(!r.link()->AwaitingReply());
    QCOMPARE(r.log().first(), "R-092653 >" + QString::fromLatin1(OstrelRig::frame(rspIdentify).mid(1, 10)));
    QVERIFY(answered());
    // Noise followed by LF without any CR is a line, and an answer.
    QVERIFY(sendOne());
    r.arrive("noise\n");
    QCOMPARE(r.link()->ReceivedLines().size(), 2);
    QCOMPARE(r.link()->ReceivedLines().at(1), QByteArray("noise\n"));
    QVERIFY(!r.link()->AwaitingReply());
    QCOMPARE(r.log().first(), QString("R-092653 >oise"));
    QVERIFY(answered());
    // A bare CR LF: logged with nothing after the arrow, and an answer too.
    QVERIFY(sendOne());
    r.arrive("\r\n");
    QCOMPARE(r.log().first(), QString("R-092653 >"));
    QVERIFY(!r.link()->AwaitingReply());
    QVERIFY(answered());
    QCOMPARE(r.logCount("E-"), 0);
    // A line split over two events.
    const QByteArray line = OstrelRig::frame(rspIdentify);
    r.arrive(line.left(4));
    QCOMPARE(r.link()->ReceivedLines().size(), 3);
    r.arrive(line.mid(4));
    QCOMPARE(r.link()->ReceivedLines().size(), 4);
    QCOMPARE(r.link()->ReceivedLines().last(), line);
    r.w->ProcessReplies();
    QVERIFY(r.link()->ReceivedLines().isEmpty());
    QVERIFY(r.probeState().Present);
}

void EngineTest::twoLinesInOneEventAndLinesWaitingForProcessing() {
    OstrelRig r;
    r.start();
    const QByteArray a = OstrelRig::frame(rspSpeed, OstrelRig::floatBytes(2800));
    const QByteArray b = OstrelRig::frame(rspSpeed, OstrelRig::floatBytes(3100));
    r.arrive(a + b);
    QCOMPARE(r.link()->ReceivedLines(), (QList<QByteArray>{a, b}));
    QCOMPARE(r.logCount("R-"), 2);
    r.arrive(OstrelRig::frame(rspLength, OstrelRig::floatBytes(1234)));
    QCOMPARE(r.link()->ReceivedLines().size(), 3);
    r.w->ProcessReplies();
    QCOMPARE(r.probeState().WireSpeed, 3100.0);  // applied in arrival order: the later one stays
    QCOMPARE(r.probeState().ProbeLength, 1234.0);
    QVERIFY(r.link()->ReceivedLines().isEmpty());
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
    QVERIFY(r.link()->ReceivedLines().isEmpty());
    QVERIFY(r.probeState().Present);
    QCOMPARE(r.probeState().WireSpeed, 3000.0);  // the long line was not applied
    QVERIFY(r.env.prompts.shown.isEmpty());
    // Endless noise without CR or LF stays bounded and is dropped at its LF.
    r.arrive(QByteArray(100000, 'x'));
    QVERIFY(r.link()->PartialLine().size() <= 1024);
    r.arrive("\n" + OstrelRig::frame(rspSpeed, OstrelRig::floatBytes(2800)));
    r.w->ProcessReplies();
    QVERIFY(r.link()->ReceivedLines().isEmpty());
    QCOMPARE(r.probeState().WireSpeed, 2800.0);
}

void EngineTest::linesOfUpTo120CharactersAreDecoded() {
    OstrelRig r;
    r.start();
    // The longest line the decoder takes: CR and LF included, 120 characters (54 data bytes).
    const QByteArray at120 = OstrelRig::frame(rspSpeed, OstrelRig::floatBytes(2800) + QByteArray(50, '\x11'));
    QCOMPARE(at120.size(), 120);
    r.apply(at120);
    QCOMPARE(r.probeState().WireSpeed, 2800.0);
    // One data byte more, valid all the same: not applied, and the line behind it is.
    const QByteArray at122 = OstrelRig::frame(rspSpeed, OstrelRig::floatBytes(2900) + QByteArray(51, '\x11'));
    QCOMPARE(at122.size(), 122);
    r.apply(at122 + OstrelRig::frame(rspLength, OstrelRig::floatBytes(1234)));
    QVERIFY(r.link()->ReceivedLines().isEmpty());
    QCOMPARE(r.probeState().WireSpeed, 2800.0);
    QCOMPARE(r.probeState().ProbeLength, 1234.0);
    QVERIFY(r.env.prompts.shown.isEmpty());
}

void EngineTest::closedPortDiscardsQueueAndEndsWait() {
    OstrelRig r;
    r.probe(3);
    r.startAt(5);  // nobody there
    for (int i = 0; i < 5; ++i) r.w->QueueCommand("01");
    r.env.clock.after(100, [&] { r.env.ports.remove(3); });
    const qint64 t0 = r.env.clock.elapsedMs();
    QVERIFY(r.w->SendAndWait());
    QVERIFY(r.env.clock.elapsedMs() - t0 <= 300);
    QVERIFY(r.link()->Pending().isEmpty());
    QCOMPARE(r.gauge()->position(), 0);
    // The head ran out of time at that tick; the four behind it went without a log line.
    QCOMPARE(r.logCount("E-"), 1);
    QCOMPARE(r.logCount("S-"), 2);
    // With the port gone, starting again fails with the port's error and keeps the command.
    r.w->QueueCommand("01");
    r.env.prompts.queue(PromptAnswer::ok());
    Guard([&] { r.w->StartSending(); });
    QCOMPARE(r.link()->Pending().size(), 1);
    QVERIFY(!r.timer("Wrktmr")->isActive());
    QCOMPARE(r.env.prompts.shown.size(), 1);
    QCOMPARE(r.env.prompts.shown[0].caption, QString("Probe config"));
    QCOMPARE(r.env.prompts.shown[0].text, QString("COM3: port not open."));
}

void EngineTest::engineRunsWithoutAWindow() {
    OstrelRig r;
    r.probe(3);
    ProbeTxEngine link;
    QStringList log;
    QList<std::pair<int, int>> progress;
    QList<int> codes;
    connect(&link, &ProbeTxEngine::logLine, [&](const QString& l) { log << l.left(2); });
    connect(&link, &ProbeTxEngine::progress, [&](int p, int m) { progress << std::pair{p, m}; });
    connect(&link, &ProbeTxEngine::replyReceived, [&](const TShortFrame& f) { codes << f.Code; });
    link.Port()->open(3, 9600);
    link.SelectProbe(3);
    link.QueueCommand("01");
    link.QueueCommand("91");
    QVERIFY(link.SendAndWait());
    QVERIFY(codes.isEmpty());  // replies wait for the reply pass
    link.ProcessReplies();
    QCOMPARE(codes, (QList<int>{rspIdentify, rspSerial}));
    QCOMPARE(log, (QStringList{"S-", "R-", "S-", "R-"}));
    QCOMPARE(progress.first(), (std::pair{0, 2}));
    QCOMPARE(progress.last(), (std::pair{0, 2}));
    QCOMPARE(int(link.SeqNo()), 4);
    // Shut down, it sends nothing more and no wait runs.
    link.Shutdown();
    QVERIFY(!link.Port()->isOpen());
    link.QueueCommand("01");
    QVERIFY(!link.SendAndWait());
    QCOMPARE(r.sentLines().size(), 2);
}

TANKCFG_TEST_MAIN(EngineTest)
#include "tst_engine.moc"
