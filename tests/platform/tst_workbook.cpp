// Workbook files: what the BIFF8 writer puts out, read back by xlrd and by our reader;
// workbooks other programs wrote; the records of a workbook stream one by one; text workbooks;
// bad and hostile files; the real application object's calls.
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>
#include <cstring>

#include "common/numtext.h"
#include "platform/workbook.h"
#include "platform/xlsread.h"
#include "tests/platform/xlrdsheet.h"

namespace {

QString data(const char* name) { return QStringLiteral(TANKCFG_TEST_DATA "/") + QLatin1String(name); }

int openFiles() {
    return int(QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).size());
}

bool sameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// Equal cells, numbers to the bit.
bool sameCells(const WorkbookCells& a, const WorkbookCells& b) {
    if (a.size() != b.size()) return false;
    for (auto i = a.begin(), j = b.begin(); i != a.end(); ++i, ++j) {
        if (i->first != j->first || i->second.kind != j->second.kind || i->second.text != j->second.text ||
            !sameBits(i->second.number, j->second.number))
            return false;
    }
    return true;
}

// An export as xlrd reads it must hold exactly the cells written.
void checkXlrdReads(const QString& path, const WorkbookCells& want) {
    const XlrdSheet x(path);
    QVERIFY2(x.ok, qPrintable(x.error));
    QCOMPARE(x.others, 0);
    QVERIFY(sameCells(x.cells, want));
}

// Workbook streams record by record, for the reader's cases that no program we have writes.
struct Biff {
    std::string s;
    void u8(unsigned v) { s += char(v & 0xFF); }
    void u16(unsigned v) { u8(v), u8(v >> 8); }
    void u32(uint32_t v) { u16(v & 0xFFFF), u16(v >> 16); }
    void f64(double x) {
        uint64_t b;
        std::memcpy(&b, &x, 8);
        u32(uint32_t(b)), u32(uint32_t(b >> 32));
    }
    void raw(const std::string& b) { s += b; }
    void rec(unsigned type, const std::string& data) {
        u16(type), u16(unsigned(data.size()));
        s += data;
    }
    static std::string le16(unsigned v) { return {char(v & 0xFF), char((v >> 8) & 0xFF)}; }
    static std::string le32(uint32_t v) { return le16(v & 0xFFFF) + le16(v >> 16); }
    static std::string cell(int row, int col) { return le16(unsigned(row - 1)) + le16(unsigned(col - 1)) + le16(15); }
    static std::string bof(unsigned version, unsigned kind) {
        return le16(version) + le16(kind) + std::string(12, '\0');
    }
    // Globals with one worksheet entry (type 0), then the sheet's BOF: the caller adds the
    // sheet's records and its EOF. `globals` goes before the sheet list, `sst` after it.
    static Biff workbook(bool biff8, const std::string& globals = {}, const std::string& sst = {},
                         const std::string& otherSheets = {}) {
        Biff g;
        const unsigned v = biff8 ? 0x0600 : 0x0500;
        g.rec(0x0809, bof(v, 0x0005));
        g.raw(globals);
        g.raw(otherSheets);
        const size_t entry = g.s.size() + 4;
        g.rec(0x0085, le32(0) + std::string("\0\0\x05", 3) + (biff8 ? std::string("\0", 1) : std::string()) + "Sheet");
        g.raw(sst);
        g.rec(0x000A, {});
        const std::string at = le32(uint32_t(g.s.size()));
        g.s.replace(entry, 4, at);
        g.rec(0x0809, bof(v, 0x0010));
        return g;
    }
    WorkbookCells read() {
        rec(0x000A, {});
        return ReadBiffStream(s);
    }
};

// A compound document of 512-byte sectors: 0 the FAT, 1 the directory (the root, then
// "Workbook"), 2 the mini FAT, then the stream: in 64-byte pieces of the root's mini stream
// when it is shorter than 4096 bytes, else in sectors of its own.
struct Compound {
    std::string f;
    static constexpr size_t Fat = 512, Dir = 1024, MiniFat = 1536;
    explicit Compound(const std::string& stream) {
        f.assign(512 + 3 * 512, '\0');
        const std::string magic("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
        f.replace(0, 8, magic);
        put16(0x18, 0x3E), put16(0x1A, 3), put16(0x1C, 0xFFFE), put16(0x1E, 9), put16(0x20, 6);
        put32(0x2C, 1), put32(0x30, 1), put32(0x38, 4096), put32(0x3C, 2), put32(0x40, 1), put32(0x44, 0xFFFFFFFE);
        for (size_t i = 0; i < 109; ++i) put32(0x4C + 4 * i, i == 0 ? 0 : 0xFFFFFFFF);
        for (size_t i = 0; i < 128; ++i) put32(Fat + 4 * i, 0xFFFFFFFF), put32(MiniFat + 4 * i, 0xFFFFFFFF);
        put32(Fat, 0xFFFFFFFD), put32(Fat + 4, 0xFFFFFFFE), put32(Fat + 8, 0xFFFFFFFE);
        entry(0, "Root Entry", 5), entry(1, "Workbook", 2);
        put32(Dir + 0x4C, 1);
        const bool mini = stream.size() < 4096;
        std::string body = stream;
        body.resize((body.size() + 511) / 512 * 512, '\0');
        const uint32_t sectors = uint32_t(body.size() / 512);
        for (uint32_t i = 0; i < sectors; ++i) put32(Fat + 4 * (3 + i), i + 1 < sectors ? 4 + i : 0xFFFFFFFE);
        const uint32_t pieces = uint32_t((stream.size() + 63) / 64);
        if (mini) {
            for (uint32_t i = 0; i < pieces; ++i) put32(MiniFat + 4 * i, i + 1 < pieces ? i + 1 : 0xFFFFFFFE);
            put32(Dir + 0x74, 3), put32(Dir + 0x78, pieces * 64);
            put32(Dir + 128 + 0x74, 0);
        } else {
            put32(Dir + 0x74, 0xFFFFFFFE);
            put32(Dir + 128 + 0x74, 3);
        }
        put32(Dir + 128 + 0x78, uint32_t(stream.size()));
        f += body;
    }
    void put16(size_t at, unsigned v) { f[at] = char(v & 0xFF), f[at + 1] = char(v >> 8); }
    void put32(size_t at, uint32_t v) { put16(at, v & 0xFFFF), put16(at + 2, v >> 16); }
    void entry(size_t e, const char* name, int type) {
        const size_t at = Dir + 128 * e;
        size_t n = 0;
        for (; name[n]; ++n) put16(at + 2 * n, uint8_t(name[n]));
        put16(at + 0x40, unsigned(2 * n + 2));
        f[at + 0x42] = char(type);
        put32(at + 0x44, 0xFFFFFFFF), put32(at + 0x48, 0xFFFFFFFF), put32(at + 0x4C, 0xFFFFFFFF);
    }
};

// What a stream that must be refused is refused with.
QString faultOf(const std::string& stream) {
    try {
        ReadBiffStream(stream);
    } catch (const XlsFault& f) {
        return QString::fromStdString(f.why);
    }
    return QStringLiteral("<read>");
}

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
    void writtenCellsReadByXlrd();
    void sharedStringsSpanRecords();
    void smallWorkbookOpens();
    void workbookSavedByCalc();
    void excel5Workbook();
    void workbooksSavedByGnumeric();
    void overwrittenCellReadsLast();
    void sharedStringsAcrossContinues();
    void cellRecords();
    void excel5Records();
    void damagedStreams_data();
    void damagedStreams();
    void compoundDocuments_data();
    void compoundDocuments();
    void cellConversions();
    void textWorkbook();
    void textWorkbookQuotesAndEncodings();
    void badFiles_data();
    void badFiles();
    void saveFailureLeavesNoFile();
    void applicationCalls();
};

void WorkbookTest::writtenCellsReadByXlrd() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("w.xls"));
    WorkbookCells c;
    c[{1, 1}] = CellValue::ofText("Pointer");
    c[{1, 2}] = CellValue::ofText("10");
    c[{2, 1}] = CellValue::ofText("Pointer");       // a shared string used twice
    c[{2, 2}] = CellValue::ofText("Уровень");       // not Latin-1: stored as UTF-16
    c[{3, 2}] = CellValue::ofNumber(double(0.1f));  // would lose bits as a compact RK value
    c[{4, 2}] = CellValue::ofNumber(4000);
    c[{5, 3}] = CellValue::ofNumber(-1.5e-30);
    c[{9, 1}] = CellValue::ofNumber(double(3.4e38f));
    c[{4009, 2}] = CellValue::ofNumber(12345.678);
    WriteXlsFile(path.toStdString(), c);

    const XlrdSheet x(path);
    QVERIFY2(x.ok, qPrintable(x.error));
    QCOMPARE(x.rows, 4009);
    QCOMPARE(x.cols, 3);
    QCOMPARE(x.strings, 3);
    QCOMPARE(x.others, 0);
    QVERIFY(sameCells(x.cells, c));
    QVERIFY(sameCells(ReadWorkbookFile(path.toStdString()), c));
}

void WorkbookTest::sharedStringsSpanRecords() {
    // Enough strings for several CONTINUE records, and long ones that break across several.
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
    checkXlrdReads(path, c);
    QVERIFY(ReadWorkbookFile(path.toStdString()) == c);
}

void WorkbookTest::smallWorkbookOpens() {
    // A stream below the compound document's small-stream limit is padded past it.
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("one.xls"));
    WorkbookCells c;
    c[{1, 1}] = CellValue::ofNumber(1);
    WriteXlsFile(path.toStdString(), c);
    checkXlrdReads(path, c);
    QVERIFY(sameCells(ReadWorkbookFile(path.toStdString()), c));
    WorkbookCells none;
    WriteXlsFile(path.toStdString(), none);
    checkXlrdReads(path, none);
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

void WorkbookTest::workbooksSavedByGnumeric() {
    // Calc's table saved again by gnumeric: as Excel 97 (its own records, a second sheet), and as
    // Excel 95, a file that xlrd refuses.
    for (const char* name : {"gnumeric_table.xls", "gnumeric_table_biff5.xls"}) {
        const WorkbookCells got = ReadWorkbookFile(data(name).toStdString());
        QVERIFY2(sameCells(got, fixtureCells(false)), name);
    }
}

void WorkbookTest::overwrittenCellReadsLast() {
    // xlwt keeps the overwritten text in its shared strings, counted but used by no cell.
    const WorkbookCells got = ReadWorkbookFile(data("xlwt_overwritten.xls").toStdString());
    QVERIFY(sameCells(got, fixtureCells(false)));
}

void WorkbookTest::sharedStringsAcrossContinues() {
    Biff sst;
    sst.u32(9), sst.u32(6);
    // 1: "abcdef" begun as bytes, on in two bytes a character, then bytes again.
    sst.u16(6), sst.u8(0), sst.raw("ab");
    Biff c1;
    c1.u8(1), c1.u16(u'Ж'), c1.u16(u'd');
    Biff c2;
    c2.u8(0), c2.raw("ef");
    // 2: rich text: two formatting runs, split over the next record, then 3: phonetic data.
    c2.u16(3), c2.u8(0x08), c2.u16(2), c2.raw("xyz"), c2.u32(0x00010000);
    Biff c3;
    c3.u32(0x00020001);
    c3.u16(2), c3.u8(0x04), c3.u32(5), c3.raw("pq"), c3.raw("\1\2\3");
    Biff c4;
    c4.raw("\4\5");
    // 4: a string whose header ends its record: its characters come after an option byte.
    c4.u16(2), c4.u8(1);
    Biff c5;
    c5.u8(1), c5.u16(u'Ω'), c5.u16(u'!');
    // 5: an empty string; 6: a string that starts a record, with no option byte before it.
    c5.u16(0), c5.u8(0);
    Biff c6;
    c6.u16(3), c6.u8(0), c6.raw("end");
    Biff globals;
    globals.rec(0x00FC, sst.s);
    for (const Biff* c : {&c1, &c2, &c3, &c4, &c5, &c6}) globals.rec(0x003C, c->s);
    Biff b = Biff::workbook(true, {}, globals.s);
    for (int i = 0; i < 6; ++i) b.rec(0x00FD, Biff::cell(i + 1, 1) + Biff::le32(uint32_t(i)));
    const WorkbookCells got = b.read();
    WorkbookCells want;
    want[{1, 1}] = CellValue::ofText("abЖdef");
    want[{2, 1}] = CellValue::ofText("xyz");
    want[{3, 1}] = CellValue::ofText("pq");
    want[{4, 1}] = CellValue::ofText("Ω!");
    want[{6, 1}] = CellValue::ofText("end");  // an empty text is an empty cell
    QVERIFY(got == want);
}

void WorkbookTest::cellRecords() {
    Biff sst;
    sst.u32(1), sst.u32(1), sst.u16(4), sst.u8(0), sst.raw("text");
    Biff g;
    g.rec(0x00FC, sst.s);
    // A chart sheet comes first in the list: the first worksheet is read.
    Biff chartEntry;
    chartEntry.rec(0x0085, Biff::le32(0) + std::string("\0\2\5\0", 4) + "Chart");
    Biff b = Biff::workbook(true, {}, g.s, chartEntry.s);
    b.rec(0x0200, Biff::le32(0) + Biff::le32(65536) + Biff::le16(0) + Biff::le16(256) + Biff::le16(0));
    Biff n;
    n.raw(Biff::cell(1, 1)), n.f64(-0.1);
    b.rec(0x0203, n.s);
    b.rec(0x027E, Biff::cell(1, 2) + Biff::le32((uint32_t(-12345) << 2) | 2));  // integer
    b.rec(0x027E, Biff::cell(1, 3) + Biff::le32((123456u << 2) | 3));           // integer / 100
    b.rec(0x027E, Biff::cell(1, 4) + Biff::le32(0x3FF40000));                   // 1.25, high bits
    b.rec(0x027E, Biff::cell(1, 5) + Biff::le32(0x405EC000 | 1));               // 123 / 100
    b.rec(0x00BD, Biff::le16(1) + Biff::le16(254) + Biff::le16(15) + Biff::le32(7u << 2 | 2) + Biff::le16(15) +
                      Biff::le32(8u << 2 | 2) + Biff::le16(255));  // the sheet's last two columns
    b.rec(0x0205, Biff::cell(3, 1) + std::string("\1\0", 2));
    b.rec(0x0205, Biff::cell(3, 2) + std::string("\0\0", 2));
    b.rec(0x0205, Biff::cell(3, 3) + std::string("\x07\1", 2));
    b.rec(0x0204, Biff::cell(4, 1) + Biff::le16(2) + std::string("\1", 1) + Biff::le16(u'Я') + Biff::le16(u'z'));
    auto formula = [&](int row, int col, const std::string& result) {
        b.rec(0x0006, Biff::cell(row, col) + result + Biff::le16(0) + Biff::le32(0) + Biff::le16(1) + "\x17");
    };
    Biff v;
    v.f64(2500);
    formula(5, 1, v.s);
    formula(5, 2, std::string("\0\0\0\0\0\0\xFF\xFF", 8));
    // The text result goes on in a CONTINUE record, in two bytes a character there.
    b.rec(0x0207, Biff::le16(5) + std::string("\0", 1) + "mo");
    b.rec(0x003C, std::string("\1", 1) + Biff::le16(u'д') + Biff::le16(u'e') + Biff::le16(u'!'));
    formula(5, 3, std::string("\1\0\1\0\0\0\xFF\xFF", 8));
    formula(5, 4, std::string("\2\0\x2A\0\0\0\xFF\xFF", 8));
    formula(5, 5, std::string("\3\0\0\0\0\0\xFF\xFF", 8));
    // A later record for a cell replaces the earlier one; a blank one empties it.
    b.rec(0x00FD, Biff::cell(6, 1) + Biff::le32(0));
    b.rec(0x027E, Biff::cell(6, 1) + Biff::le32(21u << 2 | 2));
    b.rec(0x00FD, Biff::cell(6, 2) + Biff::le32(0));
    b.rec(0x0201, Biff::cell(6, 2));
    b.rec(0x027E, Biff::cell(6, 3) + Biff::le32(1u << 2 | 2));
    b.rec(0x00BE, Biff::le16(5) + Biff::le16(2) + Biff::le16(15) + Biff::le16(15) + Biff::le16(3));
    // An embedded chart's records are passed over, its cells too.
    b.rec(0x0809, Biff::bof(0x0600, 0x0020));
    b.rec(0x027E, Biff::cell(7, 1) + Biff::le32(1u << 2 | 2));
    b.rec(0x000A, {});
    b.rec(0x00FD, Biff::cell(65536, 1) + Biff::le32(0));
    const WorkbookCells got = b.read();
    WorkbookCells want;
    want[{1, 1}] = CellValue::ofNumber(-0.1);
    want[{1, 2}] = CellValue::ofNumber(-12345);
    want[{1, 3}] = CellValue::ofNumber(1234.56);
    want[{1, 4}] = CellValue::ofNumber(1.25);
    want[{1, 5}] = CellValue::ofNumber(1.23);
    want[{2, 255}] = CellValue::ofNumber(7);
    want[{2, 256}] = CellValue::ofNumber(8);
    want[{3, 1}] = CellValue::ofNumber(1);
    want[{3, 2}] = CellValue::ofNumber(0);
    want[{3, 3}] = CellValue::ofText("#DIV/0!");
    want[{4, 1}] = CellValue::ofText("Яz");
    want[{5, 1}] = CellValue::ofNumber(2500);
    want[{5, 2}] = CellValue::ofText("moдe!");
    want[{5, 3}] = CellValue::ofNumber(1);
    want[{5, 4}] = CellValue::ofText("#N/A");
    want[{6, 1}] = CellValue::ofNumber(21);
    want[{65536, 1}] = CellValue::ofText("text");
    QVERIFY(sameCells(got, want));
}

void WorkbookTest::excel5Records() {
    // Texts are bytes in the workbook's code page: Windows-1251 or, by default, Windows-1252.
    for (const unsigned codePage : {1251u, 1252u}) {
        Biff g;
        if (codePage == 1251) g.rec(0x0042, Biff::le16(1251));
        Biff b = Biff::workbook(false, g.s);
        b.rec(0x0204, Biff::cell(1, 1) + Biff::le16(3) + "\xC4\x80z");
        b.rec(0x0006, Biff::cell(1, 2) + std::string("\0\0\0\0\0\0\xFF\xFF", 8) + Biff::le16(0) + Biff::le32(0) +
                          Biff::le16(1) + "\x17");
        b.rec(0x0207, Biff::le16(2) + "\xE9\x9F");
        const WorkbookCells got = b.read();
        QCOMPARE(QString::fromStdString(got.at({1, 1}).text),
                 codePage == 1251 ? QStringLiteral("ДЂz") : QStringLiteral("Ä€z"));
        QCOMPARE(QString::fromStdString(got.at({1, 2}).text),
                 codePage == 1251 ? QStringLiteral("йџ") : QStringLiteral("éŸ"));
    }
}

void WorkbookTest::damagedStreams_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("message");
    const QString damaged = QString::fromLatin1(XlsDamaged);
    for (const char* k : {"record past the end", "no end of sheet", "fewer strings than counted",
                          "string past its records", "half a character", "string index past the table", "column 256",
                          "multiple cells past column 256", "multiple cells miscounted", "sheet of 65537 rows",
                          "sheet list past the end", "sheet list to no sheet", "text past its record", "short number",
                          "text result past its records", "continued by another record", "four billion strings"})
        QTest::newRow(k) << k << damaged;
    QTest::newRow("no workbook") << "no workbook"
                                 << "the file holds no Excel workbook";
    QTest::newRow("password") << "password"
                              << "the workbook is protected by a password";
    QTest::newRow("no worksheet") << "no worksheet"
                                  << "the workbook has no worksheet";
    QTest::newRow("macro sheet") << "macro sheet"
                                 << "the first worksheet cannot be read";
}

void WorkbookTest::damagedStreams() {
    QFETCH(QString, kind);
    QFETCH(QString, message);
    auto is = [&](const char* k) { return kind == QLatin1String(k); };
    Biff sst;
    sst.u32(2), sst.u32(2), sst.u16(3), sst.u8(0), sst.raw("one"), sst.u16(3), sst.u8(1);
    Biff rest;
    rest.u8(0), rest.raw("two");
    Biff strings;
    strings.rec(0x00FC, sst.s);
    strings.rec(0x003C, rest.s);
    Biff b = Biff::workbook(true, {}, strings.s);
    b.rec(0x00FD, Biff::cell(1, 1) + Biff::le32(1));  // a sound start that each case spoils
    Biff g;
    if (is("record past the end")) {
        b.rec(0x0203, std::string(14, '\0'));
        b.s.resize(b.s.size() - 1);
    } else if (is("no end of sheet")) {
        QCOMPARE(faultOf(b.s), message);
        return;
    } else if (is("fewer strings than counted") || is("four billion strings")) {
        Biff s2;
        s2.u32(3), s2.u32(is("four billion strings") ? 0xFFFFFFFF : 3), s2.u16(1), s2.u8(0), s2.raw("x");
        Biff gl;
        gl.rec(0x00FC, s2.s);
        b = Biff::workbook(true, {}, gl.s);
    } else if (is("string past its records") || is("half a character") || is("continued by another record")) {
        Biff s2;
        s2.u32(1), s2.u32(1), s2.u16(4), s2.u8(is("half a character") ? 1 : 0),
            s2.raw(is("half a character") ? "abc" : "ab");
        Biff gl;
        gl.rec(0x00FC, s2.s);
        gl.rec(is("continued by another record") ? 0x0042 : 0x003C, std::string("\0c", 2));
        b = Biff::workbook(true, {}, gl.s);
    } else if (is("string index past the table")) {
        b.rec(0x00FD, Biff::cell(2, 1) + Biff::le32(2));
    } else if (is("column 256")) {
        b.rec(0x027E, Biff::le16(0) + Biff::le16(256) + Biff::le16(15) + Biff::le32(2));
    } else if (is("multiple cells past column 256")) {
        b.rec(0x00BD, Biff::le16(0) + Biff::le16(255) + Biff::le16(15) + Biff::le32(2) + Biff::le16(15) +
                          Biff::le32(2) + Biff::le16(256));
    } else if (is("multiple cells miscounted")) {
        b.rec(0x00BD, Biff::le16(0) + Biff::le16(0) + Biff::le16(15) + Biff::le32(2) + Biff::le16(15) + Biff::le32(2) +
                          Biff::le16(5));
    } else if (is("sheet of 65537 rows")) {
        b.rec(0x0200, Biff::le32(0) + Biff::le32(65537) + Biff::le16(0) + Biff::le16(2) + Biff::le16(0));
    } else if (is("sheet list past the end") || is("sheet list to no sheet")) {
        const size_t entry = b.s.find(std::string("\x85\0", 2)) + 4;
        b.s.replace(entry, 4, Biff::le32(is("sheet list past the end") ? 0x7FFFFFF0 : 4));
    } else if (is("text past its record")) {
        b.rec(0x0204, Biff::cell(2, 1) + Biff::le16(10) + std::string("\0", 1) + "short");
    } else if (is("short number")) {
        b.rec(0x0203, Biff::cell(2, 1) + "1234567");
    } else if (is("text result past its records")) {
        b.rec(0x0006, Biff::cell(2, 1) + std::string("\0\0\0\0\0\0\xFF\xFF", 8) + std::string(9, '\0'));
        b.rec(0x0207, Biff::le16(9) + std::string("\0", 1) + "abc");
    } else if (is("no workbook")) {
        b.s[0] = '\x08';
    } else if (is("password")) {
        g.rec(0x002F, std::string(54, '\1'));
        b = Biff::workbook(true, g.s);
    } else if (is("no worksheet")) {
        b.s.replace(b.s.find(std::string("\x85\0", 2)) + 9, 1, "\1");  // a chart sheet
    } else if (is("macro sheet")) {
        b = Biff::workbook(true);
        b.s.replace(b.s.size() - 14, 2, Biff::le16(0x0040));
    }
    b.rec(0x000A, {});
    QCOMPARE(faultOf(b.s), message);
}

void WorkbookTest::compoundDocuments_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("message");
    const QString damaged = QString::fromLatin1(XlsDamaged);
    QTest::newRow("small stream") << "small"
                                  << "";
    QTest::newRow("large stream") << "large"
                                  << "";
    QTest::newRow("stream name in another case") << "case"
                                                 << "";
    QTest::newRow("chain that loops") << "fat cycle" << damaged;
    QTest::newRow("chain past the FAT") << "fat past" << damaged;
    QTest::newRow("chain that ends early") << "fat short" << damaged;
    QTest::newRow("more FAT sectors than the file") << "fat count" << damaged;
    QTest::newRow("FAT sector past the end") << "fat sector" << damaged;
    QTest::newRow("mini chain that loops") << "mini cycle" << damaged;
    QTest::newRow("mini piece past the mini stream") << "mini past" << damaged;
    QTest::newRow("stream larger than the file") << "huge" << damaged;
    QTest::newRow("entry index past the directory") << "child past" << damaged;
    QTest::newRow("entries that link in a circle") << "sibling cycle" << damaged;
    QTest::newRow("name longer than its field") << "long name"
                                                << "the file holds no Excel workbook";
    QTest::newRow("workbook only in a storage") << "storage"
                                                << "the file holds no Excel workbook";
    QTest::newRow("no root entry") << "no root" << damaged;
    QTest::newRow("sector size 1024") << "sector size" << damaged;
}

void WorkbookTest::compoundDocuments() {
    QFETCH(QString, kind);
    QFETCH(QString, message);
    auto is = [&](const char* k) { return kind == QLatin1String(k); };
    Biff b = Biff::workbook(true);
    for (int r = 1; r <= (is("large") || is("fat cycle") || is("fat past") || is("fat short") || is("huge") ? 400 : 20);
         ++r) {
        Biff n;
        n.raw(Biff::cell(r, 2)), n.f64(r * 0.5);
        b.rec(0x0203, n.s);
    }
    b.rec(0x000A, {});
    Compound c(b.s);
    const size_t wb = Compound::Dir + 128;
    if (is("case")) c.entry(1, "WORKBOOK", 2);
    if (is("fat cycle")) c.put32(Compound::Fat + 4 * 5, 4);
    if (is("fat past")) c.put32(Compound::Fat + 4 * 5, 5000);
    if (is("fat short")) c.put32(Compound::Fat + 4 * 5, 0xFFFFFFFE);
    if (is("fat count")) c.put32(0x2C, 1000);
    if (is("fat sector")) c.put32(0x4C, 77);
    if (is("mini cycle")) c.put32(Compound::MiniFat + 4 * 3, 1);
    if (is("mini past")) c.put32(Compound::MiniFat + 4 * 3, 900);
    if (is("huge")) c.put32(wb + 0x78, 0x7FFFFFF0);
    if (is("child past") || is("sibling cycle")) {  // an entry looked at before "Workbook" links badly
        c.entry(2, "Other", 2);
        c.put32(Compound::Dir + 0x4C, 2);
        c.put32(Compound::Dir + 256 + 0x44, 1);
        c.put32(Compound::Dir + 256 + 0x48, is("child past") ? 9 : 2);
    }
    if (is("long name")) c.put16(wb + 0x40, 66);
    if (is("storage")) c.entry(2, "Sub", 1), c.put32(Compound::Dir + 0x4C, 2), c.put32(Compound::Dir + 256 + 0x4C, 1);
    if (is("no root")) c.f[Compound::Dir + 0x42] = 1;
    if (is("sector size")) c.put16(0x1E, 10);
    try {
        const WorkbookCells got = ReadBiffStream(WorkbookStreamOf(c.f));
        QVERIFY2(message.isEmpty(), "read a damaged document");
        QCOMPARE(int(got.size()), is("large") ? 400 : 20);
        QVERIFY(got.at({20, 2}) == CellValue::ofNumber(10));
    } catch (const XlsFault& f) {
        QCOMPARE(QString::fromStdString(f.why), message);
    }
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
    QVERIFY(ParseTextWorkbook("a\rb") ==
            (WorkbookCells{{{1, 1}, CellValue::ofText("a")}, {{2, 1}, CellValue::ofText("b")}}));
}

void WorkbookTest::textWorkbookQuotesAndEncodings() {
    const WorkbookCells c =
        ParseTextWorkbook("\"a\tb\"\t\"say \"\"hi\"\"\"\t\"two\r\nlines\"\t\"12\"x\t\"\"\tq\"q\n\"4000\"");
    QCOMPARE(QString::fromStdString(c.at({1, 1}).text), QStringLiteral("a\tb"));
    QCOMPARE(QString::fromStdString(c.at({1, 2}).text), QStringLiteral("say \"hi\""));
    QCOMPARE(QString::fromStdString(c.at({1, 3}).text), QStringLiteral("two\r\nlines"));
    QCOMPARE(QString::fromStdString(c.at({1, 4}).text), QStringLiteral("12x"));
    QVERIFY(!c.count({1, 5}));  // "" is an empty cell
    QCOMPARE(QString::fromStdString(c.at({1, 6}).text), QStringLiteral("q\"q"));
    QVERIFY(c.at({2, 1}) == CellValue::ofNumber(4000));
    // A BOM is skipped; bytes that are not UTF-8 are Windows-1251.
    QVERIFY(ParseTextWorkbook("\xEF\xBB\xBF"
                              "7") == (WorkbookCells{{{1, 1}, CellValue::ofNumber(7)}}));
    QCOMPARE(QString::fromStdString(ParseTextWorkbook("\xD3\xF0\xEE\xE2\xE5\xED\xFC").at({1, 1}).text),
             QStringLiteral("Уровень"));
    // Behind a BOM as well, when they are not UTF-8 after all.
    QCOMPARE(QString::fromStdString(ParseTextWorkbook("\xEF\xBB\xBF"
                                                      "a\x82\xC0")
                                        .at({1, 1})
                                        .text),
             QStringLiteral("a‚А"));
}

void WorkbookTest::badFiles_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("message");
    QTest::newRow("missing") << "missing"
                             << "the file does not exist";
    QTest::newRow("empty xls") << "empty.xls"
                               << "the file is empty";
    QTest::newRow("empty txt") << "empty.txt"
                               << "the file is empty";
    QTest::newRow("xlsx named xls") << "xlsx"
                                    << "it is an Excel 2007 or later workbook (.xlsx)";
    QTest::newRow("text named xls") << "text.xls"
                                    << "it is not an Excel 97-2003 workbook (.xls)";
    QTest::newRow("password") << "password"
                              << "the workbook is protected by a password";
    QTest::newRow("truncated to the header") << "cut 512"
                                             << "damaged or truncated";
    QTest::newRow("truncated in half") << "cut half"
                                       << "damaged or truncated";
    QTest::newRow("last sector missing") << "cut end"
                                         << "damaged or truncated";
    QTest::newRow("folder") << "folder"
                            << "it is a folder";
    // Damaged workbooks that once crashed the program, and a damaged compound document.
    QTest::newRow("second dimensions record") << "hostile/second-dimensions-record.xls"
                                              << "damaged or truncated";
    QTest::newRow("strings past their record") << "hostile/sst-in-mini-stream.xls"
                                               << "damaged or truncated";
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
    } else if (kind.startsWith(QLatin1String("hostile/"))) {
        path = data(kind.toLatin1().constData());
    } else {
        WorkbookCells c;
        for (int r = 1; r <= 2000; ++r) c[{r, 1}] = CellValue::ofNumber(r * 0.25);
        WriteXlsFile(path.toStdString(), c);
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray whole = f.readAll();
        f.close();
        const int keep = kind == QLatin1String("cut 512")    ? 512
                         : kind == QLatin1String("cut half") ? whole.size() / 2
                                                             : whole.size() - 512;
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
    checkXlrdReads(path, c);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("t.xls")});
    QCOMPARE(openFiles(), before);
    // A cell the format cannot hold.
    QVERIFY_THROWS_EXCEPTION(WorkbookError,
                             WriteXlsFile(path.toStdString(), {{{MaxSheetRows + 1, 1}, CellValue::ofNumber(1)}}));
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
    checkXlrdReads(path, {{{1, 1}, CellValue::ofText("Points")},
                          {{3, 2}, CellValue::ofNumber(double(0.1f))},
                          {{4, 2}, CellValue::ofNumber(4000)}});
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
