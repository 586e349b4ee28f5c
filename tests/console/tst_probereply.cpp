// Every probe and module reply the console program applies, with the worked examples, short
// and hostile replies, and the line freed after each.
#include <QGroupBox>
#include <QPushButton>
#include <QRandomGenerator>

#include "common/probepayload.h"
#include "probefixture.h"

class ProbeReplyTest : public QObject {
    Q_OBJECT
private slots:
    void measurementWorkedExamples();
    void shortReplyReadsZerosNotStaleBytes();
    void speedDigitsSerialAndSettings();
    void addressSetBoxDoesNotBlockTheLine();
    void moduleRow();
    void faultRun();
    void calibrationSamplesStayInTheArray();
    void hostileLinesNeverBreakTheLink();
};

namespace {
struct ReplyRig : ProbeRig {
    ScriptedDevice* dev;
    ReplyRig() { dev = probes.add<ScriptedDevice>(); }
    // A refresh of the current probe answered by line.
    void answer(const QByteArray& line) {
        dev->replies << line;
        request(0x00, w->currentProbe());
    }
};
}  // namespace

void ProbeReplyTest::measurementWorkedExamples() {
    ReplyRig r;
    r.find<QSpinBox>("PrSpdOfWire")->setValue(300000);
    r.answer(Reply(0xA5, 0x20, 0x80, {0x0F, 0x42, 0x40, 0x00, 0x01, 0x00, 0xEE, 0, 1, 0x07, 0x19, 0xA5}));
    QCOMPARE(r.text("vSensval1"), QStringLiteral("1000000"));
    QCOMPARE(r.text("vSenslev1"), QStringLiteral("3000.000"));
    QCOMPARE(r.text("vSensval2"), QStringLiteral("256"));
    QCOMPARE(r.text("vSenslev2"), QStringLiteral("   0.768"));
    QCOMPARE(r.text("vTmpr"), QStringLiteral("50.00"));  // the low three bits of byte 9 dropped
    QCOMPARE(r.text("vStatus"), QStringLiteral("10100101"));
    QCOMPARE(r.find<QSpinBox>("PrVolLevel")->value(), 1);  // byte 7 = 0
    QCOMPARE(r.text("vMPer"), QStringLiteral(" 20"));
    QVERIFY(r.w->probeBus().lineFree());

    r.answer(Reply(0xA5, 0x20, 0x80, {0, 0, 0, 0, 0, 0, 0, 150, 0, 0x80, 0xFF, 0}));
    QCOMPARE(r.text("vTmpr"), QStringLiteral("-1.00"));
    QCOMPARE(r.find<QSpinBox>("PrVolLevel")->value(), 99);
    QCOMPARE(r.text("vMPer"), QStringLiteral(" 40"));
    QCOMPARE(r.text("vSenslev1"), QStringLiteral("   0.000"));

    r.find<QCheckBox>("isLM35")->setChecked(true);
    r.answer(Reply(0xA5, 0x20, 0x80, {0, 0, 0, 0, 0, 0, 0, 42, 0, 0x07, 0x19, 0}));
    QCOMPARE(r.text("vTmpr"), QStringLiteral("25"));
    QCOMPARE(r.find<QSpinBox>("PrVolLevel")->value(), 42);
}

void ProbeReplyTest::shortReplyReadsZerosNotStaleBytes() {
    ReplyRig r;
    r.answer(Reply(0xA5, 0x20, 0x80, {0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0, 77, 1, 0x07, 0x19, 0xFF}));
    QCOMPARE(r.text("vStatus"), QStringLiteral("11111111"));
    // Two data bytes only: every later position reads 0, not what the last reply held there.
    r.answer(Reply(0xA5, 0x20, 0x80, {0x00, 0x01}));
    QCOMPARE(r.text("vSensval1"), QString::number(0x000100));
    QCOMPARE(r.text("vSensval2"), QStringLiteral("0"));
    QCOMPARE(r.text("vStatus"), QStringLiteral("00000000"));
    QCOMPARE(r.text("vTmpr"), QStringLiteral("0.00"));
    QCOMPARE(r.find<QSpinBox>("PrVolLevel")->value(), 1);
    QCOMPARE(r.text("vMPer"), QStringLiteral(" 40"));
}

void ProbeReplyTest::speedDigitsSerialAndSettings() {
    ReplyRig r;
    auto* sow = r.find<QSpinBox>("PrSpdOfWire");
    r.answer(Reply(0xA5, 0x20, 0x9C, {'3', '0', '5', '2'}));
    QCOMPARE(sow->value(), 305200);
    r.answer(Reply(0xA5, 0x20, 0x9C, {'1', '5', '0', '0'}));
    QCOMPARE(sow->value(), 200000);
    r.answer(Reply(0xA5, 0x20, 0x9C, {'9', '9', '9', '9'}));
    QCOMPARE(sow->value(), 400000);

    // Serials are stored per replying address; the page shows the current probe's.
    r.find<QComboBox>("SlProbe")->setCurrentIndex(2);
    r.dev->replies << Reply(0xA5, 0x22, 0x9B, {0xAB, 0xCD, 0xEF, 0x01, 0x23, 0x45});
    r.click("ChgProbe");
    r.env.clock.advance(1000);
    QCOMPARE(r.text("iProbeSn"), QStringLiteral("Probe SN: ABCDEF012345"));
    r.answer(Reply(0xA5, 0x25, 0x9B, {0x20, 0x26, 0x03, 0x14, 0x00, 0x05}));
    QCOMPARE(r.w->probeSerial(5), std::string("202603140005"));
    QCOMPARE(r.w->probeSerial(2), std::string("ABCDEF012345"));
    QCOMPARE(r.text("iProbeSn"), QStringLiteral("Probe SN: ABCDEF012345"));

    // Identify outside a scan records nothing.
    r.answer(Reply(0xA5, 0x22, 0x81));
    r.find<QComboBox>("SlProbe")->setCurrentIndex(3);
    r.find<QComboBox>("SlProbe")->setCurrentIndex(2);
    QCOMPARE(r.text("ProbeCInfo"), QStringLiteral("Info - Not Detected"));

    const QString ack = QStringLiteral(" /Error      > ");
    r.answer(Reply(0xA5, 0x22, 0x96, {0}));
    QCOMPARE(r.text("vMPer"), QStringLiteral(" 40"));
    QVERIFY(r.log().value(0).endsWith(ack));  // report 11: an empty error line, no box
    r.answer(Reply(0xA5, 0x22, 0x86, {3}));
    QCOMPARE(r.text("vMPer"), QStringLiteral(" 20"));
    auto* sensor2 = r.find<QGroupBox>("Sensor2");
    r.answer(Reply(0xA5, 0x22, 0x95, {1}));
    QVERIFY(sensor2->isHidden());
    r.answer(Reply(0xA5, 0x22, 0x95, {2}));
    QVERIFY(!sensor2->isHidden());
    r.answer(Reply(0xA5, 0x22, 0x94, {0}));
    QCOMPARE(r.find<QSpinBox>("PrVolLevel")->value(), 1);
    r.answer(Reply(0xA5, 0x22, 0x94, {77}));
    QCOMPARE(r.find<QSpinBox>("PrVolLevel")->value(), 77);
    r.answer(Reply(0xA5, 0x22, 0x88));
    QVERIFY(r.log().value(0).endsWith(QStringLiteral(" /Error      > Internal error during meshurment !")));
    // Codes outside the table change nothing and free the line.
    const int lines = r.log().size();
    r.answer(Reply(0xA5, 0x22, 0x83, {1, 2, 3}));
    QCOMPARE(r.log().size(), lines + 2);
    QVERIFY(r.w->probeBus().lineFree());
    QVERIFY(r.env.prompts.shown.isEmpty());
}

void ProbeReplyTest::addressSetBoxDoesNotBlockTheLine() {
    ReplyRig r;
    r.find<QCheckBox>("Autorefresh")->setChecked(true);
    PromptAnswer ok;
    ok.afterMs = 2000;  // the user reads the box for two seconds; ticks run meanwhile
    r.env.prompts.queue(ok);
    r.dev->replies << Reply(0xA5, 0x20, 0x82);
    r.w->SendProbeCommand(0x02, 0, {4});
    r.env.clock.advance(600);
    QCOMPARE(r.env.prompts.shown.size(), 1);
    QCOMPARE(r.env.prompts.shown[0].caption, QStringLiteral("Info"));
    QCOMPARE(r.env.prompts.shown[0].text, QStringLiteral("  Info : \r\r The address was\r set succesfull !"));
    // The ticks under the open box still send their reads, each ending in its time-out.
    r.env.clock.advance(3000);
    int reads = 0;
    for (const QByteArray& l : r.probeSent()) reads += ProbeRig::code(l) == 0x00;
    QVERIFY2(reads >= 8, qPrintable(QString::number(reads)));
    QVERIFY(r.linesEndingWith(QStringLiteral(" /Error      > ")) == 1);
}

void ProbeReplyTest::moduleRow() {
    ReplyRig r;
    r.dev->replies << Reply(0xA6, 0x23, 0x80, {0x2D, 0x83, 0xC8});
    r.w->SendModuleCommand(0x00, DevLeakModule, 3);
    r.env.clock.advance(100);
    QCOMPARE(r.cell(4, 1), QStringLiteral("20"));
    QCOMPARE(r.cell(4, 2), QStringLiteral(" 200"));
    QCOMPARE(r.cell(4, 3), QStringLiteral(" ON"));
    QCOMPARE(r.cell(4, 4), QStringLiteral(" ON"));
    QCOMPARE(r.cell(4, 5), QStringLiteral(" 1"));
    for (int c = 6; c <= 9; ++c) QCOMPARE(r.cell(4, c), QStringLiteral(" 0"));
    QCOMPARE(r.cell(3, 1), QStringLiteral("  XXX"));  // other rows keep their placeholders
    QCOMPARE(r.text("LRMAin1VH"), QStringLiteral("C8"));
    QCOMPARE(r.text("LRMAin1VD"), QStringLiteral("200"));
    QCOMPARE(r.text("LRMTV"), QStringLiteral("20"));
    QCOMPARE(r.text("LRMDi1V"), QStringLiteral("1"));
    QCOMPARE(r.text("LRMDi5V"), QStringLiteral("0"));
    auto* r1 = r.find<QPushButton>("LRMR1");
    auto* r2 = r.find<QPushButton>("LRMR2");
    QVERIFY(r1->isEnabled() && r1->isChecked() && r2->isEnabled() && r2->isChecked());
    QCOMPARE(r1->text(), QStringLiteral("Reset Relay 1"));
    QCOMPARE(r2->text(), QStringLiteral("Reset Relay 2"));

    // Relay 2 only, five inputs in bits 7..3 (bit 2 is not an input), a sub-zero temperature.
    r.dev->replies << Reply(0xA6, 0x20, 0x80, {0x00, 0x56, 0x0A});
    r.w->SendModuleCommand(0x00, DevLeakModule, 0);
    r.env.clock.advance(100);
    QCOMPARE(r.cell(1, 1), QStringLiteral("-25"));
    QCOMPARE(r.cell(1, 3), QStringLiteral(" OFF"));
    QCOMPARE(r.cell(1, 4), QStringLiteral(" ON"));
    QStringList bits;
    for (int c = 5; c <= 9; ++c) bits << r.cell(1, c);
    QCOMPARE(bits, (QStringList{" 0", " 1", " 0", " 1", " 0"}));
    QCOMPARE(r.text("LRMAin1VH"), QStringLiteral("0A"));
    QVERIFY(!r1->isChecked() && r2->isChecked());
    QCOMPARE(r1->text(), QStringLiteral("Set Relay 1"));
    QCOMPARE(r.cell(4, 1), QStringLiteral("20"));
    // The module lines reach the module log.
    QCOMPARE(r.log("LRMLogB").size(), 4);  // two frames sent, two replies
    QVERIFY(r.log("LRMLogB").value(0).contains(QStringLiteral(" /Receve > A6208000560A")));
}

void ProbeReplyTest::faultRun() {
    ReplyRig r;
    auto nextGoesOut = [&r] {
        // The line is free at once: the next request is written without waiting.
        const int before = r.probeSent().size();
        QVERIFY(r.w->probeBus().lineFree());
        r.w->SendProbeCommand(0x01, 9);
        QCOMPARE(r.probeSent().size(), before + 1);
        r.env.clock.advance(300);
    };
    // Bad CRC from a probe.
    r.dev->replies << CorruptCrc(Reply(0xA5, 0x20, 0x80, {1, 2, 3}));
    r.request(0x00, 0);
    QVERIFY(r.log().value(0).endsWith(QStringLiteral(" /Error      > CRC ERROR during RECEIVE from Probe !")));
    nextGoesOut();
    // Bad CRC from a module: the error line reaches the module log too.
    r.dev->replies << CorruptCrc(Reply(0xA6, 0x22, 0x80, {1, 2, 3}));
    r.w->SendModuleCommand(0x00, DevLeakModule, 2);
    r.env.clock.advance(100);
    QVERIFY(
        r.log("LRMLogB").value(0).endsWith(QStringLiteral(" /Error      > CRC ERROR during RECEIVE from Module !")));
    QCOMPARE(r.cell(3, 1), QStringLiteral("  XXX"));
    nextGoesOut();
    // A foreign device byte: report 202 and nothing else.
    const QString before = r.text("vSensval1");
    r.dev->replies << Reply(0x00, 0x20, 0x80, {1, 2, 3});
    r.request(0x00, 0);
    QVERIFY(r.log().value(0).endsWith(QStringLiteral(" /Error      > RECEVED Message ERROR!")));
    QCOMPARE(r.linesEndingWith(QStringLiteral("RECEVED Message ERROR!")), 1);
    QCOMPARE(r.text("vSensval1"), before);
    nextGoesOut();
    // A 200-character line: cut to what the decoder holds, it fails the frame check.
    QByteArray longLine = Reply(0xA5, 0x20, 0x80, {});
    longLine.insert(7, QByteArray(200 - longLine.size(), '0'));
    QCOMPARE(longLine.size(), 200);
    r.dev->replies << longLine;
    r.request(0x00, 0);
    QVERIFY(r.log().value(0).endsWith(QStringLiteral("CRC ERROR during RECEIVE from Probe !")));
    QCOMPARE(r.log().value(1).size() - r.log().value(1).indexOf(QStringLiteral("> ")) - 2, 198);
    nextGoesOut();
    // Non-digits in the speed-of-wire reply: the conversion error in the standard box, the
    // field unchanged, the line free.
    auto* sow = r.find<QSpinBox>("PrSpdOfWire");
    r.dev->replies << Reply(0xA5, 0x20, 0x9C, {'3', 'O', '5', '2'});
    r.env.prompts.queue(PromptAnswer::ok());
    r.request(0x00, 0);
    QCOMPARE(r.env.prompts.shown.size(), 1);
    QCOMPARE(r.env.prompts.shown[0].caption, QStringLiteral("Vantrel control"));
    QCOMPARE(r.env.prompts.shown[0].icon, MsgIcon::Error);
    QCOMPARE(r.env.prompts.shown[0].text, QStringLiteral("'3O52' is not a valid integer value."));
    QCOMPARE(sow->value(), 305218);
    nextGoesOut();
    // Too short for four characters: the missing ones read as byte 0, which the number
    // conversion skips like blanks; 3 x 100 is held at the field's minimum.
    r.dev->replies << Reply(0xA5, 0x20, 0x9C, {'3'});
    r.request(0x00, 0);
    QCOMPARE(r.env.prompts.shown.size(), 1);
    QCOMPARE(sow->value(), 200000);
    nextGoesOut();
    // Noise ending in a line feed while nothing is out is handled all the same.
    r.probes.sendToHost("\r12\n");
    r.env.clock.advance(10);
    QVERIFY(r.log().value(0).endsWith(QStringLiteral(" /Error      > RECEVED Message ERROR!")));
    nextGoesOut();
}

void ProbeReplyTest::calibrationSamplesStayInTheArray() {
    int32_t samples[17] = {};
    int32_t count = 0;
    for (int i = 1; i <= 20; ++i) AddSowSample(samples, count, i);
    QCOMPARE(count, 17);
    for (int i = 0; i < 16; ++i) QCOMPARE(samples[i], i + 1);
    QCOMPARE(samples[16], 20);  // the 18th and later overwrite slot 17
    count = -3;
    AddSowSample(samples, count, 99);
    QCOMPARE(count, 1);
    QCOMPARE(samples[0], 99);
    count = 40;
    AddSowSample(samples, count, 7);
    QCOMPARE(count, 17);
    QCOMPARE(samples[16], 7);
    QCOMPARE(BitText(0x08, 0x08), std::string("1"));
    QCOMPARE(BitText(0xF7, 0x08), std::string("0"));
}

void ProbeReplyTest::hostileLinesNeverBreakTheLink() {
    ReplyRig r;
    r.env.prompts.acceptAny();  // address-set and conversion-error boxes come at random
    QRandomGenerator rng(20260314);
    const uint8_t devices[] = {0xA5, 0xA6, 0x00, 0xFF};
    for (int i = 0; i < 3000; ++i) {
        QByteArray line;
        switch (i % 3) {
        case 0: {  // a sound frame with any code and count
            TShortFrame f{};
            f.Device = devices[rng.bounded(4)];
            f.Addr = uint8_t(rng.bounded(256));
            f.Code = uint8_t(0x80 + rng.bounded(128));
            f.Count = uint8_t(rng.bounded(61));
            for (int k = 0; k < f.Count; ++k) f.Data[k] = uint8_t(rng.bounded(256));
            line = QByteArray::fromStdString(EncodeFrame(f));
            break;
        }
        case 1:  // any bytes up to a line feed, up to 400 of them
            for (int k = int(rng.bounded(400)); k > 0; --k) line += char(rng.bounded(256));
            line.replace('\n', 'x');
            line += '\n';
            break;
        default:  // hexadecimal characters of any length between the ends
            line = "\r";
            for (int k = int(rng.bounded(300)); k > 0; --k) line += "0123456789ABCDEF"[rng.bounded(16)];
            line += '\n';
        }
        r.dev->replies << line;
        r.w->SendProbeCommand(0x00, uint8_t(i & 15));
        // A tick may also be sending speed-of-wire digits that random acknowledgements asked for.
        QVERIFY2(r.env.clock.runUntil([&] { return r.w->probeBus().lineFree(); }, 1000),
                 qPrintable(QString::number(i)));
    }
    const int before = r.probeSent().size();
    r.w->SendProbeCommand(0x00, 0);
    QCOMPARE(r.probeSent().size(), before + 1);
    QVERIFY(r.w->probeBus().lastRx().size() <= 255);
    const int spin = r.find<QSpinBox>("PrSpdOfWire")->value();
    QVERIFY(spin >= 200000 && spin <= 400000);
}

TANKCFG_TEST_MAIN(ProbeReplyTest)
#include "tst_probereply.moc"
