// The .xls reader on any bytes: a compound document goes through the container reader and then
// the record reader; other bytes go to the record reader alone as a workbook stream, so that
// its records are tried without a container around them.
#include <cstdint>
#include <cstring>

#include "platform/xlsread.h"
#include "tests/platform/fuzzworkbook.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    try {
        FuzzCheckCells(ReadXlsBytes(bytes, "t.xls"));
    } catch (const WorkbookError& e) {
        FuzzCheckRefusal(e, "t.xls");
    }
    if (size >= 4 && std::memcmp(data, "\xD0\xCF\x11\xE0", 4) != 0) {
        try {
            FuzzCheckCells(ReadBiffStream(bytes));
        } catch (const XlsFault& f) {
            FUZZ_CHECK(!f.why.empty());
        }
    }
    return 0;
}
