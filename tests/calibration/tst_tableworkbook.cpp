// The calibration table's workbook import and export: the calls in their order, the cells, the
// point counts, the resampling, text files, cell kinds, bad files and refused tables.
#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>
#include <cmath>
#include <cstring>

#include "calibration/tableworkbook.h"
#include "common/numtext.h"
#include "sim/testenv.h"
#include "tests/platform/xlrdsheet.h"

namespace {

QString data(const char* name) { return QStringLiteral(TANKCFG_TEST_DATA "/") + QLatin1String(name); }

double curve(double h) { return 3 * h + 0.002 * h * h + 50 * std::sin(h / 300); }

// Levels from `first` by `spacing`, volumes on the curve.
TCalTable curveTable(int count, double spacing = 0.5, double first = 0.5, uint8_t mode = 1) {
    TCalTable t{};
    t.Count = uint16_t(count);
    t.Mode = mode;
    t.Step = float(spacing);
    for (int i = 1; i <= count; ++i) {
        const double h = first + (i - 1) * spacing;
        t.Points[i] = {float(curve(h)), float(h)};
    }
    return t;
}

// A table that shows when anything of it changed: every point, the origin point included.
TCalTable marked() {
    TCalTable t{};
    t.Count = 7;
    t.Mode = 1;
    t.Step = 7;
    t.Crc = 0x1234;
    for (int i = 0; i <= MaxCalPoints; ++i) t.Points[i] = {float(-i), float(-2 * i)};
    t.Points[0] = {0, 0};
    return t;
}

bool same(const TCalTable& a, const TCalTable& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// The workbook layout, as another program would hold it.
WorkbookCells layout(const QVariant& b3, const QVariant& b4, const QVariant& b5, const QVariant& b6, int points,
                     double spacing = 0.5) {
    auto cell = [](const QVariant& v) {
        if (!v.isValid()) return CellValue{};
        return v.typeId() == QMetaType::QString ? CellValue::ofText(v.toString().toStdString())
                                                : CellValue::ofNumber(v.toDouble());
    };
    WorkbookCells c;
    c[{3, 2}] = cell(b3);
    c[{4, 2}] = cell(b4);
    c[{5, 2}] = cell(b5);
    c[{6, 2}] = cell(b6);
    c[{7, 2}] = CellValue::ofNumber(1);
    for (int i = 1; i <= points; ++i) {
        c[{9 + i, 1}] = CellValue::ofNumber(i * spacing);
        c[{9 + i, 2}] = CellValue::ofNumber(float(curve(i * spacing)));
    }
    return c;
}

std::optional<TableImport> import(SimEnv& env, const QString& file, const TCalTable& current, bool interpolate = true) {
    auto app = env.workbooks.create();
    return ImportCalTable(*app, file, current, {interpolate, {}});
}

// The message of the error an import ends with; empty when it ends without one.
QString importError(SimEnv& env, const QString& file, const TCalTable& current) {
    try {
        import(env, file, current);
    } catch (const AppError& e) {
        return QString::fromUtf8(e.what());
    }
    return {};
}

}  // namespace

class TableWorkbookTest : public QObject {
    Q_OBJECT
private slots:
    void exportWritesTheCellsInOrder();
    void importReadsInOrder();
    void roundTripIsBitIdentical();
    void pointCounts_data();
    void pointCounts();
    void resamplesShortLevelTables();
    void volumeToLevelTableKeepsItsMode();
    void fullOrUnticked();
    void textFileGivesTheSameTable();
    void cellKinds();
    void badFilesChangeNothing_data();
    void badFilesChangeNothing();
    void refusesTablesThatCannotBeInterpolated_data();
    void refusesTablesThatCannotBeInterpolated();
    void failureMidwayClosesAndQuits();
    void layoutCheckComesFirst();
    void workbookSavedByCalc();
    void exportClampsTheCount();
};

void TableWorkbookTest::exportWritesTheCellsInOrder() {
    SimEnv env;
    TCalTable t = curveTable(2);
    t.Mode = 0;
    t.Step = 0.5f;
    ExportCalTable(*env.workbooks.create(), QStringLiteral("data/t.xls"), t);
    const QStringList want = {
        QStringLiteral("create"),
        QStringLiteral("visible 1"),
        QStringLiteral("add"),
        QStringLiteral("activate 1"),
        QStringLiteral("write A1 text Pointer"),
        QStringLiteral("write B1 text 10"),
        QStringLiteral("write A2 text Version"),
        QStringLiteral("write B2 text 10"),
        QStringLiteral("write A3 text Step"),
        QStringLiteral("write B3 float 0.5"),
        QStringLiteral("write A4 text Points"),
        QStringLiteral("write B4 integer 2"),
        QStringLiteral("write A5 text 1- l/mm 0 - mm/l"),
        QStringLiteral("write B5 text 0"),
        QStringLiteral("write A6 text Max level"),
        QStringLiteral("write B6 float 1"),
        QStringLiteral("write A7 text Max Volume"),
        QStringLiteral("write B7 float ") + QString::fromStdString(FormatGeneral(t.Points[2].Value)),
        QStringLiteral("write A10 float 0.5"),
        QStringLiteral("write B10 float ") + QString::fromStdString(FormatGeneral(t.Points[1].Value)),
        QStringLiteral("write A11 float 1"),
        QStringLiteral("write B11 float ") + QString::fromStdString(FormatGeneral(t.Points[2].Value)),
        QStringLiteral("saveas data/t.xls"),
        QStringLiteral("close"),
        QStringLiteral("quit"),
        QStringLiteral("release")};
    QCOMPARE(env.workbooks.calls, want);
    // Level-to-volume writes "1"; rows 8 and 9 stay empty.
    t.Mode = 1;
    ExportCalTable(*env.workbooks.create(), QStringLiteral("u.xls"), t);
    const WorkbookCells& c = env.workbooks.files.at(QStringLiteral("u.xls"));
    QVERIFY(c.at({5, 2}) == CellValue::ofText("1"));
    QVERIFY(!c.count({8, 1}) && !c.count({9, 2}));
}

void TableWorkbookTest::importReadsInOrder() {
    SimEnv env;
    env.workbooks.files[QStringLiteral("t.xls")] = layout(QStringLiteral("0.5"), 11, QStringLiteral("1"), 5.5, 11);
    const auto r = import(env, QStringLiteral("t.xls"), marked(), false);
    QVERIFY(r);
    QStringList want = {QStringLiteral("create"),     QStringLiteral("visible 0"), QStringLiteral("open t.xls"),
                        QStringLiteral("activate 1"), QStringLiteral("text B4"),   QStringLiteral("text B5"),
                        QStringLiteral("number B6"),  QStringLiteral("number B7"), QStringLiteral("text B3")};
    for (int i = 1; i <= 11; ++i)
        want << QStringLiteral("number A%1").arg(9 + i) << QStringLiteral("number B%1").arg(9 + i);
    want << QStringLiteral("close") << QStringLiteral("quit") << QStringLiteral("release");
    QCOMPARE(env.workbooks.calls, want);
    QCOMPARE(r->fileStep, QStringLiteral("0.5"));
}

void TableWorkbookTest::roundTripIsBitIdentical() {
    SimEnv env;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("t.xls"));
    TCalTable t = marked();
    t.Count = 4000;
    t.Mode = 1;
    t.Step = 0.1f;
    for (int i = 1; i <= 4000; ++i) t.Points[i] = {float(curve(i * 0.1) / 3.0), float(i * 0.1)};  // no short forms
    RealWorkbooks real;
    ExportCalTable(*real.create(), path, t);

    {  // The whole sheet, as xlrd reads it.
        const XlrdSheet x(path);
        QVERIFY2(x.ok, qPrintable(x.error));
        QCOMPARE(x.others, 0);
        const char* a[] = {"Pointer", "Version", "Step", "Points", "1- l/mm 0 - mm/l", "Max level", "Max Volume"};
        for (int r = 1; r <= 7; ++r) {
            QVERIFY(x.cells.at({r, 1}) == CellValue::ofText(a[r - 1]));
        }
        const double b[] = {0, 0, double(0.1f), 4000, 0, double(t.Points[4000].Arg), double(t.Points[4000].Value)};
        for (int r = 1; r <= 7; ++r) {
            const CellValue& v = x.cells.at({r, 2});
            if (r == 1 || r == 2 || r == 5) {
                QVERIFY(v == CellValue::ofText(r == 5 ? "1" : "10"));
            } else {
                QCOMPARE(v.kind, CellValue::Number);
                QVERIFY(std::memcmp(&v.number, &b[r - 1], 8) == 0);
            }
        }
        for (int i = 1; i <= 4000; ++i) {
            const CellValue& level = x.cells.at({9 + i, 1});
            const CellValue& volume = x.cells.at({9 + i, 2});
            QCOMPARE(level.kind, CellValue::Number);
            QCOMPARE(volume.kind, CellValue::Number);
            const double want[] = {double(t.Points[i].Arg), double(t.Points[i].Value)};
            QVERIFY(std::memcmp(&level.number, &want[0], 8) == 0 && std::memcmp(&volume.number, &want[1], 8) == 0);
        }
        QCOMPARE(x.cells.size(), size_t(14 + 8000));
    }

    const auto r = import(env, path, marked());
    QVERIFY(r);
    QVERIFY(!r->resampled);
    QCOMPARE(r->table.Count, uint16_t(4000));
    QCOMPARE(r->table.Mode, uint8_t(1));
    QVERIFY(std::memcmp(&r->table.Points[1], &t.Points[1], 4000 * sizeof(TCalPoint)) == 0);
    QCOMPARE(r->fileStep, QStringLiteral("0.100000001490116"));
    QCOMPARE(r->table.Step, t.Points[2].Arg - t.Points[1].Arg);
    QVERIFY(r->table.Points[0].Value == 0 && r->table.Points[0].Arg == 0);
    QCOMPARE(r->table.Crc, uint16_t(0x1234));
}

void TableWorkbookTest::pointCounts_data() {
    QTest::addColumn<int>("count");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("10") << 10 << false;
    QTest::newRow("11") << 11 << true;
    QTest::newRow("4000") << 4000 << true;
    QTest::newRow("4001") << 4001 << false;
    QTest::newRow("0") << 0 << false;
    QTest::newRow("-11") << -11 << false;
}

void TableWorkbookTest::pointCounts() {
    QFETCH(int, count);
    QFETCH(bool, accepted);
    SimEnv env;
    if (!accepted) env.prompts.queue(PromptAnswer::ok());
    env.workbooks.files[QStringLiteral("t.xls")] = layout(1, count, QStringLiteral("1"), 2000, std::max(count, 0));
    const auto r = import(env, QStringLiteral("t.xls"), marked());
    QCOMPARE(bool(r), accepted);
    if (accepted) {
        QVERIFY(env.prompts.shown.isEmpty());
        QCOMPARE(r->table.Count, uint16_t(4000));
        return;
    }
    QCOMPARE(env.prompts.shown.size(), 1);
    QCOMPARE(env.prompts.shown[0].caption, QStringLiteral("Error"));
    QCOMPARE(env.prompts.shown[0].text, QStringLiteral("Error : Number of points must between 10 and 4000 !"));
    QCOMPARE(env.prompts.shown[0].buttons, int(MbOk));
    // Closed and ended before the box, and nothing more read.
    QCOMPARE(env.workbooks.calls.mid(4), (QStringList{QStringLiteral("text B4"), QStringLiteral("close"),
                                                      QStringLiteral("quit"), QStringLiteral("release")}));
}

void TableWorkbookTest::resamplesShortLevelTables() {
    SimEnv env;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("t.xls"));
    TCalTable t = curveTable(3999);  // levels 0.5 .. 1999.5
    RealWorkbooks real;
    ExportCalTable(*real.create(), path, t);
    // B6 says 2000: the resampled table reaches that level.
    env.workbooks.files[path] = ReadWorkbookFile(path.toStdString());
    env.workbooks.files[path][{6, 2}] = CellValue::ofNumber(2000);
    const TCalTable current = marked();
    const auto r = import(env, path, current);
    QVERIFY(r);
    QVERIFY(r->resampled);
    const TCalTable& n = r->table;
    QCOMPARE(n.Count, uint16_t(4000));
    QCOMPARE(n.Mode, uint8_t(1));
    QVERIFY(n.Points[0].Arg == 0 && n.Points[0].Value == 0);
    QCOMPARE(n.Points[4000].Arg, 2000.0f);
    QCOMPARE(n.Step, 0.5f);
    QCOMPARE(r->step, QStringLiteral("0.5"));
    // The source: the points as read, Count n, the origin point as it was.
    QCOMPARE(r->source.Count, uint16_t(3999));
    QVERIFY(std::memcmp(&r->source.Points[1], &t.Points[1], 3999 * sizeof(TCalPoint)) == 0);
    QVERIFY(std::memcmp(&r->source.Points[0], &current.Points[0], sizeof(TCalPoint)) == 0);
    double worst = 0;
    for (int i = 1; i <= 4000; ++i) {
        const double x = i * 0.5;
        QCOMPARE(n.Points[i].Arg, float(x));
        QCOMPARE(n.Points[i].Value, float(LagrangeInterpolate(x, r->source)));
        if (i < 4000) worst = std::max(worst, std::fabs(n.Points[i].Value - curve(x)));
    }
    // Between the points read the polynomial error is far below the singles' rounding (half a
    // unit, 0.0005 near 14000), so that rounding is all there is.
    QVERIFY2(worst < 2e-3, qPrintable(QString::number(worst)));
    // Level 2000 lies one spacing past the last point: the extrapolation weighs the six points'
    // rounding by up to 63 (1 + 6 + 15 + 20 + 15 + 6).
    QVERIFY(std::fabs(n.Points[4000].Value - curve(2000)) < 63 * 0.0005 + 2e-3);
    // The caller's table is its own: only the result holds the new one.
    QVERIFY(same(current, marked()));
}

void TableWorkbookTest::volumeToLevelTableKeepsItsMode() {
    SimEnv env;
    env.workbooks.files[QStringLiteral("v.xls")] = layout(1, 3999, QStringLiteral("0"), 2000, 3999);
    const auto r = import(env, QStringLiteral("v.xls"), marked(), true);
    QVERIFY(r);
    QVERIFY(!r->resampled);
    QCOMPARE(r->table.Count, uint16_t(3999));
    QCOMPARE(r->table.Mode, uint8_t(0));
    QCOMPARE(r->table.Points[3999].Arg, float(3999 * 0.5));
    // Written back as a volume-to-level table.
    ExportCalTable(*env.workbooks.create(), QStringLiteral("w.xls"), r->table);
    QVERIFY(env.workbooks.files[QStringLiteral("w.xls")].at({5, 2}) == CellValue::ofText("0"));
}

void TableWorkbookTest::fullOrUnticked() {
    SimEnv env;
    env.workbooks.files[QStringLiteral("s.xls")] = layout(1, 3999, QStringLiteral("1"), 2000, 3999);
    auto r = import(env, QStringLiteral("s.xls"), marked(), false);
    QVERIFY(r && !r->resampled);
    QCOMPARE(r->table.Count, uint16_t(3999));
    QVERIFY(same(r->source, TCalTable{}));
    // The points past the file's count and the origin carry over from the working table.
    QCOMPARE(r->table.Points[4000].Arg, -8000.0f);
    env.workbooks.files[QStringLiteral("f.xls")] = layout(1, 4000, QStringLiteral("1"), 2000, 4000);
    r = import(env, QStringLiteral("f.xls"), marked(), true);
    QVERIFY(r && !r->resampled);
}

void TableWorkbookTest::textFileGivesTheSameTable() {
    SimEnv env;
    QTemporaryDir dir;
    const TCalTable t = curveTable(11, 1.5, 1.5);
    const QString xls = dir.filePath(QStringLiteral("t.xls"));
    RealWorkbooks real;
    ExportCalTable(*real.create(), xls, t);
    // The same cells as a text file: CR LF, the blank rows 8 and 9, trailing tabs, a quoted mode.
    QByteArray text = "Pointer\t10\t\r\nVersion\t10\r\nStep\t1.5\t\t\r\nPoints\t11\r\n1- l/mm 0 - mm/l\t\"1\"\r\n";
    text += "Max level\t" + QByteArray::fromStdString(FormatGeneral(t.Points[11].Arg)) + "\r\n";
    text += "Max Volume\t" + QByteArray::fromStdString(FormatGeneral(t.Points[11].Value)) + "\r\n\r\n\t\r\n";
    for (int i = 1; i <= 11; ++i)
        text += QByteArray::fromStdString(FormatGeneral(t.Points[i].Arg)) + '\t' +
                QByteArray::fromStdString(FormatGeneral(t.Points[i].Value)) + "\t\r\n";
    const QString txt = dir.filePath(QStringLiteral("t.txt"));
    QFile f(txt);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(text);
    f.close();
    const auto a = import(env, xls, marked());
    const auto b = import(env, txt, marked());
    QVERIFY(a && b);
    QVERIFY(a->resampled && b->resampled);
    QVERIFY(same(a->table, b->table));
    QVERIFY(same(a->source, b->source));
    QCOMPARE(a->fileStep, b->fileStep);
    QCOMPARE(a->step, b->step);
}

void TableWorkbookTest::cellKinds() {
    SimEnv env;
    // Numbers where texts are read and texts where numbers are read.
    env.workbooks.files[QStringLiteral("n.xls")] = layout(0.5, 11.0, 1.0, QStringLiteral("5.5"), 11);
    env.workbooks.files[QStringLiteral("t.xls")] =
        layout(QStringLiteral("0.5"), QStringLiteral(" 11"), QStringLiteral("1"), 5.5, 11);
    env.workbooks.files[QStringLiteral("t.xls")][{12, 2}] = CellValue::ofText(std::to_string(float(curve(1.5))));
    const auto a = import(env, QStringLiteral("n.xls"), marked(), false);
    const auto b = import(env, QStringLiteral("t.xls"), marked(), false);
    QVERIFY(a && b);
    QCOMPARE(a->fileStep, QStringLiteral("0.5"));
    QCOMPARE(a->table.Mode, uint8_t(1));
    QVERIFY(same(a->table, b->table));
    // B5 as the number 0 reads "0".
    env.workbooks.files[QStringLiteral("z.xls")] = layout(0.5, 11, 0.0, 5.5, 11);
    QCOMPARE(import(env, QStringLiteral("z.xls"), marked())->table.Mode, uint8_t(0));
    // An empty point cell reads 0; an empty mode is "not 0".
    env.workbooks.files[QStringLiteral("e.xls")] = layout(0.5, 11, QVariant(), 5.5, 11);
    env.workbooks.files[QStringLiteral("e.xls")].erase({15, 2});
    const auto e = import(env, QStringLiteral("e.xls"), marked(), false);
    QVERIFY(e);
    QCOMPARE(e->table.Points[6].Value, 0.0f);
    QCOMPARE(e->table.Mode, uint8_t(1));
    // A count that is not an integer, and a point that is not a number.
    env.workbooks.files[QStringLiteral("c.xls")] = layout(0.5, 11.5, QStringLiteral("1"), 5.5, 11);
    QCOMPARE(importError(env, QStringLiteral("c.xls"), marked()),
             QStringLiteral("'11.5' is not a valid integer value"));
    env.workbooks.files[QStringLiteral("p.xls")] = layout(0.5, 11, QStringLiteral("1"), 5.5, 11);
    env.workbooks.files[QStringLiteral("p.xls")][{13, 1}] = CellValue::ofText("1,5 mm");
    QCOMPARE(importError(env, QStringLiteral("p.xls"), marked()),
             QStringLiteral("'1,5 mm' is not a valid floating point value"));
    QCOMPARE(env.workbooks.calls.mid(env.workbooks.calls.size() - 3),
             (QStringList{QStringLiteral("close"), QStringLiteral("quit"), QStringLiteral("release")}));
    // A number beyond a single's range does not become infinity.
    env.workbooks.files[QStringLiteral("o.xls")] = layout(0.5, 11, QStringLiteral("1"), 5.5, 11);
    env.workbooks.files[QStringLiteral("o.xls")][{13, 2}] = CellValue::ofNumber(1e300);
    QCOMPARE(importError(env, QStringLiteral("o.xls"), marked()), QStringLiteral("Floating point overflow"));
}

void TableWorkbookTest::badFilesChangeNothing_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("message");
    QTest::newRow("missing") << "none.xls"
                             << "the file does not exist";
    QTest::newRow("empty") << "empty.xls"
                           << "the file is empty";
    QTest::newRow("xlsx") << data("calc_table_xlsx.xls") << "it is an Excel 2007 or later workbook (.xlsx)";
    QTest::newRow("password") << data("calc_password.xls") << "the workbook is protected by a password";
    QTest::newRow("truncated") << "cut.xls"
                               << "the file is damaged or truncated";
}

void TableWorkbookTest::badFilesChangeNothing() {
    QFETCH(QString, file);
    QFETCH(QString, message);
    SimEnv env;
    QTemporaryDir dir;
    if (!file.contains(QLatin1Char('/'))) file = dir.filePath(file);
    if (file.endsWith(QLatin1String("empty.xls"))) QFile(file).open(QIODevice::WriteOnly);
    if (file.endsWith(QLatin1String("cut.xls"))) {
        RealWorkbooks real;
        ExportCalTable(*real.create(), file, curveTable(4000));
        QFile::resize(file, QFileInfo(file).size() / 3);
    }
    const QString error = importError(env, file, marked());
    QVERIFY2(error.contains(message), qPrintable(error));
    QCOMPARE(env.workbooks.calls,
             (QStringList{QStringLiteral("create"), QStringLiteral("visible 0"), QStringLiteral("open ") + file,
                          QStringLiteral("close"), QStringLiteral("quit"), QStringLiteral("release")}));
    QCOMPARE(env.workbooks.live, 0);
}

void TableWorkbookTest::refusesTablesThatCannotBeInterpolated_data() {
    QTest::addColumn<double>("maxLevel");
    QTest::addColumn<int>("badRow");
    QTest::addColumn<QString>("message");
    QTest::newRow("max level 0") << 0.0 << 0 << "max level (cell B6) must be above 0";
    QTest::newRow("max level negative") << -5.0 << 0 << "max level (cell B6) must be above 0";
    QTest::newRow("level repeated") << 100.0 << 15 << "the levels must increase from row to row, and row 15 does not";
    QTest::newRow("level below origin") << 100.0 << 10 << "the level in row 10 lies below the origin point's level";
}

void TableWorkbookTest::refusesTablesThatCannotBeInterpolated() {
    QFETCH(double, maxLevel);
    QFETCH(int, badRow);
    QFETCH(QString, message);
    SimEnv env;
    WorkbookCells c = layout(0.5, 20, QStringLiteral("1"), maxLevel, 20);
    if (badRow == 15) c[{15, 1}] = c[{14, 1}];
    if (badRow == 10) c[{10, 1}] = CellValue::ofNumber(-1);
    env.workbooks.files[QStringLiteral("t.xls")] = c;
    const QString error = importError(env, QStringLiteral("t.xls"), marked());
    QVERIFY2(error.startsWith(QStringLiteral("The table cannot be interpolated: ")), qPrintable(error));
    QVERIFY2(error.endsWith(message), qPrintable(error));
    // The same table is taken as it is without the interpolation.
    QVERIFY(import(env, QStringLiteral("t.xls"), marked(), false));
    // A table starting at level 0, on the origin point's level, is fine.
    c = layout(0.5, 20, QStringLiteral("1"), 10, 20);
    c[{10, 1}] = CellValue::ofNumber(0);
    c[{10, 2}] = CellValue::ofNumber(0);
    env.workbooks.files[QStringLiteral("z.xls")] = c;
    QVERIFY(import(env, QStringLiteral("z.xls"), marked()));
}

void TableWorkbookTest::failureMidwayClosesAndQuits() {
    SimEnv env;
    env.workbooks.files[QStringLiteral("t.xls")] = layout(0.5, 11, QStringLiteral("1"), 5.5, 11);
    env.workbooks.fault = [](const QString& call) {
        if (call == QLatin1String("number A15") || call == QLatin1String("close")) throw WorkbookError("server gone");
    };
    QCOMPARE(importError(env, QStringLiteral("t.xls"), marked()), QStringLiteral("server gone"));
    QCOMPARE(env.workbooks.calls.mid(env.workbooks.calls.size() - 4),
             (QStringList{QStringLiteral("number A15"), QStringLiteral("close"), QStringLiteral("quit"),
                          QStringLiteral("release")}));
    // The export, failing on its save, closes and ends the application as well.
    env.workbooks.clear();
    env.workbooks.fault = [](const QString& call) {
        if (call.startsWith(QLatin1String("saveas"))) throw WorkbookError("refused");
    };
    QVERIFY_THROWS_EXCEPTION(WorkbookError,
                             ExportCalTable(*env.workbooks.create(), QStringLiteral("x.xls"), curveTable(11)));
    QCOMPARE(env.workbooks.calls.mid(env.workbooks.calls.size() - 4),
             (QStringList{QStringLiteral("saveas x.xls"), QStringLiteral("close"), QStringLiteral("quit"),
                          QStringLiteral("release")}));
    QVERIFY(!env.workbooks.files.count(QStringLiteral("x.xls")));
}

void TableWorkbookTest::layoutCheckComesFirst() {
    SimEnv env;
    env.workbooks.files[QStringLiteral("t.xls")] = layout(QStringLiteral("abc"), 11, QStringLiteral("0"), 5.5, 11);
    QString seenStep;
    int seenMode = -1;
    TableImportOptions o;
    o.checkLayout = [&](const QString& step, uint8_t mode) {
        seenStep = step;
        seenMode = mode;
        ParseFloat(step.toStdString());
    };
    auto app = env.workbooks.create();
    QVERIFY_THROWS_EXCEPTION(ConvertError, ImportCalTable(*app, QStringLiteral("t.xls"), marked(), o));
    QCOMPARE(seenStep, QStringLiteral("abc"));
    QCOMPARE(seenMode, 0);
    // Refused before any point is read.
    QVERIFY(!env.workbooks.calls.contains(QStringLiteral("number A10")));
    QCOMPARE(env.workbooks.calls.mid(env.workbooks.calls.size() - 2),
             (QStringList{QStringLiteral("close"), QStringLiteral("quit")}));
}

void TableWorkbookTest::workbookSavedByCalc() {
    // Shared strings, RK and MULRK numbers, a formula: the table Calc saved.
    SimEnv env;
    const auto r = import(env, data("calc_table.xls"), marked(), false);
    QVERIFY(r);
    QCOMPARE(r->table.Count, uint16_t(21));
    QCOMPARE(r->fileStep, QStringLiteral("5"));
    for (int i = 1; i <= 21; ++i) {
        const double level = 5.0 * (i - 1);
        QCOMPARE(r->table.Points[i].Arg, float(level));
        QCOMPARE(r->table.Points[i].Value, float(i == 8 ? 3.14159265358979 : level * level / 4));
    }
    QCOMPARE(r->step, QStringLiteral("5"));
    // The Excel 5 one gives the same; resampled over 0..100 it starts at the origin.
    const auto b = import(env, data("calc_table_biff5.xls"), marked(), false);
    QVERIFY(b && same(r->table, b->table));
    const auto s = import(env, data("calc_table.xls"), marked(), true);
    QVERIFY(s && s->resampled);
    QCOMPARE(s->table.Points[4000].Arg, 100.0f);
    QCOMPARE(s->table.Points[4000].Value, 2500.0f);
    QCOMPARE(s->step, QStringLiteral("0.025000000372529"));
}

void TableWorkbookTest::exportClampsTheCount() {
    SimEnv env;
    TCalTable t = curveTable(4000);
    t.Count = 5000;
    ExportCalTable(*env.workbooks.create(), QStringLiteral("t.xls"), t);
    const WorkbookCells& c = env.workbooks.files.at(QStringLiteral("t.xls"));
    QVERIFY(c.at({4, 2}) == CellValue::ofNumber(4000));
    QVERIFY(c.at({6, 2}) == CellValue::ofNumber(t.Points[4000].Arg));
    QVERIFY(c.count({4009, 2}) && !c.count({4010, 1}));
}

TANKCFG_TEST_MAIN(TableWorkbookTest)
#include "tst_tableworkbook.moc"
