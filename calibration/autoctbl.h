#pragma once
// The automatic calibration window: laid out, shown modally by the calibration table editor,
// and offering nothing but closing.
#include "platform/formkit.h"
#include "platform/plainform.h"

class QLabel;
class QPushButton;
class QSpinBox;
class QTableWidget;

class TAutoCalTbl : public PlainDialog {
    Q_OBJECT
public:
    explicit TAutoCalTbl(QWidget* parent = nullptr);

    void ClosefrmClick();

    QPushButton* Closefrm = nullptr;
    // Inert: nothing is connected to them.
    QSpinBox* LitPerTick = nullptr;
    QPushButton* StartCal = nullptr;
    QPushButton* PauseCal = nullptr;
    QPushButton* FinishCal = nullptr;
    QPushButton* BreakCal = nullptr;
    QPushButton* Usetbl = nullptr;
    QLabel* CalStatus = nullptr;
    TGauge* CalGauge = nullptr;
    QTableWidget* ACalTable = nullptr;
};
