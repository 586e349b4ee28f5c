// The probe-bus link on the main window: connecting, sequence nibbles, the line discipline, the
// reply time-out, late replies, the cycle, and a port that is refused or lost.
#include "console/probebuslink.h"
#include "probefixture.h"

namespace {
// A port on which the device goes on talking while the program reads its reply: the bytes in
// afterRead come in just after the next read that takes a line feed, as they would on a wire
// that the driver keeps filling.
class ChattyLink final : public SerialLink {
public:
    ChattyLink(SimSerialLink* inner, QObject* parent) : SerialLink(parent), inner_(inner) {
        inner_->setParent(this);
        connect(inner_, &SerialLink::lineFeedReceived, this, &SerialLink::lineFeedReceived);
        connect(inner_, &SerialLink::bytesAvailable, this, &SerialLink::bytesAvailable);
        connect(inner_, &SerialLink::dsrChanged, this, &SerialLink::dsrChanged);
        connect(inner_, &SerialLink::lost, this, &SerialLink::lost);
    }
    QByteArray afterRead;

    void open(int comNumber, int baud) override {
        inner_->open(comNumber, baud);
        com_ = comNumber;
        baud_ = baud;
    }
    void close() override { inner_->close(); }
    bool isOpen() const override { return inner_->isOpen(); }
    void write(const QByteArray& bytes) override { inner_->write(bytes); }
    qint64 bytesWaiting() const override { return inner_->bytesWaiting(); }
    QByteArray read(qint64 maxBytes) override {
        const QByteArray got = inner_->read(maxBytes);
        if (got.contains('\n') && !afterRead.isEmpty()) inner_->arrive(std::exchange(afterRead, {}));
        return got;
    }
    void purgeInput() override { inner_->purgeInput(); }
    void purgeOutput() override { inner_->purgeOutput(); }
    bool dsr() const override { return inner_->dsr(); }

protected:
    bool waitingHasLineFeed() const override { return false; }  // the inner link raises the events

private:
    SimSerialLink* inner_;
};

struct ChattyPorts : SerialPorts {
    SimSerialPorts& sim;
    ChattyLink* last = nullptr;
    explicit ChattyPorts(SimSerialPorts& s) : sim(s) {}
    SerialLink* create(QObject* parent) override {
        last = new ChattyLink(static_cast<SimSerialLink*>(sim.create(nullptr)), parent);
        return last;
    }
};

// A probe reply of the given length in characters (even, 12..252) with a valid CRC: a
// measurement whose first reading is raw1, padded with data bytes.
QByteArray MeasurementLine(int raw1, int chars) {
    TShortFrame f{};
    f.Device = DevProbe;
    f.Addr = 0x20;
    f.Code = prData;
    f.Count = uint8_t((chars - 12) / 2);
    f.Data[0] = uint8_t(raw1 >> 16);
    f.Data[1] = uint8_t(raw1 >> 8);
    f.Data[2] = uint8_t(raw1);
    const QByteArray line = QByteArray::fromStdString(EncodeFrame(f));
    if (line.size() != chars) qFatal("a %d-character line is no frame", chars);
    return line;
}
}  // namespace

class ProbeLinkTest : public QObject {
    Q_OBJECT
private slots:
    void connectCaptionsAndPorts();
    void portHeldByTerminalLink();
    void sequenceNibbles();
    void closedPortRefusesEachRequest();
    void timeoutFreesTheLineWithoutResend();
    void lateReplyFreesTheNextFrame();
    void dsrNotice();
    void silentBusWithBothAutoRefreshes();
    void waitEndsWhenPortCloses();
    void lostPortStopsTheCycle();
    void clickGoesOutBetweenAutoRefreshes();
    void oneTickReadsTheProbeBeforeTheModule();
    void staleBytesBeforeARequestAreDropped();
    void bytesArrivingAfterTheReadAreDropped();
    void decodedCopyEndsAfter120Characters();
};

void ProbeLinkTest::connectCaptionsAndPorts() {
    ProbeRig r(false);
    auto* button = r.find("ProbeConnect");
    QCOMPARE(button->text(), QStringLiteral("Connect "));
    r.find<QComboBox>("portsel")->setCurrentIndex(2);  // "Via Console"
    r.click("ProbeConnect");
    QCOMPARE(r.env.ports.openCount(3), 1);
    QCOMPARE(r.env.ports.openBauds(3), QList<int>{9600});
    QVERIFY(button->isChecked());
    QCOMPARE(button->text(), QStringLiteral("Disconnect"));
    QCOMPARE(r.find<QLabel>("prconstat")->property("connected").toBool(), true);
    QVERIFY(r.w->probeBus().everConnected());
    QVERIFY(r.w->probeBus().cycleTimer()->isActive());
    QVERIFY(r.w->probeBus().lineFree());

    // A frame out when the user disconnects: the time-out and the cycle stop, the line stays
    // taken until the next connect frees it.
    r.w->SendProbeCommand(0x00, 2);
    QVERIFY(!r.w->probeBus().lineFree());
    r.click("ProbeConnect");
    QVERIFY(!r.w->probeBus().isOpen());
    QCOMPARE(button->text(), QStringLiteral("Connect"));
    QCOMPARE(r.find<QLabel>("prconstat")->property("connected").toBool(), false);
    QVERIFY(!r.w->probeBus().cycleTimer()->isActive() && !r.w->probeBus().replyTimer()->isActive());
    r.env.clock.advance(2000);
    QCOMPARE(r.timeouts(), 0);
    QVERIFY(!r.w->probeBus().lineFree());
    r.click("ProbeConnect");
    QVERIFY(r.w->probeBus().lineFree());
    QCOMPARE(button->text(), QStringLiteral("Disconnect"));

    // The accessibility action toggles the button without a click; it connects all the same.
    r.click("ProbeConnect");
    button->toggle();
    QVERIFY(r.w->probeBus().isOpen());
    QCOMPARE(button->text(), QStringLiteral("Disconnect"));
    button->toggle();
    QVERIFY(!r.w->probeBus().isOpen());

    // "RS485 on COM2" opens port 2.
    ProbeRig two(false);
    two.env.ports.addEmptyPort(2);
    two.find<QComboBox>("portsel")->setCurrentIndex(1);
    two.click("ProbeConnect");
    QCOMPARE(two.env.ports.openCount(2), 1);
    QVERIFY(two.env.prompts.shown.isEmpty());
}

void ProbeLinkTest::portHeldByTerminalLink() {
    ProbeRig r(false);
    r.click("TrmConnect");
    QVERIFY(r.session().terminal().isOpen());
    r.env.prompts.queue(PromptAnswer::ok());
    r.click("ProbeConnect");  // "RS485 on COM1", the terminal's port
    QCOMPARE(r.env.prompts.shown.size(), 1);
    const PromptRecord& box = r.env.prompts.shown[0];
    QCOMPARE(box.caption, QStringLiteral("Vantrel control"));
    QCOMPARE(box.icon, MsgIcon::Error);
    QCOMPARE(box.text, QStringLiteral("COM1: the port is in use by another program."));
    auto* button = r.find("ProbeConnect");
    QVERIFY(button->isChecked());
    QCOMPARE(button->text(), QStringLiteral("Connect "));
    QCOMPARE(r.find<QLabel>("prconstat")->property("connected").toBool(), false);
    QVERIFY(!r.w->probeBus().cycleTimer()->isActive());
    QVERIFY(!r.w->probeBus().everConnected());
    QVERIFY(r.session().terminal().isOpen());
    // The next click takes the disconnect path and leaves the terminal's port alone.
    r.click("ProbeConnect");
    QCOMPARE(button->text(), QStringLiteral("Connect"));
    QVERIFY(r.session().terminal().isOpen());
    QCOMPARE(r.env.prompts.shown.size(), 1);
}

void ProbeLinkTest::sequenceNibbles() {
    ProbeRig r;
    for (int i = 0; i < 8; ++i) r.w->SendProbeCommand(0x00, 3);
    r.w->SendModuleCommand(0x00, DevLeakModule, 2);
    r.w->SendModuleCommand(0x00, DevLeakModule, 5);
    for (int i = 0; i < 6; ++i) r.w->SendModuleCommand(0x00, DevLeakModule, 9);
    r.w->SendProbeCommand(0x00, 4);
    const auto lines = r.probeSent();
    QCOMPARE(lines.size(), 17);
    QList<int> probe3, modules;
    for (int i = 0; i < 8; ++i) probe3 << ProbeRig::addrByte(lines[i]);
    QCOMPARE(probe3, (QList<int>{0x23, 0x43, 0x63, 0x83, 0xA3, 0xC3, 0xE3, 0x03}));
    for (int i = 8; i < 16; ++i) modules << ProbeRig::addrByte(lines[i]);
    // One counter for all modules; above 15 it starts again at 0.
    QCOMPARE(modules, (QList<int>{0x22, 0x45, 0x69, 0x89, 0xA9, 0xC9, 0xE9, 0x09}));
    QCOMPARE(ProbeRig::device(lines[8]), 0xA6);
    QCOMPARE(ProbeRig::device(lines[0]), 0xA5);
    // Each probe address has its own counter.
    QCOMPARE(ProbeRig::addrByte(lines[16]), 0x24);
}

void ProbeLinkTest::closedPortRefusesEachRequest() {
    ProbeRig r(false);
    r.env.prompts.queue(PromptAnswer::ok());
    r.click("proberefresh");
    QCOMPARE(r.env.prompts.shown.size(), 1);
    QCOMPARE(r.env.prompts.shown[0].caption, QStringLiteral("Error"));
    QCOMPARE(r.env.prompts.shown[0].text, QStringLiteral("  ERROR No: 100 \r\r Not connected \r to RS485 Network !"));
    QCOMPARE(r.linesEndingWith(QStringLiteral(" /Error      > Not connected to RS485 Network! ")), 1);
    QVERIFY(r.env.ports.writtenBytes(3).isEmpty());
    // "Use" changes the probe all the same and shows the box once per request.
    r.find<QComboBox>("SlProbe")->setCurrentIndex(7);
    for (int i = 0; i < 3; ++i) r.env.prompts.queue(PromptAnswer::ok());
    r.click("ChgProbe");
    QCOMPARE(r.env.prompts.shown.size(), 4);
    QCOMPARE(r.text("iProben"), QStringLiteral("Probe Address: 7"));
    QCOMPARE(r.w->currentProbe(), uint8_t(7));
    // The refused requests still advanced the nibble.
    QCOMPARE(r.w->probeBus().probeSeq(7), uint8_t(6));
    QVERIFY(r.env.ports.writtenBytes(3).isEmpty());
}

void ProbeLinkTest::timeoutFreesTheLineWithoutResend() {
    ProbeRig r;
    const qint64 t0 = r.env.clock.elapsedMs();
    r.w->SendProbeCommand(0x00, 1);
    r.w->SendProbeCommand(0x01, 1);  // waits for the first one's time-out
    QCOMPARE(r.env.clock.elapsedMs() - t0, 300);
    QCOMPARE(r.timeouts(), 1);
    // Newest first: the second frame sent just above the time-out line.
    QVERIFY(r.log().value(0).contains(QStringLiteral(" /Send     > A541")));
    QVERIFY(r.log().value(1).endsWith(QStringLiteral("Probe Net Time out waiting for responce !")));
    r.env.clock.advance(300);
    QCOMPARE(r.timeouts(), 2);
    QCOMPARE(r.probeSent().size(), 2);  // nothing was sent again
    QVERIFY(r.w->probeBus().lineFree());
}

void ProbeLinkTest::lateReplyFreesTheNextFrame() {
    ProbeRig r;
    auto* p = r.probes.add<ConsoleProbe>(1);
    r.probes.faults.lateNext = 1;
    r.probes.faults.lateMs = 400;  // the reply comes 405 ms after its request
    const qint64 t0 = r.env.clock.elapsedMs();
    r.w->SendProbeCommand(0x00, 1);
    r.probes.faults.silentNext = 1;  // the second frame gets no reply of its own
    r.w->SendProbeCommand(0x01, 1);
    QCOMPARE(r.env.clock.elapsedMs() - t0, 300);
    // The first frame's reply frees the line of the second: the third goes out at once.
    r.w->SendProbeCommand(0x91, 1);
    QVERIFY(r.env.clock.elapsedMs() - t0 < 600);
    QCOMPARE(r.timeouts(), 1);
    QCOMPARE(r.text("vSensval1"), QString::number(int(std::round(1000.0 * 1e6 / 3000.0))));
    r.env.clock.advance(100);
    QCOMPARE(r.w->probeSerial(1), std::string("202603140001"));
    QCOMPARE(p->answered, (QList<int>{0x00, 0x91}));  // and the identify between them
    QCOMPARE(r.probes.requests.size(), 3);
}

void ProbeLinkTest::dsrNotice() {
    ProbeRig r;
    r.env.ports.setDsr(3, true);
    r.env.clock.settle();
    QVERIFY(r.log().value(0).endsWith(QStringLiteral(" /Info  > DSR is ON!")));
    r.env.ports.setDsr(3, false);
    r.env.clock.settle();
    QCOMPARE(r.log().size(), 1);
}

void ProbeLinkTest::silentBusWithBothAutoRefreshes() {
    ProbeRig r;
    r.find<QCheckBox>("Autorefresh")->setChecked(true);
    r.find<QCheckBox>("LRMCBArefr")->setChecked(true);
    r.env.clock.advance(60000);
    const auto lines = r.probeSent();
    int probes = 0, modules = 0;
    for (const QByteArray& l : lines) (ProbeRig::device(l) == 0xA5 ? probes : modules) += 1;
    // Two time-outs per tick (600 ms) is longer than the interval: ticks follow each other
    // without nesting, one probe read and one module read each.
    QVERIFY2(probes >= 95 && probes <= 101, qPrintable(QString::number(probes)));
    QVERIFY(modules == probes || modules == probes - 1);
    QVERIFY(r.timeouts() >= lines.size() - 1 && r.timeouts() <= lines.size());
    // The module reads' time-outs are in the module log too.
    QVERIFY(r.linesEndingWith(QStringLiteral("Probe Net Time out waiting for responce !"), "LRMLogB") >= modules - 1);

    // Closing the program inside a tick's wait ends it at once, and nothing more goes out.
    r.env.clock.after(150, [&] { r.w->close(); });
    r.env.clock.advance(150);
    const int after = r.probeSent().size();
    QVERIFY(r.env.clock.runUntil([&] { return !r.w->probeBus().inCycle(); }, 10));
    r.env.clock.advance(5000);
    QCOMPARE(r.probeSent().size(), after);
    QVERIFY(r.env.prompts.shown.isEmpty());
}

void ProbeLinkTest::waitEndsWhenPortCloses() {
    ProbeRig r;
    r.w->SendProbeCommand(0x00, 1);
    bool returned = false;
    // A second request waits for the line; the user disconnects meanwhile.
    r.env.clock.after(100, [&] { r.click("ProbeConnect"); });
    r.w->SendProbeCommand(0x01, 1);
    returned = true;
    QVERIFY(returned);
    QCOMPARE(r.env.clock.elapsedMs(), 100);
    QCOMPARE(r.probeSent().size(), 1);
    QVERIFY(r.env.prompts.shown.isEmpty());
}

void ProbeLinkTest::lostPortStopsTheCycle() {
    ProbeRig r;
    r.find<QCheckBox>("Autorefresh")->setChecked(true);
    r.probes.add<ConsoleProbe>(0);
    r.env.clock.advance(1200);
    QVERIFY(r.probeSent().size() >= 2);
    r.env.ports.remove(3);
    r.env.clock.advance(5000);
    QVERIFY(!r.w->probeBus().isOpen());
    QVERIFY(!r.w->probeBus().cycleTimer()->isActive());
    QCOMPARE(r.find("ProbeConnect")->text(), QStringLiteral("Connect"));
    QVERIFY(!r.find("ProbeConnect")->isChecked());
    QCOMPARE(r.find<QLabel>("prconstat")->property("connected").toBool(), false);
    QVERIFY(r.env.prompts.shown.isEmpty());
    // The log says once which port went, and where it was.
    const QString gone =
        QStringLiteral("COM3 (%1): the port is gone; connect again once it is back").arg(ComDevicePath(3));
    QCOMPARE(r.linesEndingWith(LogPrefixError + gone), 1);
}

void ProbeLinkTest::clickGoesOutBetweenAutoRefreshes() {
    // A module answers the auto refresh; a click made while a read is out gets the line as
    // soon as that reply has freed it, before the next tick's read.
    ProbeRig r;
    r.probes.add<LeakModule>(0);
    r.probes.faults.extraLatencyMs = 100;
    r.find<QCheckBox>("LRMCBArefr")->setChecked(true);
    r.env.clock.advance(520);  // the first tick's read is out
    QVERIFY(!r.w->probeBus().lineFree());
    const int mark = r.probeSent().size();
    // Should the click never get the line, the user ends the auto refresh.
    r.env.clock.after(3000, [&] { r.find<QCheckBox>("LRMCBArefr")->setChecked(false); });
    r.click("proberefresh");
    const QList<QByteArray> after = r.probeSent().mid(mark);
    QVERIFY(!after.isEmpty());
    QCOMPARE(ProbeRig::device(after.first()), 0xA5);
    r.env.clock.advance(3000);
}

void ProbeLinkTest::oneTickReadsTheProbeBeforeTheModule() {
    // Both auto refreshes, both devices answering: each tick sends the probe read at the tick
    // and the module read once the probe has answered, before the next tick.
    ProbeRig r;
    r.probes.add<ConsoleProbe>(0);
    r.probes.add<LeakModule>(0);
    struct Sent {
        qint64 t;
        int device;
    };
    QList<Sent> sent;
    r.probes.faults.hook = [&](const QByteArray& request, QList<QByteArray> replies) {
        sent << Sent{r.env.clock.elapsedMs(), ProbeRig::device(request)};
        return replies;
    };
    r.find<QCheckBox>("Autorefresh")->setChecked(true);
    r.find<QCheckBox>("LRMCBArefr")->setChecked(true);
    r.env.clock.advance(4800);
    QCOMPARE(sent.size(), 18);
    for (int k = 0; k < 9; ++k) {
        const Sent& probe = sent[2 * k];
        const Sent& module = sent[2 * k + 1];
        QCOMPARE(probe.device, 0xA5);
        QCOMPARE(module.device, 0xA6);
        if (k > 0) QCOMPARE(probe.t - sent[2 * k - 2].t, 500);
        QVERIFY(module.t > probe.t && module.t < probe.t + 500);
    }
    QCOMPARE(r.timeouts(), 0);
}

void ProbeLinkTest::staleBytesBeforeARequestAreDropped() {
    // Noise that came while the line was free, without a line feed, waits in the port's input;
    // it must not stand in front of the next reply.
    ProbeRig r;
    r.probes.add<ConsoleProbe>(0);
    r.env.ports.openLink(3)->arrive(
        QByteArray("\r\x7F"
                   "A5",
                   4));
    r.env.clock.settle();
    r.request(pcGetSerial, 0);
    QCOMPARE(r.text("iProbeSn"), QStringLiteral("Probe SN: 202603140000"));
    QVERIFY(r.log().filter(QStringLiteral("/Error")).isEmpty());
    QVERIFY(r.log().value(0).contains(QStringLiteral("> A5209B202603140000")));
}

void ProbeLinkTest::bytesArrivingAfterTheReadAreDropped() {
    // The device sends one more line while its reply is being read: what came after the read
    // is discarded with the port's input, not handled as a second reply.
    SimEnv env;
    DeviceBus bus;
    bus.add<ConsoleProbe>(1);
    env.ports.attach(3, &bus);
    ChattyPorts chatty(env.ports);
    Services::install(nullptr, nullptr, &chatty);
    QList<TShortFrame> replies;
    QList<std::string> logged;
    ProbeBusLink::Hooks hooks;
    hooks.log = [&](const std::string& text, const char*) { logged << text; };
    hooks.report = [](int) {};
    hooks.reply = [&](const TShortFrame& f) { replies << f; };
    hooks.tick = [] {};
    ProbeBusLink link(nullptr, hooks);
    link.open(3);
    QVERIFY(chatty.last);
    const QByteArray trailing = MeasurementLine(4242, 36);
    chatty.last->afterRead = trailing;
    link.sendProbe(pcGetSerial, 1, {});
    QVERIFY(env.clock.runUntil([&] { return link.lineFree(); }, 1000));
    env.clock.advance(100);
    QVERIFY(chatty.last->afterRead.isEmpty());  // it did come
    QCOMPARE(replies.size(), 1);
    QCOMPARE(replies[0].Code, uint8_t(prSerial));
    QVERIFY(!logged.contains(trailing.toStdString()));
    // The next request gets its own reply.
    link.sendProbe(pcIdentify, 1, {});
    QVERIFY(env.clock.runUntil([&] { return link.lineFree(); }, 1000));
    QCOMPARE(replies.size(), 2);
    QCOMPARE(replies[1].Code, uint8_t(prIdentify));
    link.close();
}

void ProbeLinkTest::decodedCopyEndsAfter120Characters() {
    ProbeRig r;
    auto* dev = r.probes.add<ScriptedDevice>();
    const QString crcError = QStringLiteral("CRC ERROR during RECEIVE from Probe !");
    // The longest frame the decoder takes whole: 54 data bytes, 120 characters.
    dev->replies << MeasurementLine(1000, 120);
    r.request(pcReadData, 0);
    QCOMPARE(r.text("vSensval1"), QStringLiteral("1000"));
    QCOMPARE(r.linesEndingWith(crcError), 0);
    // One data byte more: cut after 120 characters it has no line feed and fails the check.
    dev->replies << MeasurementLine(2000, 122);
    r.request(pcReadData, 0);
    QCOMPARE(r.text("vSensval1"), QStringLiteral("1000"));
    QCOMPARE(r.linesEndingWith(crcError), 1);
    QVERIFY(r.log().value(1).endsWith(QString::fromLatin1(MeasurementLine(2000, 122).mid(1, 120))));
    // Bytes behind a 120-character frame in the same read are not looked at.
    dev->replies << MeasurementLine(3000, 120) + "ZZ";
    r.request(pcReadData, 0);
    QCOMPARE(r.text("vSensval1"), QStringLiteral("3000"));
    QCOMPARE(r.linesEndingWith(crcError), 1);
    QVERIFY(r.w->probeBus().lineFree());
}

TANKCFG_TEST_MAIN(ProbeLinkTest)
#include "tst_probelink.moc"
