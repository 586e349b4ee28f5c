// Marvane as a screen reader or a GUI test tool drives it: the accessibility actions of the
// connect button and the count spin edits, keyboard choices in the grids, and what the status
// texts, the picture and the windows read as.
#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QTemporaryDir>

#include "calibration/tankcfg.h"
#include "console/logform.h"
#include "consolefixture.h"
#include "tests/accessible.h"

namespace {
void clickCell(QTableWidget* g, int row) {
    QTest::mouseClick(g->viewport(), Qt::LeftButton, {}, g->visualRect(g->model()->index(row, 1)).center());
}
}  // namespace

class AccessibilityTest : public QObject {
    Q_OBJECT
private slots:
    void connectActionRunsTheHandler();
    void connectNameFollowsCaption();
    void countActionsGoOneStep();
    void keyboardChoiceInGridsActsAsClick();
    void gridHeaderRowsAreNotSelectable();
    void statusAndPictureRead();
    void windowsAreFrames();
    void nulInATerminalLineDoesNotCutTheLog();
    void menuHoldsOnlyWhatActs();
};

void AccessibilityTest::connectActionRunsTheHandler() {
    ConsoleFixture f(false);
    QAbstractButton* b = f.find("TrmConnect");
    act(b, QAccessibleActionInterface::toggleAction());
    f.env.clock.settle();
    QVERIFY(f.link().isOpen());
    QVERIFY(b->isChecked());
    QCOMPARE(b->text(), QStringLiteral("Disconnect"));
    // And the port serves: a request goes out and its reply is handled.
    f.click("get_t_from_console");
    QVERIFY(f.env.clock.runUntil([&] { return f.linkIdle() && !f.sent().isEmpty(); }, 5000));
    act(b, QAccessibleActionInterface::toggleAction());
    QVERIFY(f.linkClosed());
    QVERIFY(!b->isChecked());
    QCOMPARE(b->text(), QStringLiteral("Connect"));
}

void AccessibilityTest::connectNameFollowsCaption() {
    ConsoleFixture f(false);
    QAbstractButton* b = f.find("TrmConnect");
    QCOMPARE(axName(b), QStringLiteral("Connect"));
    b->click();
    QCOMPARE(axName(b), QStringLiteral("Disconnect"));
    b->click();
    QCOMPARE(axName(b), QStringLiteral("Connect"));
}

void AccessibilityTest::countActionsGoOneStep() {
    ConsoleFixture f(false);
    QSpinBox* tanks = f.spin("Noftanks");
    act(tanks, QAccessibleActionInterface::increaseAction());
    QCOMPARE(tanks->value(), 2);
    QCOMPARE(int(ConsoleConfig.TankCount), 2);
    QCOMPARE(ConsoleConfig.Tanks[1].Capacity, 22000.0);  // tank 2 got its defaults
    QCOMPARE(int(ConsoleConfig.Tanks[2].InUse), 0);      // tank 3 untouched
    QCOMPARE(f.grid("Tanks_list")->rowCount(), 3);
    act(tanks, QAccessibleActionInterface::decreaseAction());
    QCOMPARE(int(ConsoleConfig.TankCount), 1);

    QSpinBox* mdi = f.spin("MdiUv");
    act(mdi, QAccessibleActionInterface::increaseAction());
    QCOMPARE(mdi->value(), 1);
    QCOMPARE(int(ConsoleConfig.MdiCount), 1);
    QCOMPARE(QString::fromStdString(ConsoleConfig.Mdi[0].Name.str()), QStringLiteral("No name"));
    QCOMPARE(ConsoleFixture::cell(f.grid("MDIList"), 1, 2), QStringLiteral("No name"));
    // A value a tool sets is reached step by step: each new last unit gets its defaults.
    ConsoleConfig.Mdi[1].Address = 9;
    ConsoleConfig.Mdi[2].Address = 9;
    ax(mdi)->valueInterface()->setCurrentValue(3);
    QCOMPARE(int(ConsoleConfig.MdiCount), 3);
    QCOMPARE(int(ConsoleConfig.Mdi[1].Address), 0);
    QCOMPARE(int(ConsoleConfig.Mdi[2].Address), 0);
}

void AccessibilityTest::keyboardChoiceInGridsActsAsClick() {
    ConsoleFixture f(false);
    f.spin("Noftanks")->setValue(3);
    f.spin("MdiUv")->setValue(3);
    QTableWidget* tanks = f.grid("Tanks_list");
    clickCell(tanks, 1);
    QCOMPARE(int(CurrentTank), 1);
    QTest::keyClick(tanks, Qt::Key_Down);
    QCOMPARE(int(CurrentTank), 2);
    QTest::keyClick(tanks, Qt::Key_Down);
    QCOMPARE(int(CurrentTank), 3);
    // Lowering the count moves the highlight off the row that goes; the current tank stays.
    f.spin("Noftanks")->stepDown();
    QCOMPARE(int(CurrentTank), 3);
    f.spin("Noftanks")->stepUp();
    QCOMPARE(int(CurrentTank), 3);
    QTest::keyClick(tanks, Qt::Key_Up);
    QCOMPARE(int(CurrentTank), 1);
    QTest::keyClick(tanks, Qt::Key_Down);
    QCOMPARE(int(CurrentTank), 2);
    // "Change data for tank" opens the highlighted tank; without a terminal it says so twice.
    f.expectNotConnected(2);
    f.click("Edit_t_data");
    QCOMPARE(int(tankconfig->TankNo), 2);
    tankconfig->hide();

    QTableWidget* mdi = f.grid("MDIList");
    QCOMPARE(int(SelectedMdi), 1);
    clickCell(mdi, 1);
    QTest::keyClick(mdi, Qt::Key_Down);
    QCOMPARE(int(SelectedMdi), 2);
    QTest::keyClick(mdi, Qt::Key_Down);
    QCOMPARE(int(SelectedMdi), 3);
}

void AccessibilityTest::gridHeaderRowsAreNotSelectable() {
    ConsoleFixture f(false);
    f.spin("Noftanks")->setValue(2);
    QTableWidget* tanks = f.grid("Tanks_list");
    clickCell(tanks, 2);
    QCOMPARE(int(CurrentTank), 2);
    clickCell(tanks, 0);
    QCOMPARE(int(CurrentTank), 2);
    QTest::keyClick(tanks, Qt::Key_Up);
    QTest::keyClick(tanks, Qt::Key_Up);
    QCOMPARE(tanks->currentRow(), 1);
    QCOMPARE(int(CurrentTank), 1);
    for (QTableWidget* g : {tanks, f.grid("MDIList"), f.w->LRMState}) {
        QVERIFY(!g->item(0, 0)->flags().testFlag(Qt::ItemIsSelectable));
        for (const QModelIndex& i : g->selectionModel()->selectedIndexes()) QVERIFY(i.row() > 0);
    }
    QTableWidget* mdi = f.grid("MDIList");
    clickCell(mdi, 0);
    QVERIFY(mdi->selectionModel()->selectedIndexes().isEmpty());
    QCOMPARE(int(SelectedMdi), 0);
}

void AccessibilityTest::statusAndPictureRead() {
    ConsoleFixture f(false);
    // The state is read in words, not only shown by colour.
    QLabel* status = f.find<QLabel>("trconstat");
    QCOMPARE(axName(status), QStringLiteral("RS232: disconnected"));
    f.click("TrmConnect");
    QCOMPARE(axName(status), QStringLiteral("RS232: connected"));
    QCOMPARE(status->text(), QStringLiteral("RS232"));
    f.click("TrmConnect");
    QCOMPARE(axName(status), QStringLiteral("RS232: disconnected"));
    QCOMPARE(axName(f.w->prconstat), QStringLiteral("RS485: disconnected"));
    QCOMPARE(f.w->prconstat->text(), QStringLiteral("RS485"));
    QCOMPARE(axName(f.find<QLabel>("picture")), QStringLiteral("Picture"));
    // The probe and module values are read with their captions.
    QCOMPARE(axName(f.find<QLabel>("LRMTV")), QStringLiteral("Themperature: XX"));
    QCOMPARE(axName(f.find<QLabel>("LRMDi2V")), QStringLiteral("Digital In No 2: x"));
    QCOMPARE(axName(f.find<QLabel>("vMPer")), QStringLiteral("Meshurment Period: 20"));
    QCOMPARE(axName(f.find<QLabel>("vSenslev1")), QStringLiteral("Level 1"));  // nothing shown yet
}

void AccessibilityTest::windowsAreFrames() {
    ConsoleFixture f(false);
    int windows = 0;
    for (QWidget* top : QApplication::topLevelWidgets()) {
        if (top->objectName().isEmpty() || top->objectName().startsWith(QLatin1String("qt_"))) continue;
        const QAccessible::Role role = ax(top)->role();
        QVERIFY2(role == QAccessible::Window || role == QAccessible::Dialog, qPrintable(top->objectName()));
        ++windows;
    }
    QCOMPARE(windows, 12);
    QCOMPARE(axName(f.w), QStringLiteral("Vantrel config"));
}

void AccessibilityTest::nulInATerminalLineDoesNotCutTheLog() {
    ConsoleFixture f(false);
    TLineBuffer line{};
    const char bytes[] = "\rA\0B\n";
    line.Len = 5;
    std::memcpy(line.Data, bytes, 5);
    f.w->LogTerminalBytes(line);
    // Shown, and read, with a symbol for the NUL; the line itself keeps the byte.
    const QModelIndex first = f.w->PrLogwin->model()->index(0, 0);
    QCOMPARE(first.data().toString(), QStringLiteral("RS232:<A\u2400B>"));
    QCOMPARE(first.data(Qt::AccessibleTextRole).toString(), QStringLiteral("RS232:<A\u2400B>"));
    QCOMPARE(ax(f.w->PrLogwin)->tableInterface()->cellAt(0, 0)->text(QAccessible::Name),
             QStringLiteral("RS232:<A\u2400B>"));
    QCOMPARE(f.log().value(0), QStringLiteral("RS232:<A") + QChar(0) + QStringLiteral("B>"));
    // The saved log keeps the byte as it came.
    QTemporaryDir dir;
    f.w->PrLogwinClick();
    f.env.prompts.queue(PromptAnswer::file(dir.filePath("comlog.log")));
    logForm1->SaveLog1->click();
    QFile saved(dir.filePath("comlog.log"));
    QVERIFY(saved.open(QIODevice::ReadOnly));
    QCOMPARE(saved.readAll(), QByteArray("RS232:<A\0B>\r\n", 13));
}

void AccessibilityTest::menuHoldsOnlyWhatActs() {
    ConsoleFixture f(false);
    // Only "E&xit" does something; every other item, and the menus they leave empty, are gone.
    const QList<QAction*> menus = f.w->menuBar()->actions();
    QCOMPARE(menus.size(), 1);
    QCOMPARE(menus[0]->text(), QStringLiteral("&File"));
    QStringList items;
    for (QAction* a : menus[0]->menu()->actions()) items << a->text();
    QCOMPARE(items, QStringList{"E&xit"});
    QCOMPARE(menus[0]->menu()->actions()[0]->objectName(), QStringLiteral("Exit1"));
    QCOMPARE(axName(menus[0]->menu()), QStringLiteral("File"));
}

TANKCFG_TEST_MAIN(AccessibilityTest)
#include "tst_accessibility.moc"
