// The form kit's widgets as a screen reader or a GUI test tool meets them: what each one reads
// as, and that every accessibility action does what the mouse or the keyboard does.
#include <QDialog>
#include <QSignalSpy>
#include <QWindow>
#include <QtTest>

#include "platform/formkit.h"
#include "platform/plainform.h"
#include "sim/testenv.h"
#include "tests/accessible.h"

namespace {
void headerAndRows(TGrid* g, int rows) {
    g->setRowCount(rows + 1);
    for (int r = 0; r <= rows; ++r)
        g->setItem(r, 0, new QTableWidgetItem(r ? QString::number(r) : QStringLiteral("No:")));
    FormKit::FitHeaderRow(g);
}
int selectedRow(QTableWidget* g) {
    const QModelIndexList rows = g->selectionModel()->selectedIndexes();
    return rows.isEmpty() ? -1 : rows.first().row();
}
}  // namespace

class FormKitTest : public QObject {
    Q_OBJECT
private slots:
    void buttonActionIsAClick();
    void buttonNameFollowsCaption();
    void spinActionsMoveOneStep();
    void valueTextReadsCaptionAndValue();
    void connectionStateInWords();
    void gridHeaderIsNotSelectable();
    void gridKeyboardChoiceActsAsClick();
    void windowsAreFrames();
    void logTextKeepsNulReadable();
    void workWaitsForTheFirstShow();
};

void FormKitTest::buttonActionIsAClick() {
    QWidget w;
    TButton* toggle = FormKit::Button(&w, "TrmConnect", QStringLiteral("Connect "));
    toggle->setCheckable(true);
    QSignalSpy clicks(toggle, &QPushButton::clicked);
    QCOMPARE(ax(toggle)->role(), QAccessible::CheckBox);
    QCOMPARE(ax(toggle)->actionInterface()->actionNames().first(), QAccessibleActionInterface::toggleAction());
    act(toggle, QAccessibleActionInterface::toggleAction());
    QCOMPARE(clicks.count(), 1);
    QCOMPARE(clicks.at(0).at(0).toBool(), true);
    QVERIFY(toggle->isChecked());
    QVERIFY(ax(toggle)->state().checked);
    act(toggle, QAccessibleActionInterface::toggleAction());
    QCOMPARE(clicks.count(), 2);
    QVERIFY(!toggle->isChecked());

    // A plain button's press clicks at once; a disabled one offers and does nothing.
    TButton* plain = FormKit::Button(&w, "Exit", QStringLiteral("Exit"));
    QSignalSpy pressed(plain, &QPushButton::clicked);
    QCOMPARE(ax(plain)->role(), QAccessible::Button);
    // The click comes from the event loop, after the call: a modal window it opens holds up nothing.
    ax(plain)->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    QCOMPARE(pressed.count(), 0);
    QCoreApplication::processEvents();
    QCOMPARE(pressed.count(), 1);
    plain->setEnabled(false);
    QVERIFY(!ax(plain)->actionInterface()->actionNames().contains(QAccessibleActionInterface::pressAction()));
    act(plain, QAccessibleActionInterface::pressAction());
    QCOMPARE(pressed.count(), 1);
}

void FormKitTest::buttonNameFollowsCaption() {
    QWidget w;
    TButton* b = FormKit::Button(&w, "TrmConnect", QStringLiteral("Connect "));
    QCOMPARE(axName(b), QStringLiteral("Connect"));
    b->setText(QStringLiteral("Disconnect"));
    QCOMPARE(axName(b), QStringLiteral("Disconnect"));
    // "&&" shows one ampersand; a single one marks the shortcut and is not read.
    b->setText(QStringLiteral("Close && Dismis"));
    QCOMPARE(axName(b), QStringLiteral("Close & Dismis"));
    b->setText(QStringLiteral("E&xit"));
    QCOMPARE(axName(b), QStringLiteral("Exit"));
    // A name the program gives stands.
    b->setAccessibleName(QStringLiteral("Leave"));
    QCOMPARE(axName(b), QStringLiteral("Leave"));
}

void FormKitTest::spinActionsMoveOneStep() {
    QWidget w;
    for (const auto& [lo, hi] : {std::pair{1, 16}, std::pair{0, 16}, std::pair{0, 10}}) {
        TArrowSpinEdit* s = FormKit::ArrowSpin(&w, "Noftanks", lo, hi);
        QList<int> seen;
        connect(s, &QSpinBox::valueChanged, s, [&seen](int v) { seen << v; });
        QAccessibleInterface* i = ax(s);
        QCOMPARE(i->role(), QAccessible::SpinBox);
        QCOMPARE(i->valueInterface()->minimumStepSize().toInt(), 1);
        act(s, QAccessibleActionInterface::increaseAction());
        QCOMPARE(s->value(), lo + 1);
        act(s, QAccessibleActionInterface::decreaseAction());
        QCOMPARE(s->value(), lo);
        act(s, QAccessibleActionInterface::decreaseAction());  // at the bottom: nothing
        QCOMPARE(s->value(), lo);
        QCOMPARE(seen, (QList<int>{lo + 1, lo}));
        // A value set from outside is reached step by step, each step seen; out of range is clamped.
        seen.clear();
        i->valueInterface()->setCurrentValue(lo + 3);
        QCOMPARE(seen, (QList<int>{lo + 1, lo + 2, lo + 3}));
        i->valueInterface()->setCurrentValue(hi + 5);
        QCOMPARE(s->value(), hi);
        QCOMPARE(i->text(QAccessible::Value), QString::number(hi));
        QCOMPARE(i->textInterface()->text(0, i->textInterface()->characterCount()), QString::number(hi));
        act(s, QAccessibleActionInterface::increaseAction());  // at the top: nothing
        QCOMPARE(s->value(), hi);
    }
}

void FormKitTest::valueTextReadsCaptionAndValue() {
    QWidget w;
    TValueText* v =
        FormKit::ValueText(&w, "vSensVal1", QStringLiteral("- - - -.- - "), QStringLiteral("Sensor 1 (fuel)"), true);
    QCOMPARE(ax(v)->role(), QAccessible::StaticText);
    QCOMPARE(axName(v), QStringLiteral("Sensor 1 (fuel): - - - -.- -"));
    v->setText(QStringLiteral("3000.000"));
    QCOMPARE(axName(v), QStringLiteral("Sensor 1 (fuel): 3000.000"));
    QCOMPARE(ax(v)->text(QAccessible::Value), QStringLiteral("3000.000"));
    // A caption that ends in a colon is not doubled; no caption reads the value alone.
    TValueText* s = FormKit::ValueText(&w, "vStatus", QStringLiteral("00000101"), QStringLiteral("Status :"));
    QCOMPARE(axName(s), QStringLiteral("Status: 00000101"));
    TValueText* alone = FormKit::ValueText(&w, "CalStatus", QStringLiteral(" READY"), {});
    QCOMPARE(axName(alone), QStringLiteral("READY"));
    // A label put in front of a value gives it its caption.
    FormKit::LabelFor(&w, QStringLiteral("Temp [C] :"), alone);
    QCOMPARE(axName(alone), QStringLiteral("Temp [C]: READY"));
}

void FormKitTest::connectionStateInWords() {
    QLabel l(QStringLiteral("RS232"));
    FormKit::ShowConnectionState(&l, false);
    QCOMPARE(axName(&l), QStringLiteral("RS232: disconnected"));
    QCOMPARE(l.palette().color(QPalette::Window), QColor(255, 0, 0));
    FormKit::ShowConnectionState(&l, true);
    QCOMPARE(axName(&l), QStringLiteral("RS232: connected"));
    QCOMPARE(l.palette().color(QPalette::Window), QColor(0, 255, 0));
    QCOMPARE(l.text(), QStringLiteral("RS232"));
}

void FormKitTest::gridHeaderIsNotSelectable() {
    QWidget w;
    TGrid* g = FormKit::Grid(&w, "Tanks_list", {25, 116});
    headerAndRows(g, 3);
    w.show();
    QSignalSpy chosen(g, &TGrid::rowChosen);
    // Mouse on the header: nothing selected, nothing chosen.
    QTest::mouseClick(g->viewport(), Qt::LeftButton, {}, g->visualRect(g->model()->index(0, 0)).center());
    QCOMPARE(selectedRow(g), -1);
    QCOMPARE(chosen.count(), 0);
    // Keyboard: up from row 1, and page up, stay on row 1.
    g->setCurrentCell(1, 0);
    QTest::keyClick(g, Qt::Key_Up);
    QCOMPARE(g->currentRow(), 1);
    QTest::keyClick(g, Qt::Key_Down);
    QTest::keyClick(g, Qt::Key_PageUp);
    QCOMPARE(g->currentRow(), 1);
    QCOMPARE(selectedRow(g), 1);
    // An accessibility tool selecting the header row: the earlier selection stays.
    const int before = chosen.count();
    ax(g)->tableInterface()->selectRow(0);
    QCOMPARE(selectedRow(g), 1);
    QCOMPARE(chosen.count(), before);
    QVERIFY(!(g->item(0, 0)->flags() & Qt::ItemIsSelectable));
}

void FormKitTest::gridKeyboardChoiceActsAsClick() {
    QWidget w;
    TGrid* g = FormKit::Grid(&w, "MDIList", {20, 34});
    headerAndRows(g, 4);
    w.show();
    QList<int> chosen;
    connect(g, &TGrid::rowChosen, g, [&chosen](int r) { chosen << r; });
    QTest::mouseClick(g->viewport(), Qt::LeftButton, {}, g->visualRect(g->model()->index(2, 0)).center());
    QCOMPARE(chosen.last(), 2);
    QTest::keyClick(g, Qt::Key_Down);
    QCOMPARE(chosen.last(), 3);
    QTest::keyClick(g, Qt::Key_PageDown);
    QCOMPARE(chosen.last(), 4);
    // A click on the row already selected is a choice too.
    chosen.clear();
    QTest::mouseClick(g->viewport(), Qt::LeftButton, {}, g->visualRect(g->model()->index(4, 0)).center());
    QCOMPARE(chosen, QList<int>{4});
    // So is a row an accessibility tool selects.
    ax(g)->tableInterface()->selectRow(1);
    QCOMPARE(chosen.last(), 1);
    // Rows the program removes choose nothing, the selected one included.
    ax(g)->tableInterface()->selectRow(4);
    chosen.clear();
    g->setRowCount(4);
    g->setRowCount(1);
    QVERIFY(chosen.isEmpty());
}

void FormKitTest::windowsAreFrames() {
    PlainForm form("tankconfig", "Tank No 1 config");
    QCOMPARE(ax(&form)->role(), QAccessible::Window);
    QCOMPARE(axName(&form), QStringLiteral("Tank No 1 config"));
    PlainDialog dialog("AutoCalTbl", "Automatic Calibration Table");
    QCOMPARE(ax(&dialog)->role(), QAccessible::Dialog);
    // The same kind of widget inside a window is a plain part of it.
    PlainForm inner("inner", "", &form);
    QCOMPARE(ax(&inner)->role(), QAccessible::Client);
}

void FormKitTest::logTextKeepsNulReadable() {
    const QString received = QStringLiteral("R-092653 >A") + QChar(0) + QStringLiteral("B");
    const QString shown = FormKit::ShownLogText(received);
    QVERIFY(!shown.contains(QChar(0)));
    QCOMPARE(shown, QStringLiteral("R-092653 >A\u2400B"));
    QCOMPARE(FormKit::LoggedText(shown), received);
    QCOMPARE(FormKit::ShownLogText(QStringLiteral("plain")), QStringLiteral("plain"));
}

// Not a screen reader's matter: the kit puts off a hidden window's work until it is first shown.
void FormKitTest::workWaitsForTheFirstShow() {
    PlainForm w("CalTChart", "Calibration Table Chart");
    new QLabel(QStringLiteral("Level in [mm]"), &w);
    int done = 0;
    bool drawnBefore = true;
    FormKit::OnFirstShow(&w, [&] {
        ++done;
        drawnBefore = w.windowHandle() && w.windowHandle()->isExposed();
    });
    // Every widget asks to be polished as soon as events run: that is not a show.
    QApplication::processEvents();
    QVERIFY(w.testAttribute(Qt::WA_WState_Polished));
    w.ensurePolished();
    (void)w.sizeHint();
    QCOMPARE(done, 0);
    w.show();
    QCOMPARE(done, 1);
    QVERIFY(!drawnBefore);
    w.hide();
    w.show();
    QCOMPARE(done, 1);

    // Done beforehand for whoever must draw the window unshown, and then not again.
    PlainDialog d("GenffrCt", "Generate from formulas");
    int dialogDone = 0;
    FormKit::OnFirstShow(&d, [&] { ++dialogDone; });
    FormKit::Prepare(&d);
    QCOMPARE(dialogDone, 1);
    FormKit::Prepare(&d);
    d.show();
    QCOMPARE(dialogDone, 1);
}

TANKCFG_TEST_MAIN(FormKitTest)
#include "tst_formkit.moc"
