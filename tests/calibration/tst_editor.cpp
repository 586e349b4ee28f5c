// The calibration table editor: layouts, value edits, storing, activation.
#include <QCheckBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QRadioButton>
#include <QTemporaryDir>

#include <sys/resource.h>

#include "calfixture.h"
#include "calibration/tankcfg.h"
#include "common/errors.h"
#include "platform/fileio.h"

namespace {
// Keeps a window from ever seeing its activation, as on a display without a window manager:
// what the editor stores must not hang on whether its activation handler ran.
struct NoActivation : QObject {
    QWidget* w;
    explicit NoActivation(QWidget* window) : w(window) { w->installEventFilter(this); }
    ~NoActivation() override { w->removeEventFilter(this); }
    bool eventFilter(QObject*, QEvent* e) override { return e->type() == QEvent::WindowActivate; }
};

QString CaptionFor(int tank) { return QStringLiteral("Calibration table for tank No: \"%1\"").arg(tank); }

QByteArray BytesOf(const TTankRecord& r) { return QByteArray(reinterpret_cast<const char*>(&r), sizeof r); }

// Two tanks, tank 2 with a table of its own; the tank window on tank 1, and its "Load/Create".
struct TwoTanks : CalFixture {
    QByteArray tank2;

    explicit TwoTanks(bool connectTerminal = false) : CalFixture(false, connectTerminal) {
        find<QSpinBox>("Noftanks")->setValue(2);
        FillTable(tank(2).CalTable, 60, 3.0f);
        tank2 = BytesOf(tank(2));
        session().CurrentTank = 1;
        forms().tankconfig->TankNo = 1;
        forms().tankconfig->show();
        env.clock.settle();
        tankButton("ldtable")->click();
        env.clock.settle();
    }
    QPushButton* tankButton(const char* name) const {
        return forms().tankconfig->findChild<QPushButton*>(QString::fromLatin1(name));
    }
};

// Then a generated table taken with "Use Table", and "next >>" in the tank window, on a
// display that never activates the editor again: it still holds tank 1's copy.
struct MovedOn : TwoTanks {
    NoActivation quiet{forms().CalibrationTable};

    explicit MovedOn(bool connectTerminal = false) : TwoTanks(connectTerminal) {
        generate();
        tankButton("next")->click();
        env.clock.settle();
        // The tank window is where the user was last.
        activate(forms().tankconfig);
    }
};
}  // namespace

class EditorTest : public QObject {
    Q_OBJECT
private slots:
    void startsWithHeaderAndOneEmptyRow();
    void layoutRowCountsRoundHalvesToEven();
    void layoutKeepsOtherCellsAndTheTable();
    void zeroNegativeAndTinySteps();
    void badStepTextEndsTheLayoutAfterTheHeader();
    void programCheckOfALayoutButton();
    void editCaptionAndValue();
    void editPastTheLastPointWritesNoPoint();
    void editOfTheRowAfterTheLastPointWritesNothing();
    void badValueKeepsThePoint();
    void cancelDropsEditsApplyKeepsThem();
    void sendStoresThenSendsAndCloses();
    void returnFromChartKeepsUnappliedTable();
    void returnAfterTankChangedTakesThatTanksTable();
    void closingOwnDialogIsNoReturn();
    void overlongCountFromFileIsShownAndCharted();
    void applyStoresIntoTheTankTheTableCameFrom();
    void sendStoresAndSendsTheTankTheTableCameFrom();
    void loadCreateOnAnotherTankTakesThatTankAtOnce();
    void reloadForAnotherTankRenamesTheCaption();
    void exportErrorNamesTheChosenFile();
};

void EditorTest::startsWithHeaderAndOneEmptyRow() {
    CalFixture f;
    QCOMPARE(f.ed->windowTitle(), QStringLiteral("Tank calibration table"));
    QCOMPARE(f.ed->RowCount(), 2);
    QCOMPARE(f.ed->Cell(0, 0), QStringLiteral(" No"));
    QCOMPARE(f.ed->Cell(1, 0), QStringLiteral(" [mm]"));
    QCOMPARE(f.ed->Cell(2, 0), QStringLiteral("  [lit]"));
    QCOMPARE(f.ed->TblStep->text(), QStringLiteral("1"));
    QVERIFY(f.ed->LitOnmm->isChecked());
    QVERIFY(f.ed->Interpchk->isChecked());
    QVERIFY(!f.ed->ffTableSta->isChecked() && !f.ed->fgTableSta->isChecked());
    QCOMPARE(f.ed->findChild<QCheckBox*>(QStringLiteral("CheckBox4"))->accessibleName(),
             QStringLiteral("Table from autocal"));
    QCOMPARE(f.ed->ECalTable->model()->headerData(1, Qt::Horizontal).toString(), QStringLiteral(" [mm]"));
}

void EditorTest::layoutRowCountsRoundHalvesToEven() {
    CalFixture f;
    f.layout("1", true);
    QCOMPARE(f.ed->RowCount(), 4000);
    QCOMPARE(f.ed->Cell(2, 1), QStringLiteral(" 1"));
    QCOMPARE(f.ed->Cell(2, 3999), QStringLiteral(" 3999"));
    f.layout("2.5", true);
    QCOMPARE(f.ed->RowCount(), 1600);
    QCOMPARE(f.ed->Cell(2, 1599), QStringLiteral(" 3997.5"));
    f.layout("3", true);
    QCOMPARE(f.ed->RowCount(), 1333);
    // Halves go to the even neighbour: 2.5 -> 2, 62.5 -> 62, 687.5 -> 688.
    f.layout("1600", true);
    QCOMPARE(f.ed->RowCount(), 2);
    f.layout("64", true);
    QCOMPARE(f.ed->RowCount(), 62);
    f.layout("32", false);
    QCOMPARE(f.ed->RowCount(), 688);
    f.layout("1", false);
    QCOMPARE(f.ed->RowCount(), 22000);
    QCOMPARE(f.ed->Cell(1, 0), QStringLiteral("  [lit]"));
    QCOMPARE(f.ed->Cell(2, 0), QStringLiteral(" [mm]"));
    QCOMPARE(f.ed->Cell(1, 1), QStringLiteral(" 1"));
    QCOMPARE(f.ed->Cell(1, 21999), QStringLiteral(" 21999"));
    QCOMPARE(f.ed->ECalTable->model()->rowCount(), 21999);
    f.layout("0.1", false);
    QCOMPARE(f.ed->Cell(1, 3), QStringLiteral(" 0.3"));
}

void EditorTest::layoutKeepsOtherCellsAndTheTable() {
    CalFixture f;
    f.generate();
    const TCalTable before = f.ed->Table;
    f.layout("2", false);  // 11000 rows, multiples into column 1
    QCOMPARE(f.ed->RowCount(), 11000);
    QCOMPARE(f.ed->Cell(0, 4000), QStringLiteral("4000"));
    QCOMPARE(f.ed->Cell(1, 4000), QStringLiteral(" 8000"));
    QCOMPARE(f.ed->Cell(2, 4000), QStringLiteral("26342.470"));
    QCOMPARE(f.ed->Cell(2, 4001), QString());
    QCOMPARE(std::memcmp(&before, &f.ed->Table, sizeof(TCalTable)), 0);
}

void EditorTest::zeroNegativeAndTinySteps() {
    CalFixture f;
    f.layout("1", true);
    f.env.prompts.queue(PromptAnswer::ok());
    f.layout("0", false);
    QCOMPARE(f.env.prompts.texts(), QStringList{QStringLiteral("Floating point division by zero.")});
    QCOMPARE(f.ed->Cell(1, 0), QStringLiteral("  [lit]"));  // the header was written first
    QCOMPARE(f.ed->RowCount(), 4000);

    f.layout("-1", true);
    QCOMPARE(f.ed->RowCount(), 1);
    QCOMPARE(f.ed->ECalTable->model()->rowCount(), 0);
    f.layout("1", true);
    QCOMPARE(f.ed->RowCount(), 4000);
    f.layout("-0.000001", false);
    QCOMPARE(f.ed->RowCount(), 1);

    QElapsedTimer t;
    t.start();
    f.layout("1E-300", false);
    QCOMPARE(f.ed->RowCount(), TCalibrationTable::MaxLayoutRows);
    f.layout("0.0000001", true);
    QCOMPARE(f.ed->RowCount(), TCalibrationTable::MaxLayoutRows);
    QCOMPARE(f.ed->Cell(2, 2), QStringLiteral(" 2E-7"));
    f.layout("1E300", true);
    QCOMPARE(f.ed->RowCount(), 1);
    QVERIFY2(t.elapsed() < 20000, "tiny steps took too long");
}

void EditorTest::badStepTextEndsTheLayoutAfterTheHeader() {
    CalFixture f;
    f.layout("3", true);
    f.env.prompts.queue(PromptAnswer::ok());
    f.layout("1,5", false);
    QCOMPARE(f.env.prompts.texts(), QStringList{QStringLiteral("'1,5' is not a valid floating point value.")});
    QCOMPARE(f.ed->RowCount(), 1333);
    QCOMPARE(f.ed->Cell(1, 0), QStringLiteral("  [lit]"));
}

void EditorTest::programCheckOfALayoutButton() {
    CalFixture f;
    f.ed->TblStep->setText(QStringLiteral("2"));
    f.ed->CheckLayoutButton(true);  // already checked: nothing runs
    QCOMPARE(f.ed->RowCount(), 2);
    f.ed->CheckLayoutButton(false);
    QVERIFY(f.ed->mmOnLit->isChecked() && !f.ed->LitOnmm->isChecked());
    QCOMPARE(f.ed->RowCount(), 11000);
    f.ed->TblStep->setText(QStringLiteral("0"));
    QVERIFY_THROWS_EXCEPTION(AppError, f.ed->CheckLayoutButton(true));
    QVERIFY(f.ed->LitOnmm->isChecked());
    QCOMPARE(f.ed->Cell(1, 0), QStringLiteral(" [mm]"));
    QCOMPARE(f.ed->RowCount(), 11000);
    QCOMPARE(f.env.prompts.shown.size(), 0);
}

void EditorTest::editCaptionAndValue() {
    CalFixture f;
    f.generate();
    f.ed->SetCell(1, 5, QStringLiteral("5"));
    f.env.prompts.queue(PromptAnswer::input(QStringLiteral("12.5")));
    f.clickRow(5);
    QCOMPARE(f.env.prompts.shown.size(), 1);
    const PromptRecord& p = f.env.prompts.shown[0];
    QCOMPARE(p.kind, PromptRecord::Input);
    QCOMPARE(p.caption, QStringLiteral("Change value for :5 No"));
    QCOMPARE(p.text, QStringLiteral("Enter new value:"));
    QCOMPARE(p.preset, f.forms().GenffrCt->Cell(1, 5));
    QCOMPARE(f.ed->Cell(2, 5), QStringLiteral("12.5"));
    QCOMPARE(f.ed->Table.Points[5].Value, 12.5f);
    QCOMPARE(f.ed->Table.Points[5].Arg, f.ed->FormulaTable.Points[5].Arg);
    // Cancel gives back the preset: the value is read again from the same text.
    f.env.prompts.queue(PromptAnswer::cancel());
    f.clickRow(6);
    QCOMPARE(f.ed->Cell(2, 6), f.forms().GenffrCt->Cell(1, 6));
    QCOMPARE(f.ed->Table.Points[6].Value, f.ed->FormulaTable.Points[6].Value);
}

void EditorTest::editPastTheLastPointWritesNoPoint() {
    CalFixture f;
    FillTable(f.tank(1).CalTable, 4000, 2.0f);
    FillTable(f.tank(2).CalTable, 4000, 3.0f);
    f.ed->hide();
    f.ed->show();  // takes tank 1's table
    f.env.clock.settle();
    QCOMPARE(f.ed->Table.Points[4000].Value, 8000.0f);
    QByteArray tank2(reinterpret_cast<const char*>(&f.tank(2)), sizeof(TTankRecord));
    const TCalTable srcBefore = f.ed->SrcTable;
    f.layout("1", false);
    f.env.prompts.queue(PromptAnswer::input(QStringLiteral("777")));
    f.clickRow(4500);
    QCOMPARE(f.ed->Cell(2, 4500), QStringLiteral("777"));
    f.env.prompts.queue(PromptAnswer::input(QStringLiteral("4444")));
    f.clickRow(4000);
    QCOMPARE(f.ed->Table.Points[4000].Value, 4444.0f);
    f.ed->ECalTableClick(0);  // the header row is no value
    f.ed->applytable->click();
    QCOMPARE(QByteArray(reinterpret_cast<const char*>(&f.tank(2)), sizeof(TTankRecord)), tank2);
    QCOMPARE(std::memcmp(&srcBefore, &f.ed->SrcTable, sizeof(TCalTable)), 0);
    QCOMPARE(f.tank(1).CalTable.Points[4000].Value, 4444.0f);
    QCOMPARE(f.tank(1).CalTable.Points[3999].Value, 7998.0f);
}

void EditorTest::editOfTheRowAfterTheLastPointWritesNothing() {
    // Row 4001 is the first row without a point: its edit stays in the grid, and neither the
    // table nor the window's other tables change.
    CalFixture f;
    FillTable(f.tank(1).CalTable, 4000, 2.0f);
    f.ed->hide();
    f.ed->show();
    f.env.clock.settle();
    f.layout("1", false);
    QVERIFY(f.ed->RowCount() > 4001);
    auto bytes = [](const TCalTable& t) { return QByteArray(reinterpret_cast<const char*>(&t), sizeof t); };
    const QList<QByteArray> before{bytes(f.ed->Table), bytes(f.ed->SrcTable), bytes(f.ed->FileTable),
                                   bytes(f.ed->FormulaTable)};
    f.env.prompts.queue(PromptAnswer::input(QStringLiteral("-1")));
    f.clickRow(4001);
    QCOMPARE(f.env.prompts.shown.last().caption, QStringLiteral("Change value for : 4001 No"));
    QCOMPARE(f.ed->Cell(2, 4001), QStringLiteral("-1"));
    const QList<QByteArray> after{bytes(f.ed->Table), bytes(f.ed->SrcTable), bytes(f.ed->FileTable),
                                  bytes(f.ed->FormulaTable)};
    QVERIFY(after == before);
    f.ed->applytable->click();
    QCOMPARE(f.tank(1).CalTable.Points[4000].Value, 8000.0f);
    QCOMPARE(bytes(f.tank(1).CalTable), before[0]);
}

void EditorTest::badValueKeepsThePoint() {
    CalFixture f;
    f.generate();
    const float before = f.ed->Table.Points[7].Value;
    f.env.prompts.queue(PromptAnswer::input(QStringLiteral("12a")));
    f.env.prompts.queue(PromptAnswer::ok());
    f.clickRow(7);
    QCOMPARE(f.env.prompts.shown.last().text, QStringLiteral("'12a' is not a valid floating point value."));
    QCOMPARE(f.ed->Cell(2, 7), QStringLiteral("12a"));
    QCOMPARE(f.ed->Table.Points[7].Value, before);
}

void EditorTest::cancelDropsEditsApplyKeepsThem() {
    CalFixture f;
    FillTable(f.tank(1).CalTable, 100, 2.0f);
    const TCalTable stored = f.tank(1).CalTable;
    f.ed->hide();
    f.ed->show();
    f.env.clock.settle();
    f.generate();
    f.ed->cancelBt->click();
    QVERIFY(!f.ed->isVisible());
    QCOMPARE(std::memcmp(&stored, &f.tank(1).CalTable, sizeof(TCalTable)), 0);
    // Opening again takes the stored table; the grid shows what it was left with.
    f.ed->show();
    f.env.clock.settle();
    QCOMPARE(std::memcmp(&stored, &f.ed->Table, sizeof(TCalTable)), 0);
    QCOMPARE(f.ed->RowCount(), 4001);

    f.generate();
    f.ed->applytable->click();
    QVERIFY(f.ed->isVisible());
    f.ed->cancelBt->click();
    QCOMPARE(f.tank(1).CalTable.Count, uint16_t(4000));
    QCOMPARE(f.tank(1).CalTable.Step, 0.6475f);
    QCOMPARE(std::memcmp(&f.ed->FormulaTable, &f.tank(1).CalTable, sizeof(TCalTable)), 0);
}

void EditorTest::sendStoresThenSendsAndCloses() {
    CalFixture f(true, true);
    f.session().CurrentTank = 2;
    f.ed->hide();
    f.ed->show();
    f.env.clock.settle();
    f.generate();
    f.ed->SendTable->click();
    QVERIFY(!f.ed->isVisible());
    QVERIFY(SameButCrc(f.ed->FormulaTable, f.tank(2).CalTable));
    QCOMPARE(f.tank(1).CalTable.Count, uint16_t(0));
}

void EditorTest::returnFromChartKeepsUnappliedTable() {
    CalFixture f;
    FillTable(f.tank(1).CalTable, 50, 2.0f);
    f.activate(f.ed);
    f.generate();
    f.ed->ViewChart->click();
    QVERIFY(f.forms().CalTChart->isVisible());
    f.activate(f.forms().CalTChart);
    f.activate(f.ed);
    QCOMPARE(std::memcmp(&f.ed->FormulaTable, &f.ed->Table, sizeof(TCalTable)), 0);
    f.ed->applytable->click();
    QCOMPARE(f.tank(1).CalTable.Count, uint16_t(4000));
    // The same holds for a return from the main window.
    f.activate(f.w);
    f.activate(f.ed);
    QCOMPARE(f.ed->Table.Count, uint16_t(4000));
}

void EditorTest::returnAfterTankChangedTakesThatTanksTable() {
    CalFixture f;
    FillTable(f.tank(2).CalTable, 60, 3.0f);
    f.activate(f.ed);
    f.generate();
    QCOMPARE(f.ed->TableTank(), uint8_t(1));
    f.activate(f.w);
    f.session().CurrentTank = 2;  // a click in the tank grid
    f.activate(f.ed);
    QCOMPARE(f.ed->TableTank(), uint8_t(2));
    QCOMPARE(std::memcmp(&f.tank(2).CalTable, &f.ed->Table, sizeof(TCalTable)), 0);
    f.ed->applytable->click();
    QCOMPARE(f.tank(1).CalTable.Count, uint16_t(0));
}

void EditorTest::closingOwnDialogIsNoReturn() {
    CalFixture f;
    f.activate(f.ed);
    f.whileModal(f.forms().GenffrCt, [&] {
        f.session().CurrentTank = 2;  // whatever moved the tank meanwhile
        f.forms().GenffrCt->GenTable->click();
        f.forms().GenffrCt->Usetbl->click();
    });
    f.ed->formulagen->click();
    f.env.clock.settle();
    // A real display hands the activation back to the editor when its dialog closes.
    f.activate(f.ed);
    QCOMPARE(f.ed->TableTank(), uint8_t(1));
    QCOMPARE(f.ed->Table.Count, uint16_t(4000));
    // A return from another window is one.
    f.activate(f.w);
    f.activate(f.ed);
    QCOMPARE(f.ed->TableTank(), uint8_t(2));
}

void EditorTest::overlongCountFromFileIsShownAndCharted() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("big.dat"));
    {
        CalFixture f(false);
        FillTable(f.tank(1).CalTable, 4000, 2.0f);
        f.tank(1).CalTable.Count = 65535;
        WriteWholeFile(path, &f.session().ConsoleConfig, sizeof f.session().ConsoleConfig);
    }
    CalFixture f(false);
    f.env.prompts.queue(PromptAnswer::file(path));
    f.w->findChild<QPushButton*>(QStringLiteral("Load_t_from_file"))->click();
    QCOMPARE(f.tank(1).CalTable.Count, uint16_t(65535));
    f.ed->show();
    f.env.clock.settle();
    QCOMPARE(f.ed->Table.Count, uint16_t(65535));
    QCOMPARE(CalPointsInUse(f.ed->Table), 4000);
    f.ed->ViewChart->click();
    const QList<QPointF> pts = f.forms().CalTChart->Points(TCalTChart::SeriesTable);
    QCOMPARE(pts.size(), 4001);
    QCOMPARE(pts.last(), QPointF(4000, 8000));
    f.ed->applytable->click();
    QCOMPARE(f.tank(1).CalTable.Count, uint16_t(65535));
}

void EditorTest::applyStoresIntoTheTankTheTableCameFrom() {
    MovedOn f;
    QCOMPARE(int(f.session().CurrentTank), 2);
    QCOMPARE(f.ed->windowTitle(), CaptionFor(1));
    f.ed->applytable->click();
    QVERIFY(SameButCrc(f.ed->FormulaTable, f.tank(1).CalTable));
    QCOMPARE(BytesOf(f.tank(2)), f.tank2);
}

void EditorTest::sendStoresAndSendsTheTankTheTableCameFrom() {
    MovedOn f(true);
    const int before = f.sent().size();
    f.ed->SendTable->click();
    f.env.clock.settle();
    QVERIFY(!f.ed->isVisible());
    QVERIFY(SameButCrc(f.ed->FormulaTable, f.tank(1).CalTable));
    QCOMPARE(BytesOf(f.tank(2)), f.tank2);
    // The header and the 125 blocks, each with tank 1's number first.
    const QList<QByteArray> frames = f.sent().mid(before);
    QCOMPARE(frames.size(), 126);
    for (const QByteArray& line : frames) QCOMPARE(int(uint8_t(ConsoleFixture::dataOf(line)[0])), 1);
    QVERIFY(f.model->table(1).checksumOk);
    QCOMPARE(f.model->table(1).values[3999], f.ed->FormulaTable.Points[4000].Value);
    QVERIFY(!f.model->table(2).headerSeen);
}

void EditorTest::loadCreateOnAnotherTankTakesThatTankAtOnce() {
    MovedOn f;
    QVERIFY(f.ed->isVisible());
    f.tankButton("ldtable")->click();
    f.env.clock.settle();
    QCOMPARE(f.ed->windowTitle(), CaptionFor(2));
    QCOMPARE(f.ed->TableTank(), uint8_t(2));
    QCOMPARE(std::memcmp(&f.tank(2).CalTable, &f.ed->Table, sizeof(TCalTable)), 0);
    f.ed->applytable->click();
    QCOMPARE(BytesOf(f.tank(2)), f.tank2);
    QCOMPARE(f.tank(1).CalTable.Count, uint16_t(0));
    // On the same tank again, a table not applied stays.
    f.generate();
    f.tankButton("ldtable")->click();
    f.env.clock.settle();
    QCOMPARE(std::memcmp(&f.ed->FormulaTable, &f.ed->Table, sizeof(TCalTable)), 0);
}

void EditorTest::reloadForAnotherTankRenamesTheCaption() {
    TwoTanks f;
    QCOMPARE(f.ed->windowTitle(), CaptionFor(1));
    f.activate(f.w);
    f.w->Tanks_listClick(2);
    f.activate(f.ed);
    QCOMPARE(f.ed->TableTank(), uint8_t(2));
    QCOMPARE(f.ed->windowTitle(), CaptionFor(2));
}

void EditorTest::exportErrorNamesTheChosenFile() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("table.xls"));
    CalFixture f;
    f.generate();
    f.env.workbooks.writeToDisk = true;
    f.env.prompts.queue(PromptAnswer::file(path));
    f.env.prompts.queue(PromptAnswer::ok());
    // 4000 points do not fit under a limit of 64 KiB per file.
    rlimit saved{};
    ::getrlimit(RLIMIT_FSIZE, &saved);
    rlimit small = saved;
    small.rlim_cur = 65536;
    ::setrlimit(RLIMIT_FSIZE, &small);
    f.ed->SaveTbl2File->click();
    ::setrlimit(RLIMIT_FSIZE, &saved);
    f.env.clock.settle();
    QCOMPARE(f.env.prompts.texts().last(), QStringLiteral("Cannot save \"%1\": Disk full.").arg(path));
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList());
}

TANKCFG_TEST_MAIN(EditorTest)
#include "tst_editor.moc"
