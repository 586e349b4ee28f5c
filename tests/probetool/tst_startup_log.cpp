// Start-up with the port search, the port selector, the frame log and closing.
#include <QAccessible>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "ostrelrig.h"

class StartupLogTest : public QObject {
    Q_OBJECT
private slots:
    void onlyPorts3And5();
    void noPortEndsTheProgram();
    void portThatCannotBeOpened();
    void choosingAnotherPort();
    void controlsAndCaptions();
    void clearThenSave();
    void savingTwiceAndCancel();
    void saveFailureShowsError();
    void savedLogKeepsReceivedBytes();
    void exitClosesEverything();
    void closingDuringAWait();
};

void StartupLogTest::onlyPorts3And5() {
    OstrelRig r;
    r.env.ports.addEmptyPort(5);
    r.start();
    QCOMPARE(r.combo("Comsel")->count(), 2);
    QCOMPARE(r.combo("Comsel")->itemText(0), QString("COM3"));
    QCOMPARE(r.combo("Comsel")->itemText(1), QString("COM5"));
    QCOMPARE(r.combo("Comsel")->currentIndex(), 0);
    QVERIFY(r.port()->isOpen());
    QCOMPARE(r.port()->comNumber(), 3);
    QCOMPARE(r.env.ports.openBauds(3), (QList<int>{9600, 9600}));  // the search, then the selection
    QCOMPARE(r.env.ports.openCount(5), 1);
    QVERIFY(r.env.ports.openLink(3) && r.env.ports.openLink(3)->dtrOn());  // DTR on, RTS off
    QCOMPARE(r.log(), (QStringList{"Com port scan complete.", " COM5", " COM3", " Start log -260314092653"}));
    QVERIFY(!r.w->Terminated());
    QVERIFY(r.buttonsEnabled(false));
    QCOMPARE(r.probeState().WireSpeed, 3000.0);
    QCOMPARE(r.probeState().ProbeLength, 2000.0);
    QCOMPARE(r.w->windowTitle(), QString("Probe config"));
    QCOMPARE(r.w->size(), QSize(604, 507));
    QVERIFY(r.env.prompts.shown.isEmpty());
}

void StartupLogTest::noPortEndsTheProgram() {
    OstrelRig r(false);
    r.env.prompts.queue(PromptAnswer::ok());
    r.start();
    QVERIFY(r.w->Terminated());
    QCOMPARE(r.combo("Comsel")->count(), 0);
    QVERIFY(!r.port()->isOpen());
    QCOMPARE(r.log(), (QStringList{"No useble/avelable COM ports.", " Start log -260314092653"}));
    QCOMPARE(r.env.prompts.shown.size(), 1);
    QCOMPARE(r.env.prompts.shown[0].text, QString("No useble/avelable COM ports."));
    QCOMPARE(r.env.prompts.shown[0].caption, QString("Error"));
    QCOMPARE(r.env.prompts.shown[0].icon, MsgIcon::Error);
}

void StartupLogTest::portThatCannotBeOpened() {
    // Held by another program: offered, and choosing it says why it cannot be opened.
    OstrelRig r;
    r.env.ports.setBusy(2, true);
    r.env.prompts.queue(PromptAnswer::ok());
    r.start();
    QCOMPARE(r.combo("Comsel")->itemText(0), QString("COM2"));
    QCOMPARE(r.combo("Comsel")->itemText(1), QString("COM3"));
    QCOMPARE(r.log().mid(0, 3), (QStringList{"Com port scan complete.", " COM3", " COM2"}));
    QCOMPARE(r.promptTexts(), QStringList{"COM2: the port is in use by another program."});
    QCOMPARE(r.env.prompts.shown[0].caption, QString("Probe config"));
    QVERIFY(!r.port()->isOpen());
    // The rest of start-up took place.
    QVERIFY(r.buttonsEnabled(false));
    QCOMPARE(r.probeState().WireSpeed, 3000.0);
    QVERIFY(!r.w->Terminated());
    // Commands queued meanwhile are refused by the closed port; the next good choice works.
    r.probe(3);
    OstrelRig::choose(r.combo("Comsel"), 1);
    QVERIFY(r.port()->isOpen());
    r.selectAddress(3);
    QVERIFY(r.probeState().Present);
}

void StartupLogTest::choosingAnotherPort() {
    OstrelRig r;
    DeviceBus five;
    five.add<OstrelProbe>(0, 3000.0, 1000.0);
    r.env.ports.attach(5, &five);
    r.start();
    OstrelRig::choose(r.combo("Comsel"), 1);
    QCOMPARE(r.port()->comNumber(), 5);
    QVERIFY(!r.env.ports.openLink(3));
    r.selectAddress(0);
    QVERIFY(r.probeState().Present);
    QCOMPARE(r.probeState().ProbeLength, 1000.0);
    r.w.reset();
}

void StartupLogTest::controlsAndCaptions() {
    OstrelRig r;
    r.start();
    const std::pair<const char*, const char*> buttons[] = {
        {"Button2", "Set DigFilt"},   {"bScanBus", "Scan bus"}, {"Bsetaddres", "Set Address"},
        {"BtOneS", "One Sensor"},     {"BtTwoS", "Two Sensor"}, {"bClearLog", "Clear Log"},
        {"bSavelog", "Save log"},     {"Button1", "Help"},      {"BClose", "Exit"},
        {"BCalibr", "Calibrate"},     {"Bupdate", "Update"},    {"monmod", "Monitor"},
        {"cbForsA", "Force Address"}, {"Lvmode", "Level mode"}, {"TemperMode", "Tempr.mode"},
    };
    for (const auto& [name, caption] : buttons) {
        auto* b = r.w->findChild<QAbstractButton*>(name);
        QVERIFY2(b, name);
        QCOMPARE(b->text(), QString(caption));
        QCOMPARE(QAccessible::queryAccessibleInterface(b)->text(QAccessible::Name), QString(caption));
    }
    const std::pair<const char*, const char*> texts[] = {
        {"vStatus", "- - - - - - - - "},
        {"vSensVal1", "- - - -.- - "},
        {"vSensVal2", "- - - -.- - "},
        {"vTmpr", "--.-- "},
        {"SLevel", "- - - -.- - "},
        {"vTmpr1", "---.--"},
        {"vTmpr4", "---.--"},
    };
    for (const auto& [name, text] : texts) {
        auto* l = r.w->findChild<QLabel*>(name);
        QVERIFY2(l, name);
        QCOMPARE(l->text(), QString(text));
    }
    // A value is read with its caption.
    QCOMPARE(QAccessible::queryAccessibleInterface(r.label("vSensVal1"))->text(QAccessible::Name),
             QString("Sensor 1 (fuel): - - - -.- -"));
    QCOMPARE(QAccessible::queryAccessibleInterface(r.label("vTmpr3"))->text(QAccessible::Name),
             QString("Tempr 3: ---.--"));
    const std::pair<const char*, const char*> edits[] = {
        {"CPoint1", "300"}, {"Cpoint2", "3000"}, {"ProbLen", "3000"}, {"WireSpd", "3000"}};
    for (const auto& [name, text] : edits) QCOMPARE(r.w->findChild<QLineEdit*>(name)->text(), QString(text));
    QCOMPARE(r.edit("WireSpd")->accessibleName(), QString("Speed"));
    QCOMPARE(r.combo("Addr")->count(), 16);
    QCOMPARE(r.combo("Addr")->itemText(0), QString("00"));
    QCOMPARE(r.combo("Addr")->itemText(15), QString("15"));
    QCOMPARE(r.combo("Comsel")->accessibleName(), QString("COM Port:"));
    QCOMPARE(r.spin("DigFilter")->maximum(), 10);
    QCOMPARE(r.spin("DigFilter")->minimum(), 0);
    QCOMPARE(r.timer("Wrktmr")->interval(), 75);
    QCOMPARE(r.timer("MainTimer")->interval(), 300);
    QVERIFY(!r.timer("Wrktmr")->isActive() && !r.timer("MainTimer")->isActive());
    QCOMPARE(r.statusLines(), (QStringList{"SN: N/A", "Speed: N/A", "Length: N/A"}));
    // The spin edit takes no typing.
    r.spin("DigFilter")->setFocus();
    QTest::keyClicks(r.spin("DigFilter"), "7");
    QCOMPARE(r.spin("DigFilter")->value(), 0);
}

namespace {
QStringList fileLines(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {"<unreadable>"};
    const QByteArray all = f.readAll();
    if (!all.endsWith("\r\n")) return {"<no CR LF at the end>"};
    QStringList out = QString::fromLatin1(all).split("\r\n");
    out.removeLast();
    return out;
}
}  // namespace

void StartupLogTest::clearThenSave() {
    OstrelRig r;
    r.start();
    QTemporaryDir dir;
    const QString path = dir.filePath("a.log");
    r.env.clock.advance(3600 * 1000 + 2000);
    r.click("bClearLog");
    QCOMPARE(r.log(), QStringList{"Start log - 260314102655"});
    r.env.prompts.queue(PromptAnswer::file(path));
    r.click("bSavelog");
    QCOMPARE(fileLines(path), (QStringList{"Start log - 260314102655", "End log - 260314102655"}));
    const FileDialogSpec& spec = r.env.prompts.shown.last().spec;
    QCOMPARE(spec.fileName, QString("260314102655.log"));
    QCOMPARE(spec.defaultSuffix, QString("log"));
    QCOMPARE(spec.filter, QString("Log files|*.log"));
    QVERIFY(spec.overwritePrompt && spec.createPrompt);
}

void StartupLogTest::savingTwiceAndCancel() {
    OstrelRig r;
    r.probe(3);
    r.start();
    QTemporaryDir dir;
    r.selectAddress(3);
    r.env.prompts.queue(PromptAnswer::file(dir.filePath("1.log")));
    r.click("bSavelog");
    r.env.clock.advance(5000);
    r.env.prompts.queue(PromptAnswer::cancel());
    r.click("bSavelog");  // cancelled: nothing written, the line stays
    QCOMPARE(r.logCount("End log - "), 2);
    r.env.prompts.queue(PromptAnswer::file(dir.filePath("2.log")));
    r.click("bSavelog");
    const QStringList first = fileLines(dir.filePath("1.log"));
    const QStringList second = fileLines(dir.filePath("2.log"));
    QCOMPARE(first.first(), QString(" Start log -260314092653"));
    QCOMPARE(first.last(), QString("End log - 260314092653"));
    QVERIFY(first.contains(" COM3") && first.filter("S-").size() == 4 && first.filter("R-").size() == 4);
    // Oldest first: the reverse of the log window, with both earlier "End log" lines.
    QStringList shown = r.log();
    std::reverse(shown.begin(), shown.end());
    QCOMPARE(second, shown);
    QCOMPARE(second.filter("End log - ").size(), 3);
    QCOMPARE(second.mid(0, first.size()), first);
    QCOMPARE(second.last(), QString("End log - 260314092658"));
}

void StartupLogTest::saveFailureShowsError() {
    OstrelRig r;
    r.start();
    QTemporaryDir dir;
    r.env.prompts.queue(PromptAnswer::file(dir.filePath("missing/dir/x.log")));
    r.env.prompts.queue(PromptAnswer::ok());
    r.click("bSavelog");
    QCOMPARE(r.env.prompts.shown.size(), 2);
    QCOMPARE(r.env.prompts.shown[1].caption, QString("Probe config"));
    QCOMPARE(r.env.prompts.shown[1].icon, MsgIcon::Error);
    QCOMPARE(r.env.prompts.shown[1].text,
             "Cannot create file \"" + dir.filePath("missing/dir/x.log") + "\". Invalid filename.");
    QCOMPARE(r.log().first(), QString("End log - 260314092653"));
}

void StartupLogTest::savedLogKeepsReceivedBytes() {
    // Noise on the bus is logged and saved as it came, a no-break space (A0) included.
    OstrelRig r;
    r.start();
    QTemporaryDir dir;
    r.arrive(
        QByteArray("\rA\xA0"
                   "B\n",
                   5));
    r.env.prompts.queue(PromptAnswer::file(dir.filePath("n.log")));
    r.click("bSavelog");
    QFile f(dir.filePath("n.log"));
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = f.readAll().split('\n');
    QCOMPARE(lines.at(lines.size() - 3), QByteArray("R-092653 >A\xA0"
                                                    "B\r"));
}

void StartupLogTest::exitClosesEverything() {
    OstrelRig r;
    r.startWithProbe(3);
    r.w->show();
    r.check("monmod")->setChecked(true);
    // The first monitor tick at 300 sent "00"; its reply waits, the engine runs, "01" queued.
    r.env.clock.advance(310);
    r.w->QueueCommand("01");
    QVERIFY(r.w->isVisible());
    QVERIFY(r.timer("MainTimer")->isActive() && r.timer("Wrktmr")->isActive());
    QCOMPARE(r.link()->Pending().size(), 2);
    QCOMPARE(r.link()->ReceivedLines().size(), 1);
    const auto sent = r.sentLines().size();
    r.click("BClose");
    QVERIFY(!r.w->isVisible());
    QVERIFY(!r.timer("MainTimer")->isActive());
    QVERIFY(!r.timer("Wrktmr")->isActive());
    QVERIFY(!r.port()->isOpen());
    QVERIFY(r.link()->Pending().isEmpty() && r.link()->ReceivedLines().isEmpty());
    QVERIFY(AppQuitting());
    r.env.clock.advance(1000);
    QCOMPARE(r.sentLines().size(), sent);
}

void StartupLogTest::closingDuringAWait() {
    OstrelRig r;
    r.start();
    r.env.clock.after(200, [&] { r.w->close(); });
    r.selectAddress(7);  // nobody answers: the identify wait is under way when the window closes
    QVERIFY(AppQuitting());
    QCOMPARE(r.sentLines().size(), 2);
    QVERIFY(r.env.prompts.shown.isEmpty());  // nothing tried the closed port
    QVERIFY(r.buttonsEnabled(false));
    QCOMPARE(r.statusLines(), (QStringList{"SN: N/A", "Speed: N/A", "Length: N/A"}));
}

TANKCFG_TEST_MAIN(StartupLogTest)
#include "tst_startup_log.moc"
