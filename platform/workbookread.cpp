// Reading the first sheet of a workbook file: .xls through freexl, text files as a spreadsheet
// program opens them. Everything is read into memory at once, so no file stays open.
// freexl leaves formula cells out and reads on into an encrypted stream, so the workbook stream
// is also walked here (through libgsf) for the password record and the formulas' results.
#include <freexl.h>
#include <gsf/gsf-infile-msole.h>
#include <gsf/gsf-infile.h>
#include <gsf/gsf-input-stdio.h>
#include <gsf/gsf-utils.h>
#include <sys/stat.h>

#include <cctype>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

#include "common/cp1251.h"
#include "common/numtext.h"
#include "platform/workbookfile.h"

namespace {

[[noreturn]] void fail(const std::string& path, const std::string& why) {
    throw WorkbookError("Cannot open \"" + path + "\": " + why);
}

std::string extensionOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    const size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
    std::string ext = path.substr(dot + 1);
    for (char& c : ext) c = char(std::tolower(static_cast<unsigned char>(c)));
    return ext;
}

// The whole file; a missing, unreadable or empty file is refused here.
std::string readAll(const std::string& path, size_t limit = std::string::npos) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        if (errno == ENOENT || errno == ENOTDIR) fail(path, "the file does not exist");
        fail(path, std::strerror(errno));
    }
    if (S_ISDIR(st.st_mode)) fail(path, "it is a folder");
    std::ifstream in(path, std::ios::binary);
    if (!in) fail(path, std::strerror(errno));
    std::string bytes;
    if (limit == std::string::npos) {
        bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    } else {
        bytes.resize(limit);
        in.read(bytes.data(), std::streamsize(limit));
        bytes.resize(size_t(in.gcount()));
    }
    if (in.bad()) fail(path, "read error");
    if (bytes.empty()) fail(path, "the file is empty");
    return bytes;
}

const char OleMagic[8] = {'\xD0', '\xCF', '\x11', '\xE0', '\xA1', '\xB1', '\x1A', '\xE1'};

bool isOle(const std::string& head) { return head.size() >= 8 && std::memcmp(head.data(), OleMagic, 8) == 0; }
bool isZip(const std::string& head) { return head.rfind("PK\x03\x04", 0) == 0; }

std::string freexlFault(int rc) {
    switch (rc) {
    case FREEXL_INSUFFICIENT_MEMORY:
        return "out of memory";
    case FREEXL_BIFF_WORKBOOK_NOT_FOUND:
        return "the file holds no Excel workbook";
    case FREEXL_INVALID_CHARACTER:
    case FREEXL_UNSUPPORTED_CHARSET:
        return "the workbook's text encoding cannot be read";
    case FREEXL_OK:
        return "the file is damaged or truncated";
    default:
        return "the file is damaged or truncated (error " + std::to_string(rc) + ")";
    }
}

struct FreexlHandle {
    const void* h = nullptr;
    ~FreexlHandle() {
        if (h) freexl_close(h);
    }
};

bool validUtf8(const std::string& s) {
    size_t i = 0;
    while (i < s.size()) {
        const unsigned char c = s[i];
        int len = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
        if (!len || i + len > s.size()) return false;
        for (int k = 1; k < len; ++k)
            if ((static_cast<unsigned char>(s[i + k]) >> 6) != 2) return false;
        i += len;
    }
    return true;
}

uint16_t le16(const std::string& s, size_t at) { return uint16_t(uint8_t(s[at]) | uint8_t(s[at + 1]) << 8); }
uint32_t le32(const std::string& s, size_t at) { return le16(s, at) | uint32_t(le16(s, at + 2)) << 16; }

// libgsf complains on the console about blocks past the end of a truncated file; the reader
// reports that file as damaged, so the complaint is kept quiet while it reads.
class QuietGsf {
public:
    QuietGsf() {
        for (int i = 0; i < 2; ++i)
            ids_[i] = g_log_set_handler(domains_[i], GLogLevelFlags(G_LOG_LEVEL_CRITICAL | G_LOG_LEVEL_WARNING),
                                        [](const gchar*, GLogLevelFlags, const gchar*, gpointer) {}, nullptr);
    }
    ~QuietGsf() {
        for (int i = 0; i < 2; ++i) g_log_remove_handler(domains_[i], ids_[i]);
    }

private:
    const char* domains_[2] = {"libgsf", "libgsf:msole"};
    guint ids_[2] = {};
};

// The "Workbook" (BIFF8) or "Book" (BIFF5) stream of a compound document.
std::string workbookStream(const std::string& path) {
    QuietGsf quiet;
    GError* err = nullptr;
    GsfInput* file = gsf_input_stdio_new(path.c_str(), &err);
    if (!file) {
        std::string why = err ? err->message : "read error";
        if (err) g_error_free(err);
        fail(path, why);
    }
    GsfInfile* ole = gsf_infile_msole_new(file, &err);
    g_object_unref(file);
    if (!ole) {
        if (err) g_error_free(err);
        fail(path, "the file is damaged or truncated");
    }
    GsfInput* book = gsf_infile_child_by_name(ole, "Workbook");
    if (!book) book = gsf_infile_child_by_name(ole, "Book");
    g_object_unref(ole);
    if (!book) fail(path, "the file holds no Excel workbook");
    std::string bytes(size_t(gsf_input_size(book)), '\0');
    const bool ok = bytes.empty() || gsf_input_read(book, bytes.size(), reinterpret_cast<guint8*>(bytes.data()));
    g_object_unref(book);
    if (!ok) fail(path, "the file is damaged or truncated");
    return bytes;
}

// Walks the records from `at` to the end of that substream; f(type, data offset, length).
template <class F>
void walkRecords(const std::string& s, size_t at, F f) {
    while (at + 4 <= s.size()) {
        const unsigned type = le16(s, at);
        const size_t len = le16(s, at + 2);
        if (at + 4 + len > s.size()) return;
        if (!f(type, at + 4, len) || type == 0x000A) return;
        at += 4 + len;
    }
}

struct StreamFacts {
    bool password = false;
    long firstSheet = -1;  // stream offset of the first worksheet's BOF
    bool biff8 = true;
    unsigned codePage = 1252;
};

StreamFacts globalsOf(const std::string& s) {
    StreamFacts facts;
    if (s.size() >= 8 && le16(s, 0) == 0x0809) facts.biff8 = le16(s, 4) == 0x0600;
    walkRecords(s, 0, [&](unsigned type, size_t at, size_t len) {
        if (type == 0x002F) facts.password = true;  // FILEPASS
        if (type == 0x0042 && len >= 2) facts.codePage = le16(s, at);
        if (type == 0x0085 && len >= 6 && facts.firstSheet < 0 && uint8_t(s[at + 5]) == 0)
            facts.firstSheet = long(le32(s, at));
        return true;
    });
    return facts;
}

// FORMULA cells of the sheet with their cached results; a text result comes in the STRING
// record that follows.
void addFormulaResults(const std::string& s, const StreamFacts& facts, WorkbookCells& cells) {
    if (facts.firstSheet < 0 || size_t(facts.firstSheet) >= s.size()) return;
    std::pair<int, int> pendingText{0, 0};
    walkRecords(s, size_t(facts.firstSheet), [&](unsigned type, size_t at, size_t len) {
        if (type == 0x0006 && len >= 14) {
            const std::pair<int, int> pos{le16(s, at) + 1, le16(s, at + 2) + 1};
            pendingText = {0, 0};
            const size_t r = at + 6;
            if (le16(s, r + 6) != 0xFFFF) {
                double x;
                std::memcpy(&x, s.data() + r, 8);
                cells[pos] = CellValue::ofNumber(x);
            } else if (s[r] == 0) {
                pendingText = pos;
            } else if (s[r] == 1) {
                cells[pos] = CellValue::ofNumber(s[r + 2] ? 1 : 0);
            }
        } else if (type == 0x0207 && pendingText.first && len >= 2) {
            const size_t n = le16(s, at);
            std::string text;
            if (!facts.biff8) {
                // Single-byte text in the workbook's code page.
                const std::string bytes = s.substr(at + 2, std::min(n, len - 2));
                if (facts.codePage == 1251) {
                    text = Cp1251ToUtf8(bytes);
                } else {
                    for (unsigned char c : bytes) {
                        if (c < 0x80) {
                            text += char(c);
                        } else {
                            text += char(0xC0 | (c >> 6));
                            text += char(0x80 | (c & 0x3F));
                        }
                    }
                }
            } else if (len >= 3) {
                const bool wide = s[at + 2] & 1;
                std::u16string u;
                for (size_t i = 0; i < n; ++i) {
                    const size_t p = at + 3 + i * (wide ? 2 : 1);
                    if (p + (wide ? 2 : 1) > at + len) break;
                    u.push_back(wide ? char16_t(le16(s, p)) : char16_t(uint8_t(s[p])));
                }
                for (char16_t c : u) {  // UTF-16 to UTF-8, surrogates as they come
                    if (c < 0x80) {
                        text += char(c);
                    } else if (c < 0x800) {
                        text += char(0xC0 | (c >> 6));
                        text += char(0x80 | (c & 0x3F));
                    } else {
                        text += char(0xE0 | (c >> 12));
                        text += char(0x80 | ((c >> 6) & 0x3F));
                        text += char(0x80 | (c & 0x3F));
                    }
                }
            }
            cells[pendingText] = text.empty() ? CellValue{} : CellValue::ofText(text);
            pendingText = {0, 0};
        }
        return true;
    });
}

}  // namespace

WorkbookCells ReadXlsFile(const std::string& path) {
    const std::string head = readAll(path, 8);
    if (isZip(head)) fail(path, "it is an Excel 2007 or later workbook (.xlsx); save it as an Excel 97-2003 workbook (.xls)");
    if (!isOle(head)) fail(path, "it is not an Excel 97-2003 workbook (.xls)");

    const std::string stream = workbookStream(path);
    const StreamFacts facts = globalsOf(stream);
    if (facts.password) fail(path, "the workbook is protected by a password");

    FreexlHandle x;
    const int rc = freexl_open(path.c_str(), &x.h);
    // freexl may also give OK without a handle when a record does not parse.
    if (rc != FREEXL_OK || !x.h) fail(path, freexlFault(rc));
    unsigned info = 0;
    if (freexl_get_info(x.h, FREEXL_BIFF_SHEET_COUNT, &info) != FREEXL_OK || info == 0)
        fail(path, "the workbook has no worksheet");
    if (freexl_select_active_worksheet(x.h, 0) != FREEXL_OK) fail(path, "the first worksheet cannot be read");
    unsigned rows = 0;
    unsigned short cols = 0;
    if (freexl_worksheet_dimensions(x.h, &rows, &cols) != FREEXL_OK) fail(path, "the first worksheet cannot be read");

    WorkbookCells cells;
    for (unsigned r = 0; r < rows && r < unsigned(MaxSheetRows); ++r) {
        for (unsigned short c = 0; c < cols && c < MaxSheetCols; ++c) {
            FreeXL_CellValue v;
            const int cr = freexl_get_cell_value(x.h, r, c, &v);
            if (cr != FREEXL_OK) fail(path, freexlFault(cr));
            CellValue cell;
            switch (v.type) {
            case FREEXL_CELL_INT:
                cell = CellValue::ofNumber(v.value.int_value);
                break;
            case FREEXL_CELL_DOUBLE:
                cell = CellValue::ofNumber(v.value.double_value);
                break;
            case FREEXL_CELL_TEXT:
            case FREEXL_CELL_SST_TEXT:
            case FREEXL_CELL_DATE:
            case FREEXL_CELL_DATETIME:
            case FREEXL_CELL_TIME:
                cell = CellValue::ofText(v.value.text_value ? v.value.text_value : "");
                break;
            default:
                continue;
            }
            cells[{int(r) + 1, int(c) + 1}] = std::move(cell);
        }
    }
    addFormulaResults(stream, facts, cells);
    return cells;
}

WorkbookCells ParseTextWorkbook(const std::string& raw) {
    std::string bytes = raw;
    if (bytes.rfind("\xEF\xBB\xBF", 0) == 0)
        bytes.erase(0, 3);
    else if (!validUtf8(bytes))
        bytes = Cp1251ToUtf8(bytes);

    WorkbookCells cells;
    int row = 1;
    int col = 1;
    std::string field;
    bool quotedField = false;
    auto put = [&] {
        if (!field.empty() && row <= MaxSheetRows && col <= MaxSheetCols) {
            double x;
            if (TryParseFloat(field, x))
                cells[{row, col}] = CellValue::ofNumber(x);
            else
                cells[{row, col}] = CellValue::ofText(field);
        }
        field.clear();
        quotedField = false;
    };
    size_t i = 0;
    const size_t n = bytes.size();
    while (i < n) {
        const char c = bytes[i];
        if (c == '"' && field.empty() && !quotedField) {
            // A quoted part ends at a quote that is not doubled; what follows it up to the next
            // tab or break belongs to the field as well.
            quotedField = true;
            ++i;
            while (i < n) {
                if (bytes[i] == '"') {
                    if (i + 1 < n && bytes[i + 1] == '"') {
                        field += '"';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                field += bytes[i++];
            }
            continue;
        }
        if (c == '\t') {
            put();
            ++col;
            ++i;
        } else if (c == '\r' || c == '\n') {
            put();
            ++row;
            col = 1;
            i += (c == '\r' && i + 1 < n && bytes[i + 1] == '\n') ? 2 : 1;
        } else {
            field += c;
            ++i;
        }
    }
    put();
    return cells;
}

WorkbookCells ReadTextWorkbookFile(const std::string& path) { return ParseTextWorkbook(readAll(path)); }

WorkbookCells ReadWorkbookFile(const std::string& path) {
    const std::string head = readAll(path, 8);
    // By content, as a spreadsheet program opens it; a .xls name must hold a binary workbook.
    if (isOle(head) || isZip(head) || extensionOf(path) == "xls") return ReadXlsFile(path);
    return ReadTextWorkbookFile(path);
}
