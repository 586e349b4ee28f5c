#pragma once
// A calibration table of `points` levels as Marvane exports it: the head in rows 1 to 7, then
// level and volume from row 10, all of them single-precision values as the table keeps them.
#include <cmath>

#include "platform/workbookfile.h"

inline WorkbookCells TableCells(int points) {
    WorkbookCells c;
    const char* a[] = {"Pointer", "Version", "Step", "Points", "1- l/mm 0 - mm/l", "Max level", "Max Volume"};
    for (int r = 1; r <= 7; ++r) c[{r, 1}] = CellValue::ofText(a[r - 1]);
    c[{1, 2}] = CellValue::ofText("10");
    c[{2, 2}] = CellValue::ofText("10");
    c[{3, 2}] = CellValue::ofNumber(double(0.5f));
    c[{4, 2}] = CellValue::ofNumber(points);
    c[{5, 2}] = CellValue::ofText(points % 2 ? "1" : "0");
    for (int i = 1; i <= points; ++i) {
        c[{9 + i, 1}] = CellValue::ofNumber(double(float(i * 0.5)));
        c[{9 + i, 2}] = CellValue::ofNumber(double(float(3 * i + 40 * std::sin(i / 30.0))));
    }
    c[{6, 2}] = c[{9 + points, 1}];
    c[{7, 2}] = c[{9 + points, 2}];
    return c;
}
