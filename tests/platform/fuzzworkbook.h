#pragma once
// What every workbook a reader gives back must hold, and what its refusal must say, whatever
// the bytes were.
#include <string>

#include "platform/workbookfile.h"
#include "tests/common/fuzzcheck.h"

inline bool FuzzValidUtf8(const std::string& s) {
    size_t i = 0;
    while (i < s.size()) {
        const unsigned char c = s[i];
        const size_t len = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
        if (!len || i + len > s.size()) return false;
        for (size_t k = 1; k < len; ++k)
            if ((static_cast<unsigned char>(s[i + k]) >> 6) != 2) return false;
        i += len;
    }
    return true;
}

inline void FuzzCheckCells(const WorkbookCells& cells) {
    for (const auto& [pos, cell] : cells) {
        FUZZ_CHECK(pos.first >= 1 && pos.first <= MaxSheetRows && pos.second >= 1 && pos.second <= MaxSheetCols);
        FUZZ_CHECK(cell.kind != CellValue::Empty);
        if (cell.kind == CellValue::Text) FUZZ_CHECK(!cell.text.empty() && FuzzValidUtf8(cell.text));
    }
}

// A refusal names the file first, as the error box shows it.
inline void FuzzCheckRefusal(const WorkbookError& e, const std::string& path) {
    const std::string what = e.what();
    const std::string head = "Cannot open \"" + path + "\": ";
    FUZZ_CHECK(what.size() > head.size() && what.compare(0, head.size(), head) == 0);
}
