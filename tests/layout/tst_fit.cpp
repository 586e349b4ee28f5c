// Every window of both programs at its design size, with what a technician meets in the field
// (a generated table, an imported one, the largest layout, modules found, a probe read): every
// text shown must fit the control that shows it (fitcheck.h). Setting FIT_SHOTS to a folder
// also saves a picture of every window checked.
#include <QDir>
#include <QGroupBox>
#include <QPlainTextEdit>
#include <QTabBar>
#include <QProgressBar>
#include <QRadioButton>
#include <QTableView>

#include "calibration/autoctbl.h"
#include "calibration/ctblch.h"
#include "calibration/genffctbl.h"
#include "calibration/tablecfg.h"
#include "calibration/tankcfg.h"
#include "common/numtext.h"
#include "console/calsow1.h"
#include "console/fscanlrm.h"
#include "console/logform.h"
#include "console/mdicf.h"
#include "console/probecfg.h"
#include "console/progresft.h"
#include "fitcheck.h"
#include "sim/consoleprobe.h"
#include "tests/console/probefixture.h"
#include "tests/probetool/ostrelrig.h"

namespace {

// The sizes the windows are designed for; a layout that needs more would grow them.
struct DesignSize {
    const char* window;
    QSize size;
};
const DesignSize DesignSizes[] = {
    {"MainConfig", {940, 640}}, {"CalibrationTable", {560, 520}}, {"GenffrCt", {520, 420}},   {"logForm1", {640, 420}},
    {"probc", {604, 507}},      {"Scanbus", {322, 115}},          {"HelpWindow", {612, 503}},
};

class Findings {
public:
    // The window as it stands now, shown and laid out.
    void check(QWidget* window, const QString& scene) {
        if (!window->isVisible()) window->show();
        for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
        const QString name = window->objectName() + QLatin1Char('[') + scene + QLatin1Char(']');
        for (const DesignSize& d : DesignSizes)
            if (window->objectName() == QLatin1String(d.window) && window->size() != d.size)
                found_ << QStringLiteral("%1: window is %2 x %3, designed %4 x %5")
                              .arg(name)
                              .arg(window->width())
                              .arg(window->height())
                              .arg(d.size.width())
                              .arg(d.size.height());
        found_ << Fit::FitOffences(window, name);
        ++checked_;
        const QString shots = qEnvironmentVariable("FIT_SHOTS");
        if (!shots.isEmpty()) {
            QDir().mkpath(shots);
            window->grab().save(shots + QLatin1Char('/') + window->objectName() + QLatin1Char('-') + scene +
                                QStringLiteral(".png"));
        }
    }
    void note(const QString& finding) { found_ << finding; }
    void verify(int windowsExpected) const {
        for (const QString& line : found_) qWarning("%s", qPrintable(line));
        QVERIFY2(found_.isEmpty(), qPrintable(QStringLiteral("%1 findings, listed above").arg(found_.size())));
        QVERIFY(checked_ >= windowsExpected);
    }

private:
    QStringList found_;
    int checked_ = 0;
};

void settle(SimEnv& env) {
    env.clock.settle();
    QCoreApplication::processEvents();
}

// A workbook of 4000 points as a spreadsheet stores them: floats whose general texts run to
// fifteen digits.
WorkbookCells Workbook4000() {
    WorkbookCells c;
    c[{3, 2}] = CellValue::ofText("0.65");
    c[{4, 2}] = CellValue::ofNumber(4000);
    c[{5, 2}] = CellValue::ofText("1");
    c[{6, 2}] = CellValue::ofNumber(2600);
    c[{7, 2}] = CellValue::ofNumber(26342);
    for (int i = 1; i <= 4000; ++i) {
        const double h = 0.425 + (i - 1) * 0.65;
        c[{9 + i, 1}] = CellValue::ofNumber(float(h));
        c[{9 + i, 2}] = CellValue::ofNumber(float(0.076 + h * h * 0.0039));
    }
    return c;
}

// Marvane with its probe bus (probes at 2 and 12, modules at 3 and 15) and the tank console.
struct MarvaneScene : ProbeRig {
    MarvaneScene() : ProbeRig(true) {
        for (int a : {2, 12}) {
            auto* p = probes.add<ConsoleProbe>(a, 3052.18);
            p->serial = {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB};
            p->setFloat(1, 1234.5);
            p->setFloat(2, 3456.7);
            p->temps[0] = -12.5;
        }
        for (int a : {3, 15}) probes.add<LeakModule>(a)->relays = {true, false};
        w->resize(940, 640);
        w->show();
        settle(env);
    }
};

}  // namespace

class FitTest : public QObject {
    Q_OBJECT
private slots:
    void checkerSeesClippedText();
    void marvaneMainWindow();
    void marvaneDialogs();
    void editorTables();
    void ostrelWindows();
};

// The check itself: each kind of control, once too narrow and once wide enough.
void FitTest::checkerSeesClippedText() {
    QWidget window;
    window.setObjectName(QStringLiteral("w"));
    window.resize(600, 400);
    const QString text = QStringLiteral("Horizontal cylinder");
    auto* label = new QLabel(text, &window);
    auto* button = new QPushButton(text, &window);
    auto* box = new QCheckBox(text, &window);
    auto* edit = new QLineEdit(text, &window);
    auto* list = new QComboBox(&window);
    list->addItems({QStringLiteral("x"), text});
    auto* grid = new QTableWidget(1, 1, &window);
    grid->setItem(0, 0, new QTableWidgetItem(text));
    grid->setHorizontalHeaderLabels({text});
    QList<QWidget*> controls{label, button, box, edit, list};
    int y = 0;
    for (QWidget* c : controls) c->setGeometry(0, y += 30, 40, 26);
    grid->setGeometry(0, 200, 200, 150);
    grid->setColumnWidth(0, 40);
    // Columns wider together than their grid are cut at its edge.
    auto* wideGrid = new QTableWidget(1, 2, &window);
    wideGrid->setGeometry(300, 200, 200, 150);
    wideGrid->setColumnWidth(0, 150);
    wideGrid->setColumnWidth(1, 150);
    window.show();
    QCoreApplication::processEvents();
    const QStringList narrow = Fit::FitOffences(&window);
    for (const char* kind :
         {"QLabel", "QPushButton", "QCheckBox", "QLineEdit", "QComboBox", "QHeaderView", "column 0, 1 of 1", "columns"})
        QVERIFY2(narrow.filter(QLatin1String(kind)).size() >= 1, kind);
    wideGrid->setColumnWidth(1, 20);
    // A control that runs past the window's edge is cut off.
    label->setGeometry(580, 0, 200, 26);
    QVERIFY(Fit::FitOffences(&window).filter(QStringLiteral("cut off")).size() == 1);

    label->setGeometry(0, 30, 300, 26);
    for (QWidget* c : controls.mid(1)) c->resize(c->sizeHint().width() + 40, c->sizeHint().height());
    grid->setColumnWidth(0, 180);
    QCoreApplication::processEvents();
    const QStringList wide = Fit::FitOffences(&window);
    QVERIFY2(wide.isEmpty(), qPrintable(wide.join(QLatin1Char('\n'))));

    // A group title wider than its box, a memo without a scroll bar whose lines do not all
    // show, a tab whose caption is shortened.
    auto* group = new QGroupBox(text, &window);
    group->setGeometry(300, 0, 40, 60);
    auto* memo = new QPlainTextEdit(QStringLiteral("SN: 0123456789AB\nSpeed: Not calibrated !\nLength: N/A"), &window);
    memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    memo->setGeometry(350, 0, 80, 40);
    auto* tabs = new QTabBar(&window);
    tabs->setElideMode(Qt::ElideRight);
    tabs->setUsesScrollButtons(false);
    tabs->addTab(QStringLiteral("Program Options"));
    tabs->addTab(QStringLiteral("Terminal config"));
    tabs->setGeometry(440, 0, 120, 30);
    for (QWidget* c : QList<QWidget*>{group, memo, tabs}) c->show();
    QCoreApplication::processEvents();
    const QStringList more = Fit::FitOffences(&window);
    for (QWidget* c : QList<QWidget*>{group, memo, tabs}) {
        QVERIFY2(more.filter(QLatin1String(c->metaObject()->className())).size() >= 1, c->metaObject()->className());
        delete c;
    }

    // A shortened text is fine only with the whole text as tool tip and accessible name.
    label->setText(QStringLiteral("Horizontal cyl\u2026"));
    QCOMPARE(Fit::FitOffences(&window).size(), 1);
    label->setToolTip(text);
    label->setAccessibleName(text);
    QVERIFY(Fit::FitOffences(&window).isEmpty());
}

void FitTest::marvaneMainWindow() {
    MarvaneScene s;
    Findings f;
    // A terminal connected, a full console of tanks and MDI units.
    s.click("TrmConnect");
    settle(s.env);
    s.spin("Noftanks")->setValue(16);
    s.spin("MdiUv")->setValue(16);
    for (int t = 0; t < MaxTanks; ++t) {
        s.session().ConsoleConfig.Tanks[t].ProductName.assign("HEATING OIL EXTRA LT");
        s.session().ConsoleConfig.Tanks[t].Capacity = 99999999;
    }
    for (int m = 0; m < MaxMdiUnits; ++m) s.session().ConsoleConfig.Mdi[m].Name.assign("FORECOURT PUMP 12 NW");
    s.w->ShowConsoleConfig();
    auto* pages = s.find<QTabWidget>("Tankcfg");
    for (int p = 0; p < pages->count(); ++p) {
        pages->setCurrentIndex(p);
        f.check(s.w, QStringLiteral("start-page%1").arg(p));
    }

    // A probe read: the scan finds 2 and 12, address 12 is used and read.
    s.env.clock.after(0, [&] {
        s.env.clock.runUntil([&] { return s.forms().probeconfig->findChild<QPushButton*>("CloseSc")->text() == "Ok"; },
                             60000);
        f.check(s.forms().probeconfig, QStringLiteral("scanned"));
        s.forms().probeconfig->findChild<QComboBox*>("ProbesList")->setCurrentIndex(1);
        s.forms().probeconfig->findChild<QPushButton*>("CloseSc")->click();
    });
    pages->setCurrentIndex(2);
    s.click("ProbeScan");
    settle(s.env);
    s.list("SlProbe")->setCurrentIndex(12);
    s.click("ChgProbe");
    settle(s.env);
    s.click("proberefresh");
    s.env.clock.advance(2000);
    settle(s.env);
    QVERIFY(!s.text("vSenslev1").isEmpty());
    f.check(s.w, QStringLiteral("probe-read"));

    // Modules found at 3 and 15: every row of the module grid is in view.
    pages->setCurrentIndex(3);
    s.click("LRMBscan");
    settle(s.env);
    QCOMPARE(s.cell(16, 3), QStringLiteral(" ON"));
    QCOMPARE(s.cell(4, 3), QStringLiteral(" ON"));
    auto* modules = s.grid("LRMState");
    for (int r = 0; r < modules->rowCount(); ++r) {
        const QRect cell = modules->visualRect(modules->model()->index(r, 0));
        if (!modules->viewport()->rect().contains(cell))
            f.note(QStringLiteral("module grid row %1 is out of view").arg(r));
    }
    f.check(s.w, QStringLiteral("modules"));
    f.verify(7);
}

void FitTest::marvaneDialogs() {
    MarvaneScene s;
    Findings f;
    s.spin("Noftanks")->setValue(16);
    s.session().ConsoleConfig.Tanks[15].ProductName.assign("HEATING OIL EXTRA LT");
    s.session().ConsoleConfig.Tanks[15].Capacity = 99999999;
    s.forms().tankconfig->TankNo = 16;
    s.session().CurrentTank = 16;
    f.check(s.forms().tankconfig, QStringLiteral("tank16"));
    s.forms().tankconfig->hide();

    s.spin("MdiUv")->setValue(16);
    s.session().ConsoleConfig.Mdi[15].Name.assign("FORECOURT PUMP 12 NW");
    s.forms().mdicfg->UnitNo = 16;
    f.check(s.forms().mdicfg, QStringLiteral("unit16"));
    s.forms().mdicfg->hide();

    // The log with traffic in it.
    s.click("proberefresh");
    s.env.clock.advance(1000);
    s.w->PrLogwinClick();
    f.check(s.forms().logForm1, QStringLiteral("traffic"));
    s.forms().logForm1->hide();

    // The speed-of-wire wizard through its steps.
    s.forms().CalSoW->Open();
    f.check(s.forms().CalSoW, QStringLiteral("start"));
    s.forms().CalSoW->NextbutClick();
    f.check(s.forms().CalSoW, QStringLiteral("point1"));
    s.forms().CalSoW->PointMeasured(1000000);
    f.check(s.forms().CalSoW, QStringLiteral("point2"));
    s.forms().CalSoW->NextbutClick();
    s.forms().CalSoW->PointMeasured(1327654);
    f.check(s.forms().CalSoW, QStringLiteral("result"));
    s.forms().CalSoW->NextbutClick();
    f.check(s.forms().CalSoW, QStringLiteral("update"));
    s.forms().CalSoW->hide();

    s.forms().probeconfig->PrepareScan();
    f.check(s.forms().probeconfig, QStringLiteral("scanning"));
    s.forms().probeconfig->hide();
    s.forms().ScanfLrm->PrepareScan(s.w);
    f.check(s.forms().ScanfLrm, QStringLiteral("scanning"));
    s.forms().ScanfLrm->Finish();
    f.check(s.forms().progresf, QStringLiteral("sending"));
    s.forms().progresf->hide();
    f.check(s.forms().AutoCalTbl, QStringLiteral("open"));
    s.forms().AutoCalTbl->hide();

    s.session().CurrentTank = 1;
    f.check(s.forms().GenffrCt, QStringLiteral("start"));
    s.forms().GenffrCt->GenTable->click();
    f.check(s.forms().GenffrCt, QStringLiteral("generated"));
    s.forms().GenffrCt->hide();
    s.forms().CalTChart->show();
    f.check(s.forms().CalTChart, QStringLiteral("empty"));
    s.forms().CalTChart->hide();
    f.verify(15);
}

void FitTest::editorTables() {
    MarvaneScene s;
    Findings f;
    s.env.prompts.acceptAny(false);
    s.session().CurrentTank = 1;
    s.session().ConsoleConfig.Tanks[0].Diameter = 259.0;
    TCalibrationTable* ed = s.forms().CalibrationTable;
    ed->show();
    settle(s.env);
    f.check(ed, QStringLiteral("start"));

    // A generated table of 4000 points.
    s.env.clock.after(0, [&] {
        s.forms().GenffrCt->GenTable->click();
        s.forms().GenffrCt->Usetbl->click();
    });
    ed->formulagen->click();
    settle(s.env);
    QCOMPARE(ed->RowCount(), 4001);
    ed->ECalTable->scrollToBottom();
    f.check(ed, QStringLiteral("formula"));
    ed->ViewChart->click();
    settle(s.env);
    f.check(s.forms().CalTChart, QStringLiteral("formula"));
    s.forms().CalTChart->hide();

    // A workbook of 4000 points.
    s.env.workbooks.files[QStringLiteral("t.xls")] = Workbook4000();
    s.env.prompts.queue(PromptAnswer::file(QStringLiteral("t.xls")));
    ed->LoadfFile->click();
    settle(s.env);
    QCOMPARE(ed->RowCount(), 4001);
    QCOMPARE(ed->Cell(1, 1), QStringLiteral("0.425000011920929"));
    ed->ECalTable->scrollToTop();
    f.check(ed, QStringLiteral("workbook"));

    // The largest layout: 22000 rows.
    ed->TblStep->setText(QStringLiteral("1"));
    ed->mmOnLit->click();
    settle(s.env);
    QCOMPARE(ed->RowCount(), 22000);
    ed->ECalTable->scrollToBottom();
    f.check(ed, QStringLiteral("layout22000"));
    f.verify(5);
}

void FitTest::ostrelWindows() {
    OstrelRig r;
    Findings f;
    OstrelProbe* p = r.probe(3, 3000.0, 2000.0);
    r.probe(12, 2550.0, 7999.5);
    p->serial = {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB};
    p->setFloat(1, 1500);
    p->setFloat(2, 1899.999);
    r.start();
    r.w->show();
    settle(r.env);
    f.check(r.w.get(), QStringLiteral("start"));

    // The bus scan finds both probes; the window is checked once the scan is over.
    std::function<void(bool)> whenScanned = [&](bool seen) {
        r.env.clock.after(10, [&, seen] {
            const bool now = r.scan->Scanning();
            if (seen && !now && r.scan->isVisible()) {
                f.check(r.scan, QStringLiteral("found"));
                r.scanControl<QComboBox>("cbPrbDet")->setCurrentIndex(1);
                r.scan->findChild<QPushButton*>("bOKSel")->click();
                return;
            }
            whenScanned(seen || now);
        });
    };
    whenScanned(false);
    r.click("bScanBus");
    settle(r.env);
    f.check(r.w.get(), QStringLiteral("not-calibrated"));

    // A probe read, in level mode, with the temperatures.
    r.selectAddress(3);
    settle(r.env);
    r.check("Lvmode")->setChecked(true);
    r.check("TemperMode")->setChecked(true);
    r.click("monmod");
    r.env.clock.advance(3000);
    r.click("monmod");
    settle(r.env);
    QCOMPARE(r.label("SLevel")->text(), QStringLiteral(" 500.000"));
    // Monitoring over, a two-float probe's readings stay as last read.
    QVERIFY(r.label("vSensVal2")->isVisible());
    QCOMPARE(r.label("vSensVal2")->text(), QStringLiteral("1899.999"));
    f.check(r.w.get(), QStringLiteral("probe-read"));
    // The readings form one column of figures: all right-aligned, the levels in one font.
    for (const char* value :
         {"vStatus", "vSensVal1", "vSensVal2", "vTmpr", "SLevel", "vTmpr1", "vTmpr2", "vTmpr3", "vTmpr4"})
        if (!(r.label(value)->alignment() & Qt::AlignRight))
            f.note(QStringLiteral("probc: %1 is not right-aligned").arg(value));
    for (const char* level : {"vSensVal2", "SLevel"})
        if (r.label(level)->font() != r.label("vSensVal1")->font())
            f.note(QStringLiteral("probc: %1 is not in the levels' font").arg(level));

    r.env.clock.after(0, [&] {
        f.check(r.help, QStringLiteral("open"));
        r.help->findChild<QPushButton*>("Button1")->click();
    });
    r.click("Button1");

    // F1: the help page in its own window.
    QTest::keyClick(r.w.get(), Qt::Key_F1);
    settle(r.env);
    QWidget* viewer = nullptr;
    for (QWidget* t : QApplication::topLevelWidgets())
        if (t->objectName() == QLatin1String("HelpViewerWindow")) viewer = t;
    QVERIFY(viewer);
    f.check(viewer, QStringLiteral("F1"));
    f.verify(5);
}

TANKCFG_TEST_MAIN(FitTest)
#include "tst_fit.moc"
