#pragma once
// The spreadsheet application's twin for tests: every call is recorded as a line of text, and
// workbooks live in memory under their file names. A name not held in memory is read from disk
// with the real readers, so a test can also import real files; saved workbooks go to disk too
// when writeToDisk is set.
#include <QString>
#include <QStringList>
#include <functional>
#include <map>

#include "platform/workbook.h"

class SimWorkbooks : public Workbooks {
public:
    std::unique_ptr<WorkbookApp> create() override;

    // The calls in order, e.g. "create", "visible 0", "open data/t.xls", "add", "activate 1",
    // "text B4", "number A10", "write A1 text Pointer", "write B4 integer 4000",
    // "write B3 float 0.5", "saveas data/t.xls", "close", "quit", and "release" when the
    // program lets go of the application object.
    QStringList calls;
    // Workbooks by file name: open reads from here first, saveAs stores here.
    std::map<QString, WorkbookCells> files;
    bool writeToDisk = false;
    // Runs before each call with its record; throw from it to make that call fail.
    std::function<void(const QString& call)> fault;
    // Application objects not yet released.
    int live = 0;

    void clear() { calls.clear(); }
    // Records a call and lets the fault hook fail it.
    void record(const QString& call);
};

// The real application on the twin's files, recording each call before it runs.
class SimWorkbookApp : public RealWorkbookApp {
public:
    explicit SimWorkbookApp(SimWorkbooks& owner) : owner_(owner) {}
    ~SimWorkbookApp() override;

protected:
    void note(const WorkbookCall& call) override;
    WorkbookCells load(const QString& fileName) override;
    void store(const QString& fileName, const WorkbookCells& cells) override;

private:
    SimWorkbooks& owner_;
};
