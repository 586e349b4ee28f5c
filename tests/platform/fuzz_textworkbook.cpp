// The text workbook reader on any bytes: it takes every text, so nothing may be refused.
#include <cstdint>

#include "tests/platform/fuzzworkbook.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzCheckCells(ParseTextWorkbook(std::string(reinterpret_cast<const char*>(data), size)));
    return 0;
}
