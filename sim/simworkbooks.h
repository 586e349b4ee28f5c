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
};

class SimWorkbookApp : public WorkbookApp {
public:
    explicit SimWorkbookApp(SimWorkbooks& owner) : owner_(owner) {}
    ~SimWorkbookApp() override;
    void setVisible(bool visible) override;
    void open(const QString& fileName) override;
    void add() override;
    void activateSheet(int index) override;
    QString cellText(int row, int col) override;
    double cellNumber(int row, int col) override;
    void setCellText(int row, int col, const QString& text) override;
    void setCellInteger(int row, int col, int value) override;
    void setCellFloat(int row, int col, float value) override;
    void saveAs(const QString& fileName) override;
    void close() override;
    void quit() override;

private:
    void call(const QString& what);
    const CellValue& at(int row, int col);
    SimWorkbooks& owner_;
    bool quit_ = false;
    bool open_ = false;
    bool activated_ = false;
    WorkbookCells cells_;
};
