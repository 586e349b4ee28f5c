#pragma once
// Workbook files: the first sheet of an .xls (BIFF5 or BIFF8, read by our own record reader) or
// of a tab-separated .txt file, and one-sheet .xls files of texts and numbers written as BIFF8.
// Plain C++ without Qt, so that the fuzz build takes the readers alone.
#include <map>
#include <string>
#include <utility>

#include "common/errors.h"

// A workbook that cannot be read or written, or a call the application refuses.
struct WorkbookError : AppError {
    explicit WorkbookError(const std::string& message) : AppError(message) {}
};

struct CellValue {
    enum Kind { Empty, Number, Text };
    Kind kind = Empty;
    double number = 0;
    std::string text;  // UTF-8

    static CellValue ofNumber(double x) { return {Number, x, {}}; }
    static CellValue ofText(std::string t) { return {Text, 0, std::move(t)}; }
    bool operator==(const CellValue&) const = default;
};

// Cells by (row, column), both counted from 1; cells not present are empty.
using WorkbookCells = std::map<std::pair<int, int>, CellValue>;

// The sheet's limits in the binary format.
inline constexpr int MaxSheetRows = 65536;
inline constexpr int MaxSheetCols = 256;

// Reads the first sheet. .xls files (by content: a compound document, or by an .xls name) are
// read as binary workbooks, anything else as tab-separated text. Throws WorkbookError with a
// message that names the file and the fault; no file stays open afterwards.
WorkbookCells ReadWorkbookFile(const std::string& path);
WorkbookCells ReadXlsFile(const std::string& path);
WorkbookCells ReadTextWorkbookFile(const std::string& path);
// The same for a file's bytes already in memory; `path` names it in messages and by its
// extension.
WorkbookCells ReadWorkbookBytes(const std::string& bytes, const std::string& path);
WorkbookCells ReadXlsBytes(const std::string& bytes, const std::string& path);
// Text as a spreadsheet program opens it: tab-separated fields, rows ending in CR LF, LF or CR,
// blank rows counted, fields in double quotes may hold tabs, breaks and doubled quotes. A field
// that reads as a number (with DecimalSeparator) is a number cell. UTF-8 (a BOM is skipped),
// or Windows-1251 when the bytes are not UTF-8.
WorkbookCells ParseTextWorkbook(const std::string& bytes);

// The BIFF8 stream of a one-sheet workbook ("Sheet1") holding the cells: texts in the shared
// string table, numbers as full 8-byte values; padded to at least 4096 bytes, so that it never
// goes into a compound document's mini stream.
std::string Biff8WorkbookStream(const WorkbookCells& cells);
// A compound document (version 3, 512-byte sectors) holding `workbook` as its only stream,
// "Workbook", in sectors of its own: header, FAT (with DIFAT sectors past 109 FAT sectors),
// one directory sector, the stream. Throws WorkbookError for a stream shorter than 4096 bytes
// (it would belong in the mini stream) or longer than the format's 2 GiB.
std::string XlsCompoundDocument(const std::string& workbook);
// The whole .xls file: XlsCompoundDocument(Biff8WorkbookStream(cells)), built in memory.
std::string XlsDocument(const WorkbookCells& cells);
// Saves XlsDocument(cells) as every other file is saved (platform/fileio.h): an existing file
// is replaced only once the new one is complete. Defined in the platform library.
void WriteXlsFile(const std::string& path, const WorkbookCells& cells);
