// Marvane as a screen reader, a GUI test tool or a keyboard alone drives it: the accessibility
// actions of the connect button and the spin edits, keyboard choices in the grids, what every
// window and control reads as, Tab through each window in reading order, Enter and Escape in
// the dialogs, and a menu without dead items.
#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QToolButton>

#include "calibration/autoctbl.h"
#include "calibration/ctblch.h"
#include "calibration/genffctbl.h"
#include "calibration/tablecfg.h"
#include "calibration/tankcfg.h"
#include "console/calsow1.h"
#include "console/fscanlrm.h"
#include "console/logform.h"
#include "console/mdicf.h"
#include "console/probecfg.h"
#include "console/progresft.h"
#include "consolefixture.h"
#include "tests/accessible.h"

namespace {
void clickCell(QTableWidget* g, int row) {
    QTest::mouseClick(g->viewport(), Qt::LeftButton, {}, g->visualRect(g->model()->index(row, 1)).center());
}
QAbstractButton* buttonIn(QWidget* window, const char* name) {
    auto* b = window->findChild<QAbstractButton*>(QLatin1String(name));
    if (!b) qFatal("no button %s", name);
    return b;
}
// The secondary windows, as created.
QList<QWidget*> secondaryWindows(const MarvaneForms& w) {
    return {w.tankconfig, w.probeconfig, w.CalibrationTable, w.CalSoW, w.logForm1, w.AutoCalTbl,
            w.CalTChart,  w.GenffrCt,    w.ScanfLrm,         w.mdicfg, w.progresf};
}
// A grid view's column headers as a screen reader reads them.
QStringList columnHeaders(QTableView* v) {
    QStringList out;
    QAccessibleInterface* grid = ax(v);
    for (int k = 0; k < grid->childCount() && k < 12; ++k)
        if (QAccessibleInterface* c = grid->child(k); c && c->role() == QAccessible::ColumnHeader)
            out << c->text(QAccessible::Name);
    return out;
}
// Presses a key in a modal window once it is open, and Escape a little later should the key
// have left it open, so a key that does nothing fails the test rather than hanging it.
void pressWhenOpen(SimEnv& env, QWidget* target, int key) {
    env.clock.after(0, [target, key] { QTest::keyClick(target, Qt::Key(key)); });
    env.clock.after(100, [target] {
        if (target->window()->isVisible()) QTest::keyClick(target->window(), Qt::Key_Escape);
    });
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
    void windowNamesFollowTheirTitles();
    void everyControlHasATrueName();
    void connectButtonsAreToldApart();
    void typedSpinEditsGoOneStep();
    void tabOrderFollowsReadingOrder();
    void dialogsAnswerEnterAndEscape();
    void keyboardReachesWhatADoubleClickDoes();
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
    QCOMPARE(int(f.session().ConsoleConfig.TankCount), 2);
    QCOMPARE(f.session().ConsoleConfig.Tanks[1].Capacity, 22000.0);  // tank 2 got its defaults
    QCOMPARE(int(f.session().ConsoleConfig.Tanks[2].InUse), 0);      // tank 3 untouched
    QCOMPARE(f.grid("Tanks_list")->rowCount(), 3);
    act(tanks, QAccessibleActionInterface::decreaseAction());
    QCOMPARE(int(f.session().ConsoleConfig.TankCount), 1);

    QSpinBox* mdi = f.spin("MdiUv");
    act(mdi, QAccessibleActionInterface::increaseAction());
    QCOMPARE(mdi->value(), 1);
    QCOMPARE(int(f.session().ConsoleConfig.MdiCount), 1);
    QCOMPARE(QString::fromStdString(f.session().ConsoleConfig.Mdi[0].Name.str()), QStringLiteral("No name"));
    QCOMPARE(ConsoleFixture::cell(f.grid("MDIList"), 1, 2), QStringLiteral("No name"));
    // A value a tool sets is reached step by step: each new last unit gets its defaults.
    f.session().ConsoleConfig.Mdi[1].Address = 9;
    f.session().ConsoleConfig.Mdi[2].Address = 9;
    ax(mdi)->valueInterface()->setCurrentValue(3);
    QCOMPARE(int(f.session().ConsoleConfig.MdiCount), 3);
    QCOMPARE(int(f.session().ConsoleConfig.Mdi[1].Address), 0);
    QCOMPARE(int(f.session().ConsoleConfig.Mdi[2].Address), 0);
}

void AccessibilityTest::keyboardChoiceInGridsActsAsClick() {
    ConsoleFixture f(false);
    f.spin("Noftanks")->setValue(3);
    f.spin("MdiUv")->setValue(3);
    QTableWidget* tanks = f.grid("Tanks_list");
    clickCell(tanks, 1);
    QCOMPARE(int(f.session().CurrentTank), 1);
    QTest::keyClick(tanks, Qt::Key_Down);
    QCOMPARE(int(f.session().CurrentTank), 2);
    QTest::keyClick(tanks, Qt::Key_Down);
    QCOMPARE(int(f.session().CurrentTank), 3);
    // Lowering the count moves the highlight off the row that goes; the current tank stays.
    f.spin("Noftanks")->stepDown();
    QCOMPARE(int(f.session().CurrentTank), 3);
    f.spin("Noftanks")->stepUp();
    QCOMPARE(int(f.session().CurrentTank), 3);
    QTest::keyClick(tanks, Qt::Key_Up);
    QCOMPARE(int(f.session().CurrentTank), 1);
    QTest::keyClick(tanks, Qt::Key_Down);
    QCOMPARE(int(f.session().CurrentTank), 2);
    // "Change data for tank" opens the highlighted tank; without a terminal it says so twice.
    f.expectNotConnected(2);
    f.click("Edit_t_data");
    QCOMPARE(int(f.forms().tankconfig->TankNo), 2);
    f.forms().tankconfig->hide();

    QTableWidget* mdi = f.grid("MDIList");
    QCOMPARE(int(f.session().SelectedMdi), 1);
    clickCell(mdi, 1);
    QTest::keyClick(mdi, Qt::Key_Down);
    QCOMPARE(int(f.session().SelectedMdi), 2);
    QTest::keyClick(mdi, Qt::Key_Down);
    QCOMPARE(int(f.session().SelectedMdi), 3);
}

void AccessibilityTest::gridHeaderRowsAreNotSelectable() {
    ConsoleFixture f(false);
    f.spin("Noftanks")->setValue(2);
    QTableWidget* tanks = f.grid("Tanks_list");
    clickCell(tanks, 2);
    QCOMPARE(int(f.session().CurrentTank), 2);
    clickCell(tanks, 0);
    QCOMPARE(int(f.session().CurrentTank), 2);
    QTest::keyClick(tanks, Qt::Key_Up);
    QTest::keyClick(tanks, Qt::Key_Up);
    QCOMPARE(tanks->currentRow(), 1);
    QCOMPARE(int(f.session().CurrentTank), 1);
    for (QTableWidget* g : {tanks, f.grid("MDIList"), f.w->LRMState}) {
        QVERIFY(!g->item(0, 0)->flags().testFlag(Qt::ItemIsSelectable));
        for (const QModelIndex& i : g->selectionModel()->selectedIndexes()) QVERIFY(i.row() > 0);
    }
    QTableWidget* mdi = f.grid("MDIList");
    clickCell(mdi, 0);
    QVERIFY(mdi->selectionModel()->selectedIndexes().isEmpty());
    QCOMPARE(int(f.session().SelectedMdi), 0);
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
    // The picture panel showed nothing and is gone: nothing is read for it.
    QVERIFY(!f.w->findChild<QLabel*>(QStringLiteral("picture")));
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
    f.forms().logForm1->SaveLog1->click();
    QFile saved(dir.filePath("comlog.log"));
    QVERIFY(saved.open(QIODevice::ReadOnly));
    QCOMPARE(saved.readAll(), QByteArray("RS232:<A\0B>\r\n", 13));
}

void AccessibilityTest::windowNamesFollowTheirTitles() {
    ConsoleFixture f(false);
    AccessibleEventLog events;
    f.spin("Noftanks")->setValue(2);
    f.spin("MdiUv")->setValue(2);
    // The tank window is read by the title it shows, and each change of it is told.
    f.forms().tankconfig->TankNo = 1;
    f.session().CurrentTank = 1;
    f.forms().tankconfig->show();
    f.env.clock.settle();
    QCOMPARE(axName(f.forms().tankconfig), QStringLiteral("Tank No: 1 configuration"));
    QCOMPARE(events.count(f.forms().tankconfig, QAccessible::NameChanged), 1);
    buttonIn(f.forms().tankconfig, "next")->click();
    QCOMPARE(axName(f.forms().tankconfig), QStringLiteral("Tank No: 2 configuration"));
    QCOMPARE(events.count(f.forms().tankconfig, QAccessible::NameChanged), 2);
    // The same title again is no change.
    buttonIn(f.forms().tankconfig, "next")->click();
    QCOMPARE(events.count(f.forms().tankconfig, QAccessible::NameChanged), 2);
    // "Load/Create" titles the editor for its tank, before it shows it and while it is open.
    buttonIn(f.forms().tankconfig, "ldtable")->click();
    f.env.clock.settle();
    QCOMPARE(axName(f.forms().CalibrationTable), QStringLiteral("Calibration table for tank No: \"2\""));
    buttonIn(f.forms().tankconfig, "prev")->click();
    buttonIn(f.forms().tankconfig, "ldtable")->click();
    f.env.clock.settle();
    QCOMPARE(axName(f.forms().CalibrationTable), QStringLiteral("Calibration table for tank No: \"1\""));
    QCOMPARE(events.count(f.forms().CalibrationTable, QAccessible::NameChanged), 1);
    // The MDI editor, stepped to unit 2.
    f.forms().mdicfg->UnitNo = 1;
    f.forms().mdicfg->show();
    f.env.clock.settle();
    QCOMPARE(axName(f.forms().mdicfg), QStringLiteral("MDI Unit 1"));
    buttonIn(f.forms().mdicfg, "next")->click();
    QCOMPARE(axName(f.forms().mdicfg), QStringLiteral("MDI Unit 2"));
    QCOMPARE(events.count(f.forms().mdicfg, QAccessible::NameChanged), 1);
    // The probe scan dialog, retitled for a scan before it is shown.
    f.forms().probeconfig->PrepareScan();
    QCOMPARE(axName(f.forms().probeconfig), QStringLiteral("Scan Probe Net"));
    for (QWidget* w : secondaryWindows(f.forms())) w->hide();
}

void AccessibilityTest::everyControlHasATrueName() {
    ConsoleFixture f(false);
    QVERIFY2(UnnamedControls(f.w).isEmpty(), qPrintable(UnnamedControls(f.w).join(QStringLiteral("; "))));
    for (QWidget* w : secondaryWindows(f.forms()))
        QVERIFY2(UnnamedControls(w).isEmpty(),
                 qPrintable(w->objectName() + QStringLiteral(": ") + UnnamedControls(w).join(QStringLiteral("; "))));
    // Pages by their tabs, panels by their links.
    QTabWidget* pages = f.w->Tankcfg;
    for (int i = 0; i < pages->count(); ++i) QCOMPARE(axName(pages->widget(i)), pages->tabText(i));
    QCOMPARE(axName(f.find<QWidget>("rs232panel")), QStringLiteral("RS232 terminal link"));
    QCOMPARE(axName(f.find<QWidget>("rs485panel")), QStringLiteral("RS485 probe bus"));
    // The language list's own edit, by the list's label.
    QCOMPARE(axName(f.list("trmLang")->lineEdit()), QStringLiteral("Select language :"));
    // The grids, and the generator's columns before and after a table is generated.
    QCOMPARE(axName(f.forms().CalibrationTable->ECalTable), QStringLiteral("Calibration table"));
    QCOMPARE(columnHeaders(f.forms().CalibrationTable->ECalTable), (QStringList{"No", "[mm]", "[lit]"}));
    QCOMPARE(axName(f.forms().GenffrCt->wACalTable), QStringLiteral("Generated table"));
    QCOMPARE(columnHeaders(f.forms().GenffrCt->wACalTable), (QStringList{"[mm]", "[l]"}));
    f.forms().GenffrCt->GenTableClick();
    QCOMPARE(columnHeaders(f.forms().GenffrCt->wACalTable), (QStringList{"[mm]", "[l]"}));
    // The step edit by what it holds, its unit as its description.
    QCOMPARE(axName(f.forms().CalibrationTable->TblStep), QStringLiteral("Step"));
    QCOMPARE(ax(f.forms().CalibrationTable->TblStep)->text(QAccessible::Description), QStringLiteral("[mm/lit]"));
    // The tab bar holds its four tabs, and no scroll button while none is shown.
    auto* bar = pages->findChild<QTabBar*>();
    QAccessibleInterface* tabs = ax(bar);
    QCOMPARE(tabs->childCount(), 4);
    for (int i = 0; i < 4; ++i) {
        QCOMPARE(tabs->child(i)->role(), QAccessible::PageTab);
        QCOMPARE(tabs->child(i)->text(QAccessible::Name), pages->tabText(i));
        QCOMPARE(tabs->indexOfChild(tabs->child(i)), i);
    }
    QVERIFY(tabs->child(2)->state().selected);
    tabs->child(1)->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    QCOMPARE(pages->currentIndex(), 1);
}

void AccessibilityTest::connectButtonsAreToldApart() {
    ConsoleFixture f(false);
    QAbstractButton* terminal = f.find("TrmConnect");
    QAbstractButton* probes = f.find("ProbeConnect");
    // Both keep their caption; each says which link it connects and is labelled by its state.
    QCOMPARE(axName(terminal), QStringLiteral("Connect"));
    QCOMPARE(axName(probes), QStringLiteral("Connect"));
    QCOMPARE(ax(terminal)->text(QAccessible::Description), QStringLiteral("RS232 terminal link"));
    QCOMPARE(ax(probes)->text(QAccessible::Description), QStringLiteral("RS485 probe bus"));
    QCOMPARE(axLabels(terminal), QStringList{"RS232: disconnected"});
    QCOMPARE(axLabels(probes), QStringList{"RS485: disconnected"});
    terminal->click();
    QCOMPARE(axName(terminal), QStringLiteral("Disconnect"));
    QCOMPARE(axLabels(terminal), QStringList{"RS232: connected"});
    // The state text says which button it labels.
    QStringList labelled;
    for (const auto& [iface, relation] : ax(f.w->prconstat)->relations(QAccessible::Labelled))
        labelled << iface->object()->objectName();
    QCOMPARE(labelled, QStringList{"ProbeConnect"});
}

void AccessibilityTest::typedSpinEditsGoOneStep() {
    ConsoleFixture f(false);
    const std::tuple<QSpinBox*, int> spins[] = {
        {f.spin("PrVolLevel"), 50}, {f.spin("PrSpdOfWire"), 305218}, {f.forms().AutoCalTbl->LitPerTick, 20}};
    for (const auto& [s, start] : spins) {
        QCOMPARE(s->value(), start);
        act(s, QAccessibleActionInterface::increaseAction());
        QCOMPARE(s->value(), start + 1);
        act(s, QAccessibleActionInterface::decreaseAction());
        act(s, QAccessibleActionInterface::decreaseAction());
        QCOMPARE(s->value(), start - 1);
        // They take typing still, and a value a tool sets goes in as typed.
        QVERIFY(!s->findChild<QLineEdit*>()->isReadOnly());
        QVERIFY(ax(s)->editableTextInterface());
        ax(s)->valueInterface()->setCurrentValue(s->minimum() + 7);
        QCOMPARE(s->value(), s->minimum() + 7);
        QCOMPARE(axText(s), QString::number(s->minimum() + 7));
    }
    // At the top of the range Increase stays there.
    QSpinBox* level = f.spin("PrVolLevel");
    level->setValue(99);
    act(level, QAccessibleActionInterface::increaseAction());
    QCOMPARE(level->value(), 99);
}

void AccessibilityTest::tabOrderFollowsReadingOrder() {
    ConsoleFixture f(false);
    auto check = [&](QWidget* w, const QString& what) {
        w->show();
        f.env.clock.settle();
        const QStringList wrong = TabOrderAgainstReading(w);
        QVERIFY2(wrong.isEmpty(), qPrintable(what + QStringLiteral(": ") + wrong.join(QStringLiteral("; "))));
        const QStringList unreachable = UnreachableByTab(w);
        QVERIFY2(unreachable.isEmpty(),
                 qPrintable(what + QStringLiteral(" unreachable: ") + unreachable.join(QStringLiteral("; "))));
    };
    for (int page = 0; page < f.w->Tankcfg->count(); ++page) {
        f.w->Tankcfg->setCurrentIndex(page);
        check(f.w, f.w->Tankcfg->tabText(page));
        QVERIFY(TabStops(f.w).size() > 3);
    }
    // The probe page reads its groups left to right, each one row by row.
    f.w->Tankcfg->setCurrentIndex(2);
    QStringList probeGroup;
    for (QWidget* s : TabStops(f.w)) probeGroup << TabOrder::nameOf(s);
    QCOMPARE(probeGroup.mid(0, 9), (QStringList{"TrmConnect", "ProbeConnect", "Tankcfg", "SlProbe", "ChgProbe",
                                                "SetAddres", "proberefresh", "Autorefresh", "ProbeScan"}));
    f.w->hide();
    for (QWidget* w : secondaryWindows(f.forms())) {
        check(w, w->objectName());
        w->hide();
    }
}

void AccessibilityTest::dialogsAnswerEnterAndEscape() {
    ConsoleFixture f(false);
    // The generator: Escape is a close by the frame; Enter presses the focused button; in an
    // edit it presses nothing, as no button of the window is its default.
    pressWhenOpen(f.env, f.forms().GenffrCt, Qt::Key_Escape);
    QCOMPARE(f.forms().GenffrCt->exec(), int(TGenffrCt::ResultFrameClosed));
    for (const auto& [button, result] : {std::pair{f.forms().GenffrCt->Usetbl, int(TGenffrCt::ResultUseTable)},
                                         std::pair{f.forms().GenffrCt->Closefrm, int(TGenffrCt::ResultDismissed)}}) {
        pressWhenOpen(f.env, button, Qt::Key_Return);
        QCOMPARE(f.forms().GenffrCt->exec(), result);
    }
    pressWhenOpen(f.env, f.forms().GenffrCt->dim1, Qt::Key_Return);
    QCOMPARE(f.forms().GenffrCt->exec(), int(TGenffrCt::ResultFrameClosed));
    // Automatic calibration: Escape closes it, Enter on "Close && Dismis" too.
    pressWhenOpen(f.env, f.forms().AutoCalTbl, Qt::Key_Escape);
    QCOMPARE(f.forms().AutoCalTbl->exec(), int(QDialog::Rejected));
    pressWhenOpen(f.env, f.forms().AutoCalTbl->Closefrm, Qt::Key_Enter);
    QCOMPARE(f.forms().AutoCalTbl->exec(), 1);
    // The speed-of-wire wizard: Escape is "Cancel"; Enter on "Next >>" goes on and stays.
    f.forms().CalSoW->Open();
    pressWhenOpen(f.env, f.forms().CalSoW, Qt::Key_Escape);
    QCOMPARE(f.forms().CalSoW->exec(), int(TCalSoW::ResultCancel));
    f.forms().CalSoW->Open();
    f.env.clock.after(0,
                      [&] { QTest::keyClick(f.forms().CalSoW->findChild<QPushButton*>("Nextbut"), Qt::Key_Return); });
    f.env.clock.after(50, [&] {
        QCOMPARE(int(f.forms().CalSoW->step()), 2);
        QVERIFY(f.forms().CalSoW->isVisible());
        QTest::keyClick(f.forms().CalSoW->findChild<QPushButton*>("Cancel"), Qt::Key_Return);
    });
    QCOMPARE(f.forms().CalSoW->exec(), int(TCalSoW::ResultCancel));
    // The probe scan dialog: Enter on its button hands the chosen address back; Escape is a
    // close by the frame, which keeps the address handed back before.
    f.forms().probeconfig->PrepareScan();
    f.forms().probeconfig->AddFoundAddress(7);
    pressWhenOpen(f.env, f.forms().probeconfig->findChild<QPushButton*>("CloseSc"), Qt::Key_Return);
    QCOMPARE(f.forms().probeconfig->exec(), int(QDialog::Accepted));
    QCOMPARE(f.forms().probeconfig->selectedAddress(), 7);
    f.forms().probeconfig->PrepareScan();
    f.forms().probeconfig->AddFoundAddress(9);
    f.forms().probeconfig->findChild<QComboBox*>("ProbesList")->setCurrentIndex(-1);
    pressWhenOpen(f.env, f.forms().probeconfig, Qt::Key_Escape);
    QCOMPARE(f.forms().probeconfig->exec(), int(QDialog::Rejected));
    QCOMPARE(f.forms().probeconfig->selectedAddress(), 9);
    // The module scan window cannot be closed by the user at all.
    f.env.clock.after(0, [&] { QTest::keyClick(f.forms().ScanfLrm, Qt::Key_Escape); });
    f.env.clock.after(50, [&] {
        QVERIFY(f.forms().ScanfLrm->isVisible());
        f.forms().ScanfLrm->Finish();
    });
    f.forms().ScanfLrm->exec();
    // In a window that is no dialog, Enter on a focused button clicks it as well.
    f.forms().tankconfig->TankNo = 1;
    f.forms().tankconfig->show();
    f.env.clock.settle();
    QTest::keyClick(buttonIn(f.forms().tankconfig, "cancel"), Qt::Key_Return);
    QVERIFY(!f.forms().tankconfig->isVisible());
    f.forms().logForm1->show();
    QTest::keyClick(f.forms().logForm1->Button1, Qt::Key_Enter);
    QVERIFY(!f.forms().logForm1->isVisible());
}

void AccessibilityTest::keyboardReachesWhatADoubleClickDoes() {
    ConsoleFixture f(false);
    // Enter on the probe log opens the log window, as a double click does.
    f.w->AddLogLine("line", LogPrefixInfo);
    QTest::keyClick(f.w->PrLogwin, Qt::Key_Return);
    QVERIFY(f.forms().logForm1->isVisible());
    QCOMPARE(f.forms().logForm1->Fullog->count(), 1);
    f.forms().logForm1->hide();
    // Enter on a row of the calibration grid edits its value, as a click does.
    f.forms().CalibrationTable->show();
    f.env.clock.settle();
    QTableView* grid = f.forms().CalibrationTable->ECalTable;
    grid->setCurrentIndex(grid->model()->index(0, 1));
    f.env.prompts.queue(PromptAnswer::input(QStringLiteral("5.5")));
    QTest::keyClick(grid, Qt::Key_Return);
    QCOMPARE(f.env.prompts.shown.size(), 1);
    QCOMPARE(f.env.prompts.shown[0].caption, QStringLiteral("Change value for : No"));
    QCOMPARE(f.forms().CalibrationTable->Cell(2, 1), QStringLiteral("5.5"));
    QCOMPARE(f.forms().CalibrationTable->Table.Points[1].Value, 5.5f);
    f.forms().CalibrationTable->hide();
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
