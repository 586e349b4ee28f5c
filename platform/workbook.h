#pragma once
// The spreadsheet seam: the few calls of a spreadsheet application that the calibration table
// editor drives to exchange tables with workbooks. The real application reads .xls and .txt
// files and writes .xls files itself; tests install a twin that records every call.
#include <QString>
#include <memory>

#include "platform/workbookfile.h"

// The application object. Rows and columns count from 1 (column A = 1).
class WorkbookApp {
public:
    virtual ~WorkbookApp() = default;
    virtual void setVisible(bool visible) = 0;
    // Opens a workbook file; it becomes the active workbook.
    virtual void open(const QString& fileName) = 0;
    // Adds a new, empty workbook; it becomes the active workbook.
    virtual void add() = 0;
    virtual void activateSheet(int index) = 0;
    // A cell of the active sheet as text (a number as the general format shows it, an empty
    // cell as "") or as a number (an empty cell reads 0; a text must be a number).
    virtual QString cellText(int row, int col) = 0;
    virtual double cellNumber(int row, int col) = 0;
    virtual void setCellText(int row, int col, const QString& text) = 0;
    virtual void setCellInteger(int row, int col, int value) = 0;
    virtual void setCellFloat(int row, int col, float value) = 0;
    // Saves the active workbook as an .xls file.
    virtual void saveAs(const QString& fileName) = 0;
    // Closes every open workbook without asking.
    virtual void close() = 0;
    // Ends the application; nothing may be called afterwards.
    virtual void quit() = 0;
};

// Creates application objects.
class Workbooks {
public:
    virtual ~Workbooks() = default;
    virtual std::unique_ptr<WorkbookApp> create() = 0;
};

// The conversions a cell's value undergoes when the program reads it.
QString CellAsText(const CellValue& cell);
double CellAsNumber(const CellValue& cell);
// "B4" for row 4, column 2.
QString CellName(int row, int col);

// One call as the program makes it, for a twin that records the calls.
struct WorkbookCall {
    enum Op {
        Visible,
        Open,
        Add,
        Activate,
        ReadText,
        ReadNumber,
        WriteText,
        WriteInteger,
        WriteFloat,
        SaveAs,
        Close,
        Quit
    };
    Op op;
    int row = 0;  // cells; Activate: the sheet's index
    int col = 0;
    double number = 0;              // Visible, WriteInteger, WriteFloat
    const QString* text = nullptr;  // Open, SaveAs: the file name; WriteText
};

// Holds the workbook in memory between the calls; files are open only while read or written.
class RealWorkbookApp : public WorkbookApp {
public:
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

protected:
    // Runs first in every call.
    virtual void note(const WorkbookCall& call) { (void)call; }
    virtual WorkbookCells load(const QString& fileName);
    virtual void store(const QString& fileName, const WorkbookCells& cells);

private:
    const CellValue& at(int row, int col);
    CellValue& slot(int row, int col);
    void alive() const;
    bool quit_ = false;
    bool open_ = false;
    bool activated_ = false;
    WorkbookCells cells_;
};

class RealWorkbooks : public Workbooks {
public:
    std::unique_ptr<WorkbookApp> create() override;
};
