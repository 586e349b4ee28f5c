#pragma once
// The calibration table editor: a working copy of the current tank's table, filled from the
// generator or a workbook, edited value by value, charted, and stored back on "Apply" or
// "Send to Terminal".
#include <QList>
#include <QPointer>
#include <QString>
#include <cstdint>

#include "common/tankcfgtypes.h"
#include "platform/plainform.h"
#include "platform/prompts.h"

class ConsoleState;
class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTableView;
class QWindow;
class TAutoCalTbl;
class TCalTChart;
class TGenffrCt;
class TextGridModel;

// Points 1..n of a table hold data; a Count from a file can claim more than the record has.
inline int CalPointsInUse(const TCalTable& t) { return t.Count < MaxCalPoints ? int(t.Count) : MaxCalPoints; }

class TCalibrationTable : public PlainForm {
    Q_OBJECT
public:
    // A layout never has more grid rows than this, however small its step: rows past point
    // 4000 hold no table value, and this still leaves room for steps down to 0.22.
    static constexpr int MaxLayoutRows = 100000;

    // The editor works on the console's tanks and hands the sending of a table to it.
    explicit TCalibrationTable(ConsoleState& console, QWidget* parent = nullptr);
    // The windows the editor opens; they are created after it.
    void AttachWindows(TAutoCalTbl* autoCal, TCalTChart* chart, TGenffrCt* generator);

    void FormCreate();
    // Table := the current tank's table.
    void FormActivate();
    void applytableClick();
    void SendTableClick();
    void cancelBtClick();
    void LitOnmmClick();
    void mmOnLitClick();
    // Checks "Liters on cm" (true) or "cm on liter" as a program step does: when that changes
    // the mode, its layout runs with the step in TblStep, and a failing layout throws to the
    // caller instead of ending in the error box.
    void CheckLayoutButton(bool levelToVolume);
    // The grid rows, header included, of a layout with this step text; throws where the
    // layout would fail (not a number, 0), so a caller can check a step before it changes
    // anything.
    static int LayoutRows(const QString& stepText, bool levelToVolume);
    // r: the grid row selected (1 is the first data row).
    void ECalTableClick(int r);
    void formulagenClick();
    void ACalTblBClick();
    void ViewChartClick();
    void LoadfFileClick();
    void SaveTbl2FileClick();

    // The grid, row 0 being the header row.
    int RowCount() const;
    // Below 1 counts as 1 (the header row only).
    void SetRowCount(int rows);
    QString Cell(int col, int row) const;
    void SetCell(int col, int row, const QString& text);
    // For filling whole columns at once.
    TextGridModel* Grid() const { return grid_; }

    // The tank whose table Table was last copied from (0 before the first copy); "Apply" and
    // "Send to Terminal" store into it.
    uint8_t TableTank() const { return tableTank_; }
    // Caption := the tank the editor works on.
    void ShowTankInCaption(uint8_t n);

    TCalTable Table{};
    TCalTable SrcTable{};
    TCalTable FileTable{};
    TCalTable FormulaTable{};

    // The workbook file dialogs; each proposes the file last chosen in it.
    FileDialogSpec OpenDialog1;
    FileDialogSpec SaveDialog1;

    QTableView* ECalTable = nullptr;
    QRadioButton* LitOnmm = nullptr;
    QRadioButton* mmOnLit = nullptr;
    QLineEdit* TblStep = nullptr;
    QCheckBox* Interpchk = nullptr;
    QCheckBox* ffTableSta = nullptr;
    QCheckBox* fgTableSta = nullptr;
    QCheckBox* CheckBox2 = nullptr;
    QCheckBox* CheckBox4 = nullptr;
    QPushButton* formulagen = nullptr;
    QPushButton* ACalTblB = nullptr;
    QPushButton* LoadfFile = nullptr;
    QPushButton* applytable = nullptr;
    QPushButton* SaveTbl2File = nullptr;
    QPushButton* SendTable = nullptr;
    QPushButton* cancelBt = nullptr;
    QPushButton* ViewChart = nullptr;
    QPushButton* Getftrmb = nullptr;

protected:
    bool event(QEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;
    void showEvent(QShowEvent* e) override;

private:
    // Runs a handler inside the error guard, counting handlers in progress. The editor's
    // signals reach their handlers through this rather than GuardedConnect: the count must
    // also cover the error box, a modal window the handler's failure opens.
    template <class F>
    void run(F&& handler);
    void layout(bool levelToVolume);
    // Every column as wide as its widest text, never below its design width.
    void fitColumns();
    TTankRecord* currentTank() const;
    // The tank "Apply" and "Send to Terminal" store into: the one Table came from (the current
    // tank before any copy); 0 for none.
    uint8_t storeTank() const;
    void noteFocus(QWindow* w);
    bool returnFromOwnModal() const;

    TextGridModel* grid_ = nullptr;
    int designWidths_[3] = {};
    uint8_t tableTank_ = 0;
    int handlerDepth_ = 0;
    // The window of the program last active before this one, and the modal windows that this
    // window's handlers opened (generator, input and message boxes, file dialogs).
    QPointer<QWindow> lastOther_;
    QList<QPointer<QWindow>> ownModal_;

    ConsoleState& console_;
    TAutoCalTbl* AutoCalTbl = nullptr;
    TCalTChart* CalTChart = nullptr;
    TGenffrCt* GenffrCt = nullptr;
};
