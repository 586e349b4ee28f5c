#include "platform/workbook.h"

#include "common/numtext.h"

QString CellAsText(const CellValue& cell) {
    switch (cell.kind) {
    case CellValue::Number: return QString::fromStdString(FormatGeneral(cell.number));
    case CellValue::Text: return QString::fromStdString(cell.text);
    case CellValue::Empty: break;
    }
    return {};
}

double CellAsNumber(const CellValue& cell) {
    switch (cell.kind) {
    case CellValue::Number: return cell.number;
    case CellValue::Text: return ParseFloat(cell.text);
    case CellValue::Empty: break;
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

void RealWorkbookApp::setVisible(bool visible) {
    note({WorkbookCall::Visible, 0, 0, double(visible)});
    alive();
}

WorkbookCells RealWorkbookApp::load(const QString& fileName) { return ReadWorkbookFile(fileName.toStdString()); }

void RealWorkbookApp::store(const QString& fileName, const WorkbookCells& cells) {
    WriteXlsFile(fileName.toStdString(), cells);
}

void RealWorkbookApp::open(const QString& fileName) {
    note({WorkbookCall::Open, 0, 0, 0, &fileName});
    alive();
    // Read first: a file that fails leaves the application as it was.
    WorkbookCells cells = load(fileName);
    cells_ = std::move(cells);
    open_ = true;
    activated_ = false;
}

void RealWorkbookApp::add() {
    note({WorkbookCall::Add});
    alive();
    cells_.clear();
    open_ = true;
    activated_ = false;
}

void RealWorkbookApp::activateSheet(int index) {
    note({WorkbookCall::Activate, index});
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

QString RealWorkbookApp::cellText(int row, int col) {
    note({WorkbookCall::ReadText, row, col});
    return CellAsText(at(row, col));
}

double RealWorkbookApp::cellNumber(int row, int col) {
    note({WorkbookCall::ReadNumber, row, col});
    return CellAsNumber(at(row, col));
}

void RealWorkbookApp::setCellText(int row, int col, const QString& text) {
    note({WorkbookCall::WriteText, row, col, 0, &text});
    slot(row, col) = text.isEmpty() ? CellValue{} : CellValue::ofText(text.toStdString());
}

void RealWorkbookApp::setCellInteger(int row, int col, int value) {
    note({WorkbookCall::WriteInteger, row, col, double(value)});
    slot(row, col) = CellValue::ofNumber(value);
}

void RealWorkbookApp::setCellFloat(int row, int col, float value) {
    note({WorkbookCall::WriteFloat, row, col, double(value)});
    slot(row, col) = CellValue::ofNumber(value);
}

void RealWorkbookApp::saveAs(const QString& fileName) {
    note({WorkbookCall::SaveAs, 0, 0, 0, &fileName});
    alive();
    if (!open_) throw WorkbookError("No workbook is open");
    store(fileName, cells_);
}

void RealWorkbookApp::close() {
    note({WorkbookCall::Close});
    alive();
    cells_.clear();
    open_ = false;
    activated_ = false;
}

void RealWorkbookApp::quit() {
    note({WorkbookCall::Quit});
    alive();
    cells_.clear();
    open_ = false;
    activated_ = false;
    quit_ = true;
}

std::unique_ptr<WorkbookApp> RealWorkbooks::create() { return std::make_unique<RealWorkbookApp>(); }
