// The form kit's windows, spin edits, page controls and buttons as a screen reader and a
// keyboard meet them: names that follow titles and are told, one step per Increase, a tab bar
// without hidden buttons, pages named by their tabs, Enter on a focused button, and Tab in
// reading order.
#include <QComboBox>
#include <QDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QSignalSpy>
#include <QToolButton>
#include <QVBoxLayout>
#include <QtTest>

#include "platform/formkit.h"
#include "platform/plainform.h"
#include "sim/testenv.h"
#include "tests/accessible.h"

class FormKitAccessTest : public QObject {
    Q_OBJECT
private slots:
    void windowNameFollowsTitleAndIsTold();
    void typedSpinEditStepsOneAndTakesTyping();
    void tabBarListsScrollButtonsOnlyWhenShown();
    void pagesAreNamedByTheirTabs();
    void enterClicksTheFocusedButtonOnly();
    void editableListEditIsNamedByLabel();
    void tabGoesInReadingOrder();
};

void FormKitAccessTest::windowNameFollowsTitleAndIsTold() {
    AccessibleEventLog events;
    PlainForm form("tankconfig", "Tank No 1 config");
    PlainDialog dialog("probeconfig", "Probe config");
    for (QWidget* w : {static_cast<QWidget*>(&form), static_cast<QWidget*>(&dialog)}) {
        // Not on screen: read afresh when shown, nothing to tell.
        w->setWindowTitle(QStringLiteral("Tank No: 1 configuration"));
        QCOMPARE(axName(w), QStringLiteral("Tank No: 1 configuration"));
        QCOMPARE(events.count(w, QAccessible::NameChanged), 0);
        w->show();
        w->setWindowTitle(QStringLiteral("Tank No: 2 configuration"));
        QCOMPARE(axName(w), QStringLiteral("Tank No: 2 configuration"));
        QCOMPARE(events.count(w, QAccessible::NameChanged), 1);
        w->setWindowTitle(QStringLiteral("Tank No: 2 configuration"));  // no change, nothing told
        QCOMPARE(events.count(w, QAccessible::NameChanged), 1);
        w->setWindowTitle(QStringLiteral("Tank No: 3 configuration"));
        QCOMPARE(events.count(w, QAccessible::NameChanged), 2);
    }
    // A name the program gave stands, and a title change is then no change of name.
    form.setAccessibleName(QStringLiteral("Tank"));
    form.setWindowTitle(QStringLiteral("Tank No: 4 configuration"));
    QCOMPARE(axName(&form), QStringLiteral("Tank"));
    QCOMPARE(events.count(&form, QAccessible::NameChanged), 2);
}

void FormKitAccessTest::typedSpinEditStepsOneAndTakesTyping() {
    QWidget w;
    TSpinEdit* s = FormKit::Spin(&w, "PrSpdOfWire", 200000, 400000, 305218);
    QList<int> seen;
    connect(s, &QSpinBox::valueChanged, s, [&seen](int v) { seen << v; });
    QAccessibleInterface* i = ax(s);
    QCOMPARE(i->role(), QAccessible::SpinBox);
    act(s, QAccessibleActionInterface::increaseAction());
    QCOMPARE(s->value(), 305219);
    act(s, QAccessibleActionInterface::decreaseAction());
    QCOMPARE(s->value(), 305218);
    // A value set from outside goes in at once, as typed, and is held in the range.
    seen.clear();
    i->valueInterface()->setCurrentValue(300000);
    QCOMPARE(seen, QList<int>{300000});
    i->valueInterface()->setCurrentValue(500000);
    QCOMPARE(s->value(), 400000);
    // The text is read and typed through the spin edit's own edit.
    QCOMPARE(axText(s), QStringLiteral("400000"));
    QAccessibleEditableTextInterface* typing = i->editableTextInterface();
    QVERIFY(typing);
    typing->replaceText(0, 6, QStringLiteral("250000"));
    s->interpretText();
    QCOMPARE(s->value(), 250000);
    i->textInterface()->setSelection(0, 1, 3);
    int from = -1, to = -1;
    i->textInterface()->selection(0, &from, &to);
    QCOMPARE(std::pair(from, to), std::pair(1, 3));
    // A count spin edit takes no typing, from a tool either.
    TArrowSpinEdit* count = FormKit::ArrowSpin(&w, "Noftanks", 1, 16);
    QVERIFY(!ax(count)->editableTextInterface());
    QCOMPARE(axText(count), QStringLiteral("1"));
}

void FormKitAccessTest::tabBarListsScrollButtonsOnlyWhenShown() {
    QWidget w;
    auto* pages = new TTabWidget(&w);
    for (int i = 0; i < 8; ++i) pages->addTab(new QWidget, QStringLiteral("A rather long page %1").arg(i));
    (new QVBoxLayout(&w))->addWidget(pages);
    w.resize(2000, 200);
    w.show();
    QCoreApplication::processEvents();
    QTabBar* bar = pages->tabBar();
    QAccessibleInterface* tabs = ax(bar);
    QCOMPARE(tabs->role(), QAccessible::PageTabList);
    QCOMPARE(tabs->childCount(), 8);
    for (int i = 0; i < 8; ++i) QCOMPARE(tabs->child(i)->text(QAccessible::Name), pages->tabText(i));
    QCOMPARE(tabs->child(8), nullptr);
    // Too narrow for its tabs: the bar shows its scroll buttons, and lists them.
    w.resize(200, 200);
    QCoreApplication::processEvents();
    QVERIFY(bar->findChild<QToolButton*>()->isVisible());
    QCOMPARE(tabs->childCount(), 10);
    QCOMPARE(tabs->child(8)->role(), QAccessible::Button);
    QVERIFY(!tabs->child(8)->text(QAccessible::Name).isEmpty());
    QCOMPARE(tabs->indexOfChild(tabs->child(9)), 9);
    QCOMPARE(tabs->indexOfChild(tabs->child(3)), 3);
    // Wide again: gone from the tree with the buttons.
    w.resize(2000, 200);
    QCoreApplication::processEvents();
    QCOMPARE(tabs->childCount(), 8);
    // A tab pressed by a tool shows its page; the tab shown is the one selected.
    tabs->child(5)->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    QCOMPARE(pages->currentIndex(), 5);
    QVERIFY(tabs->child(5)->state().selected);
    QVERIFY(!tabs->child(0)->state().selected);
    QCOMPARE(tabs->text(QAccessible::Name), pages->tabText(5));
}

void FormKitAccessTest::pagesAreNamedByTheirTabs() {
    TTabWidget pages;
    pages.addTab(new QWidget, QStringLiteral("&Program Options"));
    pages.insertTab(0, new QWidget, QStringLiteral("Terminal && config"));
    QCOMPARE(axName(pages.widget(0)), QStringLiteral("Terminal & config"));
    QCOMPARE(axName(pages.widget(1)), QStringLiteral("Program Options"));
}

void FormKitAccessTest::enterClicksTheFocusedButtonOnly() {
    // In a window that is no dialog, Enter and the keypad's Enter click a focused button.
    QWidget w;
    TButton* close = FormKit::Button(&w, "cancel", QStringLiteral("Close"));
    QSignalSpy clicks(close, &QPushButton::clicked);
    QTest::keyClick(close, Qt::Key_Return);
    QTest::keyClick(close, Qt::Key_Enter);
    QCOMPARE(clicks.size(), 2);
    close->setEnabled(false);
    QTest::keyClick(close, Qt::Key_Return);
    QCOMPARE(clicks.size(), 2);
    // In a dialog too; Enter in an edit presses no button unless one is made the default.
    QDialog d;
    auto* edit = new QLineEdit(&d);
    TButton* first = FormKit::Button(&d, "PBut", QStringLiteral("<< Prev"));
    TButton* next = FormKit::Button(&d, "Nextbut", QStringLiteral("Next >>"));
    auto* lay = new QVBoxLayout(&d);
    for (QWidget* c : {static_cast<QWidget*>(edit), static_cast<QWidget*>(first), static_cast<QWidget*>(next)})
        lay->addWidget(c);
    QSignalSpy firstClicks(first, &QPushButton::clicked);
    QSignalSpy nextClicks(next, &QPushButton::clicked);
    d.show();
    edit->setFocus();
    QTest::keyClick(edit, Qt::Key_Return);
    QCOMPARE(firstClicks.size() + nextClicks.size(), 0);
    QVERIFY(d.isVisible());
    QTest::keyClick(next, Qt::Key_Return);
    QCOMPARE(nextClicks.size(), 1);
    next->setDefault(true);
    QTest::keyClick(edit, Qt::Key_Return);
    QCOMPARE(nextClicks.size(), 2);
    QCOMPARE(firstClicks.size(), 0);
}

void FormKitAccessTest::editableListEditIsNamedByLabel() {
    QWidget w;
    QComboBox* lang = FormKit::List(&w, "trmLang", {QStringLiteral("English")});
    lang->setEditable(true);
    FormKit::LabelFor(&w, QStringLiteral("Select language :"), lang);
    QCOMPARE(axName(lang->lineEdit()), QStringLiteral("Select language :"));
    QCOMPARE(axLabels(lang), QStringList{"Select language :"});
}

void FormKitAccessTest::tabGoesInReadingOrder() {
    // Made in a scrambled order: Tab follows the layouts, not the order of making.
    QWidget w;
    auto* group = FormKit::Group(&w, QStringLiteral("Probe"));
    auto* bottom = FormKit::Button(&w, "bottom", QStringLiteral("Exit"));
    auto* c = FormKit::Button(group, "c", QStringLiteral("C"));
    auto* a = FormKit::Button(group, "a", QStringLiteral("A"));
    auto* b = new QLineEdit(group);
    b->setObjectName(QStringLiteral("b"));
    auto* count = FormKit::ArrowSpin(&w, "count", 0, 16);
    auto* pages = FormKit::Named(new TTabWidget(&w), "pages");
    auto* page = new QWidget;
    auto* inPage = FormKit::Button(page, "inPage", QStringLiteral("In page"));
    (new QVBoxLayout(page))->addWidget(inPage);
    pages->addTab(page, QStringLiteral("Page"));
    auto* left = FormKit::Button(&w, "left", QStringLiteral("Left"));
    auto* left2 = FormKit::Button(&w, "left2", QStringLiteral("Left 2"));
    // The group is a grid: a b / c, beside a column of two buttons; then the count, the
    // pages and the exit button below.
    auto* grid = new QGridLayout(group);
    grid->addWidget(c, 1, 0);
    grid->addWidget(b, 0, 1);
    grid->addWidget(a, 0, 0);
    auto* column = new QVBoxLayout;
    column->addWidget(left);
    column->addWidget(left2);
    auto* row = new QHBoxLayout;
    row->addLayout(column);
    row->addWidget(group);
    auto* lay = new QVBoxLayout(&w);
    lay->addLayout(row);
    lay->addWidget(count);
    lay->addWidget(pages);
    lay->addWidget(bottom);
    FormKit::TabInReadingOrder(&w);
    w.show();
    QCoreApplication::processEvents();
    QStringList order;
    for (QWidget* s : TabStops(&w)) order << TabOrder::nameOf(s);
    QCOMPARE(order, (QStringList{"left", "left2", "a", "b", "c", "count", "pages", "inPage", "bottom"}));
    QVERIFY2(TabOrderAgainstReading(&w).isEmpty(), qPrintable(TabOrderAgainstReading(&w).join("; ")));
    QVERIFY(UnreachableByTab(&w).isEmpty());
    // And the check sees an order that goes against the eye.
    QWidget::setTabOrder(c, a);
    QVERIFY(TabOrderAgainstReading(&w).contains(QStringLiteral("a before c")));
}

TANKCFG_TEST_MAIN(FormKitAccessTest)
#include "tst_formkit_access.moc"
