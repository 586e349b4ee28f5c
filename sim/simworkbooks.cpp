#include "sim/simworkbooks.h"

#include "common/numtext.h"

void SimWorkbooks::record(const QString& call) {
    calls << call;
    if (fault) fault(call);
}

std::unique_ptr<WorkbookApp> SimWorkbooks::create() {
    record(QStringLiteral("create"));
    ++live;
    return std::make_unique<SimWorkbookApp>(*this);
}

SimWorkbookApp::~SimWorkbookApp() {
    owner_.calls << QStringLiteral("release");
    --owner_.live;
}

void SimWorkbookApp::note(const WorkbookCall& c) {
    const QString cell = CellName(c.row, c.col);
    const QString number = QString::fromStdString(FormatGeneral(c.number));
    switch (c.op) {
    case WorkbookCall::Visible: return owner_.record(QStringLiteral("visible ") + number);
    case WorkbookCall::Open: return owner_.record(QStringLiteral("open ") + *c.text);
    case WorkbookCall::Add: return owner_.record(QStringLiteral("add"));
    case WorkbookCall::Activate: return owner_.record(QStringLiteral("activate %1").arg(c.row));
    case WorkbookCall::ReadText: return owner_.record(QStringLiteral("text ") + cell);
    case WorkbookCall::ReadNumber: return owner_.record(QStringLiteral("number ") + cell);
    case WorkbookCall::WriteText: return owner_.record(QStringLiteral("write %1 text %2").arg(cell, *c.text));
    case WorkbookCall::WriteInteger: return owner_.record(QStringLiteral("write %1 integer %2").arg(cell, number));
    case WorkbookCall::WriteFloat: return owner_.record(QStringLiteral("write %1 float %2").arg(cell, number));
    case WorkbookCall::SaveAs: return owner_.record(QStringLiteral("saveas ") + *c.text);
    case WorkbookCall::Close: return owner_.record(QStringLiteral("close"));
    case WorkbookCall::Quit: return owner_.record(QStringLiteral("quit"));
    }
}

WorkbookCells SimWorkbookApp::load(const QString& fileName) {
    const auto it = owner_.files.find(fileName);
    return it != owner_.files.end() ? it->second : RealWorkbookApp::load(fileName);
}

void SimWorkbookApp::store(const QString& fileName, const WorkbookCells& cells) {
    if (owner_.writeToDisk) RealWorkbookApp::store(fileName, cells);
    owner_.files[fileName] = cells;
}
