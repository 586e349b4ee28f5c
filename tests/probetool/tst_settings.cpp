// Choosing an address and reading or changing the probe's settings.
#include "ostrelrig.h"

class SettingsTest : public QObject {
    Q_OBJECT
private slots:
    void selectingAnAnsweringProbe();
    void selectingAnAddressWithoutProbe();
    void setAddressRefusals();
    void setAddressAbove15MovesProbeTo15();
    void updateChecksInOrderAndQueuesNothingOnRefusal();
    void updateWritesAndReadsBack();
    void digitalFilter();
    void oneAndTwoSensors();
};

void SettingsTest::selectingAnAnsweringProbe() {
    OstrelRig r;
    auto* p = r.probe(3, 3012.5, 2500);
    p->digFilter = 4;
    r.start();
    QVERIFY(r.buttonsEnabled(false));
    r.spin("DigFilter")->setValue(7);
    r.selectAddress(3);
    QCOMPARE(r.sentCommands(), (QStringList{"01", "91", "9A", "90"}));
    QCOMPARE(r.sentLines().first().mid(3, 2), QByteArray("23"));  // sequence reset, address 3
    QVERIFY(r.probeState().Present);
    QCOMPARE(int(r.probeState().Address), 3);
    QVERIFY(r.buttonsEnabled(true));
    QCOMPARE(r.statusLines(), (QStringList{"SN: 202603140003", "Speed:3012.5 [m/s]", "Length:2500.0 [m]"}));
    QCOMPARE(r.edit("WireSpd")->text(), QString("3012.5"));
    QCOMPARE(r.edit("ProbLen")->text(), QString("2500.0"));
    // Selecting an address forgets the filter value shown: the probe's own is not read.
    QCOMPARE(r.spin("DigFilter")->value(), 0);
    // "Set DigFilt", "Scan bus", the address list and the check boxes are never masked.
    r.w->DisableButtons(bmAllProbeButtons);
    QVERIFY(r.button("Button2")->isEnabled() && r.button("bScanBus")->isEnabled() && r.combo("Addr")->isEnabled());
    r.w->EnableButtons(bmUpdate | bmTwoSensor);
    QVERIFY(r.button("Bupdate")->isEnabled() && r.button("BtTwoS")->isEnabled() && !r.button("BCalibr")->isEnabled());
}

void SettingsTest::selectingAnAddressWithoutProbe() {
    OstrelRig r;
    r.startWithProbe(3);
    QVERIFY(r.buttonsEnabled(true));
    r.clearSent();
    r.selectAddress(9);
    QCOMPARE(r.sentCommands(), (QStringList{"01", "01"}));
    QVERIFY(!r.probeState().Present);
    QVERIFY(r.buttonsEnabled(false));
    QCOMPARE(r.statusLines(), (QStringList{"SN: Probe not found", "Speed: N/A", "Length: N/A"}));
    QVERIFY(r.edit("WireSpd")->text().isEmpty() && r.edit("ProbLen")->text().isEmpty());
    QCOMPARE(r.logCount("E-"), 1);
}

void SettingsTest::setAddressRefusals() {
    OstrelRig r;
    r.startWithProbe(3);
    // Cancel gives back "X".
    r.env.prompts.queue(PromptAnswer::cancel());
    r.env.prompts.queue(PromptAnswer::ok());
    r.click("Bsetaddres");
    QCOMPARE(r.env.prompts.shown.size(), 2);
    const PromptRecord& in = r.env.prompts.shown[0];
    QCOMPARE(in.kind, PromptRecord::Input);
    QCOMPARE(in.caption, QString("Change address of Probe "));
    QCOMPARE(in.text, QString("Enter new address between \"0\" and \"15\":"));
    QCOMPARE(in.preset, QString("X"));
    const PromptRecord& box = r.env.prompts.shown[1];
    QCOMPARE(box.text, QString("ERROR:Invalid number for probe address!"));
    QCOMPARE(box.caption, QString("Probe config"));
    QCOMPARE(box.icon, MsgIcon::None);
    QCOMPARE(box.buttons, int(MbOk));
    for (const char* answer : {"-1", "300", "256"}) {
        r.env.prompts.shown.clear();
        r.env.prompts.queue(PromptAnswer::input(answer));
        r.env.prompts.queue(PromptAnswer::ok());
        r.click("Bsetaddres");
        QCOMPARE(r.env.prompts.shown.size(), 2);
        QCOMPARE(r.env.prompts.shown[1].text, QString("Range check error."));
        QCOMPARE(r.env.prompts.shown[1].caption, QString("Probe config"));
        QCOMPARE(r.env.prompts.shown[1].icon, MsgIcon::Error);
    }
    QVERIFY(r.sentLines().isEmpty());
    QVERIFY(r.link()->Pending().isEmpty());
}

void SettingsTest::setAddressAbove15MovesProbeTo15() {
    OstrelRig r;
    auto* p = r.startWithProbe(3);
    r.env.prompts.queue(PromptAnswer::input("20"));
    r.click("Bsetaddres");
    QCOMPARE(r.sentCommands(), (QStringList{"020F", "01", "91", "9A", "90"}));
    QCOMPARE(r.sentLines().first().mid(3, 2).toInt(nullptr, 16) & 0x0F, 3);  // to the old address
    QCOMPARE(p->address(), 15);
    QCOMPARE(r.combo("Addr")->currentIndex(), 15);
    QCOMPARE(r.combo("Addr")->currentText(), QString("15"));
    QCOMPARE(int(r.probeState().Address), 15);
    QVERIFY(r.probeState().Present);
    QVERIFY(r.buttonsEnabled(true));
}

void SettingsTest::updateChecksInOrderAndQueuesNothingOnRefusal() {
    OstrelRig r;
    r.startWithProbe(3);
    struct Case {
        const char* speed;
        const char* length;
        const char* message;
    } cases[] = {
        {"abc", "x", "Invalid value for Speed of Wire !"},
        {"", "2000", "Invalid value for Speed of Wire !"},
        {"3500.01", "x", "Valid value for Speed of Wire is between 2500 and 3500 m/s !"},
        {"2499.99", "2000", "Valid value for Speed of Wire is between 2500 and 3500 m/s !"},
        {"3000", "", "Invalid value for Probe lenght !"},
        {"3000", "8000.5", "Valid value for Probe lenght is between 500 and 7900 mm !"},
        {"3000", "499.9", "Valid value for Probe lenght is between 500 and 7900 mm !"},
    };
    for (const Case& c : cases) {
        r.clearSent();
        r.env.prompts.shown.clear();
        r.edit("WireSpd")->setText(c.speed);
        r.edit("ProbLen")->setText(c.length);
        r.env.prompts.queue(PromptAnswer::ok());
        r.click("Bupdate");
        QCOMPARE(r.promptTexts(), QStringList{c.message});
        QCOMPARE(r.env.prompts.shown[0].caption, QString("Error"));
        QCOMPARE(r.env.prompts.shown[0].icon, MsgIcon::Error);
        QVERIFY(r.link()->Pending().isEmpty());
        QVERIFY(r.sentLines().isEmpty());
    }
}

void SettingsTest::updateWritesAndReadsBack() {
    OstrelRig r;
    auto* p = r.startWithProbe(3);
    r.edit("WireSpd")->setText("3500");
    r.edit("ProbLen")->setText("8000");
    const QStringList statusBefore = r.statusLines();
    r.click("Bupdate");
    QCOMPARE(r.sentCommands(),
             (QStringList{"9245", "935A", "94C0", "9500", "90", "9645", "97FA", "9800", "9900", "9A"}));
    QVERIFY(r.env.prompts.shown.isEmpty());
    QCOMPARE(p->speedBytes(), SingleToBE(3500));
    QCOMPARE(p->lengthBytes(), SingleToBE(8000));
    // Read back with the substitutions; the memo and the edits are not rewritten.
    QCOMPARE(r.probeState().WireSpeed, 3000.0);
    QCOMPARE(r.probeState().ProbeLength, 8000.0);
    QCOMPARE(r.statusLines(), statusBefore);
    QCOMPARE(r.edit("WireSpd")->text(), QString("3500"));
    // 3000 m/s gives the bytes 45 3B 80 00; a length of 7950 passes although the box names 7900.
    r.clearSent();
    r.edit("WireSpd")->setText("3000");
    r.edit("ProbLen")->setText("7950");
    r.click("Bupdate");
    QCOMPARE(r.sentCommands().mid(0, 4), (QStringList{"9245", "933B", "9480", "9500"}));
    QCOMPARE(r.probeState().ProbeLength, 7950.0);
    QCOMPARE(r.probeState().WireSpeed, 3000.0);
}

void SettingsTest::digitalFilter() {
    OstrelRig r;
    auto* p = r.startWithProbe(3);
    r.click("Button2");
    r.env.clock.advance(500);
    QVERIFY(r.sentLines().isEmpty());
    r.spin("DigFilter")->stepBy(10);
    QCOMPARE(r.spin("DigFilter")->value(), 10);
    r.spin("DigFilter")->stepBy(5);
    QCOMPARE(r.spin("DigFilter")->value(), 10);  // maximum 10
    r.click("Button2");
    r.env.clock.advance(500);  // sent without waiting
    QCOMPARE(r.sentCommands(), QStringList{"A00A"});
    QCOMPARE(p->digFilter, 10);
    r.spin("DigFilter")->setValue(0);
    r.w->ProcessReplies();
    QCOMPARE(r.spin("DigFilter")->value(), 10);  // the probe's echo
}

void SettingsTest::oneAndTwoSensors() {
    OstrelRig r;
    auto* p = r.startWithProbe(3);
    r.click("BtOneS");
    QCOMPARE(r.sentCommands(), QStringList{"5101"});  // returns at once
    r.env.clock.advance(300);
    QCOMPARE(r.sentCommands(), (QStringList{"5101", "00"}));
    QCOMPARE(p->floats, 1);
    r.w->ProcessReplies();
    QVERIFY(r.label("vSensVal2")->isHidden());
    QCOMPARE(r.label("vSensVal2")->text(), QString("   0.000"));
    r.click("BtTwoS");
    r.env.clock.advance(300);
    r.w->ProcessReplies();
    QCOMPARE(r.sentCommands().mid(2), (QStringList{"5102", "00"}));
    QVERIFY(!r.label("vSensVal2")->isHidden());
    QCOMPARE(r.label("vSensVal2")->text(), QString("1899.999"));
}

TANKCFG_TEST_MAIN(SettingsTest)
#include "tst_settings.moc"
