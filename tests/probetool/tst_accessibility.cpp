// Ostrel as a screen reader reads it: values with their captions, named controls, windows as
// frames, a frame log whose text a NUL byte does not cut; and the window at its size with the
// log usable.
#include <QFile>
#include <QProgressBar>
#include <QTemporaryDir>
#include <QTextBrowser>

#include "ostrelrig.h"
#include "tests/accessible.h"

class AccessibilityTest : public QObject {
    Q_OBJECT
private slots:
    void valuesReadWithTheirCaptions();
    void unnamedControlsAreNamed();
    void windowsAreFrames();
    void windowAtItsSizeWithAUsableLog();
    void nulInAReceivedLineDoesNotCutTheLog();
    void buttonActionRunsItsHandler();
};

void AccessibilityTest::valuesReadWithTheirCaptions() {
    OstrelRig r;
    r.start();
    r.check("Lvmode")->setChecked(true);
    r.apply(OstrelRig::frame(rspData, OstrelRig::measurementData(500000, 1000000, 0x19, 0x00, 0x05)));
    const std::pair<const char*, const char*> expected[] = {
        {"vSensVal1", "Sensor 1 (fuel): 1500.000"}, {"vSensVal2", "Sensor 2 (water): 3000.000"},
        {"vTmpr", "Temperature: 50.00"},            {"SLevel", "Level (fuel): 500.000"},
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
    for (const auto& [iface, relation] : ax(list)->relations(QAccessible::Label)) labels << iface->text(QAccessible::Name);
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

TANKCFG_TEST_MAIN(AccessibilityTest)
#include "tst_accessibility.moc"
