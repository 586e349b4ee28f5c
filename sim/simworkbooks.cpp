#include "sim/simworkbooks.h"

#include "common/numtext.h"

std::unique_ptr<WorkbookApp> SimWorkbooks::create() {
    calls << QStringLiteral("create");
    if (fault) fault(QStringLiteral("create"));
    ++live;
    return std::make_unique<SimWorkbookApp>(*this);
}

SimWorkbookApp::~SimWorkbookApp() {
    owner_.calls << QStringLiteral("release");
    --owner_.live;
}

void SimWorkbookApp::call(const QString& what) {
    owner_.calls << what;
    if (owner_.fault) owner_.fault(what);
    if (quit_) throw WorkbookError("The spreadsheet application has ended");
}

void SimWorkbookApp::setVisible(bool visible) { call(QStringLiteral("visible %1").arg(int(visible))); }

void SimWorkbookApp::open(const QString& fileName) {
    call(QStringLiteral("open ") + fileName);
    const auto it = owner_.files.find(fileName);
    cells_ = it != owner_.files.end() ? it->second : ReadWorkbookFile(fileName.toStdString());
    open_ = true;
    activated_ = false;
}

void SimWorkbookApp::add() {
    call(QStringLiteral("add"));
    cells_.clear();
    open_ = true;
    activated_ = false;
}

void SimWorkbookApp::activateSheet(int index) {
    call(QStringLiteral("activate %1").arg(index));
    if (!open_) throw WorkbookError("No workbook is open");
    if (index != 1) throw WorkbookError("The workbook has no worksheet " + std::to_string(index));
    activated_ = true;
}

const CellValue& SimWorkbookApp::at(int row, int col) {
    static const CellValue empty;
    if (!activated_) throw WorkbookError("No worksheet is active");
    if (row < 1 || row > MaxSheetRows || col < 1 || col > MaxSheetCols) throw WorkbookError("Cell outside the sheet");
    const auto it = cells_.find({row, col});
    return it == cells_.end() ? empty : it->second;
}

QString SimWorkbookApp::cellText(int row, int col) {
    call(QStringLiteral("text ") + CellName(row, col));
    return CellAsText(at(row, col));
}

double SimWorkbookApp::cellNumber(int row, int col) {
    call(QStringLiteral("number ") + CellName(row, col));
    return CellAsNumber(at(row, col));
}

void SimWorkbookApp::setCellText(int row, int col, const QString& text) {
    call(QStringLiteral("write %1 text %2").arg(CellName(row, col), text));
    at(row, col);
    cells_[{row, col}] = text.isEmpty() ? CellValue{} : CellValue::ofText(text.toStdString());
}

void SimWorkbookApp::setCellInteger(int row, int col, int value) {
    call(QStringLiteral("write %1 integer %2").arg(CellName(row, col)).arg(value));
    at(row, col);
    cells_[{row, col}] = CellValue::ofNumber(value);
}

void SimWorkbookApp::setCellFloat(int row, int col, float value) {
    call(QStringLiteral("write %1 float %2").arg(CellName(row, col), QString::fromStdString(FormatGeneral(value))));
    at(row, col);
    cells_[{row, col}] = CellValue::ofNumber(value);
}

void SimWorkbookApp::saveAs(const QString& fileName) {
    call(QStringLiteral("saveas ") + fileName);
    if (!open_) throw WorkbookError("No workbook is open");
    if (owner_.writeToDisk) WriteXlsFile(fileName.toStdString(), cells_);
    owner_.files[fileName] = cells_;
}

void SimWorkbookApp::close() {
    call(QStringLiteral("close"));
    cells_.clear();
    open_ = false;
    activated_ = false;
}

void SimWorkbookApp::quit() {
    call(QStringLiteral("quit"));
    cells_.clear();
    open_ = false;
    quit_ = true;
}
