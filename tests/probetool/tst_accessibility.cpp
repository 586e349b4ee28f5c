// Ostrel as a screen reader or a keyboard alone meets it: values with their captions, every
// control of every window named, windows as frames, a frame log whose text a NUL byte does not
// cut, Tab in reading order, Enter and Escape in its two dialogs; and the window at its size
// with the log usable.
#include <QFile>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QTemporaryDir>
#include <QTextBrowser>

#include "ostrelrig.h"
#include "probetool/HelpFrame.h"
#include "tests/accessible.h"

namespace {
// Runs fn once the scan window has scanned the bus and waits for the user.
void whenScanned(OstrelRig& r, std::function<void()> fn, bool seen = false) {
    r.env.clock.after(10, [&r, fn, seen] {
        const bool now = r.scan->Scanning();
        if (seen && !now && r.scan->isVisible()) {
            fn();
            return;
        }
        whenScanned(r, fn, seen || now);
    });
}
}  // namespace

class AccessibilityTest : public QObject {
    Q_OBJECT
private slots:
    void valuesReadWithTheirCaptions();
    void unnamedControlsAreNamed();
    void windowsAreFrames();
    void windowAtItsSizeWithAUsableLog();
    void nulInAReceivedLineDoesNotCutTheLog();
    void buttonActionRunsItsHandler();
    void everyControlHasATrueName();
    void tabOrderFollowsReadingOrder();
    void scanAndHelpAnswerEnterAndEscape();
};

void AccessibilityTest::valuesReadWithTheirCaptions() {
    OstrelRig r;
    r.start();
    r.check("Lvmode")->setChecked(true);
    r.apply(OstrelRig::frame(rspData, OstrelRig::measurementData(500000, 1000000, 0x19, 0x00, 0x05)));
    const std::pair<const char*, const char*> expected[] = {
        {"vSensVal1", "Sensor 1 (fuel): 1500.000"},
        {"vSensVal2", "Sensor 2 (water): 3000.000"},
        {"vTmpr", "Temperature: 50.00"},
        {"SLevel", "Level (fuel): 500.000"},
        {"vStatus", "Status: 00000101"},
    };
    for (const auto& [name, read] : expected) QCOMPARE(axName(r.label(name)), QString(read));
    QCOMPARE(ax(r.label("vSensVal1"))->text(QAccessible::Value), QString("1500.000"));
    r.apply(OstrelRig::frame(rspTemp, QByteArray("\x00\x19\x02", 3)));
    QCOMPARE(axName(r.label("vTmpr2")), QString("Tempr 2: 50.00"));
    QCOMPARE(axName(r.label("vTmpr4")), QString("Tempr 4: ---.--"));
}

void AccessibilityTest::unnamedControlsAreNamed() {
    OstrelRig r;
    r.start();
    QCOMPARE(axName(r.memo("Status")), QString("Probe information"));
    QCOMPARE(axText(r.memo("Status")), QString("SN: N/A\nSpeed: N/A\nLength: N/A"));
    QCOMPARE(axName(r.memo("LogWin")), QString("Frame log"));
    QCOMPARE(axName(r.gauge()), QString("Progress"));
    QCOMPARE(axName(r.scanControl<QProgressBar>("ProgressBar1")), QString("Scan progress"));
    // The list of answering addresses has a label, which names it on every platform.
    auto* list = r.scanControl<QComboBox>("cbPrbDet");
    QStringList labels;
    for (const auto& [iface, relation] : ax(list)->relations(QAccessible::Label))
        labels << iface->text(QAccessible::Name);
    QCOMPARE(labels, QStringList{"Address"});
}

void AccessibilityTest::windowsAreFrames() {
    OstrelRig r;
    r.start();
    QCOMPARE(ax(r.w.get())->role(), QAccessible::Window);
    QCOMPARE(axName(r.w.get()), QString("Probe config"));
    QCOMPARE(ax(r.scan)->role(), QAccessible::Dialog);
    QCOMPARE(ax(r.help)->role(), QAccessible::Dialog);
    QTest::keyClick(r.w.get(), Qt::Key_F1);
    QWidget* helpWindow = r.w->HelpViewer()->window();
    QVERIFY(helpWindow != r.w.get());
    QCOMPARE(ax(helpWindow)->role(), QAccessible::Window);
    QCOMPARE(axName(helpWindow), QString("Probe config"));
}

void AccessibilityTest::windowAtItsSizeWithAUsableLog() {
    OstrelRig r;
    r.start();
    r.w->show();
    QCOMPARE(r.w->size(), QSize(604, 507));
    // Every control lies within the window, and the log shows a dozen lines or more.
    for (QWidget* c : r.w->findChildren<QWidget*>()) {
        if (!c->isVisible() || c->isWindow() || c->parentWidget() != r.w.get()) continue;
        QVERIFY2(r.w->rect().contains(c->geometry()), qPrintable(c->objectName()));
    }
    QPlainTextEdit* log = r.memo("LogWin");
    QVERIFY2(log->viewport()->height() >= 12 * log->fontMetrics().lineSpacing(),
             qPrintable(QString::number(log->viewport()->height())));
    QVERIFY(log->width() >= 580);
    // The probe information shows its three lines whole.
    QPlainTextEdit* status = r.memo("Status");
    QVERIFY(status->viewport()->height() >= 3 * status->fontMetrics().lineSpacing());
}

void AccessibilityTest::nulInAReceivedLineDoesNotCutTheLog() {
    OstrelRig r;
    r.start();
    QTemporaryDir dir;
    r.arrive(QByteArray("\rA\0B\n", 5));
    const QString text = axText(r.memo("LogWin"));
    QVERIFY(!text.contains(QChar(0)));
    QVERIFY(text.startsWith(QString("R-092653 >A\u2400B\n")));
    QVERIFY(text.contains("Com port scan complete."));
    // The log file keeps the byte as it came.
    QCOMPARE(r.log().first(), QString("R-092653 >A") + QChar(0) + QString("B"));
    r.env.prompts.queue(PromptAnswer::file(dir.filePath("n.log")));
    r.click("bSavelog");
    QFile f(dir.filePath("n.log"));
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = f.readAll().split('\n');
    QCOMPARE(lines.at(lines.size() - 3), QByteArray("R-092653 >A\0B\r", 14));
}

void AccessibilityTest::buttonActionRunsItsHandler() {
    OstrelRig r;
    r.start();
    ax(r.button("bClearLog"))->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    r.env.clock.settle();
    QCOMPARE(r.log(), QStringList{"Start log - 260314092653"});
}

void AccessibilityTest::everyControlHasATrueName() {
    OstrelRig r;
    r.start();
    QTest::keyClick(r.w.get(), Qt::Key_F1);
    for (QWidget* w : {static_cast<QWidget*>(r.w.get()), static_cast<QWidget*>(r.scan), static_cast<QWidget*>(r.help),
                       r.w->HelpViewer()->window()})
        QVERIFY2(UnnamedControls(w).isEmpty(), qPrintable(w->objectName() + ": " + UnnamedControls(w).join("; ")));
    // The help window keeps its caption as its name, and says what it holds.
    QCOMPARE(axName(r.help), QString("HelpWindow"));
    QVERIFY(!ax(r.help)->text(QAccessible::Description).isEmpty());
    QCOMPARE(axName(r.help->HelpFrame->Memo1), QString("Help text"));
    QVERIFY(axText(r.help->HelpFrame->Memo1).startsWith("\"Scanbus \""));
}

void AccessibilityTest::tabOrderFollowsReadingOrder() {
    OstrelRig r;
    r.probe(3);
    r.startWithProbe(3);
    auto check = [](QWidget* w) {
        QVERIFY2(TabOrderAgainstReading(w).isEmpty(),
                 qPrintable(w->objectName() + ": " + TabOrderAgainstReading(w).join("; ")));
        QVERIFY2(UnreachableByTab(w).isEmpty(),
                 qPrintable(w->objectName() + " unreachable: " + UnreachableByTab(w).join("; ")));
    };
    for (QWidget* w : {static_cast<QWidget*>(r.w.get()), static_cast<QWidget*>(r.help)}) {
        w->show();
        r.env.clock.settle();
        check(w);
    }
    r.help->hide();
    // The scan window, as it waits for the user after a scan.
    whenScanned(r, [&] {
        check(r.scan);
        r.scan->bOKSelClick();
    });
    r.click("bScanBus");
    // The calibration group is read, and tabbed, before the buttons below it.
    QStringList order;
    for (QWidget* s : TabStops(r.w.get())) order << TabOrder::nameOf(s);
    QVERIFY2(order.indexOf("Bupdate") < order.indexOf("Button2"), qPrintable(order.join(" ")));
    QCOMPARE(order.first(), QString("Comsel"));
    QCOMPARE(order.last(), QString("LogWin"));
}

void AccessibilityTest::scanAndHelpAnswerEnterAndEscape() {
    OstrelRig r;
    r.probe(3);
    r.probe(12);
    r.start();
    // Enter in the list of answering addresses presses the default button, "OK/Select".
    whenScanned(r, [&] {
        auto* list = r.scanControl<QComboBox>("cbPrbDet");
        list->setCurrentIndex(1);
        QTest::keyClick(list, Qt::Key_Return);
    });
    r.click("bScanBus");
    QVERIFY(r.scan->isHidden());
    QCOMPARE(r.combo("Addr")->currentIndex(), 12);
    // Escape closes it as its frame does: the address chosen in the list is taken all the same.
    whenScanned(r, [&] { QTest::keyClick(r.scan, Qt::Key_Escape); });
    r.click("bScanBus");
    QVERIFY(r.scan->isHidden());
    QCOMPARE(r.combo("Addr")->currentIndex(), 3);
    // The help window: Escape closes it, Enter on "Close" too; Enter in the text leaves it open.
    QPushButton* close = r.help->HelpFrame->Button1;
    r.env.clock.after(0, [&] { QTest::keyClick(r.help, Qt::Key_Escape); });
    r.click("Button1");
    QVERIFY(r.help->isHidden());
    r.env.clock.after(0, [&] { QTest::keyClick(close, Qt::Key_Return); });
    r.click("Button1");
    QVERIFY(r.help->isHidden());
    QCOMPARE(r.help->result(), 1);
    r.env.clock.after(0, [&] { QTest::keyClick(r.help->HelpFrame->Memo1, Qt::Key_Return); });
    r.env.clock.after(50, [&] {
        QVERIFY(r.help->isVisible());
        QTest::keyClick(close, Qt::Key_Space);
    });
    r.click("Button1");
    QVERIFY(r.help->isHidden());
}

TANKCFG_TEST_MAIN(AccessibilityTest)
#include "tst_accessibility.moc"
