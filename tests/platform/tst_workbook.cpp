// Workbook files: what the BIFF8 writer puts out, read back by freexl itself; workbooks other
// programs wrote; text workbooks; bad files; the real application object's calls.
#include <freexl.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>
#include <cstring>

#include "common/numtext.h"
#include "platform/workbook.h"

namespace {

QString data(const char* name) { return QStringLiteral(TANKCFG_TEST_DATA "/") + QLatin1String(name); }

int openFiles() { return int(QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).size()); }

// The first sheet as freexl sees it, without our reader in between.
struct FreexlSheet {
    const void* h = nullptr;
    explicit FreexlSheet(const QString& path) {
        if (freexl_open(path.toLocal8Bit().constData(), &h) != FREEXL_OK) return;
        if (freexl_select_active_worksheet(h, 0) != FREEXL_OK) {
            freexl_close(h);
            h = nullptr;
        }
    }
    ~FreexlSheet() {
        if (h) freexl_close(h);
    }
    FreeXL_CellValue cell(int row, int col) const {
        FreeXL_CellValue v{};
        v.type = FREEXL_CELL_NULL;
        freexl_get_cell_value(h, unsigned(row - 1), (unsigned short)(col - 1), &v);
        return v;
    }
    QString text(int row, int col) const {
        const FreeXL_CellValue v = cell(row, col);
        return v.type == FREEXL_CELL_SST_TEXT || v.type == FREEXL_CELL_TEXT ? QString::fromUtf8(v.value.text_value)
                                                                          : QStringLiteral("<not a text>");
    }
    double number(int row, int col) const {
        const FreeXL_CellValue v = cell(row, col);
        return v.type == FREEXL_CELL_DOUBLE ? v.value.double_value : std::nan("");
    }
};

bool sameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// The table as the fixtures hold it (levels 0..100 by 5, volumes level^2/4, one volume pi).
WorkbookCells fixtureCells(bool stepAsText) {
    WorkbookCells c;
    const char* a[] = {"Pointer", "Version", "Step", "Points", "1- l/mm 0 - mm/l", "Max level", "Max Volume"};
    for (int r = 1; r <= 7; ++r) c[{r, 1}] = CellValue::ofText(a[r - 1]);
    c[{1, 2}] = CellValue::ofText("10");
    c[{2, 2}] = CellValue::ofText("10");
    c[{3, 2}] = stepAsText ? CellValue::ofText("5") : CellValue::ofNumber(5);
    c[{4, 2}] = CellValue::ofNumber(21);
    c[{5, 2}] = CellValue::ofText("1");
    c[{6, 2}] = CellValue::ofNumber(100);
    c[{7, 2}] = CellValue::ofNumber(2500);
    for (int i = 0; i < 21; ++i) {
        c[{10 + i, 1}] = CellValue::ofNumber(5 * i);
        c[{10 + i, 2}] = CellValue::ofNumber(i == 7 ? 3.14159265358979 : (5.0 * i) * (5.0 * i) / 4.0);
    }
    return c;
}

}  // namespace

class WorkbookTest : public QObject {
    Q_OBJECT
private slots:
    void writtenCellsReadByFreexl();
    void sharedStringsSpanRecords();
    void smallWorkbookOpens();
    void workbookSavedByCalc();
    void excel5Workbook();
    void cellConversions();
    void textWorkbook();
    void textWorkbookQuotesAndEncodings();
    void badFiles_data();
    void badFiles();
    void saveFailureLeavesNoFile();
    void applicationCalls();
};

void WorkbookTest::writtenCellsReadByFreexl() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("w.xls"));
    WorkbookCells c;
    c[{1, 1}] = CellValue::ofText("Pointer");
    c[{1, 2}] = CellValue::ofText("10");
    c[{2, 1}] = CellValue::ofText("Pointer");  // a shared string used twice
    c[{2, 2}] = CellValue::ofText("Уровень");    // not Latin-1: stored as UTF-16
    c[{3, 2}] = CellValue::ofNumber(double(0.1f));  // would lose bits as a compact RK value
    c[{4, 2}] = CellValue::ofNumber(4000);
    c[{5, 3}] = CellValue::ofNumber(-1.5e-30);
    c[{9, 1}] = CellValue::ofNumber(double(3.4e38f));
    c[{4009, 2}] = CellValue::ofNumber(12345.678);
    WriteXlsFile(path.toStdString(), c);

    FreexlSheet x(path);
    QVERIFY(x.h);
    unsigned rows = 0;
    unsigned short cols = 0;
    QCOMPARE(freexl_worksheet_dimensions(x.h, &rows, &cols), FREEXL_OK);
    QCOMPARE(rows, 4009u);
    QCOMPARE(cols, (unsigned short)3);
    QCOMPARE(x.text(1, 1), QStringLiteral("Pointer"));
    QCOMPARE(x.text(1, 2), QStringLiteral("10"));
    QCOMPARE(x.text(2, 1), QStringLiteral("Pointer"));
    QCOMPARE(x.text(2, 2), QStringLiteral("Уровень"));
    QVERIFY(sameBits(x.number(3, 2), double(0.1f)));
    QVERIFY(sameBits(x.number(4, 2), 4000.0));
    QVERIFY(sameBits(x.number(5, 3), -1.5e-30));
    QVERIFY(sameBits(x.number(9, 1), double(3.4e38f)));
    QVERIFY(sameBits(x.number(4009, 2), 12345.678));
    QCOMPARE(x.cell(3, 1).type, (unsigned char)FREEXL_CELL_NULL);
    unsigned strings = 0;
    QCOMPARE(freexl_get_info(x.h, FREEXL_BIFF_STRING_COUNT, &strings), FREEXL_OK);
    QCOMPARE(strings, 3u);

    QVERIFY(ReadWorkbookFile(path.toStdString()) == c);
}

void WorkbookTest::sharedStringsSpanRecords() {
    // Enough strings for several CONTINUE records, and long ones that break across them (freexl
    // reads a string over at most two records).
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("s.xls"));
    WorkbookCells c;
    for (int r = 1; r <= 3000; ++r) c[{r, 1}] = CellValue::ofText("text number " + std::to_string(r));
    std::string wide;
    for (int i = 0; i < 6000; ++i) wide += "Ж";
    c[{1, 2}] = CellValue::ofText(std::string(12000, 'x'));
    c[{2, 2}] = CellValue::ofText(wide);
    c[{3, 2}] = CellValue::ofText("after the long ones");
    WriteXlsFile(path.toStdString(), c);
    FreexlSheet x(path);
    QVERIFY(x.h);
    QCOMPARE(x.text(2999, 1), QStringLiteral("text number 2999"));
    QCOMPARE(x.text(1, 2), QString(12000, QChar(u'x')));
    QCOMPARE(x.text(2, 2), QString(6000, QChar(u'Ж')));
    QCOMPARE(x.text(3, 2), QStringLiteral("after the long ones"));
    QVERIFY(ReadWorkbookFile(path.toStdString()) == c);
}

void WorkbookTest::smallWorkbookOpens() {
    // A stream below the compound document's small-stream limit is padded past it.
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("one.xls"));
    WorkbookCells c;
    c[{1, 1}] = CellValue::ofNumber(1);
    WriteXlsFile(path.toStdString(), c);
    FreexlSheet x(path);
    QVERIFY(x.h);
    QCOMPARE(x.number(1, 1), 1.0);
    WorkbookCells none;
    WriteXlsFile(path.toStdString(), none);
    QVERIFY(ReadWorkbookFile(path.toStdString()).empty());
}

void WorkbookTest::workbookSavedByCalc() {
    // Shared strings, RK and MULRK numbers, full numbers, formulas with their results, and a
    // second sheet that is not read.
    const WorkbookCells got = ReadWorkbookFile(data("calc_table.xls").toStdString());
    QVERIFY(got == fixtureCells(false));
}

void WorkbookTest::excel5Workbook() {
    // Excel 5: labels in the code page, RK, MULRK, a formula's number and a formula's text.
    const WorkbookCells got = ReadWorkbookFile(data("calc_table_biff5.xls").toStdString());
    QVERIFY(got == fixtureCells(true));
}

void WorkbookTest::cellConversions() {
    QCOMPARE(CellAsText(CellValue::ofNumber(4000.0)), QStringLiteral("4000"));
    QCOMPARE(CellAsText(CellValue::ofNumber(0.5)), QStringLiteral("0.5"));
    QCOMPARE(CellAsText(CellValue::ofNumber(double(0.1f))), QStringLiteral("0.100000001490116"));
    QCOMPARE(CellAsText(CellValue::ofNumber(1e20)), QStringLiteral("1E20"));
    QCOMPARE(CellAsText(CellValue{}), QString());
    QCOMPARE(CellAsNumber(CellValue{}), 0.0);
    QCOMPARE(CellAsNumber(CellValue::ofText(" 12.5 ")), 12.5);
    QVERIFY_THROWS_EXCEPTION(ConvertError, CellAsNumber(CellValue::ofText("12,5 l")));
    QVERIFY_THROWS_EXCEPTION(ConvertError, CellAsNumber(CellValue::ofText("")));
    QCOMPARE(CellName(4, 2), QStringLiteral("B4"));
    QCOMPARE(CellName(9, 27), QStringLiteral("AA9"));
}

void WorkbookTest::textWorkbook() {
    // CR LF and LF rows, blank rows counted, trailing tabs, an empty field in the middle.
    const WorkbookCells c = ParseTextWorkbook("Pointer\t10\r\nVersion\t10\t\t\r\n\r\nStep\t\t0.5\n\nx\n");
    WorkbookCells want;
    want[{1, 1}] = CellValue::ofText("Pointer");
    want[{1, 2}] = CellValue::ofNumber(10);
    want[{2, 1}] = CellValue::ofText("Version");
    want[{2, 2}] = CellValue::ofNumber(10);
    want[{4, 1}] = CellValue::ofText("Step");
    want[{4, 3}] = CellValue::ofNumber(0.5);
    want[{6, 1}] = CellValue::ofText("x");
    QVERIFY(c == want);
    // A lone CR ends a row too; no break at the end is needed.
    QVERIFY(ParseTextWorkbook("a\rb") == (WorkbookCells{{{1, 1}, CellValue::ofText("a")}, {{2, 1}, CellValue::ofText("b")}}));
}

void WorkbookTest::textWorkbookQuotesAndEncodings() {
    const WorkbookCells c = ParseTextWorkbook("\"a\tb\"\t\"say \"\"hi\"\"\"\t\"two\r\nlines\"\t\"12\"x\t\"\"\tq\"q\n\"4000\"");
    QCOMPARE(QString::fromStdString(c.at({1, 1}).text), QStringLiteral("a\tb"));
    QCOMPARE(QString::fromStdString(c.at({1, 2}).text), QStringLiteral("say \"hi\""));
    QCOMPARE(QString::fromStdString(c.at({1, 3}).text), QStringLiteral("two\r\nlines"));
    QCOMPARE(QString::fromStdString(c.at({1, 4}).text), QStringLiteral("12x"));
    QVERIFY(!c.count({1, 5}));  // "" is an empty cell
    QCOMPARE(QString::fromStdString(c.at({1, 6}).text), QStringLiteral("q\"q"));
    QVERIFY(c.at({2, 1}) == CellValue::ofNumber(4000));
    // A BOM is skipped; bytes that are not UTF-8 are Windows-1251.
    QVERIFY(ParseTextWorkbook("\xEF\xBB\xBF" "7") == (WorkbookCells{{{1, 1}, CellValue::ofNumber(7)}}));
    QCOMPARE(QString::fromStdString(ParseTextWorkbook("\xD3\xF0\xEE\xE2\xE5\xED\xFC").at({1, 1}).text),
             QStringLiteral("Уровень"));
}

void WorkbookTest::badFiles_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("message");
    QTest::newRow("missing") << "missing" << "the file does not exist";
    QTest::newRow("empty xls") << "empty.xls" << "the file is empty";
    QTest::newRow("empty txt") << "empty.txt" << "the file is empty";
    QTest::newRow("xlsx named xls") << "xlsx" << "it is an Excel 2007 or later workbook (.xlsx)";
    QTest::newRow("text named xls") << "text.xls" << "it is not an Excel 97-2003 workbook (.xls)";
    QTest::newRow("password") << "password" << "the workbook is protected by a password";
    QTest::newRow("truncated to the header") << "cut 512" << "damaged or truncated";
    QTest::newRow("truncated in half") << "cut half" << "damaged or truncated";
    QTest::newRow("last sector missing") << "cut end" << "damaged or truncated";
    QTest::newRow("folder") << "folder" << "it is a folder";
}

void WorkbookTest::badFiles() {
    QFETCH(QString, kind);
    QFETCH(QString, message);
    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("t.xls"));
    auto writeBytes = [&](const QByteArray& b) {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(b);
    };
    if (kind == QLatin1String("missing")) {
        path = dir.filePath(QStringLiteral("none.xls"));
    } else if (kind.startsWith(QLatin1String("empty"))) {
        path = dir.filePath(kind);
        writeBytes({});
    } else if (kind == QLatin1String("xlsx")) {
        path = data("calc_table_xlsx.xls");
    } else if (kind == QLatin1String("text.xls")) {
        writeBytes("Pointer\t10\r\n");
    } else if (kind == QLatin1String("password")) {
        path = data("calc_password.xls");
    } else if (kind == QLatin1String("folder")) {
        path = dir.path();
    } else {
        WorkbookCells c;
        for (int r = 1; r <= 2000; ++r) c[{r, 1}] = CellValue::ofNumber(r * 0.25);
        WriteXlsFile(path.toStdString(), c);
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray whole = f.readAll();
        f.close();
        const int keep = kind == QLatin1String("cut 512") ? 512 : kind == QLatin1String("cut half") ? whole.size() / 2 : whole.size() - 512;
        writeBytes(whole.left(keep));
    }
    const int before = openFiles();
    try {
        ReadWorkbookFile(path.toStdString());
        QFAIL("read a bad file");
    } catch (const WorkbookError& e) {
        const QString what = QString::fromUtf8(e.what());
        QVERIFY2(what.startsWith(QStringLiteral("Cannot open \"") + path + QStringLiteral("\": ")), qPrintable(what));
        QVERIFY2(what.contains(message), qPrintable(what));
    }
    QCOMPARE(openFiles(), before);
}

void WorkbookTest::saveFailureLeavesNoFile() {
    QTemporaryDir dir;
    WorkbookCells c{{{1, 1}, CellValue::ofNumber(1)}};
    const QString missing = dir.filePath(QStringLiteral("no/such/folder/t.xls"));
    const int before = openFiles();
    QVERIFY_THROWS_EXCEPTION(WorkbookError, WriteXlsFile(missing.toStdString(), c));
    QCOMPARE(openFiles(), before);
    QVERIFY(!QFile::exists(missing));
    // Saving over a workbook replaces it, and no temporary file stays beside it.
    const QString path = dir.filePath(QStringLiteral("t.xls"));
    WriteXlsFile(path.toStdString(), c);
    c[{1, 1}] = CellValue::ofNumber(2);
    WriteXlsFile(path.toStdString(), c);
    QVERIFY(ReadWorkbookFile(path.toStdString()) == c);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("t.xls")});
    QCOMPARE(openFiles(), before);
    // A cell the format cannot hold.
    QVERIFY_THROWS_EXCEPTION(WorkbookError, WriteXlsFile(path.toStdString(), {{{MaxSheetRows + 1, 1}, CellValue::ofNumber(1)}}));
}

void WorkbookTest::applicationCalls() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("a.xls"));
    RealWorkbooks server;
    auto app = server.create();
    app->setVisible(true);
    QVERIFY_THROWS_EXCEPTION(WorkbookError, app->cellText(1, 1));  // nothing open yet
    app->add();
    QVERIFY_THROWS_EXCEPTION(WorkbookError, app->setCellText(1, 1, QStringLiteral("x")));  // no sheet active
    QVERIFY_THROWS_EXCEPTION(WorkbookError, app->activateSheet(2));
    app->activateSheet(1);
    app->setCellText(1, 1, QStringLiteral("Points"));
    app->setCellInteger(4, 2, 4000);
    app->setCellFloat(3, 2, 0.1f);
    QVERIFY_THROWS_EXCEPTION(WorkbookError, app->setCellFloat(0, 1, 1));
    app->saveAs(path);
    app->close();
    QVERIFY_THROWS_EXCEPTION(WorkbookError, app->cellText(1, 1));
    // A failed open keeps nothing of the file and the application goes on.
    QVERIFY_THROWS_EXCEPTION(WorkbookError, app->open(dir.filePath(QStringLiteral("none.xls"))));
    app->open(path);
    app->activateSheet(1);
    QCOMPARE(app->cellText(1, 1), QStringLiteral("Points"));
    QCOMPARE(app->cellText(4, 2), QStringLiteral("4000"));
    QCOMPARE(app->cellNumber(3, 2), double(0.1f));
    QCOMPARE(app->cellNumber(100, 100), 0.0);
    QVERIFY_THROWS_EXCEPTION(ConvertError, app->cellNumber(1, 1));
    app->quit();
    QVERIFY_THROWS_EXCEPTION(WorkbookError, app->open(path));
}

QTEST_GUILESS_MAIN(WorkbookTest)
#include "tst_workbook.moc"
