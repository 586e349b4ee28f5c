#pragma once
// The calibration table in a spreadsheet workbook: the export writes the layout below cell by
// cell, the import reads it back and resamples a short level-to-volume table to 4001 equally
// spaced points. Both drive the spreadsheet application through its seam (platform/workbook.h)
// and always close the workbook and end the application, whatever happens.
//
//   row 1..7, column A: "Pointer", "Version", "Step", "Points", "1- l/mm 0 - mm/l", "Max level",
//   "Max Volume"; column B: "10", "10", Step, Count, "1"/"0" (mode), last level, last volume;
//   row 9 + i: level and volume of point i.
#include <QString>
#include <functional>
#include <optional>

#include "common/tankcfgtypes.h"
#include "platform/prompts.h"
#include "platform/workbook.h"

// The message box of a refused point count (caption "Error", OK button).
inline constexpr char PointCountCaption[] = "Error";
inline constexpr char PointCountText[] = "Error : Number of points must between 10 and 4000 !";

struct TableImportOptions {
    bool interpolate = true;  // "Use interpolation"
    // Runs once B3..B7 are read, before anything changes, with B3's text and the mode the
    // table takes: the editor checks there that its grid layout accepts that step, so a step
    // the layout would refuse ends the import with nothing changed. Empty: no check.
    std::function<void(const QString& stepText, uint8_t mode)> checkLayout;
};

struct TableImport {
    TCalTable table{};       // the new working table
    bool resampled = false;  // "Table from file" is checked; source is the table as read
    TCalTable source{};      // valid when resampled: the new source and file tables
    QString fileStep;        // B3 as text: the step edit's text while the mode's layout runs
    QString step;            // the step as general text: the step edit's text at the end
};

// The import after its open dialog: `app` is the application object created before the
// dialog, `current` the working table (its origin point and the points past the file's count
// carry over). Returns the new table, or nothing when the point count is refused (the box
// has been shown). Any other failure throws an AppError; the caller's tables stay as they are.
std::optional<TableImport> ImportCalTable(WorkbookApp& app, const QString& fileName, const TCalTable& current,
                                          const TableImportOptions& options);

// The export after its save dialog, on a newly created application object. A Count above 4000
// is written as 4000, the most the table holds.
void ExportCalTable(WorkbookApp& app, const QString& fileName, const TCalTable& table);

// The editor's two file dialogs as the window starts with them (OpenDialog1, SaveDialog1).
FileDialogSpec TableOpenDialogSpec();
FileDialogSpec TableSaveDialogSpec();
