// The BIFF8 records of a one-sheet workbook, and the compound document around them.
// Only what a workbook of texts and numbers needs: globals (BOF, code page, window, fonts, the
// 15 style formats and one cell format, the Normal style, the sheet's entry, the shared
// strings), then the sheet (BOF, dimensions, window, one record per cell); and a compound
// document of 512-byte sectors that holds that stream and nothing else.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "platform/compounddoc.h"
#include "platform/workbookfile.h"

namespace {

constexpr size_t MaxRecordData = 8224;
// Shorter streams of a compound document go into its mini stream, which some readers do not
// look in; the document writer makes none.
using CompoundDoc::MiniStreamCutoff;

class Stream {
public:
    std::string bytes;

    void u8(unsigned v) { bytes.push_back(char(v & 0xFF)); }
    void u16(unsigned v) {
        u8(v);
        u8(v >> 8);
    }
    void u32(uint32_t v) {
        u16(v & 0xFFFF);
        u16(v >> 16);
    }
    void f64(double v) {
        uint64_t bits;
        std::memcpy(&bits, &v, 8);
        u32(uint32_t(bits));
        u32(uint32_t(bits >> 32));
    }
    void raw(const std::string& s) { bytes += s; }

    // Starts a record; end() fills in its length.
    size_t begin(unsigned type) {
        u16(type);
        u16(0);
        return bytes.size();
    }
    void end(size_t dataStart) {
        const size_t len = bytes.size() - dataStart;
        bytes[dataStart - 2] = char(len & 0xFF);
        bytes[dataStart - 1] = char(len >> 8);
    }
    void record(unsigned type, const std::string& data) {
        const size_t at = begin(type);
        raw(data);
        end(at);
    }
    void patch32(size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i) bytes[at + i] = char((v >> (8 * i)) & 0xFF);
    }
};

// UTF-8 to UTF-16 code units; a broken sequence gives U+FFFD.
std::u16string Utf16(const std::string& s) {
    std::u16string out;
    size_t i = 0;
    while (i < s.size()) {
        const unsigned char c = s[i];
        uint32_t cp = 0xFFFD;
        int len = 1;
        if (c < 0x80) {
            cp = c;
        } else if ((c >> 5) == 6) {
            len = 2;
        } else if ((c >> 4) == 14) {
            len = 3;
        } else if ((c >> 3) == 30) {
            len = 4;
        }
        if (len > 1) {
            if (i + len > s.size()) {
                len = 1;
            } else {
                cp = c & (0xFF >> (len + 1));
                for (int k = 1; k < len; ++k) {
                    const unsigned char d = s[i + k];
                    if ((d >> 6) != 2) {
                        cp = 0xFFFD;
                        len = 1;
                        break;
                    }
                    cp = (cp << 6) | (d & 0x3F);
                }
            }
        }
        i += len;
        if (cp >= 0x10000 && cp <= 0x10FFFF) {
            cp -= 0x10000;
            out.push_back(char16_t(0xD800 + (cp >> 10)));
            out.push_back(char16_t(0xDC00 + (cp & 0x3FF)));
        } else {
            out.push_back(char16_t(cp > 0xFFFF ? 0xFFFD : cp));
        }
    }
    return out;
}

bool fitsLatin1(const std::u16string& s) {
    for (char16_t c : s)
        if (c > 0xFF) return false;
    return true;
}

void bof(Stream& s, unsigned kind) {
    const size_t at = s.begin(0x0809);
    s.u16(0x0600);  // BIFF8
    s.u16(kind);    // 0x0005 globals, 0x0010 worksheet
    s.u16(0x0DBB);  // build
    s.u16(0x07CC);  // year
    s.u32(0);
    s.u32(0x0006);  // lowest version that can read it
    s.end(at);
}

void xf(Stream& s, bool style) {
    const size_t at = s.begin(0x00E0);
    s.u16(0);                        // font
    s.u16(0);                        // number format: General
    s.u16(style ? 0xFFF5 : 0x0001);  // locked; a style format has no parent
    s.u8(0x20);                      // aligned at the bottom
    s.u8(0);
    s.u8(0);
    s.u8(style ? 0xF4 : 0x00);
    s.u32(0);  // no borders
    s.u32(0);
    s.u16(0x20C0);  // default pattern colours
    s.end(at);
}

// The shared string table in SST and CONTINUE records. A string that does not fit into what is
// left of a record goes on in a CONTINUE record, which then starts with the string's flags.
struct SstPlacement {
    uint32_t streamPos;     // where the string's first byte lies in the stream
    uint16_t recordOffset;  // from the start (header) of the record that holds it
};

std::vector<SstPlacement> writeSst(Stream& s, const std::vector<std::u16string>& strings, uint32_t total) {
    std::vector<SstPlacement> placed;
    size_t recordHeader = s.bytes.size();
    size_t at = s.begin(0x00FC);
    s.u32(total);
    s.u32(uint32_t(strings.size()));
    auto room = [&] { return MaxRecordData - (s.bytes.size() - at); };
    auto next = [&] {
        s.end(at);
        recordHeader = s.bytes.size();
        at = s.begin(0x003C);
    };
    for (const std::u16string& str : strings) {
        const bool wide = !fitsLatin1(str);
        const size_t unit = wide ? 2 : 1;
        // The header and the first character stay together.
        if (room() < 3 + unit) next();
        placed.push_back({uint32_t(s.bytes.size()), uint16_t(s.bytes.size() - recordHeader)});
        s.u16(uint32_t(str.size()));
        s.u8(wide ? 1 : 0);
        size_t i = 0;
        while (i < str.size()) {
            if (room() < unit) {
                next();
                s.u8(wide ? 1 : 0);
            }
            const size_t n = std::min(str.size() - i, room() / unit);
            for (size_t k = 0; k < n; ++k, ++i) {
                if (wide)
                    s.u16(str[i]);
                else
                    s.u8(str[i]);
            }
        }
    }
    s.end(at);
    return placed;
}

void writeExtSst(Stream& s, const std::vector<SstPlacement>& placed) {
    // Buckets of at least 8 strings, at most 128 buckets.
    const size_t perBucket = std::max<size_t>(8, (placed.size() + 127) / 128);
    const size_t at = s.begin(0x00FF);
    s.u16(uint32_t(perBucket));
    for (size_t i = 0; i < placed.size(); i += perBucket) {
        s.u32(placed[i].streamPos);
        s.u16(placed[i].recordOffset);
        s.u16(0);
    }
    s.end(at);
}

}  // namespace

std::string Biff8WorkbookStream(const WorkbookCells& cells) {
    for (const auto& [pos, cell] : cells) {
        if (pos.first < 1 || pos.first > MaxSheetRows || pos.second < 1 || pos.second > MaxSheetCols)
            throw WorkbookError("Cell outside the sheet: row " + std::to_string(pos.first) + ", column " +
                                std::to_string(pos.second));
        if (cell.kind == CellValue::Text && Utf16(cell.text).size() > 32767)
            throw WorkbookError("A cell text is longer than 32767 characters");
    }

    // The shared strings in the order their cells come.
    std::vector<std::u16string> strings;
    std::map<std::u16string, uint32_t> index;
    uint32_t textCells = 0;
    for (const auto& [pos, cell] : cells) {
        if (cell.kind != CellValue::Text) continue;
        ++textCells;
        std::u16string u = Utf16(cell.text);
        if (index.emplace(u, uint32_t(strings.size())).second) strings.push_back(std::move(u));
    }

    Stream s;
    bof(s, 0x0005);
    s.record(0x0042, std::string("\xB0\x04", 2));  // code page: UTF-16
    {
        const size_t at = s.begin(0x003D);  // WINDOW1
        s.u16(0);
        s.u16(0);
        s.u16(0x4000);
        s.u16(0x2000);
        s.u16(0x0038);  // scroll bars and sheet tabs shown
        s.u16(0);       // active sheet
        s.u16(0);       // first tab shown
        s.u16(1);       // sheets selected
        s.u16(0x0258);  // tab bar width
        s.end(at);
    }
    for (int i = 0; i < 5; ++i) {  // font 4 is never used; the fonts count from 0 to 5
        const size_t at = s.begin(0x0031);
        s.u16(200);  // 10 points in twips
        s.u16(0);
        s.u16(0x7FFF);  // window text colour
        s.u16(400);     // normal weight
        s.u16(0);
        s.u8(0);
        s.u8(0);
        s.u8(0);
        s.u8(0);
        s.u8(5);
        s.u8(0);
        s.raw("Arial");
        s.end(at);
    }
    for (int i = 0; i < 15; ++i) xf(s, true);
    xf(s, false);  // format 15: every cell
    {
        const size_t at = s.begin(0x0293);  // STYLE: Normal, built in, on format 0
        s.u16(0x8000);
        s.u8(0);
        s.u8(0xFF);
        s.end(at);
    }
    size_t sheetPosField;
    {
        const size_t at = s.begin(0x0085);  // BOUNDSHEET
        sheetPosField = s.bytes.size();
        s.u32(0);  // patched below
        s.u8(0);   // visible
        s.u8(0);   // worksheet
        s.u8(6);
        s.u8(0);
        s.raw("Sheet1");
        s.end(at);
    }
    writeExtSst(s, writeSst(s, strings, textCells));
    s.record(0x000A, {});

    s.patch32(sheetPosField, uint32_t(s.bytes.size()));
    bof(s, 0x0010);
    {
        int rowLast = 0, colFirst = 0, colLast = 0, rowFirst = 0;
        for (const auto& [pos, cell] : cells) {
            if (cell.kind == CellValue::Empty) continue;
            if (!rowLast) {
                rowFirst = pos.first;
                colFirst = pos.second;
            }
            rowLast = pos.first;
            colFirst = std::min(colFirst, pos.second);
            colLast = std::max(colLast, pos.second);
        }
        const size_t at = s.begin(0x0200);  // DIMENSIONS: first used, last used + 1, from 0
        s.u32(rowLast ? rowFirst - 1 : 0);
        s.u32(rowLast ? rowLast : 0);
        s.u16(rowLast ? colFirst - 1 : 0);
        s.u16(rowLast ? colLast : 0);
        s.u16(0);
        s.end(at);
    }
    {
        const size_t at = s.begin(0x023E);  // WINDOW2
        s.u16(0x06B6);                      // grid, headers, zeros, outline, selected and shown
        s.u16(0);
        s.u16(0);
        s.u16(0x40);
        s.u16(0);
        s.u16(0);
        s.u16(0);
        s.u32(0);
        s.end(at);
    }
    for (const auto& [pos, cell] : cells) {
        if (cell.kind == CellValue::Empty) continue;
        const bool text = cell.kind == CellValue::Text;
        const size_t at = s.begin(text ? 0x00FD : 0x0203);  // LABELSST or NUMBER
        s.u16(pos.first - 1);
        s.u16(pos.second - 1);
        s.u16(15);
        if (text)
            s.u32(index.at(Utf16(cell.text)));
        else
            s.f64(cell.number);
        s.end(at);
    }
    s.record(0x000A, {});
    if (s.bytes.size() < MiniStreamCutoff) s.bytes.resize(MiniStreamCutoff, '\0');
    return std::move(s.bytes);
}

namespace {

using namespace CompoundDoc;
// Version 3: 512-byte sectors.
constexpr size_t SectorSize = 512;
constexpr size_t EntriesPerSector = SectorSize / 4;
constexpr size_t DifatEntriesPerSector = EntriesPerSector - 1;  // the last one links the next
constexpr size_t LargestStream = 0x80000000;                    // what a version 3 size field may say

struct Sectors {
    char* p;
    void put16(size_t at, unsigned v) {
        p[at] = char(v & 0xFF);
        p[at + 1] = char((v >> 8) & 0xFF);
    }
    void put32(size_t at, uint32_t v) {
        put16(at, v & 0xFFFF);
        put16(at + 2, v >> 16);
    }
    // Byte offset of sector n: the header takes the first 512 bytes.
    static size_t at(size_t n) { return (n + 1) * SectorSize; }
};

void directoryEntry(Sectors& f, size_t at, const char* name, unsigned type, uint32_t child, uint32_t start,
                    uint32_t size) {
    size_t n = 0;
    for (; name[n]; ++n) f.put16(at + 2 * n, uint8_t(name[n]));
    f.put16(at + 0x40, unsigned(2 * n + 2));  // with the closing zero
    f.p[at + 0x42] = char(type);
    f.p[at + 0x43] = 1;  // black: a tree of one node
    f.put32(at + 0x44, NoEntry);
    f.put32(at + 0x48, NoEntry);
    f.put32(at + 0x4C, child);
    f.put32(at + 0x74, start);
    f.put32(at + 0x78, size);
}

}  // namespace

std::string XlsCompoundDocument(const std::string& workbook) {
    // A shorter stream would belong in the mini stream, which this writer does not make.
    if (workbook.size() < MiniStreamCutoff) throw WorkbookError("The workbook stream is shorter than 4096 bytes");
    if (workbook.size() > LargestStream) throw WorkbookError("The workbook is too large for an .xls file");

    // Sectors in order: the FAT, the DIFAT sectors (FAT sectors past the header's 109), the
    // directory, the stream. The FAT lists every sector, its own too, so its size is found by
    // growing it until it covers them all.
    const size_t streamSectors = (workbook.size() + SectorSize - 1) / SectorSize;
    auto difatFor = [](size_t fat) {
        return fat <= HeaderDifatEntries
                   ? 0
                   : (fat - HeaderDifatEntries + DifatEntriesPerSector - 1) / DifatEntriesPerSector;
    };
    size_t fat = 1;
    while (fat * EntriesPerSector < fat + difatFor(fat) + 1 + streamSectors) ++fat;
    const size_t difat = difatFor(fat);
    const size_t directory = fat + difat;
    const size_t firstStream = directory + 1;
    const size_t total = firstStream + streamSectors;

    std::string file(Sectors::at(total), '\0');
    Sectors f{file.data()};

    static const char signature[] = "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1";
    std::memcpy(f.p, signature, 8);
    f.put16(0x18, 0x003E);  // minor version
    f.put16(0x1A, 0x0003);  // major version
    f.put16(0x1C, 0xFFFE);  // little-endian
    f.put16(0x1E, 9);       // 512-byte sectors
    f.put16(0x20, 6);       // 64-byte mini sectors
    f.put32(0x2C, uint32_t(fat));
    f.put32(0x30, uint32_t(directory));
    f.put32(0x38, MiniStreamCutoff);
    f.put32(0x3C, EndOfChain);  // no mini FAT
    f.put32(0x44, difat ? uint32_t(fat) : EndOfChain);
    f.put32(0x48, uint32_t(difat));

    // Where the FAT's sectors are: the header's list, then the DIFAT chain.
    for (size_t i = 0; i < HeaderDifatEntries; ++i) f.put32(0x4C + 4 * i, i < fat ? uint32_t(i) : FreeSector);
    for (size_t d = 0; d < difat; ++d) {
        const size_t at = Sectors::at(fat + d);
        for (size_t i = 0; i < DifatEntriesPerSector; ++i) {
            const size_t n = HeaderDifatEntries + d * DifatEntriesPerSector + i;
            f.put32(at + 4 * i, n < fat ? uint32_t(n) : FreeSector);
        }
        f.put32(at + 4 * DifatEntriesPerSector, d + 1 < difat ? uint32_t(fat + d + 1) : EndOfChain);
    }

    // The FAT: what each sector is, and the chains of the directory and the stream.
    auto next = [&](size_t n, uint32_t v) { f.put32(Sectors::at(0) + 4 * n, v); };
    for (size_t n = 0; n < fat * EntriesPerSector; ++n) {
        if (n < fat)
            next(n, FatSector);
        else if (n < directory)
            next(n, DifatSector);
        else if (n == directory || n + 1 == total)
            next(n, EndOfChain);
        else if (n < total)
            next(n, uint32_t(n + 1));
        else
            next(n, FreeSector);
    }

    // The directory: the root (with an empty mini stream) and its one child; the other two
    // entries of the sector are unused.
    const size_t dir = Sectors::at(directory);
    directoryEntry(f, dir, "Root Entry", 5, 1, EndOfChain, 0);
    directoryEntry(f, dir + 128, "Workbook", 2, NoEntry, uint32_t(firstStream), uint32_t(workbook.size()));
    for (size_t e = 2; e < 4; ++e)
        for (size_t k = 0x44; k < 0x50; k += 4) f.put32(dir + 128 * e + k, NoEntry);

    std::memcpy(f.p + Sectors::at(firstStream), workbook.data(), workbook.size());
    return file;
}

std::string XlsDocument(const WorkbookCells& cells) { return XlsCompoundDocument(Biff8WorkbookStream(cells)); }
