#include "platform/workbook.h"

#include "common/numtext.h"

QString CellAsText(const CellValue& cell) {
    switch (cell.kind) {
    case CellValue::Number:
        return QString::fromStdString(FormatGeneral(cell.number));
    case CellValue::Text:
        return QString::fromStdString(cell.text);
    case CellValue::Empty:
        break;
    }
    return {};
}

double CellAsNumber(const CellValue& cell) {
    switch (cell.kind) {
    case CellValue::Number:
        return cell.number;
    case CellValue::Text:
        return ParseFloat(cell.text);
    case CellValue::Empty:
        break;
    }
    return 0;
}

QString CellName(int row, int col) {
    QString letters;
    for (int c = col; c > 0; c = (c - 1) / 26) letters.prepend(QChar(u'A' + (c - 1) % 26));
    return letters + QString::number(row);
}

void RealWorkbookApp::alive() const {
    if (quit_) throw WorkbookError("The spreadsheet application has ended");
}

void RealWorkbookApp::setVisible(bool) { alive(); }

void RealWorkbookApp::open(const QString& fileName) {
    alive();
    // Read first: a file that fails leaves the application as it was.
    WorkbookCells cells = ReadWorkbookFile(fileName.toStdString());
    cells_ = std::move(cells);
    open_ = true;
    activated_ = false;
}

void RealWorkbookApp::add() {
    alive();
    cells_.clear();
    open_ = true;
    activated_ = false;
}

void RealWorkbookApp::activateSheet(int index) {
    alive();
    if (!open_) throw WorkbookError("No workbook is open");
    if (index != 1) throw WorkbookError("The workbook has no worksheet " + std::to_string(index));
    activated_ = true;
}

const CellValue& RealWorkbookApp::at(int row, int col) {
    static const CellValue empty;
    alive();
    if (!activated_) throw WorkbookError("No worksheet is active");
    if (row < 1 || row > MaxSheetRows || col < 1 || col > MaxSheetCols)
        throw WorkbookError("Cell outside the sheet: row " + std::to_string(row) + ", column " + std::to_string(col));
    const auto it = cells_.find({row, col});
    return it == cells_.end() ? empty : it->second;
}

CellValue& RealWorkbookApp::slot(int row, int col) {
    at(row, col);
    return cells_[{row, col}];
}

QString RealWorkbookApp::cellText(int row, int col) { return CellAsText(at(row, col)); }
double RealWorkbookApp::cellNumber(int row, int col) { return CellAsNumber(at(row, col)); }

void RealWorkbookApp::setCellText(int row, int col, const QString& text) {
    slot(row, col) = text.isEmpty() ? CellValue{} : CellValue::ofText(text.toStdString());
}
void RealWorkbookApp::setCellInteger(int row, int col, int value) { slot(row, col) = CellValue::ofNumber(value); }
void RealWorkbookApp::setCellFloat(int row, int col, float value) { slot(row, col) = CellValue::ofNumber(value); }

void RealWorkbookApp::saveAs(const QString& fileName) {
    alive();
    if (!open_) throw WorkbookError("No workbook is open");
    WriteXlsFile(fileName.toStdString(), cells_);
}

void RealWorkbookApp::close() {
    alive();
    cells_.clear();
    open_ = false;
    activated_ = false;
}

void RealWorkbookApp::quit() {
    alive();
    close();
    quit_ = true;
}

std::unique_ptr<WorkbookApp> RealWorkbooks::create() { return std::make_unique<RealWorkbookApp>(); }
