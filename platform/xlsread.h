#pragma once
// The two layers of an .xls file, each taking bytes a technician's file may have made up:
// the compound document that holds the workbook stream, and the BIFF5/BIFF8 records of that
// stream. Every length and offset is checked before it is used, and nothing is allocated
// beyond what the bytes at hand can fill.
#include <cstdint>
#include <string>

#include "platform/workbookfile.h"

// Why the bytes cannot be read, as the error box says it after the file's name.
struct XlsFault {
    std::string why;
};

inline constexpr char XlsDamaged[] = "the file is damaged or truncated";

// Little-endian numbers at a byte offset the caller has checked.
inline uint16_t XlsLe16(const std::string& s, size_t at) { return uint16_t(uint8_t(s[at]) | uint8_t(s[at + 1]) << 8); }
inline uint32_t XlsLe32(const std::string& s, size_t at) { return XlsLe16(s, at) | uint32_t(XlsLe16(s, at + 2)) << 16; }

// The "Workbook" (BIFF8) or "Book" (BIFF5) stream of a compound document. Throws XlsFault.
std::string WorkbookStreamOf(const std::string& file);

// The cells of the first worksheet (by the order of the sheet list) of a workbook stream.
// Throws XlsFault.
WorkbookCells ReadBiffStream(const std::string& stream);
