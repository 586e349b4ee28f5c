// The "Probe Config" page's operations against probes in the console program's dialect.
#include <QGroupBox>

#include "probefixture.h"

class ProbeOpsTest : public QObject {
    Q_OBJECT
private slots:
    void choosingAProbe();
    void refreshShowsTheFloats();
    void setAddressAsksUntilValid();
    void setAddressEndsWithTheProgram();
    void setAddressWithoutAnswersCannotHoldATest();
    void periodVolumeAndSensors();
    void speedOfWireDigitByDigit();
    void lostAcknowledgementStopsTheChain();
    void chainReadsTheFieldAtEachTick();
    void modelsIgnoreBadRequests();
};

namespace {
struct OpsRig : ProbeRig {
    ConsoleProbe* p2;
    ConsoleProbe* p5;
    OpsRig() {
        p2 = probes.add<ConsoleProbe>(2, 3052.18);
        p5 = probes.add<ConsoleProbe>(5);
    }
    void use(int addr) {
        find<QComboBox>("SlProbe")->setCurrentIndex(addr);
        click("ChgProbe");
        env.clock.runUntil([this] { return w->probeBus().lineFree(); }, 1000);
    }
    // Every frame sent since the mark, as "code:data".
    QStringList since(int mark) const { return probeCodes().mid(mark); }
};
}  // namespace

void ProbeOpsTest::choosingAProbe() {
    OpsRig r;
    QCOMPARE(r.text("iProben"), QStringLiteral("Probe Address: 0"));
    QCOMPARE(r.text("iProbeSn"), QStringLiteral("Probe SN: XXXXXXXXXXXX"));
    r.p5->volumeLevel = 33;
    r.find<QComboBox>("SlProbe")->setCurrentIndex(5);
    QCOMPARE(r.text("ProbeCInfo"), QStringLiteral("Info - Not Detected"));
    QCOMPARE(r.w->currentProbe(), uint8_t(0));  // only "Use" changes it
    r.click("ChgProbe");
    r.env.clock.advance(200);
    QCOMPARE(r.probeCodes(), (QStringList{"91:", "90:", "61:"}));
    for (const QByteArray& l : r.probeSent()) QCOMPARE(ProbeRig::addrByte(l) & 0x0F, 5);
    QCOMPARE(r.text("iProben"), QStringLiteral("Probe Address: 5"));
    QCOMPARE(r.text("iProbeSn"), QStringLiteral("Probe SN: 202603140005"));
    QCOMPARE(r.find<QSpinBox>("PrSpdOfWire")->value(), 300000);  // "3000" from 0x90
    QCOMPARE(r.find<QSpinBox>("PrVolLevel")->value(), 33);       // from 0x61
    QCOMPARE(r.timeouts(), 0);
    QVERIFY(r.env.prompts.shown.isEmpty());
}

void ProbeOpsTest::refreshShowsTheFloats() {
    OpsRig r;
    r.use(2);
    r.p2->setFloat(1, 1500.0);
    r.p2->setFloat(2, 1900.0);
    r.p2->temps[0] = -12.5;
    r.click("proberefresh");
    r.env.clock.advance(100);
    const int raw1 = int(std::round(1500.0 * 1e6 / 3052.18));
    QCOMPARE(r.text("vSensval1"), QString::number(raw1));
    QCOMPARE(r.text("vSenslev1"), QString::fromStdString(FloatToFixed(305200.0 * raw1 / 1e8)));
    QCOMPARE(r.text("vTmpr"), QStringLiteral("-12.50"));
    QCOMPARE(r.text("vStatus"), QStringLiteral("00000001"));
    // Auto refresh: one read per tick while checked.
    r.find<QCheckBox>("Autorefresh")->setChecked(true);
    const int before = r.p2->dataRequests;
    r.env.clock.advance(5000);
    QVERIFY(r.p2->dataRequests - before >= 9 && r.p2->dataRequests - before <= 11);
    r.find<QCheckBox>("Autorefresh")->setChecked(false);
    r.p2->measureErrorNext = 1;
    r.click("proberefresh");
    r.env.clock.advance(100);
    QVERIFY(r.log().value(0).endsWith(QStringLiteral(" /Error      > Internal error during meshurment !")));
}

void ProbeOpsTest::setAddressAsksUntilValid() {
    OpsRig r;
    r.use(2);
    const int mark = r.probeSent().size();
    for (const char* t : {"16", "-1", "abc", ""}) r.env.prompts.queue(PromptAnswer::input(QString::fromLatin1(t)));
    r.env.prompts.queue(PromptAnswer::cancel());
    r.env.prompts.queue(PromptAnswer::input(QStringLiteral("15")));
    r.env.prompts.queue(PromptAnswer::ok());  // the probe's "Info" box
    r.click("SetAddres");
    r.env.clock.advance(100);
    QCOMPARE(r.env.prompts.shown.size(), 7);  // six questions, then the probe's "Info" box
    const PromptRecord& q = r.env.prompts.shown[0];
    QCOMPARE(q.kind, PromptRecord::Input);
    QCOMPARE(q.caption, QStringLiteral("Change address of Probe "));
    QCOMPARE(q.text, QStringLiteral("Enter new address between \"0\" and \"15\":"));
    QCOMPARE(q.preset, QStringLiteral("X"));
    QCOMPARE(r.env.prompts.shown[6].caption, QStringLiteral("Info"));
    QCOMPARE(r.since(mark), QStringList{"02:0F"});
    QCOMPARE(r.p2->address(), 15);
    // The page keeps the old address, and so do the next requests.
    QCOMPARE(r.text("iProben"), QStringLiteral("Probe Address: 2"));
    r.click("proberefresh");
    r.env.clock.advance(400);
    QCOMPARE(ProbeRig::addrByte(r.probeSent().last()) & 0x0F, 2);
    QCOMPARE(r.timeouts(), 1);
}

void ProbeOpsTest::setAddressEndsWithTheProgram() {
    OpsRig r;
    // A user who only ever cancels: the question comes back until the program ends.
    int asked = 0;
    r.env.prompts.responder = [&](const PromptRecord& rec) {
        if (rec.kind == PromptRecord::Input && ++asked == 25) r.w->close();
        return PromptAnswer::cancel();
    };
    const int mark = r.probeSent().size();
    r.click("SetAddres");
    QCOMPARE(asked, 25);
    QCOMPARE(r.probeSent().size(), mark);
}

void ProbeOpsTest::setAddressWithoutAnswersCannotHoldATest() {
    OpsRig r;
    const int mark = r.probeSent().size();
    r.click("SetAddres");  // nothing queued: every question is cancelled
    QVERIFY(AppQuitting());
    QCOMPARE(r.env.prompts.shown.size(), 100);
    QCOMPARE(r.probeSent().size(), mark);
    QVERIFY(r.env.prompts.strictnessProblem().contains(QStringLiteral("without an answer")));
    r.env.prompts.clear();  // the failure this test expects
}

void ProbeOpsTest::periodVolumeAndSensors() {
    OpsRig r;
    r.use(2);
    const int mark = r.probeSent().size();
    r.click("Change");  // " 20": asks for 40 ms
    r.env.clock.advance(100);
    QCOMPARE(r.text("vMPer"), QStringLiteral(" 40"));
    r.click("Change");
    r.env.clock.advance(100);
    QCOMPARE(r.text("vMPer"), QStringLiteral(" 20"));
    r.find<QSpinBox>("PrVolLevel")->setValue(99);
    r.click("ApplyToProbe");
    r.env.clock.advance(100);
    QCOMPARE(r.p2->volumeLevel, 99);
    r.click("use1sr");
    r.env.clock.advance(100);
    QVERIFY(r.find<QGroupBox>("Sensor2")->isHidden());
    r.click("use2sr");
    r.env.clock.advance(100);
    QVERIFY(!r.find<QGroupBox>("Sensor2")->isHidden());
    QCOMPARE(r.since(mark), (QStringList{"06:00", "06:01", "04:63", "51:01", "51:02"}));
    QCOMPARE(r.p2->answered.mid(3), (QList<int>{0x06, 0x06, 0x04, 0x51, 0x51}));
}

void ProbeOpsTest::speedOfWireDigitByDigit() {
    OpsRig r;
    r.use(2);
    r.p2->setSpeedDigits("0000");
    const int mark = r.probeSent().size();
    QList<qint64> at;
    r.probes.faults.hook = [&](const QByteArray&, QList<QByteArray> replies) {
        at << r.env.clock.elapsedMs();
        return replies;
    };
    r.click("SetSow");
    r.env.clock.advance(5000);
    QCOMPARE(r.since(mark), (QStringList{"92:33", "93:30", "94:35", "95:32"}));
    QCOMPARE(r.p2->speedDigits(), QByteArray("3052"));
    // One digit per tick: each after the last acknowledgement, at a tick.
    for (int i = 1; i < at.size(); ++i) QVERIFY(at[i] - at[i - 1] >= 1 && at[i] - at[i - 1] <= 500);
    QCOMPARE(r.timeouts(), 0);
    // Read back: the digits times 100.
    r.use(2);
    QCOMPARE(r.find<QSpinBox>("PrSpdOfWire")->value(), 305200);
}

void ProbeOpsTest::lostAcknowledgementStopsTheChain() {
    OpsRig r;
    r.use(2);
    const int mark = r.probeSent().size();
    r.click("SetSow");
    r.env.clock.advance(200);
    r.p2->silentDigitNext = 1;  // the second digit gets no acknowledgement
    r.env.clock.advance(5000);
    QCOMPARE(r.since(mark), (QStringList{"92:33", "93:30"}));
    QCOMPARE(r.timeouts(), 1);
    // A new "Set" starts again at digit 1.
    r.click("SetSow");
    r.env.clock.advance(3000);
    QCOMPARE(r.since(mark).mid(2), (QStringList{"92:33", "93:30", "94:35", "95:32"}));
}

void ProbeOpsTest::chainReadsTheFieldAtEachTick() {
    OpsRig r;
    r.use(2);
    auto* sow = r.find<QSpinBox>("PrSpdOfWire");
    int mark = r.probeSent().size();
    r.click("SetSow");
    sow->setValue(398765);  // the remaining digits come from the new value
    r.env.clock.advance(3000);
    QCOMPARE(r.since(mark), (QStringList{"92:33", "93:39", "94:38", "95:37"}));

    // A value being typed that is too short for the next digit sends nothing more.
    mark = r.probeSent().size();
    sow->setValue(305218);
    r.click("SetSow");
    sow->findChild<QLineEdit*>()->setText(QStringLiteral("30"));
    r.env.clock.advance(3000);
    QCOMPARE(r.since(mark), (QStringList{"92:33", "93:30"}));
    QCOMPARE(r.timeouts(), 0);
}

void ProbeOpsTest::modelsIgnoreBadRequests() {
    // The models answer only sound requests at their own address and device byte.
    ConsoleProbe p(4);
    LeakModule m(4);
    TShortFrame f{};
    f.Device = 0xA5;
    f.Addr = 0x24;
    f.Code = 0x01;
    const QByteArray good = QByteArray::fromStdString(EncodeFrame(f));
    QVERIFY(p.accepts(good) && !m.accepts(good));
    QVERIFY(!p.accepts(CorruptCrc(good)));
    QCOMPARE(p.handleLine(CorruptCrc(good)).size(), 0);
    f.Addr = 0x25;
    QVERIFY(!p.accepts(QByteArray::fromStdString(EncodeFrame(f))));
    // Relay commands switch the relays and answer with the data; or with another code.
    f.Device = 0xA6;
    f.Addr = 0x44;
    f.Code = 0x02;
    f.Count = 1;
    f.Data[0] = 0xFF;
    auto replies = m.handleLine(QByteArray::fromStdString(EncodeFrame(f)));
    QCOMPARE(replies.size(), 1);
    QVERIFY(m.relays[1] && !m.relays[0]);
    QCOMPARE(replies[0].mid(1, 6), QByteArray("A64480"));
    QCOMPARE(replies[0].mid(9, 2), QByteArray("82"));  // input 1 and relay 2
    m.otherCodeNext = 1;
    f.Data[0] = 0x00;
    replies = m.handleLine(QByteArray::fromStdString(EncodeFrame(f)));
    QCOMPARE(replies[0].mid(5, 2), QByteArray("81"));
    QVERIFY(!m.relays[1]);
}

TANKCFG_TEST_MAIN(ProbeOpsTest)
#include "tst_probeops.moc"
