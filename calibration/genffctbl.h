#pragma once
// The table generator: a horizontal cylinder's calibration table of 4000 level and volume
// rows from its length and radius, shown modally by the calibration table editor.
#include <QString>

#include "platform/plainform.h"

class ConsoleState;
class QComboBox;
class QLineEdit;
class QPushButton;
class QTableView;
class TextGridModel;

class TGenffrCt : public PlainDialog {
    Q_OBJECT
public:
    // Result codes of exec(): "Close && Dismis", "Use Table". A close by the window frame
    // gives ResultFrameClosed. The editor takes the table only for a result above 10.
    enum : int { ResultDismissed = 1, ResultFrameClosed = 2, ResultUseTable = 100 };
    static constexpr int Rows = 4000;

    // The generator presets its radius from the console's current tank.
    explicit TGenffrCt(ConsoleState& console, QWidget* parent = nullptr);

    void FormActivate();
    void GenTableClick();
    void UsetblClick();
    void ClosefrmClick();

    // The generator grid's cell (column, row); row 0 is the header row.
    QString Cell(int col, int row) const;

    // Kept after a generation, in millimetres.
    double CylLength = 0;
    double CylRadius = 0;
    double LevelStep = 0;

    QLineEdit* dim1 = nullptr;
    QLineEdit* dim2 = nullptr;
    QLineEdit* dim3 = nullptr;
    QLineEdit* dim4 = nullptr;
    QComboBox* tankmat = nullptr;
    QComboBox* tanktype = nullptr;
    QTableView* wACalTable = nullptr;
    QPushButton* Closefrm = nullptr;
    QPushButton* GenTable = nullptr;
    QPushButton* Usetbl = nullptr;

public slots:
    // A close by the window frame (or Escape) gives the system's cancel result.
    void reject() override;

protected:
    void showEvent(QShowEvent* e) override;

private:
    TextGridModel* grid_ = nullptr;
    ConsoleState& console_;
};
