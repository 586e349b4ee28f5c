// The bus scan window, the help window and the help file.
#include <QProgressBar>
#include <QTextBrowser>

#include "ostrelrig.h"
#include "probetool/HelpFrame.h"

class ScanHelpTest : public QObject {
    Q_OBJECT
private slots:
    void probesAt3And12();
    void choosing12SelectsIt();
    void showingAgainScansAnew();
    void closingDuringScanHasNoEffect();
    void silentBusKeepsWorkingAddress();
    void scanFindingNobodyLeavesNoProbePresent();
    void scanWhileMonitoringEnds();
    void closingMainWindowDuringScan();
    void portPulledMidScan();
    void helpWindowShowsItsText();
    void f1OpensHelpFileAtTopic();
};

namespace {
// Runs fn on the scan window once a scan has run to its end (polled on virtual time).
void whenScanDone(OstrelRig& r, std::function<void(TScanbus*)> fn, bool seen = false) {
    r.env.clock.after(10, [&r, fn, seen] {
        TScanbus* s = r.scan;
        const bool now = s->Scanning();
        if (seen && !now && s->isVisible()) {
            fn(s);
            return;
        }
        whenScanDone(r, fn, seen || now);
    });
}
// Runs fn once the scan asks the address (polled on virtual time).
void whenAddress(OstrelRig& r, int address, std::function<void()> fn) {
    r.env.clock.after(10, [&r, address, fn] {
        if (r.scan->Scanning() && r.link()->Address() == address)
            fn();
        else
            whenAddress(r, address, fn);
    });
}
QStringList items(QComboBox* c) {
    QStringList out;
    for (int i = 0; i < c->count(); ++i) out << c->itemText(i);
    return out;
}
}  // namespace

void ScanHelpTest::probesAt3And12() {
    OstrelRig r;
    r.probe(3);
    r.probe(12);
    r.start();
    QStringList found;
    QString current, panel;
    int progress = -1;
    const qint64 t0 = r.env.clock.elapsedMs();
    qint64 scanTime = 0;
    whenScanDone(r, [&](TScanbus* s) {
        found = items(r.scanControl<QComboBox>("cbPrbDet"));
        current = r.scanControl<QComboBox>("cbPrbDet")->currentText();
        panel = s->PanelText();
        progress = r.scanControl<QProgressBar>("ProgressBar1")->value();
        scanTime = r.env.clock.elapsedMs() - t0;
        r.scanControl<QPushButton>("bOKSel")->click();
    });
    r.click("bScanBus");
    QCOMPARE(found, (QStringList{"3", "12"}));
    QCOMPARE(current, QString("3"));
    QCOMPARE(panel, QString("2 devices detected !"));
    QCOMPARE(progress, 15);
    QCOMPARE(r.logCount("E-"), 14);
    QVERIFY2(scanTime < 14 * 300 + 2 * 75 + 200, qPrintable(QString::number(scanTime)));
    QCOMPARE(r.combo("Addr")->currentIndex(), 3);
    QCOMPARE(r.sentCommands().mid(r.sentCommands().size() - 4), (QStringList{"01", "91", "9A", "90"}));
    QCOMPARE(r.sentLines().last().mid(4, 1), QByteArray("3"));
    QVERIFY(r.probeState().Present);
    QCOMPARE(int(r.probeState().Address), 3);
    QVERIFY(r.buttonsEnabled(true));
    QVERIFY(r.scan->isHidden());
}

void ScanHelpTest::choosing12SelectsIt() {
    OstrelRig r;
    r.probe(3);
    r.probe(12);
    r.start();
    whenScanDone(r, [&r](TScanbus* s) {
        r.scanControl<QComboBox>("cbPrbDet")->setCurrentIndex(1);
        s->close();  // by its frame: also takes the choice
    });
    r.click("bScanBus");
    QCOMPARE(r.combo("Addr")->currentIndex(), 12);
    QCOMPARE(int(r.probeState().Address), 12);
    QVERIFY(r.probeState().Present);
}

void ScanHelpTest::showingAgainScansAnew() {
    OstrelRig r;
    r.probe(3);
    r.probe(12);
    r.start();
    for (int round = 0; round < 2; ++round) {
        QStringList found;
        whenScanDone(r, [&](TScanbus*) {
            found = items(r.scanControl<QComboBox>("cbPrbDet"));
            r.scanControl<QPushButton>("bOKSel")->click();
        });
        r.click("bScanBus");
        QCOMPARE(found, (QStringList{"3", "12"}));
    }
    QCOMPARE(r.logCount("E-"), 28);
}

void ScanHelpTest::closingDuringScanHasNoEffect() {
    OstrelRig r;
    r.probe(3);
    r.start();
    bool visibleAfterTries = false;
    r.env.clock.after(500, [&] {
        TScanbus* s = r.scan;
        r.scanControl<QPushButton>("bOKSel")->click();
        s->reject();
        s->close();
        visibleAfterTries = s->isVisible() && s->Scanning();
    });
    QString panel;
    whenScanDone(r, [&](TScanbus* s) {
        panel = s->PanelText();
        r.scanControl<QPushButton>("bOKSel")->click();
    });
    r.click("bScanBus");
    QVERIFY(visibleAfterTries);
    QCOMPARE(panel, QString("1 devices detected !"));
    QCOMPARE(r.combo("Addr")->currentIndex(), 3);
}

void ScanHelpTest::silentBusKeepsWorkingAddress() {
    OstrelRig r;
    r.start();
    r.combo("Addr")->setCurrentIndex(6);
    r.link()->SelectProbe(6);
    QString panel;
    QStringList found{"?"};
    const qint64 t0 = r.env.clock.elapsedMs();
    qint64 took = 0;
    whenScanDone(r, [&](TScanbus* s) {
        panel = s->PanelText();
        found = items(r.scanControl<QComboBox>("cbPrbDet"));
        took = r.env.clock.elapsedMs() - t0;
        r.scanControl<QPushButton>("bOKSel")->click();
    });
    r.click("bScanBus");
    QCOMPARE(panel, QString("0 devices detected !"));
    QVERIFY(found.isEmpty());
    QCOMPARE(r.logCount("E-"), 16);
    QVERIFY(took >= 16 * 300 && took < 16 * 300 + 100);
    QCOMPARE(r.combo("Addr")->currentIndex(), 6);
    QCOMPARE(int(r.probeState().Address), 6);  // the working address is the selected one again
    QVERIFY(!r.probeState().Present);
}

void ScanHelpTest::scanFindingNobodyLeavesNoProbePresent() {
    OstrelRig r;
    r.startWithProbe(3);
    const QStringList status = r.statusLines();
    r.bus.faults.silentAll = true;
    whenScanDone(r, [&](TScanbus*) { r.scanControl<QPushButton>("bOKSel")->click(); });
    r.click("bScanBus");
    QCOMPARE(r.scan->PanelText(), QString("0 devices detected !"));
    // Nobody answered, so no probe is present; the selector and the working address stay on
    // the probe chosen before, and the memo and buttons are left as they were.
    QCOMPARE(r.combo("Addr")->currentIndex(), 3);
    QCOMPARE(int(r.probeState().Address), 3);
    QVERIFY(!r.probeState().Present);
    QVERIFY(r.buttonsEnabled(true));
    QCOMPARE(r.statusLines(), status);
    // Without a present probe monitor mode does not start.
    r.clearSent();
    r.check("monmod")->setChecked(true);
    r.env.clock.advance(1000);
    QVERIFY(r.sentLines().isEmpty());
    r.check("monmod")->setChecked(false);
    // Requests go to the selected address again.
    r.bus.faults.silentAll = false;
    r.clearSent();
    r.click("BtOneS");
    QCOMPARE(r.sentLines().first().mid(4, 1), QByteArray("3"));
}

void ScanHelpTest::scanWhileMonitoringEnds() {
    OstrelRig r;
    r.probe(3);
    r.probe(12);
    r.start();
    r.selectAddress(4);
    r.check("cbForsA")->setChecked(true);
    r.check("monmod")->setChecked(true);
    r.env.clock.advance(2000);
    QStringList found;
    const qint64 t0 = r.env.clock.elapsedMs();
    qint64 took = 0;
    whenScanDone(r, [&](TScanbus*) {
        found = items(r.scanControl<QComboBox>("cbPrbDet"));
        took = r.env.clock.elapsedMs() - t0;
        r.scanControl<QPushButton>("bOKSel")->click();
    });
    r.click("bScanBus");
    QCOMPARE(found, (QStringList{"3", "12"}));
    QVERIFY2(took < 16 * 1000, qPrintable(QString::number(took)));
    QVERIFY(r.timer("MainTimer")->isActive());  // monitoring went on throughout
    r.check("monmod")->setChecked(false);
}

void ScanHelpTest::closingMainWindowDuringScan() {
    OstrelRig r;
    r.probe(12);
    r.start();
    r.env.clock.after(1000, [&] { r.w->close(); });
    r.click("bScanBus");
    QVERIFY(AppQuitting());
    QVERIFY(r.scan->isHidden());
    QVERIFY(!r.port()->isOpen());
    QVERIFY(r.link()->Pending().isEmpty());
    QVERIFY(r.env.prompts.shown.isEmpty());
    QCOMPARE(r.scanControl<QComboBox>("cbPrbDet")->count(), 0);
}

void ScanHelpTest::portPulledMidScan() {
    OstrelRig r;
    r.probe(3);
    r.probe(12);
    r.start();
    const int selectorBefore = r.combo("Addr")->currentIndex();
    const int addressBefore = r.link()->Address();
    r.env.prompts.queue(PromptAnswer::ok());
    // Address 3 has answered; the adapter is pulled while address 6 is asked.
    whenAddress(r, 6, [&] { r.env.ports.remove(3); });
    QString panel;
    QStringList found;
    int boxesAtEnd = -1;
    whenScanDone(r, [&](TScanbus* s) {
        panel = s->PanelText();
        found = items(r.scanControl<QComboBox>("cbPrbDet"));
        boxesAtEnd = int(r.env.prompts.shown.size());
        r.scanControl<QPushButton>("bOKSel")->click();
    });
    r.click("bScanBus");
    // The count is that of the list; the scan ends with the port, told once.
    QCOMPARE(found, QStringList{"3"});
    QCOMPARE(panel, QString("1 devices detected !"));
    QCOMPARE(boxesAtEnd, 1);
    QCOMPARE(r.promptTexts(), QStringList{"COM3: port not open."});
    QCOMPARE(r.env.prompts.shown[0].caption, QString("Probe config"));
    // Nothing can be asked of the listed probe: the main window stays as it was, with no
    // second box.
    QCOMPARE(r.combo("Addr")->currentIndex(), selectorBefore);
    QCOMPARE(int(r.link()->Address()), addressBefore);
    QVERIFY(!r.probeState().Present);
    QVERIFY(r.scan->isHidden());
}

void ScanHelpTest::helpWindowShowsItsText() {
    OstrelRig r;
    r.start();
    const QStringList expected{
        "\"Scanbus \" - scaning RS485 bus for devices from address 0 to F (15);",
        "",
        "\"SetAddres\" - change address of device;",
        "",
        "\"SetDigFil\" - set value of digital filter (\"0\" means - unknown and not set)",
        "",
        "\"One Sensor\" - set probe to work with one float;",
        "",
        "\"Two sensor\" - set probe to work with two floats;",
        "",
        "\"Monitor\" - send command \"00\" every 0.5 sec.",
        "",
        "\"Force address\" - work with selected address, no mean found or not a responce;",
        "",
        "\"Level mode\" - display level as ( \"Length\" - \"Sensor 1\" ) in additional;",
        "",
        "\"Tempr mode\" - display temperature from all termal sensors (update on 16sec.);",
        "",
    };
    THelpWindow* h = r.help;
    QCOMPARE(h->windowTitle(), QString("HelpWindow"));
    for (int pass = 0; pass < 3; ++pass) {
        QStringList shown;
        bool closeVisible = false;
        r.env.clock.after(10, [&] {
            shown = h->HelpFrame->Memo1->toPlainText().split('\n');
            closeVisible = h->isVisible() && !h->HelpFrame->Button1->isHidden();
            if (pass == 1)
                h->close();  // the close box
            else
                h->HelpFrame->Button1->click();
        });
        r.click("Button1");
        QCOMPARE(shown, expected);
        QVERIFY(closeVisible);
        QVERIFY(h->isHidden());
        if (pass != 1) QCOMPARE(h->result(), 1);
    }
}

void ScanHelpTest::f1OpensHelpFileAtTopic() {
    OstrelRig r;
    r.start();
    QCOMPARE(r.w->HelpFile(), OstrelHelpFile);
    QVERIFY(!r.w->HelpViewer());
    QTest::keyClick(r.w.get(), Qt::Key_F1);
    QTextBrowser* v = r.w->HelpViewer();
    QVERIFY(v);
    QVERIFY(v->isVisible());
    QCOMPARE(v->source().fragment(), QString("topic9999"));
    QCOMPARE(v->source().adjusted(QUrl::RemoveFragment).toString(), OstrelHelpFile);
    QVERIFY(v->toPlainText().contains("The main window"));
    QVERIFY(v->toPlainText().contains("Scan bus"));
    // The calibration's error box has a Help button: it opens the file at its start.
    r.env.prompts.queue(PromptAnswer::pressed(MbHelp));
    r.edit("CPoint1")->setText("10");
    r.button("BCalibr")->setEnabled(true);
    r.click("BCalibr");
    QVERIFY(v->source().fragment().isEmpty());
    r.w->close();
    QVERIFY(!v->isVisible());
}

TANKCFG_TEST_MAIN(ScanHelpTest)
#include "tst_scan_help.moc"
