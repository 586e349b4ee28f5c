// The compound document around exported workbooks. Its tables are walked here sector by sector,
// apart from the writer's code and from our reader: the header's fields and the directory's
// entries at their offsets, the DIFAT and the FAT, every sector used once, the file no longer
// than its sectors. xlrd's container reader reads the same files, with its own checks on.
#include <QCryptographicHash>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <cstring>

#include "platform/xlsread.h"
#include "tests/platform/tablecells.h"
#include "tests/platform/xlrdsheet.h"

namespace {

constexpr uint32_t Free = 0xFFFFFFFF;
constexpr uint32_t End = 0xFFFFFFFE;
constexpr uint32_t FatMark = 0xFFFFFFFD;
constexpr uint32_t DifatMark = 0xFFFFFFFC;

uint32_t Le32(const std::string& f, size_t at) {
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = v << 8 | uint8_t(f[at + size_t(i)]);
    return v;
}
uint32_t Le16(const std::string& f, size_t at) { return uint8_t(f[at]) | uint32_t(uint8_t(f[at + 1])) << 8; }
size_t Sector(uint32_t n) { return 512 + size_t(n) * 512; }

// DIFAT sectors that `fat` FAT sectors need: 109 fit into the header, 127 into each sector.
size_t DifatSectorsFor(size_t fat) { return fat <= 109 ? 0 : (fat - 109 + 126) / 127; }

struct Layout {
    size_t fat = 0;
    size_t difat = 0;
    std::string stream;  // the "Workbook" stream read along its chain
};

// Walks the whole document; fails the test at the first fault.
void Walk(const std::string& f, Layout& out) {
    QVERIFY(f.size() >= 1024);
    QCOMPARE(f.size() % 512, size_t(0));
    const size_t sectors = f.size() / 512 - 1;
    const size_t fat = Le32(f, 0x2C);
    const size_t difat = Le32(f, 0x48);
    QCOMPARE(difat, DifatSectorsFor(fat));
    std::vector<char> use(sectors, 0);  // F(AT), D(IFAT), d(irectory), s(tream)
    auto take = [&](uint32_t n, char what) {
        QVERIFY2(n < sectors, qPrintable(QStringLiteral("sector %1 past the end").arg(n)));
        QVERIFY2(!use[n], qPrintable(QStringLiteral("sector %1 used twice").arg(n)));
        use[n] = what;
    };

    // Where the FAT's sectors are: the header's 109 entries, then the DIFAT chain.
    std::vector<uint32_t> fatSectors;
    for (size_t i = 0; i < 109; ++i) {
        const uint32_t n = Le32(f, 0x4C + 4 * i);
        if (i < fat)
            fatSectors.push_back(n);
        else
            QCOMPARE(n, Free);
    }
    uint32_t next = Le32(f, 0x44);
    std::vector<uint32_t> difatSectors;
    for (size_t d = 0; d < difat; ++d) {
        take(next, 'D');
        if (QTest::currentTestFailed()) return;
        difatSectors.push_back(next);
        const size_t at = Sector(next);
        for (size_t i = 0; i < 127; ++i) {
            const uint32_t n = Le32(f, at + 4 * i);
            if (fatSectors.size() < fat)
                fatSectors.push_back(n);
            else
                QCOMPARE(n, Free);
        }
        next = Le32(f, at + 508);
    }
    QCOMPARE(next, End);
    QCOMPARE(fatSectors.size(), fat);

    std::vector<uint32_t> table;
    for (const uint32_t n : fatSectors) {
        take(n, 'F');
        if (QTest::currentTestFailed()) return;
        for (size_t i = 0; i < 128; ++i) table.push_back(Le32(f, Sector(n) + 4 * i));
    }
    QVERIFY(table.size() >= sectors);
    for (const uint32_t n : fatSectors) QCOMPARE(table[n], FatMark);
    for (const uint32_t n : difatSectors) QCOMPARE(table[n], DifatMark);
    QCOMPARE(size_t(std::count(table.begin(), table.end(), FatMark)), fat);
    QCOMPARE(size_t(std::count(table.begin(), table.end(), DifatMark)), difat);

    auto chain = [&](uint32_t start, char what) {
        std::vector<uint32_t> out;
        for (uint32_t n = start; n != End; n = table[n]) {
            take(n, what);
            if (QTest::currentTestFailed()) break;
            out.push_back(n);
        }
        return out;
    };
    std::string dir;
    for (const uint32_t n : chain(Le32(f, 0x30), 'd')) dir.append(f, Sector(n), 512);
    if (QTest::currentTestFailed()) return;
    QVERIFY(dir.size() >= 256);
    QCOMPARE(int(dir[0x42]), 5);  // the root first
    const uint32_t child = Le32(dir, 0x4C);
    QVERIFY(child < dir.size() / 128);
    const size_t wb = size_t(child) * 128;
    QCOMPARE(int(dir[wb + 0x42]), 2);
    QCOMPARE(dir.substr(wb, 18), std::string("W\0o\0r\0k\0b\0o\0o\0k\0\0\0", 18));
    const size_t size = Le32(dir, wb + 0x78);
    QCOMPARE(Le32(dir, wb + 0x7C), 0u);
    QVERIFY(size >= 4096);  // else it would have to be in the mini stream
    const std::vector<uint32_t> streamSectors = chain(Le32(dir, wb + 0x74), 's');
    if (QTest::currentTestFailed()) return;
    QCOMPARE(streamSectors.size(), (size + 511) / 512);
    for (const uint32_t n : streamSectors) out.stream.append(f, Sector(n), 512);
    out.stream.resize(size);

    // Every sector of the file is used, every FAT entry past them is free, and one FAT sector
    // fewer could not have listed them.
    QCOMPARE(size_t(std::count(use.begin(), use.end(), 0)), size_t(0));
    for (size_t n = sectors; n < table.size(); ++n) QCOMPARE(table[n], Free);
    const size_t others = sectors - fat - difat;
    QVERIFY(fat == 1 || (fat - 1) * 128 < others + (fat - 1) + DifatSectorsFor(fat - 1));
    out.fat = fat;
    out.difat = difat;
}

// The "Workbook" stream as xlrd's container reader gives it, and what it remarked.
struct XlrdStream {
    bool ok = false;
    QString error;
    qint64 size = -1;
    QByteArray sha256;
    QStringList remarks;
    explicit XlrdStream(const QString& path) {
        QProcess p;
        p.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral(TANKCFG_TEST_DATA "/../xlrdstream.py"), path});
        if (!p.waitForFinished(120000) || p.exitCode() != 0) {
            error = QString::fromUtf8(p.readAllStandardError());
            return;
        }
        const QJsonObject o = QJsonDocument::fromJson(p.readAllStandardOutput()).object();
        size = o.value(QLatin1String("size")).toInteger();
        sha256 = o.value(QLatin1String("sha256")).toString().toLatin1();
        for (const QJsonValue& v : o.value(QLatin1String("remarks")).toArray()) remarks << v.toString();
        ok = true;
    }
};

void CheckXlrdStream(const QString& path, const std::string& stream) {
    const XlrdStream x(path);
    QVERIFY2(x.ok, qPrintable(x.error));
    QVERIFY2(x.remarks.isEmpty(), qPrintable(x.remarks.join(QLatin1Char('\n'))));
    QCOMPARE(x.size, qint64(stream.size()));
    QCOMPARE(x.sha256, QCryptographicHash::hash(QByteArray::fromStdString(stream), QCryptographicHash::Sha256).toHex());
}

bool SameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// Cells as xlrd reads them, numbers to the bit.
void CheckXlrdCells(const QString& path, const WorkbookCells& want) {
    const XlrdSheet x(path);
    QVERIFY2(x.ok, qPrintable(x.error));
    QCOMPARE(x.others, 0);
    QCOMPARE(x.cells.size(), want.size());
    for (auto i = x.cells.begin(), j = want.begin(); i != x.cells.end(); ++i, ++j) {
        QCOMPARE(i->first, j->first);
        QCOMPARE(i->second.kind, j->second.kind);
        QCOMPARE(i->second.text, j->second.text);
        QVERIFY2(SameBits(i->second.number, j->second.number),
                 qPrintable(QStringLiteral("row %1 column %2").arg(i->first.first).arg(i->first.second)));
    }
}

void Save(const QString& path, const std::string& bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    QCOMPARE(f.write(bytes.data(), qint64(bytes.size())), qint64(bytes.size()));
}

// Saves the cells as the program does; the file is walked, and read by xlrd (container and
// cells) and by our reader.
void CheckExport(const WorkbookCells& cells, Layout& l) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("t.xls"));
    WriteXlsFile(path.toStdString(), cells);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    Walk(file.readAll().toStdString(), l);
    if (QTest::currentTestFailed()) return;
    QVERIFY(l.stream == Biff8WorkbookStream(cells));
    CheckXlrdStream(path, l.stream);
    CheckXlrdCells(path, cells);
    QVERIFY(ReadWorkbookFile(path.toStdString()) == cells);
}

// Bytes that differ from sector to sector, so that sectors out of order show.
std::string Pattern(size_t size) {
    std::string s(size, '\0');
    uint32_t x = 2463534242u;
    for (char& c : s) {
        x ^= x << 13, x ^= x >> 17, x ^= x << 5;
        c = char(x);
    }
    return s;
}

}  // namespace

class XlsDocumentTest : public QObject {
    Q_OBJECT
private slots:
    void headerAndDirectory();
    void sectorCounts_data();
    void sectorCounts();
    void tableExport();
    void exportBeyondTheHeadersFat();
    void shortStreamRefused();
};

void XlsDocumentTest::headerAndDirectory() {
    // The smallest export: one cell, a stream padded to 4096 bytes (8 sectors).
    const std::string f = XlsDocument({{{1, 1}, CellValue::ofNumber(1)}});
    QCOMPARE(f.size(), size_t(512 + 10 * 512));  // header, FAT, directory, stream
    QCOMPARE(f.substr(0, 8), std::string("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1"));
    QCOMPARE(f.substr(0x08, 16), std::string(16, '\0'));  // class id
    QCOMPARE(Le16(f, 0x18), 0x003Eu);                     // minor version
    QCOMPARE(Le16(f, 0x1A), 0x0003u);                     // major version
    QCOMPARE(Le16(f, 0x1C), 0xFFFEu);                     // byte order
    QCOMPARE(Le16(f, 0x1E), 9u);                          // 512-byte sectors
    QCOMPARE(Le16(f, 0x20), 6u);                          // 64-byte mini sectors
    QCOMPARE(f.substr(0x22, 6), std::string(6, '\0'));
    QCOMPARE(Le32(f, 0x28), 0u);     // directory sectors: always 0 in version 3
    QCOMPARE(Le32(f, 0x2C), 1u);     // FAT sectors
    QCOMPARE(Le32(f, 0x30), 1u);     // first directory sector
    QCOMPARE(Le32(f, 0x34), 0u);     // transactions
    QCOMPARE(Le32(f, 0x38), 4096u);  // mini stream cutoff
    QCOMPARE(Le32(f, 0x3C), End);    // no mini FAT
    QCOMPARE(Le32(f, 0x40), 0u);
    QCOMPARE(Le32(f, 0x44), End);  // no DIFAT sectors
    QCOMPARE(Le32(f, 0x48), 0u);
    QCOMPARE(Le32(f, 0x4C), 0u);  // the FAT in sector 0
    for (size_t i = 1; i < 109; ++i) QCOMPARE(Le32(f, 0x4C + 4 * i), Free);

    // The FAT: itself, the directory, the stream's chain 2..9, then free.
    const size_t fat = Sector(0);
    QCOMPARE(Le32(f, fat), FatMark);
    QCOMPARE(Le32(f, fat + 4), End);
    for (uint32_t n = 2; n < 9; ++n) QCOMPARE(Le32(f, fat + 4 * n), n + 1);
    QCOMPARE(Le32(f, fat + 4 * 9), End);
    for (size_t n = 10; n < 128; ++n) QCOMPARE(Le32(f, fat + 4 * n), Free);

    // The root: no mini stream, one child, black.
    const size_t root = Sector(1);
    QCOMPARE(f.substr(root, 64), std::string("R\0o\0o\0t\0 \0E\0n\0t\0r\0y\0", 20) + std::string(44, '\0'));
    QCOMPARE(Le16(f, root + 0x40), 22u);
    QCOMPARE(int(f[root + 0x42]), 5);
    QCOMPARE(int(f[root + 0x43]), 1);
    QCOMPARE(Le32(f, root + 0x44), Free);  // no siblings
    QCOMPARE(Le32(f, root + 0x48), Free);
    QCOMPARE(Le32(f, root + 0x4C), 1u);
    QCOMPARE(f.substr(root + 0x50, 0x24), std::string(0x24, '\0'));  // class id, state, times
    QCOMPARE(Le32(f, root + 0x74), End);
    QCOMPARE(f.substr(root + 0x78, 8), std::string(8, '\0'));

    // "Workbook": a stream in sectors 2..9, the tree's only node, black.
    const size_t wb = root + 128;
    QCOMPARE(f.substr(wb, 64), std::string("W\0o\0r\0k\0b\0o\0o\0k\0", 16) + std::string(48, '\0'));
    QCOMPARE(Le16(f, wb + 0x40), 18u);
    QCOMPARE(int(f[wb + 0x42]), 2);
    QCOMPARE(int(f[wb + 0x43]), 1);
    QCOMPARE(Le32(f, wb + 0x44), Free);
    QCOMPARE(Le32(f, wb + 0x48), Free);
    QCOMPARE(Le32(f, wb + 0x4C), Free);
    QCOMPARE(f.substr(wb + 0x50, 0x24), std::string(0x24, '\0'));
    QCOMPARE(Le32(f, wb + 0x74), 2u);
    QCOMPARE(Le32(f, wb + 0x78), 4096u);
    QCOMPARE(Le32(f, wb + 0x7C), 0u);

    // The sector's other two entries are unused: zeros, their links "none".
    for (size_t e = 2; e < 4; ++e) {
        const size_t at = root + 128 * e;
        QCOMPARE(f.substr(at, 0x44), std::string(0x44, '\0'));
        QCOMPARE(f.substr(at + 0x44, 12), std::string(12, '\xFF'));
        QCOMPARE(f.substr(at + 0x50, 0x30), std::string(0x30, '\0'));
    }
    QCOMPARE(f.substr(Sector(2)), Biff8WorkbookStream({{{1, 1}, CellValue::ofNumber(1)}}));

    Layout l;
    Walk(f, l);
}

void XlsDocumentTest::sectorCounts_data() {
    QTest::addColumn<qint64>("size");
    QTest::addColumn<int>("fat");
    QTest::addColumn<int>("difat");
    // One FAT sector lists 128 sectors: itself, the directory and 126 of the stream.
    QTest::newRow("smallest") << qint64(4096) << 1 << 0;
    QTest::newRow("a byte into a ninth sector") << qint64(4097) << 1 << 0;
    QTest::newRow("one FAT sector full") << qint64(126 * 512) << 1 << 0;
    QTest::newRow("a byte more takes a second") << qint64(126 * 512 + 1) << 2 << 0;
    QTest::newRow("last sector one byte") << qint64(127 * 512 + 1) << 2 << 0;
    // 109 FAT sectors fit into the header: 109 * 128 sectors, of them 109 * 127 - 1 the stream's.
    QTest::newRow("header's FAT list full") << qint64(13842 * 512) << 109 << 0;
    QTest::newRow("first DIFAT sector") << qint64(13842 * 512 + 1) << 110 << 1;
    // One DIFAT sector lists 127 more: 236 FAT sectors, 236 * 128 sectors.
    QTest::newRow("one DIFAT sector full") << qint64(29970 * 512) << 236 << 1;
    QTest::newRow("second DIFAT sector") << qint64(29970 * 512 + 1) << 237 << 2;
}

void XlsDocumentTest::sectorCounts() {
    QFETCH(qint64, size);
    QFETCH(int, fat);
    QFETCH(int, difat);
    const std::string stream = Pattern(size_t(size));
    const std::string f = XlsCompoundDocument(stream);
    const size_t sectors = size_t(fat + difat + 1) + (size_t(size) + 511) / 512;
    QCOMPARE(f.size(), 512 + 512 * sectors);
    Layout l;
    Walk(f, l);
    if (QTest::currentTestFailed()) return;
    QCOMPARE(int(l.fat), fat);
    QCOMPARE(int(l.difat), difat);
    QVERIFY(l.stream == stream);
    QVERIFY(WorkbookStreamOf(f) == stream);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("s.xls"));
    Save(path, f);
    CheckXlrdStream(path, stream);
}

void XlsDocumentTest::tableExport() {
    // The largest table a technician exports: a stream of several FAT sectors.
    Layout l;
    CheckExport(TableCells(4001), l);
    if (QTest::currentTestFailed()) return;
    QVERIFY(l.fat > 1);
    QCOMPARE(l.difat, size_t(0));
}

void XlsDocumentTest::exportBeyondTheHeadersFat() {
    // Every row of the sheet, seven numbers each: a stream of about 8 MB, whose FAT needs more
    // sectors than the header lists.
    WorkbookCells cells;
    cells[{1, 1}] = CellValue::ofText("Pointer");
    for (int r = 2; r <= MaxSheetRows; ++r)
        for (int c = 1; c <= 7; ++c) cells[{r, c}] = CellValue::ofNumber(r * 8.0 + c + 1.0 / c);
    Layout l;
    CheckExport(cells, l);
    if (QTest::currentTestFailed()) return;
    QVERIFY(l.fat > 109);
    QCOMPARE(l.difat, size_t(1));
}

void XlsDocumentTest::shortStreamRefused() {
    // A stream under 4096 bytes belongs in the mini stream, which the writer does not make.
    QVERIFY_THROWS_EXCEPTION(WorkbookError, XlsCompoundDocument(std::string(4095, 'x')));
    QVERIFY_THROWS_EXCEPTION(WorkbookError, XlsCompoundDocument({}));
    // Every export is padded past it.
    QCOMPARE(Biff8WorkbookStream({}).size(), size_t(4096));
}

QTEST_GUILESS_MAIN(XlsDocumentTest)
#include "tst_xlsdocument.moc"
