// The records of a BIFF5 or BIFF8 workbook stream that a sheet of texts and numbers needs:
// the globals (password, code page, sheet list, shared strings) and the cells of the first
// worksheet. A record is four bytes of type and length and then its data; long data goes on in
// CONTINUE records. Cells keep the value of the last record written for them.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "common/cp1251.h"
#include "platform/xlsread.h"

namespace {

enum : unsigned {
    RecFormula = 0x0006,
    RecEof = 0x000A,
    RecFilePass = 0x002F,
    RecContinue = 0x003C,
    RecCodePage = 0x0042,
    RecBoundSheet = 0x0085,
    RecMulRk = 0x00BD,
    RecMulBlank = 0x00BE,
    RecRString = 0x00D6,
    RecSst = 0x00FC,
    RecLabelSst = 0x00FD,
    RecDimensions = 0x0200,
    RecBlank = 0x0201,
    RecNumber = 0x0203,
    RecLabel = 0x0204,
    RecBoolErr = 0x0205,
    RecString = 0x0207,
    RecRk = 0x027E,
    RecBof = 0x0809,
};

[[noreturn]] void damaged() { throw XlsFault{XlsDamaged}; }

constexpr auto le16 = XlsLe16;
constexpr auto le32 = XlsLe32;

double f64(const std::string& s, size_t at) {
    double x;
    std::memcpy(&x, s.data() + at, 8);
    return x;
}

struct Record {
    unsigned type = 0;
    size_t at = 0;  // first data byte
    size_t len = 0;
    size_t next() const { return at + len; }
};

// The record that starts at `at`; false when its header or data would pass the stream's end.
bool recordAt(const std::string& s, size_t at, Record& r) {
    if (at > s.size() || s.size() - at < 4) return false;
    r.type = le16(s, at);
    r.len = le16(s, at + 2);
    r.at = at + 4;
    return r.len <= s.size() - r.at;
}

void appendUtf8(std::string& out, uint32_t c) {
    if (c < 0x80) {
        out += char(c);
    } else if (c < 0x800) {
        out += char(0xC0 | (c >> 6));
        out += char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += char(0xE0 | (c >> 12));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    } else {
        out += char(0xF0 | (c >> 18));
        out += char(0x80 | ((c >> 12) & 0x3F));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    }
}

// UTF-16 code units to UTF-8; a surrogate without its partner gives U+FFFD.
std::string utf8Of(const std::u16string& u) {
    std::string out;
    for (size_t i = 0; i < u.size(); ++i) {
        const uint32_t c = u[i];
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < u.size() && u[i + 1] >= 0xDC00 && u[i + 1] < 0xE000) {
            appendUtf8(out, 0x10000 + ((c - 0xD800) << 10) + (u[i + 1] - 0xDC00));
            ++i;
        } else if (c >= 0xD800 && c < 0xE000) {
            appendUtf8(out, 0xFFFD);
        } else {
            appendUtf8(out, c);
        }
    }
    return out;
}

// Windows-1252 as the workbook's code page gives it; the five unassigned bytes stay C1 controls.
std::string cp1252ToUtf8(const std::string& bytes) {
    static const char16_t high[32] = {0x20AC, 0x81,   0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                      0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x8D,   0x017D, 0x8F,
                                      0x90,   0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                      0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x9D,   0x017E, 0x0178};
    std::string out;
    for (unsigned char c : bytes) appendUtf8(out, c >= 0x80 && c < 0xA0 ? high[c - 0x80] : c);
    return out;
}

// The data of one record and of the CONTINUE records right after it, read as one run of bytes.
// Characters of a string that goes on in the next record are preceded there by a new option
// byte, which says whether they are one byte or two each.
class Pieces {
public:
    Pieces(const std::string& s, const Record& first) : s_(s), pos_(first.at), end_(first.next()) {}

    uint8_t u8() {
        need();
        return uint8_t(s_[pos_++]);
    }
    uint16_t u16() {
        const uint16_t lo = u8();
        return uint16_t(lo | u8() << 8);
    }
    uint32_t u32() {
        const uint32_t lo = u16();
        return lo | uint32_t(u16()) << 16;
    }
    void skip(uint64_t n) {
        while (n > 0) {
            need();
            const size_t here = size_t(std::min<uint64_t>(n, end_ - pos_));
            pos_ += here;
            n -= here;
        }
    }
    // n characters, one or two bytes each as `wide` says at first and each piece's option byte
    // after it.
    std::u16string chars(size_t n, bool wide) {
        std::u16string u;
        while (u.size() < n) {
            if (pos_ == end_) {
                nextPiece();
                wide = uint8_t(s_[pos_++]) & 1;  // nextPiece leaves at least one byte
                continue;
            }
            const size_t width = wide ? 2 : 1;
            if (end_ - pos_ < width) damaged();  // half a character
            const size_t take = std::min(n - u.size(), (end_ - pos_) / width);
            for (size_t i = 0; i < take; ++i, pos_ += width)
                u.push_back(wide ? char16_t(le16(s_, pos_)) : char16_t(uint8_t(s_[pos_])));
        }
        return u;
    }
    bool atEnd() const { return pos_ == end_; }

private:
    void need() {
        if (pos_ == end_) nextPiece();
    }
    void nextPiece() {
        Record r;
        if (!recordAt(s_, end_, r) || r.type != RecContinue || r.len == 0) damaged();
        pos_ = r.at;
        end_ = r.next();
    }
    const std::string& s_;
    size_t pos_;
    size_t end_;
};

// A BIFF8 string as the shared string table holds it: count, options, the counts of its
// formatting runs and of its phonetic data (both skipped), then the characters.
std::string sstString(Pieces& p) {
    const uint16_t n = p.u16();
    const uint8_t options = p.u8();
    const uint16_t runs = options & 0x08 ? p.u16() : 0;
    const uint32_t phonetic = options & 0x04 ? p.u32() : 0;
    std::string text = utf8Of(p.chars(n, options & 1));
    p.skip(uint64_t(runs) * 4);
    p.skip(phonetic);
    return text;
}

// A BIFF8 cell text: count, options, characters, all within the record.
std::string unicodeText(const std::string& s, const Record& r, size_t at) {
    if (at + 3 > r.next()) damaged();
    const size_t n = le16(s, at);
    const bool wide = uint8_t(s[at + 2]) & 1;
    const size_t bytes = n * (wide ? 2 : 1);
    if (bytes > r.next() - (at + 3)) damaged();
    std::u16string u;
    for (size_t i = 0; i < n; ++i)
        u.push_back(wide ? char16_t(le16(s, at + 3 + 2 * i)) : char16_t(uint8_t(s[at + 3 + i])));
    return utf8Of(u);
}

struct Globals {
    bool biff8 = true;
    unsigned codePage = 1252;
    size_t firstSheet = 0;
    bool haveSheet = false;
    std::vector<std::string> strings;
};

// A BIFF5 cell text: count and bytes in the workbook's code page, within the record.
std::string byteText(const std::string& s, const Record& r, size_t at, const Globals& g) {
    if (at + 2 > r.next()) damaged();
    const size_t n = le16(s, at);
    if (n > r.next() - (at + 2)) damaged();
    const std::string bytes = s.substr(at + 2, n);
    return g.codePage == 1251 ? Cp1251ToUtf8(bytes) : cp1252ToUtf8(bytes);
}

std::vector<std::string> sharedStrings(const std::string& s, const Record& sst) {
    Pieces p(s, sst);
    p.u32();  // how often the strings are used
    const uint32_t count = p.u32();
    std::vector<std::string> strings;
    // Each string takes at least three bytes, so a made-up count soon runs out of data.
    for (uint32_t i = 0; i < count; ++i) strings.push_back(sstString(p));
    return strings;
}

// The version a BOF record at `at` gives, checking that it opens a substream of `kind`.
bool bofAt(const std::string& s, size_t at, unsigned kind, bool& biff8) {
    Record r;
    if (!recordAt(s, at, r) || r.type != RecBof || r.len < 4) return false;
    const unsigned version = le16(s, r.at);
    if (version != 0x0600 && version != 0x0500) return false;
    biff8 = version == 0x0600;
    return le16(s, r.at + 2) == kind;
}

Globals readGlobals(const std::string& s) {
    Globals g;
    if (!bofAt(s, 0, 0x0005, g.biff8)) throw XlsFault{"the file holds no Excel workbook"};
    Record r;
    recordAt(s, 0, r);
    for (size_t at = r.next();; at = r.next()) {
        if (!recordAt(s, at, r)) damaged();
        switch (r.type) {
        case RecEof: return g;
        case RecFilePass: throw XlsFault{"the workbook is protected by a password"};
        case RecCodePage:
            if (r.len < 2) damaged();
            g.codePage = le16(s, r.at);
            break;
        case RecBoundSheet:
            if (r.len < 6) damaged();
            if (!g.haveSheet && uint8_t(s[r.at + 5]) == 0) {  // the first worksheet
                g.firstSheet = le32(s, r.at);
                g.haveSheet = true;
            }
            break;
        case RecSst:
            if (g.biff8) g.strings = sharedStrings(s, r);
            break;
        case RecBof: damaged();
        default: break;
        }
    }
}

double rkValue(uint32_t rk) {
    double x;
    if (rk & 2) {
        x = double(int32_t(rk) >> 2);
    } else {
        const uint64_t bits = uint64_t(rk & 0xFFFFFFFCu) << 32;
        std::memcpy(&x, &bits, 8);
    }
    return rk & 1 ? x / 100 : x;
}

std::string errorText(unsigned code) {
    switch (code) {
    case 0x00: return "#NULL!";
    case 0x07: return "#DIV/0!";
    case 0x0F: return "#VALUE!";
    case 0x17: return "#REF!";
    case 0x1D: return "#NAME?";
    case 0x24: return "#NUM!";
    default: return "#N/A";
    }
}

class SheetReader {
public:
    SheetReader(const std::string& s, const Globals& g) : s_(s), g_(g) {}

    WorkbookCells read() {
        bool biff8 = g_.biff8;
        if (!g_.haveSheet) throw XlsFault{"the workbook has no worksheet"};
        if (!bofAt(s_, g_.firstSheet, 0x0010, biff8)) {
            Record r;
            if (recordAt(s_, g_.firstSheet, r) && r.type == RecBof)
                throw XlsFault{"the first worksheet cannot be read"};
            damaged();
        }
        Record r;
        recordAt(s_, g_.firstSheet, r);
        int depth = 0;  // substreams inside the sheet (an embedded chart) are passed over
        for (size_t at = r.next();; at = r.next()) {
            if (!recordAt(s_, at, r)) damaged();
            if (r.type == RecBof) {
                ++depth;
            } else if (r.type == RecEof) {
                if (depth-- == 0) return std::move(cells_);
            } else if (depth == 0) {
                cell(r);
            }
        }
    }

private:
    using Pos = std::pair<int, int>;

    void need(const Record& r, size_t len) const {
        if (r.len < len) damaged();
    }
    Pos pos(size_t at) const {
        const unsigned col = le16(s_, at + 2);
        if (col >= unsigned(MaxSheetCols)) damaged();
        return {le16(s_, at) + 1, int(col) + 1};
    }
    void put(const Pos& p, CellValue v) {
        pendingText_ = {};
        if (v.kind == CellValue::Empty)
            cells_.erase(p);
        else
            cells_[p] = std::move(v);
    }
    // A record of cells side by side in one row: row, first column, `width` bytes for each cell,
    // and the last one's column.
    template <class Value>
    void cellsInRow(const Record& r, size_t width, Value value) {
        need(r, 6);
        const Pos first = pos(r.at);
        const size_t n = (r.len - 6) / width;
        const size_t last = size_t(first.second - 1) + n - 1;
        if ((r.len - 6) % width || n == 0 || last >= size_t(MaxSheetCols) || le16(s_, r.next() - 2) != last) damaged();
        for (size_t i = 0; i < n; ++i) put({first.first, first.second + int(i)}, value(r.at + 4 + width * i));
    }
    CellValue text(std::string t) { return t.empty() ? CellValue{} : CellValue::ofText(std::move(t)); }

    void cell(const Record& r) {
        const size_t at = r.at;
        switch (r.type) {
        case RecDimensions: dimensions(r); break;
        case RecNumber:
            need(r, 14);
            put(pos(at), CellValue::ofNumber(f64(s_, at + 6)));
            break;
        case RecRk:
            need(r, 10);
            put(pos(at), CellValue::ofNumber(rkValue(le32(s_, at + 6))));
            break;
        case RecMulRk:
            cellsInRow(r, 6, [&](size_t cell) { return CellValue::ofNumber(rkValue(le32(s_, cell + 2))); });
            break;
        case RecBlank:
            need(r, 6);
            put(pos(at), {});
            break;
        case RecMulBlank: cellsInRow(r, 2, [](size_t) { return CellValue{}; }); break;
        case RecLabelSst: {
            need(r, 10);
            const uint32_t index = le32(s_, at + 6);
            if (!g_.biff8 || index >= g_.strings.size()) damaged();
            put(pos(at), text(g_.strings[index]));
            break;
        }
        case RecLabel:
        case RecRString:
            need(r, 6);
            put(pos(at), text(g_.biff8 ? unicodeText(s_, r, at + 6) : byteText(s_, r, at + 6, g_)));
            break;
        case RecBoolErr:
            need(r, 8);
            put(pos(at), s_[at + 7] ? CellValue::ofText(errorText(uint8_t(s_[at + 6])))
                                    : CellValue::ofNumber(uint8_t(s_[at + 6]) ? 1 : 0));
            break;
        case RecFormula: formula(r); break;
        case RecString:
            if (pendingText_.first) {
                const Pos p = pendingText_;
                put(p, text(g_.biff8 ? formulaText(r) : byteText(s_, r, r.at, g_)));
            }
            break;
        default: break;
        }
    }

    // A sheet larger than the format allows cannot be a sound file.
    void dimensions(const Record& r) {
        uint32_t firstRow, endRow;
        unsigned firstCol, endCol;
        if (g_.biff8) {
            need(r, 12);
            firstRow = le32(s_, r.at);
            endRow = le32(s_, r.at + 4);
            firstCol = le16(s_, r.at + 8);
            endCol = le16(s_, r.at + 10);
        } else {
            need(r, 8);
            firstRow = le16(s_, r.at);
            endRow = le16(s_, r.at + 2);
            firstCol = le16(s_, r.at + 4);
            endCol = le16(s_, r.at + 6);
        }
        if (endRow > uint32_t(MaxSheetRows) || endCol > unsigned(MaxSheetCols) || firstRow > endRow ||
            firstCol > endCol)
            damaged();
    }

    // The cached result: a number, or in the last two bytes 0xFFFF and in the first the kind of
    // the other results (text in the STRING record that follows, a truth value, an error, an
    // empty text).
    void formula(const Record& r) {
        need(r, 14);
        const Pos p = pos(r.at);
        const size_t v = r.at + 6;
        if (le16(s_, v + 6) != 0xFFFF) {
            put(p, CellValue::ofNumber(f64(s_, v)));
            return;
        }
        switch (uint8_t(s_[v])) {
        case 0:
            put(p, {});
            pendingText_ = p;
            break;
        case 1: put(p, CellValue::ofNumber(s_[v + 2] ? 1 : 0)); break;
        case 2: put(p, CellValue::ofText(errorText(uint8_t(s_[v + 2])))); break;
        default: put(p, {}); break;
        }
    }

    std::string formulaText(const Record& r) {
        Pieces p(s_, r);
        const uint16_t n = p.u16();
        const bool wide = p.u8() & 1;
        return utf8Of(p.chars(n, wide));
    }

    const std::string& s_;
    const Globals& g_;
    WorkbookCells cells_;
    Pos pendingText_{};
};

}  // namespace

WorkbookCells ReadBiffStream(const std::string& stream) {
    const Globals g = readGlobals(stream);
    return SheetReader(stream, g).read();
}
