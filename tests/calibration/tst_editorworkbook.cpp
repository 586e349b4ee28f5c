// The editor's "Save to file" and "Load from file": the dialogs, the workbook calls in their
// order, the table, grid, step and boxes after an import, and an editor left exactly as it
// was by every import that fails.
#include <QFile>
#include <QTemporaryDir>

#include "calfixture.h"
#include "calibration/tableworkbook.h"
#include "platform/errorguard.h"

namespace {

QString data(const char* name) { return QStringLiteral(TANKCFG_TEST_DATA "/") + QLatin1String(name); }
QString general(double x) { return QString::fromStdString(FormatGeneral(x)); }

double curve(double h) { return 3 * h + 0.002 * h * h + 50 * std::sin(h / 300); }

// A workbook as another program would hold it: `count` levels from `first` by `spacing`,
// volumes on the curve.
WorkbookCells sheet(int count, const char* mode, const char* step, double maxLevel, double spacing = 0.5,
                    double first = 0.5) {
    WorkbookCells c;
    c[{3, 2}] = CellValue::ofText(step);
    c[{4, 2}] = CellValue::ofNumber(count);
    c[{5, 2}] = CellValue::ofText(mode);
    c[{6, 2}] = CellValue::ofNumber(maxLevel);
    c[{7, 2}] = CellValue::ofNumber(1);
    for (int i = 1; i <= count; ++i) {
        const double h = first + (i - 1) * spacing;
        c[{9 + i, 1}] = CellValue::ofNumber(float(h));
        c[{9 + i, 2}] = CellValue::ofNumber(float(curve(h)));
    }
    return c;
}

// Everything of the editor that an import may change.
struct EditorState {
    TCalTable table, src, file;
    QStringList cells;  // every grid cell, row by row
    QString step;
    bool levelToVolume, volumeToLevel, interpolate, fromFile;
};

EditorState state(const TCalibrationTable* ed) {
    EditorState s{ed->Table,
                  ed->SrcTable,
                  ed->FileTable,
                  {},
                  ed->TblStep->text(),
                  ed->LitOnmm->isChecked(),
                  ed->mmOnLit->isChecked(),
                  ed->Interpchk->isChecked(),
                  ed->ffTableSta->isChecked()};
    for (int r = 0; r < ed->RowCount(); ++r)
        for (int c = 0; c < 3; ++c) s.cells << ed->Cell(c, r);
    return s;
}

// Empty when both are alike, else what differs.
QString difference(const EditorState& a, const EditorState& b) {
    auto same = [](const TCalTable& x, const TCalTable& y) { return std::memcmp(&x, &y, sizeof x) == 0; };
    if (!same(a.table, b.table)) return QStringLiteral("Table");
    if (!same(a.src, b.src)) return QStringLiteral("SrcTable");
    if (!same(a.file, b.file)) return QStringLiteral("FileTable");
    if (a.cells != b.cells) return QStringLiteral("grid");
    if (a.step != b.step) return QStringLiteral("step ") + a.step + QStringLiteral(" / ") + b.step;
    if (a.levelToVolume != b.levelToVolume || a.volumeToLevel != b.volumeToLevel) return QStringLiteral("mode buttons");
    if (a.interpolate != b.interpolate || a.fromFile != b.fromFile) return QStringLiteral("check boxes");
    return {};
}

// Both dialogs propose .xls files from the folder "data".
void checkDialog(const PromptRecord& p, PromptRecord::Kind kind, const char* title, const char* filter) {
    QCOMPARE(p.kind, kind);
    QCOMPARE(p.spec.title, QLatin1String(title));
    QCOMPARE(p.spec.filter, QLatin1String(filter));
    QCOMPARE(p.spec.defaultSuffix, QStringLiteral("xls"));
    QCOMPARE(p.spec.initialDir, QStringLiteral("data"));
}

struct WbFixture : CalFixture {
    // "Load from file", choosing `file`.
    void load(const QString& file) {
        env.prompts.queue(PromptAnswer::file(file));
        ed->LoadfFile->click();
        env.clock.settle();
    }
    void save(const QString& file) {
        env.prompts.queue(PromptAnswer::file(file));
        ed->SaveTbl2File->click();
        env.clock.settle();
    }
    // An editor with something of everything: a resampled import behind it (source and file
    // tables, "Table from file" ticked), then the "cm on liter" layout with step 2.
    void busy() {
        env.workbooks.files[QStringLiteral("prior.xls")] = sheet(2999, "1", "0.5", 1500);
        load(QStringLiteral("prior.xls"));
        QVERIFY(ed->ffTableSta->isChecked());
        layout("2", false);
        QCOMPARE(ed->RowCount(), 11000);
        env.prompts.clear();
        env.workbooks.clear();
    }
};

}  // namespace

class EditorWorkbookTest : public QObject {
    Q_OBJECT
private slots:
    void roundTripThroughTheButtons();
    void failedImportsChangeNothing_data();
    void failedImportsChangeNothing();
    void resamplesAShortLevelTable();
    void volumeToLevelTableChecksCmOnLiter();
    void cancelledDialogsDoNothing();
    void callsInTheirOrder();
    void failedExportEndsTheApplication();
};

void EditorWorkbookTest::roundTripThroughTheButtons() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("round.xls"));
    WbFixture f;
    TCalTable t{};
    t.Count = 4000;
    t.Mode = 1;
    for (int i = 1; i <= 4000; ++i) t.Points[i] = {float(curve(i * 0.1) / 3.0), float(i * 0.1)};
    t.Step = float(double(t.Points[2].Arg) - double(t.Points[1].Arg));
    f.tank(1).CalTable = t;
    f.ed->hide();
    f.ed->show();  // takes tank 1's table
    f.env.clock.settle();
    f.env.workbooks.writeToDisk = true;
    f.save(path);
    QVERIFY(QFile::exists(path));

    // Another table in the tank, so that only the file can bring the first one back.
    FillTable(f.tank(1).CalTable, 20, 5.0f);
    f.ed->hide();
    f.ed->show();
    f.env.clock.settle();
    f.env.workbooks.files.clear();  // read from the disk
    f.load(path);
    QCOMPARE(f.env.prompts.shown.size(), 2);
    QVERIFY(std::memcmp(&f.ed->Table, &t, sizeof t) == 0);
    QVERIFY(!f.ed->ffTableSta->isChecked());
    QVERIFY(f.ed->LitOnmm->isChecked());
    QCOMPARE(f.ed->TblStep->text(), general(double(t.Points[2].Arg) - double(t.Points[1].Arg)));
    QCOMPARE(f.ed->RowCount(), 4001);
    for (int i = 1; i <= 4000; ++i) {
        QCOMPARE(f.ed->Cell(0, i), QString::number(i));
        QCOMPARE(f.ed->Cell(1, i), general(t.Points[i].Arg));
        QCOMPARE(f.ed->Cell(2, i), general(t.Points[i].Value));
    }
    f.ed->applytable->click();
    QVERIFY(std::memcmp(&f.tank(1).CalTable, &t, sizeof t) == 0);
}

void EditorWorkbookTest::failedImportsChangeNothing_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("caption");  // empty: the standard error box
    QTest::addColumn<QString>("text");     // the box's text, or a part of it
    const QString countText = QStringLiteral("Error : Number of points must between 10 and 4000 !");
    QTest::newRow("10 points") << "p10.xls"
                               << "Error" << countText;
    QTest::newRow("4001 points") << "p4001.xls"
                                 << "Error" << countText;
    QTest::newRow("xlsx named xls") << data("calc_table_xlsx.xls") << ""
                                    << "it is an Excel 2007 or later workbook (.xlsx)";
    QTest::newRow("missing file") << "none.xls"
                                  << ""
                                  << "the file does not exist";
    QTest::newRow("bad point") << "badpoint.xls"
                               << ""
                               << "'1,5 mm' is not a valid floating point value.";
    QTest::newRow("max level 0") << "max0.xls"
                                 << ""
                                 << "max level (cell B6) must be above 0";
    QTest::newRow("levels repeat") << "repeat.xls"
                                   << ""
                                   << "the levels must increase from row to row, and row 15 does not";
    QTest::newRow("step 0") << "step0.xls"
                            << ""
                            << "Floating point division by zero.";
}

void EditorWorkbookTest::failedImportsChangeNothing() {
    QFETCH(QString, file);
    QFETCH(QString, caption);
    QFETCH(QString, text);
    WbFixture f;
    f.busy();
    auto& files = f.env.workbooks.files;
    files[QStringLiteral("p10.xls")] = sheet(10, "1", "0.5", 5);
    files[QStringLiteral("p4001.xls")] = sheet(4001, "1", "0.5", 2000.5);
    files[QStringLiteral("badpoint.xls")] = sheet(3000, "1", "0.5", 1500);
    files[QStringLiteral("badpoint.xls")][{2900, 2}] = CellValue::ofText("1,5 mm");
    files[QStringLiteral("max0.xls")] = sheet(3000, "1", "0.5", 0);
    files[QStringLiteral("repeat.xls")] = sheet(3000, "1", "0.5", 1500);
    files[QStringLiteral("repeat.xls")][{15, 1}] = files[QStringLiteral("repeat.xls")][{14, 1}];
    // Level-to-volume while "cm on liter" is checked: its layout would run with step 0.
    files[QStringLiteral("step0.xls")] = sheet(3000, "1", "0", 1500);

    const EditorState before = state(f.ed);
    f.env.prompts.queue(PromptAnswer::file(file));
    f.env.prompts.queue(PromptAnswer::ok());
    f.ed->LoadfFile->click();
    f.env.clock.settle();
    QCOMPARE(f.env.prompts.shown.size(), 2);
    const PromptRecord& box = f.env.prompts.shown[1];
    QCOMPARE(box.kind, PromptRecord::Message);
    QCOMPARE(box.caption, caption.isEmpty() ? AppTitle() : caption);
    QVERIFY2(box.text.contains(text), qPrintable(box.text));
    if (!caption.isEmpty()) QCOMPARE(box.text, text);
    const QString diff = difference(state(f.ed), before);
    QVERIFY2(diff.isEmpty(), qPrintable(diff));
    // The workbook is closed and the application ended however the import failed.
    QCOMPARE(f.env.workbooks.calls.mid(f.env.workbooks.calls.size() - 3),
             (QStringList{QStringLiteral("close"), QStringLiteral("quit"), QStringLiteral("release")}));
    QCOMPARE(f.env.workbooks.live, 0);
}

void EditorWorkbookTest::resamplesAShortLevelTable() {
    WbFixture f;
    f.busy();  // "cm on liter": the import checks "Liters on cm" and its layout runs
    f.env.workbooks.files[QStringLiteral("s.xls")] = sheet(3999, "1", "0.5", 2000);  // levels 0.5 .. 1999.5
    // Without "Use interpolation" the points are taken as they are.
    f.ed->Interpchk->click();
    f.load(QStringLiteral("s.xls"));
    QCOMPARE(f.ed->Table.Count, uint16_t(3999));
    QVERIFY(!f.ed->ffTableSta->isChecked());
    QCOMPARE(f.ed->RowCount(), 4000);
    QCOMPARE(f.ed->SrcTable.Count, uint16_t(2999));  // the earlier source stays

    f.ed->Interpchk->click();
    f.load(QStringLiteral("s.xls"));
    const TCalTable& t = f.ed->Table;
    QCOMPARE(t.Count, uint16_t(4000));
    QCOMPARE(t.Mode, uint8_t(1));
    QCOMPARE(t.Step, 0.5f);
    QVERIFY(t.Points[0].Arg == 0 && t.Points[0].Value == 0);
    QCOMPARE(t.Points[4000].Arg, 2000.0f);
    for (int i = 1; i < 4000; ++i) QVERIFY(std::fabs(t.Points[i].Value - curve(i * 0.5)) < 2e-3);
    QVERIFY(f.ed->ffTableSta->isChecked());
    QVERIFY(f.ed->LitOnmm->isChecked() && !f.ed->mmOnLit->isChecked());
    QCOMPARE(f.ed->TblStep->text(), QStringLiteral("0.5"));
    // The source and the file table: the points as read.
    QCOMPARE(f.ed->SrcTable.Count, uint16_t(3999));
    QCOMPARE(f.ed->SrcTable.Points[3999].Arg, 1999.5f);
    QVERIFY(std::memcmp(&f.ed->SrcTable, &f.ed->FileTable, sizeof(TCalTable)) == 0);
    // The layout's header, then the resampled points in the grid.
    QCOMPARE(f.ed->Cell(1, 0), QStringLiteral(" [mm]"));
    QCOMPARE(f.ed->Cell(2, 0), QStringLiteral("  [lit]"));
    QCOMPARE(f.ed->RowCount(), 4001);
    QCOMPARE(f.ed->Cell(0, 4000), QStringLiteral("4000"));
    QCOMPARE(f.ed->Cell(1, 1), QStringLiteral("0.5"));
    QCOMPARE(f.ed->Cell(1, 4000), QStringLiteral("2000"));
    QCOMPARE(f.ed->Cell(2, 1234), general(t.Points[1234].Value));
    QCOMPARE(f.env.prompts.shown.size(), 2);
}

void EditorWorkbookTest::volumeToLevelTableChecksCmOnLiter() {
    WbFixture f;
    f.env.workbooks.files[QStringLiteral("v.xls")] = sheet(3999, "0", "0.5", 2000);
    f.env.workbooks.files[QStringLiteral("s.xls")] = sheet(2999, "1", "0.5", 1500);
    f.load(QStringLiteral("s.xls"));
    const TCalTable src = f.ed->SrcTable;
    QVERIFY(f.ed->ffTableSta->isChecked());
    f.load(QStringLiteral("v.xls"));  // "Use interpolation" is checked: still no resampling
    QCOMPARE(f.ed->Table.Count, uint16_t(3999));
    QCOMPARE(f.ed->Table.Mode, uint8_t(0));
    QCOMPARE(f.ed->Table.Points[3999].Arg, 1999.5f);
    QVERIFY(!f.ed->ffTableSta->isChecked());
    QVERIFY(std::memcmp(&src, &f.ed->SrcTable, sizeof src) == 0);
    QVERIFY(std::memcmp(&src, &f.ed->FileTable, sizeof src) == 0);
    QVERIFY(f.ed->mmOnLit->isChecked() && !f.ed->LitOnmm->isChecked());
    QCOMPARE(f.ed->Cell(1, 0), QStringLiteral("  [lit]"));
    QCOMPARE(f.ed->Cell(2, 0), QStringLiteral(" [mm]"));
    QCOMPARE(f.ed->RowCount(), 4000);
    QCOMPARE(f.ed->Cell(1, 3999), QStringLiteral("1999.5"));
    QCOMPARE(f.ed->TblStep->text(), QStringLiteral("0.5"));
    // Saved again, it stays a volume-to-level table.
    f.save(QStringLiteral("w.xls"));
    QVERIFY(f.env.workbooks.files.at(QStringLiteral("w.xls")).at({5, 2}) == CellValue::ofText("0"));
    QCOMPARE(f.env.prompts.shown.size(), 3);
}

void EditorWorkbookTest::cancelledDialogsDoNothing() {
    WbFixture f;
    f.busy();
    const EditorState before = state(f.ed);
    f.env.prompts.queue(PromptAnswer::cancel());
    f.ed->LoadfFile->click();
    f.env.clock.settle();
    QCOMPARE(f.env.workbooks.calls, (QStringList{QStringLiteral("create"), QStringLiteral("release")}));
    f.env.workbooks.clear();
    f.env.prompts.queue(PromptAnswer::cancel());
    f.ed->SaveTbl2File->click();
    f.env.clock.settle();
    QVERIFY(f.env.workbooks.calls.isEmpty());
    QCOMPARE(f.env.workbooks.files.size(), size_t(1));  // the busy editor's own import only
    QCOMPARE(f.env.prompts.shown.size(), 2);
    const QString diff = difference(state(f.ed), before);
    QVERIFY2(diff.isEmpty(), qPrintable(diff));
}

void EditorWorkbookTest::callsInTheirOrder() {
    WbFixture f;
    FillTable(f.tank(1).CalTable, 11, 2.0f);
    f.tank(1).CalTable.Step = 0.25f;
    f.ed->hide();
    f.ed->show();
    f.env.clock.settle();
    const QString file = QStringLiteral("data/t.xls");

    // Export: the application comes after the dialog.
    PromptAnswer a = PromptAnswer::file(file);
    QStringList callsWhileOpen{QStringLiteral("-")};
    a.whileOpen = [&] { callsWhileOpen = f.env.workbooks.calls; };
    f.env.prompts.queue(a);
    f.ed->SaveTbl2File->click();
    f.env.clock.settle();
    QVERIFY(callsWhileOpen.isEmpty());
    QStringList want = {QStringLiteral("create"), QStringLiteral("visible 1"), QStringLiteral("add"),
                        QStringLiteral("activate 1")};
    const char* heads[] = {"Pointer", "Version", "Step", "Points", "1- l/mm 0 - mm/l", "Max level", "Max Volume"};
    const QString values[] = {QStringLiteral("text 10"),    QStringLiteral("text 10"), QStringLiteral("float 0.25"),
                              QStringLiteral("integer 11"), QStringLiteral("text 1"),  QStringLiteral("float 11"),
                              QStringLiteral("float 22")};
    for (int r = 1; r <= 7; ++r)
        want << QStringLiteral("write A%1 text %2").arg(r).arg(QLatin1String(heads[r - 1]))
             << QStringLiteral("write B%1 ").arg(r) + values[r - 1];
    for (int i = 1; i <= 11; ++i)
        want << QStringLiteral("write A%1 float %2").arg(9 + i).arg(i)
             << QStringLiteral("write B%1 float %2").arg(9 + i).arg(2 * i);
    want << QStringLiteral("saveas ") + file << QStringLiteral("close") << QStringLiteral("quit")
         << QStringLiteral("release");
    QCOMPARE(f.env.workbooks.calls, want);
    const PromptRecord& save = f.env.prompts.shown[0];
    checkDialog(save, PromptRecord::Save, "Save to Calibration Table", "Excel files (*.xls) : |*.xls");
    QVERIFY(save.spec.overwritePrompt && save.spec.createPrompt && save.spec.pathMustExist);

    // Import: the application comes before the dialog.
    f.env.workbooks.clear();
    a.whileOpen = [&] { callsWhileOpen = f.env.workbooks.calls; };
    f.env.prompts.queue(a);
    f.ed->LoadfFile->click();
    f.env.clock.settle();
    QCOMPARE(callsWhileOpen, QStringList{QStringLiteral("create")});
    want = QStringList{QStringLiteral("create"),     QStringLiteral("visible 0"), QStringLiteral("open ") + file,
                       QStringLiteral("activate 1"), QStringLiteral("text B4"),   QStringLiteral("text B5"),
                       QStringLiteral("number B6"),  QStringLiteral("number B7"), QStringLiteral("text B3")};
    for (int i = 1; i <= 11; ++i)
        want << QStringLiteral("number A%1").arg(9 + i) << QStringLiteral("number B%1").arg(9 + i);
    want << QStringLiteral("close") << QStringLiteral("quit") << QStringLiteral("release");
    QCOMPARE(f.env.workbooks.calls, want);
    const PromptRecord& open = f.env.prompts.shown[1];
    checkDialog(open, PromptRecord::Open,
                "Read Calibration table from:", "Excel files (*.xls) :|*.xls|Text files (*.txt):|*.txt");
    QVERIFY(open.spec.fileMustExist && open.spec.pathMustExist && !open.spec.overwritePrompt);
    // 11 points of a level table with "Use interpolation": resampled over 0 .. 11.
    QCOMPARE(f.ed->Table.Count, uint16_t(4000));
    QCOMPARE(f.ed->Table.Points[4000].Arg, 11.0f);
    QVERIFY(f.ed->ffTableSta->isChecked());

    // Each dialog proposes the file last chosen in it.
    f.env.prompts.queue(PromptAnswer::cancel());
    f.ed->LoadfFile->click();
    QCOMPARE(f.env.prompts.shown.last().spec.fileName, file);
}

void EditorWorkbookTest::failedExportEndsTheApplication() {
    WbFixture f;
    f.busy();
    const EditorState before = state(f.ed);
    f.env.workbooks.fault = [](const QString& call) {
        if (call.startsWith(QLatin1String("saveas"))) throw WorkbookError("the file is in use");
    };
    f.env.prompts.queue(PromptAnswer::file(QStringLiteral("x.xls")));
    f.env.prompts.queue(PromptAnswer::ok());
    f.ed->SaveTbl2File->click();
    f.env.clock.settle();
    QCOMPARE(f.env.prompts.shown.last().caption, AppTitle());
    QCOMPARE(f.env.prompts.shown.last().text, QStringLiteral("the file is in use."));
    QCOMPARE(f.env.workbooks.calls.mid(f.env.workbooks.calls.size() - 4),
             (QStringList{QStringLiteral("saveas x.xls"), QStringLiteral("close"), QStringLiteral("quit"),
                          QStringLiteral("release")}));
    QVERIFY(!f.env.workbooks.files.count(QStringLiteral("x.xls")));
    const QString diff = difference(state(f.ed), before);
    QVERIFY2(diff.isEmpty(), qPrintable(diff));
}

TANKCFG_TEST_MAIN(EditorWorkbookTest)
#include "tst_editorworkbook.moc"
