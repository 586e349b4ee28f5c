// Reading the first sheet of a workbook file: .xls through our own record reader, text files
// as a spreadsheet program opens them. Everything is read into memory at once, so no file
// stays open.
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
#include "platform/xlsread.h"

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
std::string readAll(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        if (errno == ENOENT || errno == ENOTDIR) fail(path, "the file does not exist");
        fail(path, std::strerror(errno));
    }
    if (S_ISDIR(st.st_mode)) fail(path, "it is a folder");
    std::ifstream in(path, std::ios::binary);
    if (!in) fail(path, std::strerror(errno));
    std::string bytes(std::istreambuf_iterator<char>(in), {});
    if (in.bad()) fail(path, "read error");
    return bytes;
}

const char OleMagic[8] = {'\xD0', '\xCF', '\x11', '\xE0', '\xA1', '\xB1', '\x1A', '\xE1'};

bool isOle(const std::string& head) { return head.size() >= 8 && std::memcmp(head.data(), OleMagic, 8) == 0; }
bool isZip(const std::string& head) { return head.rfind("PK\x03\x04", 0) == 0; }

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

}  // namespace

WorkbookCells ReadXlsBytes(const std::string& bytes, const std::string& path) {
    if (bytes.empty()) fail(path, "the file is empty");
    if (isZip(bytes))
        fail(path, "it is an Excel 2007 or later workbook (.xlsx); save it as an Excel 97-2003 workbook (.xls)");
    if (!isOle(bytes)) fail(path, "it is not an Excel 97-2003 workbook (.xls)");
    try {
        return ReadBiffStream(WorkbookStreamOf(bytes));
    } catch (const XlsFault& f) {
        fail(path, f.why);
    } catch (const std::bad_alloc&) {
        fail(path, "out of memory");
    }
}

WorkbookCells ReadXlsFile(const std::string& path) { return ReadXlsBytes(readAll(path), path); }

WorkbookCells ParseTextWorkbook(const std::string& raw) {
    std::string bytes = raw;
    if (bytes.rfind("\xEF\xBB\xBF", 0) == 0) bytes.erase(0, 3);
    // A mark at the start does not make the rest UTF-8.
    if (!validUtf8(bytes)) bytes = Cp1251ToUtf8(bytes);

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

WorkbookCells ReadTextWorkbookFile(const std::string& path) {
    const std::string bytes = readAll(path);
    if (bytes.empty()) fail(path, "the file is empty");
    return ParseTextWorkbook(bytes);
}

WorkbookCells ReadWorkbookBytes(const std::string& bytes, const std::string& path) {
    if (bytes.empty()) fail(path, "the file is empty");
    // By content, as a spreadsheet program opens it; a .xls name must hold a binary workbook.
    if (isOle(bytes) || isZip(bytes) || extensionOf(path) == "xls") return ReadXlsBytes(bytes, path);
    return ParseTextWorkbook(bytes);
}

WorkbookCells ReadWorkbookFile(const std::string& path) { return ReadWorkbookBytes(readAll(path), path); }
