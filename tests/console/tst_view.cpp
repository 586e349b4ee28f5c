// The configuration view: counts and their defaults, the grids, and the MDI unit editor.
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>

#include "calibration/tankcfg.h"
#include "console/mdicf.h"
#include "consolefixture.h"

namespace {
void mark(ConsoleFixture& f, int tank, double capacity) {
    f.session().ConsoleConfig.Tanks[tank - 1].Capacity = capacity;
}
double capacity(const ConsoleFixture& f, int tank) { return f.session().ConsoleConfig.Tanks[tank - 1].Capacity; }
QString mdiName(const ConsoleFixture& f, int n) {
    return QString::fromStdString(f.session().ConsoleConfig.Mdi[n - 1].Name.str());
}
QStringList row(QTableWidget* g, int r, int cols) {
    QStringList out;
    for (int c = 0; c < cols; ++c) out << ConsoleFixture::cell(g, r, c);
    return out;
}
}  // namespace

class ViewTest : public QObject {
    Q_OBJECT
private slots:
    void raisingTanksGivesEachNewLastTankItsDefaults();
    void refreshMovingSeveralStepsResetsOnlyTheNewLast();
    void arrowsAtTheLimitsChangeNothing();
    void spinEditsTakeNoTyping();
    void pageKeysAndWheelAddOneTankAtATime();
    void mdiCountRowsAndDefaults();
    void gridFormats();
    void changeDataForTankOpensOnCurrentTank();
    void changeDataForMdiWithNoUnits();
    void doubleClickBelowTheRowsOpensTheEditors();
    void editorStepsStoresAndCloses();
    void editorActivationReloads();
    void editorNameLengthAndAddress();
    void editorApplySendsAndShowsReadBack();
    void editorNeverOnUnitZeroNorPastSixteen();
};

void ViewTest::raisingTanksGivesEachNewLastTankItsDefaults() {
    ConsoleFixture f(false);
    f.spin("Noftanks")->stepUp();
    f.spin("Noftanks")->stepUp();
    mark(f, 4, 1.0);
    f.spin("Noftanks")->stepUp();
    QCOMPARE(int(f.session().ConsoleConfig.TankCount), 4);
    QCOMPARE(capacity(f, 4), 22000.0);
    QCOMPARE(int(f.session().ConsoleConfig.Tanks[3].InUse), 1);
    QCOMPARE(f.grid("Tanks_list")->rowCount(), 5);
    mark(f, 4, 2.0);
    for (int t = 5; t <= 16; ++t) mark(f, t, 3.0);
    f.spin("Noftanks")->stepDown();
    QCOMPARE(int(f.session().ConsoleConfig.TankCount), 3);
    QCOMPARE(f.grid("Tanks_list")->rowCount(), 4);
    QCOMPARE(capacity(f, 4), 2.0);  // lowering keeps every record
    f.spin("Noftanks")->stepUp();
    QCOMPARE(capacity(f, 4), 22000.0);  // and raising again resets it once more
    for (int t = 5; t <= 16; ++t) QCOMPARE(capacity(f, t), 3.0);
}

void ViewTest::refreshMovingSeveralStepsResetsOnlyTheNewLast() {
    ConsoleFixture f(false);
    for (int t = 2; t <= 5; ++t) mark(f, t, 7.0);
    f.session().ConsoleConfig.TankCount = 5;
    f.w->ShowConsoleConfig();
    QCOMPARE(f.spin("Noftanks")->value(), 5);
    QCOMPARE(f.grid("Tanks_list")->rowCount(), 6);
    QCOMPARE(capacity(f, 5), 22000.0);
    for (int t = 2; t <= 4; ++t) QCOMPARE(capacity(f, t), 7.0);
    QCOMPARE(ConsoleFixture::cell(f.grid("Tanks_list"), 3, 2), QStringLiteral("7"));

    // Out of range counts are shown clamped; 0 tanks shows as 1 and is not stored back.
    f.session().ConsoleConfig.TankCount = 0;
    f.w->ShowConsoleConfig();
    QCOMPARE(f.spin("Noftanks")->value(), 1);
    QCOMPARE(int(f.session().ConsoleConfig.TankCount), 1);  // changed what it showed (5 -> 1): stored
    f.session().ConsoleConfig.TankCount = 0;
    f.w->ShowConsoleConfig();
    QCOMPARE(int(f.session().ConsoleConfig.TankCount), 0);  // showed 1 already: the record keeps its 0
}

void ViewTest::arrowsAtTheLimitsChangeNothing() {
    ConsoleFixture f(false);
    QTest::keyClick(f.spin("Noftanks"), Qt::Key_Down);
    QCOMPARE(f.spin("Noftanks")->value(), 1);
    QTest::keyClick(f.spin("MdiUv"), Qt::Key_Down);
    QCOMPARE(f.spin("MdiUv")->value(), 0);
    QCOMPARE(f.session().SelectedMdi, uint8_t(0));  // no change event ran
    f.spin("Noftanks")->setValue(16);
    f.spin("MdiUv")->setValue(16);
    mark(f, 16, 5.0);
    f.session().ConsoleConfig.Mdi[15].Name.assign("Kept");
    QTest::keyClick(f.spin("Noftanks"), Qt::Key_Up);
    QTest::keyClick(f.spin("MdiUv"), Qt::Key_Up);
    QCOMPARE(capacity(f, 16), 5.0);
    QCOMPARE(mdiName(f, 16), QStringLiteral("Kept"));
    QTest::keyClick(f.spin("Noftanks"), Qt::Key_Down);
    QCOMPARE(f.spin("Noftanks")->value(), 15);
}

void ViewTest::spinEditsTakeNoTyping() {
    ConsoleFixture f(false);
    QTest::keyClicks(f.spin("Noftanks"), QStringLiteral("9"));
    QCOMPARE(f.spin("Noftanks")->value(), 1);
    QTest::keyClick(f.spin("Noftanks"), Qt::Key_Up);
    QCOMPARE(f.spin("Noftanks")->value(), 2);
    QCOMPARE(int(f.session().ConsoleConfig.TankCount), 2);
}

void ViewTest::pageKeysAndWheelAddOneTankAtATime() {
    // However the count is raised, each tank or unit that becomes the new last one is a fresh one.
    ConsoleFixture f(false);
    for (int t = 2; t <= 16; ++t) mark(f, t, 4.0);
    for (int u = 1; u <= 16; ++u) f.session().ConsoleConfig.Mdi[u - 1].Name.assign("Old");
    QTest::keyClick(f.spin("Noftanks"), Qt::Key_PageUp);
    QTest::keyClick(f.spin("MdiUv"), Qt::Key_PageUp);
    const int tanks = f.spin("Noftanks")->value();
    const int units = f.spin("MdiUv")->value();
    QVERIFY(tanks > 2 && units > 1);
    for (int t = 2; t <= tanks; ++t) QCOMPARE(capacity(f, t), 22000.0);
    for (int t = tanks + 1; t <= 16; ++t) QCOMPARE(capacity(f, t), 4.0);
    for (int u = 1; u <= units; ++u) QCOMPARE(mdiName(f, u), QStringLiteral("No name"));
    QCOMPARE(int(f.session().ConsoleConfig.TankCount), tanks);
    QCOMPARE(f.grid("Tanks_list")->rowCount(), tanks + 1);
    QCOMPARE(ConsoleFixture::cell(f.grid("Tanks_list"), 2, 2), QStringLiteral("22000"));

    // Down by a page keeps every record.
    for (int t = 2; t <= tanks; ++t) mark(f, t, 5.0);
    QTest::keyClick(f.spin("Noftanks"), Qt::Key_PageDown);
    QCOMPARE(f.spin("Noftanks")->value(), 1);
    for (int t = 2; t <= tanks; ++t) QCOMPARE(capacity(f, t), 5.0);

    // The wheel with the page modifier steps a page at once, too.
    QWheelEvent wheel(QPointF(5, 5), f.spin("Noftanks")->mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, 120),
                      Qt::NoButton, Qt::ControlModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(f.spin("Noftanks"), &wheel);
    QVERIFY(f.spin("Noftanks")->value() > 2);
    for (int t = 2; t <= f.spin("Noftanks")->value(); ++t) QCOMPARE(capacity(f, t), 22000.0);
}

void ViewTest::mdiCountRowsAndDefaults() {
    ConsoleFixture f(false);
    f.session().ConsoleConfig.Mdi[0].Address = 9;
    f.session().ConsoleConfig.Mdi[0].Name.assign("Old");
    f.w->MDIListClick(1);
    f.spin("MdiUv")->stepUp();
    QCOMPARE(int(f.session().ConsoleConfig.MdiCount), 1);
    QCOMPARE(int(f.session().ConsoleConfig.Mdi[0].Address), 0);
    QCOMPARE(mdiName(f, 1), QStringLiteral("No name"));
    QCOMPARE(row(f.grid("MDIList"), 1, 4), (QStringList{" 1", "0", "No name", " - "}));
    f.spin("MdiUv")->stepUp();
    f.spin("MdiUv")->stepUp();
    f.w->MDIListClick(3);
    QCOMPARE(f.session().SelectedMdi, uint8_t(3));
    f.spin("MdiUv")->stepDown();
    QCOMPARE(f.session().SelectedMdi, uint8_t(1));  // after any change of the count
    QCOMPARE(f.grid("MDIList")->rowCount(), 3);
    f.spin("MdiUv")->setValue(0);
    QCOMPARE(f.grid("MDIList")->rowCount(), 2);
    QCOMPARE(row(f.grid("MDIList"), 1, 4), (QStringList{" --", " --", " ----------------", "-"}));
    QCOMPARE(int(f.session().ConsoleConfig.MdiCount), 0);
    QCOMPARE(mdiName(f, 2), QStringLiteral("No name"));  // kept when lowered
}

void ViewTest::gridFormats() {
    ConsoleFixture f(false);
    QCOMPARE(row(f.grid("Tanks_list"), 0, 5),
             (QStringList{"No:", " Probe ID", " Capacity [lit]", " PRODUCT", " STATUS"}));
    QCOMPARE(row(f.grid("Tanks_list"), 1, 5),
             (QStringList{"  1", " 01 23 45 67 89 AB", "22000", "SUPER A95H", " UNKNOWN "}));
    QVERIFY(f.grid("Tanks_list")->isColumnHidden(4));
    f.session().ConsoleConfig.Tanks[0].Capacity = 123456789.0;
    f.session().ConsoleConfig.Tanks[0].ProbeId[0] = 0xFE;
    f.w->ShowConsoleConfig();
    QCOMPARE(ConsoleFixture::cell(f.grid("Tanks_list"), 1, 2), QStringLiteral("1.2345679E8"));
    QCOMPARE(ConsoleFixture::cell(f.grid("Tanks_list"), 1, 1), QStringLiteral(" FE 23 45 67 89 AB"));
    f.session().ConsoleConfig.Tanks[0].Capacity = 1234.5;
    f.w->ShowConsoleConfig();
    QCOMPARE(ConsoleFixture::cell(f.grid("Tanks_list"), 1, 2), QStringLiteral("1235"));
}

void ViewTest::changeDataForTankOpensOnCurrentTank() {
    {
        ConsoleFixture f;
        f.spin("Noftanks")->setValue(5);
        f.w->Tanks_listClick(5);
        f.w->Tanks_listClick(0);  // the header row selects nothing
        QCOMPARE(f.session().CurrentTank, uint8_t(5));
        f.spin("Noftanks")->setValue(2);
        f.click("Edit_t_data");
        QCOMPARE(f.sentCodes(), (QList<int>{0x02, 0x03}));
        QCOMPARE(f.forms().tankconfig->TankNo, uint8_t(5));
        QVERIFY(f.forms().tankconfig->isVisible());
    }
    {
        // Without a link both exchanges are refused with a box, and the window opens all the same.
        ConsoleFixture f(false);
        f.edit("dbsave")->setText(QStringLiteral("99"));
        f.expectNotConnected(2);
        f.click("Edit_t_data");
        QCOMPARE(f.promptTexts(), QStringList(2, NotConnectedText));
        QCOMPARE(int(f.session().ConsoleConfig.DbSaveTime), 99);
        QVERIFY(f.forms().tankconfig->isVisible());
    }
    {
        ConsoleFixture f;
        f.edit("dbsave")->setText(QStringLiteral("x"));
        f.env.prompts.queue(PromptAnswer::ok());
        f.click("Edit_t_data");
        QCOMPARE(f.promptTexts(), QStringList{QStringLiteral("'x' is not a valid integer value.")});
        QVERIFY(!f.forms().tankconfig->isVisible());
        QVERIFY(f.sent().isEmpty());
    }
}

void ViewTest::changeDataForMdiWithNoUnits() {
    ConsoleFixture f;
    f.click("MdiCfgb");
    QCOMPARE(f.sentCodes(), (QList<int>{0x02, 0x03}));
    QVERIFY(!f.forms().mdicfg->isVisible());
    f.w->MDIListDblClick(1);
    QVERIFY(!f.forms().mdicfg->isVisible());
}

void ViewTest::doubleClickBelowTheRowsOpensTheEditors() {
    // The grids answer a double click anywhere on them, also on the empty part below the rows.
    ConsoleFixture f;
    f.w->resize(1000, 800);
    f.w->Tankcfg->setCurrentIndex(1);
    f.w->show();
    f.spin("MdiUv")->setValue(2);
    f.w->MDIListClick(2);
    for (const char* name : {"Tanks_list", "MDIList"}) {
        QTableWidget* g = f.grid(name);
        const int below = g->rowViewportPosition(g->rowCount() - 1) + g->rowHeight(g->rowCount() - 1) + 4;
        QVERIFY2(below < g->viewport()->height(), name);
        QTest::mouseDClick(g->viewport(), Qt::LeftButton, {}, QPoint(10, below));
        f.env.clock.settle();
    }
    QCOMPARE(f.sentCodes(), (QList<int>{0x02, 0x03}));  // the tank grid exchanges, the MDI grid does not
    QVERIFY(f.forms().tankconfig->isVisible());
    QCOMPARE(f.forms().tankconfig->TankNo, uint8_t(1));
    QVERIFY(f.forms().mdicfg->isVisible());
    QCOMPARE(f.forms().mdicfg->UnitNo, uint8_t(2));

    // On a row, the row is chosen first.
    QTableWidget* g = f.grid("MDIList");
    QTest::mouseDClick(g->viewport(), Qt::LeftButton, {}, QPoint(10, g->rowViewportPosition(1) + 2));
    f.env.clock.settle();
    QCOMPARE(f.session().SelectedMdi, uint8_t(1));
    QCOMPARE(f.forms().mdicfg->UnitNo, uint8_t(1));
}

void ViewTest::editorStepsStoresAndCloses() {
    ConsoleFixture f;
    f.spin("MdiUv")->setValue(3);
    f.session().ConsoleConfig.Mdi[1].Name.assign("Second");
    f.session().ConsoleConfig.Mdi[1].Address = 4;
    f.w->MDIListClick(2);
    f.click("MdiCfgb");
    QVERIFY(f.forms().mdicfg->isVisible());
    QCOMPARE(f.forms().mdicfg->windowTitle(), QStringLiteral("MDI Unit 2"));
    QCOMPARE(f.forms().mdicfg->tMDINamev->text(), QStringLiteral("Second"));
    QCOMPARE(f.forms().mdicfg->MDIUAddrv->currentText(), QStringLiteral("04"));

    f.forms().mdicfg->tMDINamev->setText(QStringLiteral("Typed"));
    f.forms().mdicfg->cancel->click();
    QVERIFY(!f.forms().mdicfg->isVisible());
    QCOMPARE(mdiName(f, 2), QStringLiteral("Second"));

    f.w->MDIListDblClick(2);
    QVERIFY(f.forms().mdicfg->isVisible());
    f.forms().mdicfg->tMDINamev->setText(QStringLiteral("Edited"));
    f.forms().mdicfg->prev->click();
    QCOMPARE(mdiName(f, 2), QStringLiteral("Edited"));
    QCOMPARE(ConsoleFixture::cell(f.grid("MDIList"), 2, 2), QStringLiteral("Edited"));
    QCOMPARE(f.forms().mdicfg->UnitNo, uint8_t(1));
    f.forms().mdicfg->tMDINamev->setText(QStringLiteral("First"));
    f.forms().mdicfg->prev->click();  // on unit 1: stores, stays
    QCOMPARE(f.forms().mdicfg->UnitNo, uint8_t(1));
    QCOMPARE(mdiName(f, 1), QStringLiteral("First"));
    f.forms().mdicfg->next->click();
    f.forms().mdicfg->next->click();
    QCOMPARE(f.forms().mdicfg->UnitNo, uint8_t(3));
    f.forms().mdicfg->MDIUAddrv->setCurrentIndex(12);
    f.forms().mdicfg->next->click();  // on the last unit: stores, stays
    QCOMPARE(f.forms().mdicfg->UnitNo, uint8_t(3));
    QCOMPARE(int(f.session().ConsoleConfig.Mdi[2].Address), 12);
    QCOMPARE(f.forms().mdicfg->windowTitle(), QStringLiteral("MDI Unit 3"));
}

void ViewTest::editorActivationReloads() {
    ConsoleFixture f(false);
    f.spin("MdiUv")->setValue(1);
    f.w->MDIListDblClick(1);
    QVERIFY(f.forms().mdicfg->isVisible());
    f.forms().mdicfg->tMDINamev->setText(QStringLiteral("Not applied"));
    QEvent activate(QEvent::WindowActivate);
    QApplication::sendEvent(f.forms().mdicfg, &activate);
    QCOMPARE(f.forms().mdicfg->tMDINamev->text(), QStringLiteral("No name"));
}

void ViewTest::editorNameLengthAndAddress() {
    ConsoleFixture f(false);
    f.spin("MdiUv")->setValue(1);
    f.session().ConsoleConfig.Mdi[0].Name.assign("ABCDEFGHIJKLMNOPQRSTUVWXY");
    f.session().ConsoleConfig.Mdi[0].Address = 20;
    f.w->MDIListDblClick(1);
    QCOMPARE(f.forms().mdicfg->tMDINamev->text().size(), 25);
    QCOMPARE(f.forms().mdicfg->MDIUAddrv->currentIndex(), -1);
    f.forms().mdicfg->StoreUnit(1);
    QCOMPARE(int(f.session().ConsoleConfig.Mdi[0].Address), 255);
    QCOMPARE(mdiName(f, 1).size(), 25);
    f.forms().mdicfg->tMDINamev->clear();
    QTest::keyClicks(f.forms().mdicfg->tMDINamev, QStringLiteral("0123456789012345678901234"));
    QCOMPARE(f.forms().mdicfg->tMDINamev->text(), QStringLiteral("01234567890123456789"));
}

void ViewTest::editorApplySendsAndShowsReadBack() {
    ConsoleFixture f;
    f.spin("MdiUv")->setValue(1);
    f.w->MDIListDblClick(1);
    f.forms().mdicfg->tMDINamev->setText(QStringLiteral("Island 1"));
    f.forms().mdicfg->MDIUAddrv->setCurrentIndex(5);
    f.model->config().Mdi[0].Name.assign("zzz");
    f.forms().mdicfg->apply->click();
    QCOMPARE(f.sentCodes(), (QList<int>{0x08, 0x09}));
    QCOMPARE(ConsoleFixture::dataOf(f.sent()[0]), QByteArray("\x01\x05Island 1\0", 11));
    QCOMPARE(QString::fromStdString(f.model->config().Mdi[0].Name.str()), QStringLiteral("Island 1"));
    QCOMPARE(f.forms().mdicfg->tMDINamev->text(), QStringLiteral("Island 1"));
    QCOMPARE(ConsoleFixture::cell(f.grid("MDIList"), 1, 1), QStringLiteral("5"));
}

void ViewTest::editorNeverOnUnitZeroNorPastSixteen() {
    ConsoleFixture f(false);
    // A count that came without passing through the spin edit leaves SelectedMdi at 0.
    f.session().ConsoleConfig.MdiCount = 2;
    QCOMPARE(f.session().SelectedMdi, uint8_t(0));
    f.w->MDIListDblClick(0);
    QVERIFY(f.forms().mdicfg->isVisible());
    QCOMPARE(f.forms().mdicfg->UnitNo, uint8_t(1));
    QCOMPARE(f.forms().mdicfg->windowTitle(), QStringLiteral("MDI Unit 1"));
    f.forms().mdicfg->hide();
    f.session().ConsoleConfig.MdiCount = 40;
    f.session().SelectedMdi = 16;
    f.w->MDIListDblClick(16);
    QCOMPARE(f.forms().mdicfg->UnitNo, uint8_t(16));
    f.forms().mdicfg->next->click();
    QCOMPARE(f.forms().mdicfg->UnitNo, uint8_t(16));
}

TANKCFG_TEST_MAIN(ViewTest)
#include "tst_view.moc"
