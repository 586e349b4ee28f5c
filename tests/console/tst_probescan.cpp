// The probe scan dialog and the leak read modules with their scan, on simulated devices.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>

#include "windowsfixture.h"

class ProbeScanTest : public QObject {
    Q_OBJECT
private slots:
    void scanListsAddressesAsText();
    void cancelAtAddressFive();
    void noProbeAndClosedPort();
    void probeScanClosesWithThePort();
    void scanOpenedInsideATickStillRuns();
    void moduleScanFillsRowsAndCloses();
    void moduleScanClosesWithThePort();
    void relayButtons();
    void closingTheProgramUnderEachWindow();
    void windowsOpenAgainAfterwards();
};

namespace {
QStringList items(QComboBox* c) {
    QStringList out;
    for (int i = 0; i < c->count(); ++i) out << c->itemText(i);
    return out;
}
}  // namespace

void ProbeScanTest::scanListsAddressesAsText() {
    WindowsRig r;
    r.probes.add<ConsoleProbe>(2);
    r.probes.add<ConsoleProbe>(10);
    auto* gauge = In<QProgressBar>(r.forms().probeconfig, "ScanProgres");
    QList<int> shown;
    QObject::connect(gauge, &QProgressBar::valueChanged, gauge, [&](int v) { shown << v; });
    const qint64 start = r.env.clock.elapsedMs();
    qint64 done = -1;
    QStringList listed, texts;
    int selected = -2;
    r.env.clock.after(0, [&] {
        QCOMPARE(r.forms().probeconfig->windowTitle(), QStringLiteral("Scan Probe Net"));
        QCOMPARE(In<QLabel>(r.forms().probeconfig, "ScanResult")->text(), QStringLiteral("Scaning Probe Net..."));
        QCOMPARE(In(r.forms().probeconfig, "CloseSc")->text(), QStringLiteral("Cancel"));
        if (r.env.clock.runUntil([&] { return In(r.forms().probeconfig, "CloseSc")->text() == QStringLiteral("Ok"); },
                                 40000))
            done = r.env.clock.elapsedMs() - start;
        // The dialog stays open until the user closes it: no further step runs meanwhile.
        r.env.clock.advance(3000);
        listed = items(In<QComboBox>(r.forms().probeconfig, "ProbesList"));
        selected = In<QComboBox>(r.forms().probeconfig, "ProbesList")->currentIndex();
        texts << In<QLabel>(r.forms().probeconfig, "ScanResult")->text()
              << In<QLabel>(r.forms().probeconfig, "Selprobe")->text();
        In(r.forms().probeconfig, "CloseSc")->click();
    });
    const int mark = r.probeSent().size();
    r.click("ProbeScan");
    QVERIFY(!r.forms().probeconfig->isVisible());

    // 49 ticks of 500 ms: two requests per address, a decision, and the end.
    QCOMPARE(done, 24500);
    QCOMPARE(gauge->maximum(), 47);
    QCOMPARE(gauge->value(), 47);
    QCOMPARE(shown.size(), 47);
    for (int i = 0; i < shown.size(); ++i) QCOMPARE(shown[i], i + 1);
    for (int a = 0; a < 16; ++a) QCOMPARE(r.requestsTo(DevProbe, 0x01, a), 2);
    QCOMPARE(r.requestsTo(DevProbe, 0x91, 2), 1);
    QCOMPARE(r.requestsTo(DevProbe, 0x91, 10), 1);
    QCOMPARE(r.requestsOf(DevProbe, 0x91), 2);

    QCOMPARE(listed, (QStringList{"10", "2"}));
    QCOMPARE(selected, 0);
    QCOMPARE(texts, (QStringList{"2 Probes detected on Net.", "Probe SN:20260314000A"}));
    QCOMPARE(r.w->currentProbe(), uint8_t(10));
    QCOMPARE(r.text("iProben"), QStringLiteral("Probe Address: 10"));
    QCOMPARE(r.text("iProbeSn"), QStringLiteral("Probe SN: 20260314000A"));
    QVERIFY(!r.w->probeScanning());
    r.env.clock.advance(200);
    const QStringList after = r.framesSince(mark);
    QCOMPARE(after.mid(after.size() - 2), (QStringList{"90@10", "61@10"}));
    // Address 2 was found, so the page shows its serial when it is chosen in the list.
    r.find<QComboBox>("SlProbe")->setCurrentIndex(2);
    QCOMPARE(r.text("ProbeCInfo"), QStringLiteral("Info - SN: 202603140002"));
    QCOMPARE(r.timeouts(), 14 * 2);
    QVERIFY(r.env.prompts.shown.isEmpty());

    // Picking 2 before "Ok" makes 2 the current probe.
    r.env.clock.after(0, [&] {
        r.env.clock.runUntil([&] { return In(r.forms().probeconfig, "CloseSc")->text() == QStringLiteral("Ok"); },
                             40000);
        In<QComboBox>(r.forms().probeconfig, "ProbesList")->setCurrentIndex(1);
        In(r.forms().probeconfig, "CloseSc")->click();
    });
    r.click("ProbeScan");
    QCOMPARE(r.w->currentProbe(), uint8_t(2));
}

void ProbeScanTest::cancelAtAddressFive() {
    WindowsRig r;
    for (int a : {1, 3, 4, 12}) r.probes.add<ConsoleProbe>(a);
    int identifiesAtCancel = -1;
    r.env.clock.after(0, [&] {
        // Address 5 is being asked: its first presence request is out.
        r.env.clock.runUntil([&] { return r.requestsTo(DevProbe, 0x01, 5) == 1; }, 20000);
        r.env.clock.advance(100);
        identifiesAtCancel = r.requestsOf(DevProbe, 0x01);
        In(r.forms().probeconfig, "CloseSc")->click();
    });
    const int mark = r.probeSent().size();
    r.click("ProbeScan");
    QCOMPARE(identifiesAtCancel, 11);
    QCOMPARE(items(In<QComboBox>(r.forms().probeconfig, "ProbesList")), (QStringList{"1", "3", "4"}));
    QCOMPARE(r.w->currentProbe(), uint8_t(1));
    QVERIFY(!r.w->probeScanning());
    r.env.clock.advance(10000);
    QCOMPARE(r.requestsOf(DevProbe, 0x01), identifiesAtCancel);
    const QStringList after = r.framesSince(mark);
    QCOMPARE(after.mid(after.size() - 2), (QStringList{"90@1", "61@1"}));
    for (int a = 0; a < 16; ++a) QCOMPARE(r.w->probePresent(a), a == 1 || a == 3 || a == 4);

    // A close by the window frame keeps the address the scan selected last.
    r.env.clock.after(0, [&] {
        r.env.clock.runUntil([&] { return r.w->probePresent(3); }, 20000);
        r.env.clock.advance(1100);
        r.forms().probeconfig->close();
    });
    r.click("ProbeScan");
    QCOMPARE(items(In<QComboBox>(r.forms().probeconfig, "ProbesList")), (QStringList{"1", "3"}));
    QCOMPARE(r.w->currentProbe(), uint8_t(1));
    QVERIFY(!r.w->probeScanning());
}

void ProbeScanTest::noProbeAndClosedPort() {
    {
        WindowsRig r;
        r.env.clock.after(0, [&] {
            r.env.clock.runUntil([&] { return In(r.forms().probeconfig, "CloseSc")->text() == QStringLiteral("Ok"); },
                                 40000);
            In(r.forms().probeconfig, "CloseSc")->click();
        });
        r.click("ProbeScan");
        QCOMPARE(In<QLabel>(r.forms().probeconfig, "ScanResult")->text(), QStringLiteral("No Probes detected on Net."));
        QCOMPARE(In<QLabel>(r.forms().probeconfig, "Selprobe")->text(), QStringLiteral("Probe SN:XXXXXXXXXXXX"));
        QCOMPARE(r.w->currentProbe(), uint8_t(0));
        r.env.clock.advance(400);
        QCOMPARE(r.timeouts(), 32 + 2);  // every presence request, then 0x90 and 0x61 to address 0
    }
    WindowsRig r(false);
    r.env.prompts.queue(PromptAnswer::ok());
    bool opened = false;
    r.env.clock.after(0, [&] { opened = r.forms().probeconfig->isVisible(); });
    r.click("ProbeScan");
    r.env.clock.settle();
    QVERIFY(!opened && !r.forms().probeconfig->isVisible());
    QCOMPARE(r.env.prompts.shown.size(), 1);
    QCOMPARE(r.env.prompts.shown[0].caption, QStringLiteral("Error"));
    QCOMPARE(r.env.prompts.shown[0].text, QStringLiteral("  ERROR No: 100 \r\r Not connected \r to RS485 Network !"));
    QCOMPARE(r.linesEndingWith(QStringLiteral(" /Error      > Not connected to RS485 Network! ")), 1);
    QVERIFY(!r.w->probeScanning());
}

void ProbeScanTest::probeScanClosesWithThePort() {
    WindowsRig r;
    r.probes.add<ConsoleProbe>(3);
    r.probes.add<ConsoleProbe>(12);
    // One box, shown once the dialog has gone.
    bool dialogGoneUnderBox = false;
    r.env.prompts.queue(OkAfterWindowGone(r.forms().probeconfig, dialogGoneUnderBox));
    // Address 3 has been found; the adapter is pulled while address 5 is asked.
    r.env.clock.after(8000, [&] { r.env.ports.remove(3); });
    // Should the dialog stay, the user gives up on it.
    r.env.clock.after(20000, [&] {
        if (r.forms().probeconfig->isVisible()) In(r.forms().probeconfig, "CloseSc")->click();
    });
    const qint64 start = r.env.clock.elapsedMs();
    const int mark = r.probeSent().size();
    r.click("ProbeScan");
    QVERIFY2(r.env.clock.elapsedMs() - start < 8500, qPrintable(QString::number(r.env.clock.elapsedMs() - start)));
    QVERIFY(!r.forms().probeconfig->isVisible());
    QVERIFY(!r.w->probeScanning());
    QVERIFY(dialogGoneUnderBox);
    r.env.clock.advance(5000);
    QCOMPARE(r.env.prompts.shown.size(), 1);
    QCOMPARE(r.env.prompts.shown[0].caption, QStringLiteral("Error"));
    QCOMPARE(r.env.prompts.shown[0].text, NotOnRs485Text);
    QCOMPARE(r.linesEndingWith(QStringLiteral(" /Error      > Not connected to RS485 Network! ")), 1);
    // What was found stays, as after "Cancel"; nothing is asked of it on a port that is gone.
    QCOMPARE(items(In<QComboBox>(r.forms().probeconfig, "ProbesList")), QStringList{"3"});
    QCOMPARE(r.w->currentProbe(), uint8_t(3));
    QCOMPARE(r.text("iProben"), QStringLiteral("Probe Address: 3"));
    for (const QString& f : r.framesSince(mark))
        QVERIFY2(f.startsWith(QLatin1String("01@")) || f.startsWith(QLatin1String("91@")), qPrintable(f));
    QCOMPARE(r.find("ProbeConnect")->text(), QStringLiteral("Connect"));
}

void ProbeScanTest::scanOpenedInsideATickStillRuns() {
    // Both auto refreshes ask silent addresses, so a tick waits for the line; the user's
    // "Scan ..." is handled inside that wait and its dialog must still see ticks.
    WindowsRig r;
    r.probes.add<ConsoleProbe>(7);
    r.find<QCheckBox>("Autorefresh")->setChecked(true);
    r.find<QCheckBox>("LRMCBArefr")->setChecked(true);
    bool insideTick = false;
    bool finished = false;
    r.env.clock.at(1600, [&] {
        insideTick = r.w->probeBus().inCycle();
        r.find<QCheckBox>("Autorefresh")->setChecked(false);
        r.find<QCheckBox>("LRMCBArefr")->setChecked(false);
        r.env.clock.after(0, [&] {
            finished = r.env.clock.runUntil(
                [&] { return In(r.forms().probeconfig, "CloseSc")->text() == QStringLiteral("Ok"); }, 40000);
            In(r.forms().probeconfig, "CloseSc")->click();
        });
        r.click("ProbeScan");
    });
    r.env.clock.advance(40000);
    QVERIFY(insideTick);
    QVERIFY(finished);
    QCOMPARE(r.w->currentProbe(), uint8_t(7));
    // The interrupted tick went on afterwards and the cycle still runs.
    QVERIFY(!r.w->probeBus().inCycle());
    const int before = r.probeSent().size();
    r.click("proberefresh");
    r.env.clock.advance(100);
    QCOMPARE(r.probeSent().size(), before + 1);
}

void ProbeScanTest::moduleScanFillsRowsAndCloses() {
    WindowsRig r;
    auto* m3 = r.probes.add<LeakModule>(3);
    r.probes.add<LeakModule>(9);
    m3->temperature = 30;
    auto* gauge = In<QProgressBar>(r.forms().ScanfLrm, "ScanGauge");
    QList<int> shown;
    QObject::connect(gauge, &QProgressBar::valueChanged, gauge, [&](int v) { shown << v; });
    // A value shown before the scan goes back to its placeholder.
    r.w->SendModuleCommand(0x00, DevLeakModule, 9);
    r.env.clock.advance(100);
    QCOMPARE(r.cell(10, 1), QStringLiteral("20"));
    r.w->resize(800, 600);
    r.w->move(100, 50);
    bool visible = false, framed = false, centred = false, stillOpen = false, placeholders = false;
    r.env.clock.after(0, [&] {
        visible = r.forms().ScanfLrm->isVisible();
        placeholders = r.cell(10, 1) == QStringLiteral("  XXX") && r.text("LRMTV") == QStringLiteral(" XX");
        const Qt::WindowFlags f = r.forms().ScanfLrm->windowFlags();
        framed = (f & Qt::CustomizeWindowHint) && (f & Qt::WindowTitleHint) && !(f & Qt::WindowCloseButtonHint) &&
                 !(f & Qt::WindowSystemMenuHint) && !(f & Qt::WindowMinMaxButtonsHint);
        centred = (r.forms().ScanfLrm->frameGeometry().center() - r.w->frameGeometry().center()).manhattanLength() <= 2;
        // Neither the window frame nor Escape closes it.
        r.forms().ScanfLrm->close();
        QTest::keyClick(r.forms().ScanfLrm, Qt::Key_Escape);
        stillOpen = r.forms().ScanfLrm->isVisible();
    });
    const qint64 start = r.env.clock.elapsedMs();
    r.click("LRMBscan");
    const qint64 took = r.env.clock.elapsedMs() - start;
    QVERIFY(visible);
    QVERIFY(framed);
    QVERIFY(centred);
    QVERIFY(stillOpen);
    QVERIFY(placeholders);
    QCOMPARE(r.forms().ScanfLrm->windowTitle(), QStringLiteral("Scan for Leak Read Modules ..."));
    QVERIFY(!r.forms().ScanfLrm->isVisible());
    QVERIFY(!r.w->moduleScanning());
    // 49 steps, two a tick, plus the reply waits of the silent addresses.
    QVERIFY2(took > 12000 && took < 25000, qPrintable(QString::number(took)));
    for (int a = 0; a < 16; ++a) QCOMPARE(r.requestsTo(DevLeakModule, 0x00, a), a == 9 ? 3 : 2);
    QCOMPARE(gauge->value(), 47);
    QCOMPARE(shown.size(), 47);
    for (int i = 0; i < shown.size(); ++i) QCOMPARE(shown[i], i + 1);
    QCOMPARE(r.cell(4, 1), QStringLiteral("30"));
    QCOMPARE(r.cell(4, 2), QStringLiteral(" 128"));
    QCOMPARE(r.cell(4, 3), QStringLiteral(" OFF"));
    QCOMPARE(r.cell(4, 5), QStringLiteral(" 1"));
    QCOMPARE(r.cell(10, 1), QStringLiteral("20"));
    for (int row = 1; row <= 16; ++row) {
        if (row == 4 || row == 10) continue;
        QCOMPARE(r.cell(row, 1), QStringLiteral("  XXX"));
        QCOMPARE(r.cell(row, 9), QStringLiteral(" X"));
    }
    QVERIFY(r.env.prompts.shown.isEmpty());
    // The next tick sends nothing more.
    const int before = r.probeSent().size();
    r.env.clock.advance(2000);
    QCOMPARE(r.probeSent().size(), before);
}

void ProbeScanTest::moduleScanClosesWithThePort() {
    {
        WindowsRig r;
        r.probes.add<LeakModule>(3);
        bool windowGoneUnderBox = false;
        r.env.prompts.queue(OkAfterWindowGone(r.forms().ScanfLrm, windowGoneUnderBox));
        r.env.clock.after(3000, [&] { r.env.ports.remove(3); });
        const qint64 start = r.env.clock.elapsedMs();
        r.click("LRMBscan");
        QVERIFY(r.env.clock.elapsedMs() - start < 3500);
        QVERIFY(!r.forms().ScanfLrm->isVisible());
        QVERIFY(!r.w->moduleScanning());
        QVERIFY(!r.w->probeBus().isOpen());
        QCOMPARE(r.cell(4, 1), QStringLiteral("20"));  // what was read before stays
        r.env.clock.advance(5000);
        // The user is told once, after the window has gone.
        QCOMPARE(r.env.prompts.shown.size(), 1);
        QCOMPARE(r.env.prompts.shown[0].caption, QStringLiteral("Error"));
        QCOMPARE(r.env.prompts.shown[0].text, NotOnRs485Text);
        QVERIFY(windowGoneUnderBox);
        QCOMPARE(r.linesEndingWith(QStringLiteral(" /Error      > Not connected to RS485 Network! "), "LRMLogB"), 1);
    }
    {
        // A disconnect (here by an accessibility tool's toggle: the user cannot reach the button
        // under the window).
        WindowsRig r;
        r.env.clock.after(2000, [&] { r.find("ProbeConnect")->toggle(); });
        r.click("LRMBscan");
        QVERIFY(!r.forms().ScanfLrm->isVisible());
        QVERIFY(!r.w->probeBus().isOpen());
    }
    WindowsRig r(false);
    r.env.prompts.queue(PromptAnswer::ok());
    r.click("LRMBscan");
    QCOMPARE(r.env.prompts.shown.size(), 1);
    QCOMPARE(r.env.prompts.shown[0].caption, QStringLiteral("Error"));
    QVERIFY(!r.forms().ScanfLrm->isVisible());
}

void ProbeScanTest::relayButtons() {
    WindowsRig r;
    auto* m = r.probes.add<LeakModule>(6);
    auto* relay1 = r.find<QPushButton>("LRMR1");
    auto* relay2 = r.find<QPushButton>("LRMR2");
    QVERIFY(!relay1->isEnabled() && !relay2->isEnabled());
    // "Use" only chooses the module; "Refresh" reads it.
    r.find<QComboBox>("LRMChB")->setCurrentIndex(6);
    r.click("LRMBuse");
    QCOMPARE(r.w->currentModule(), uint8_t(6));
    QCOMPARE(r.probeSent().size(), 0);
    r.click("LRMBRefr");
    r.env.clock.advance(100);
    QVERIFY(relay1->isEnabled() && relay2->isEnabled());
    QVERIFY(!relay1->isChecked());

    // Down: 0x01 with 0xFF to module 6; disabled until the module's data comes back.
    relay1->click();
    QVERIFY(!relay1->isEnabled());
    QByteArray last = r.probeSent().last();
    QCOMPARE(ProbeRig::device(last), 0xA6);
    QCOMPARE(ProbeRig::addrByte(last) & 15, 6);
    QCOMPARE(ProbeRig::code(last), 0x01);
    QCOMPARE(ProbeRig::data(last), QByteArray(1, char(0xFF)));
    r.env.clock.advance(100);
    QVERIFY(m->relays[0]);
    QVERIFY(relay1->isEnabled() && relay1->isChecked());
    QCOMPARE(relay1->text(), QStringLiteral("Reset Relay 1"));
    QCOMPARE(r.cell(7, 3), QStringLiteral(" ON"));

    // Up again: 0x00. The module answers with another code: the button stays disabled until
    // the next read.
    m->otherCodeNext = 1;
    relay1->click();
    last = r.probeSent().last();
    QCOMPARE(ProbeRig::code(last), 0x01);
    QCOMPARE(ProbeRig::data(last), QByteArray(1, char(0x00)));
    r.env.clock.advance(2000);
    QVERIFY(!m->relays[0]);
    QVERIFY(!relay1->isEnabled());
    r.click("LRMBRefr");
    r.env.clock.advance(100);
    QVERIFY(relay1->isEnabled() && !relay1->isChecked());
    QCOMPARE(relay1->text(), QStringLiteral("Set Relay 1"));

    // An accessibility tool's toggle action switches the relay like a click.
    relay2->toggle();
    last = r.probeSent().last();
    QCOMPARE(ProbeRig::code(last), 0x02);
    QCOMPARE(ProbeRig::data(last), QByteArray(1, char(0xFF)));
    r.env.clock.advance(100);
    QVERIFY(m->relays[1]);
    QCOMPARE(r.cell(7, 4), QStringLiteral(" ON"));
    const int sentBefore = r.probeSent().size();
    r.click("LRMBRefr");  // module data setting the buttons sends no relay command
    r.env.clock.advance(100);
    QCOMPARE(r.probeSent().size(), sentBefore + 1);

    // Port closed: the box, nothing sent, the button disabled all the same.
    r.click("ProbeConnect");
    r.env.prompts.queue(PromptAnswer::ok());
    relay2->click();
    QCOMPARE(r.env.prompts.shown.size(), 1);
    QVERIFY(!relay2->isEnabled());
    QCOMPARE(r.probeSent().size(), sentBefore + 1);
}

void ProbeScanTest::closingTheProgramUnderEachWindow() {
    struct Case {
        const char* button;
        QWidget* (*window)(const MarvaneForms&);
    };
    const Case cases[] = {{"ProbeScan", [](const MarvaneForms& w) { return static_cast<QWidget*>(w.probeconfig); }},
                          {"LRMBscan", [](const MarvaneForms& w) { return static_cast<QWidget*>(w.ScanfLrm); }},
                          {"CalibrateSow", [](const MarvaneForms& w) { return static_cast<QWidget*>(w.CalSoW); }}};
    for (const Case& c : cases) {
        WindowsRig r;
        QWidget* window = c.window(r.forms());
        r.probes.add<ConsoleProbe>(0);
        r.probes.add<LeakModule>(0);
        // Silent addresses keep a request waiting for the line now and then.
        r.find<QCheckBox>("Autorefresh")->setChecked(true);
        r.find<QCheckBox>("LRMCBArefr")->setChecked(true);
        r.find<QComboBox>("LRMChB")->setCurrentIndex(11);
        r.click("LRMBuse");
        bool shown = false;
        int sentAtClose = -1;
        r.env.clock.after(4100, [&] {
            shown = window->isVisible();
            if (QString::fromLatin1(c.button) == QStringLiteral("CalibrateSow"))
                In(r.forms().CalSoW, "Nextbut")->click();
            r.env.clock.after(130, [&] {
                sentAtClose = r.probeSent().size();
                r.w->close();
            });
        });
        const qint64 start = r.env.clock.elapsedMs();
        r.click(c.button);
        // The window's loop ends with the program, at once.
        QVERIFY2(shown, c.button);
        QVERIFY2(r.env.clock.elapsedMs() - start <= 4230 + 300, c.button);
        QVERIFY2(!window->isVisible(), c.button);
        QVERIFY(AppQuitting());
        QVERIFY(!r.w->probeScanning() && !r.w->moduleScanning() && !r.w->sowCalibrating());
        // Nothing goes out after the close (a frame already waiting for the line may not).
        QVERIFY2(r.probeSent().size() <= sentAtClose + 1, c.button);
        QCOMPARE(r.find<QSpinBox>("PrSpdOfWire")->value(), 305218);
        RunAnApplicationLoop();
    }
}

void ProbeScanTest::windowsOpenAgainAfterwards() {
    // After a closed program, a new one's windows run their loops as before.
    WindowsRig r;
    r.env.clock.after(1000, [&] { In(r.forms().probeconfig, "CloseSc")->click(); });
    r.click("ProbeScan");
    QVERIFY(r.env.clock.elapsedMs() >= 1000);
}

TANKCFG_TEST_MAIN(ProbeScanTest)
#include "tst_probescan.moc"
