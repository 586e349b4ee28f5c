#pragma once
// The tank settings window: one tank record's settings in edits, stored back and sent to the
// terminal on "Apply", stepped through the tanks in use.
#include <cstdint>

#include "platform/plainform.h"

class ConsoleState;
class QComboBox;
class QLineEdit;
class QPushButton;
class QSpinBox;
class TCalibrationTable;

class Ttankconfig : public PlainForm {
    Q_OBJECT
public:
    // The window works on the console's tanks and hands their sending to it.
    explicit Ttankconfig(ConsoleState& console, QWidget* parent = nullptr);
    // The calibration table editor that "Load/Create" opens; it is created after this window.
    void AttachWindows(TCalibrationTable* editor);

    void ShowTank(uint8_t n);
    void StoreTank(uint8_t n);

    void FormCreate();
    void FormActivate();
    void applyClick();
    void cancelClick();
    void prevClick();
    void nextClick();
    void ldtableClick();

    // The tank the window shows, 1..16. The main window sets it to CurrentTank before it
    // shows the window; every store and send of the window goes to this tank.
    uint8_t TankNo = 1;

protected:
    bool event(QEvent* e) override;
    void showEvent(QShowEvent* e) override;

private:
    QLineEdit* edit(const char* name, const QString& text = {});
    // Steps the tank shown (and CurrentTank with it) by delta within the tanks in use.
    void step(int delta);

    QLineEdit* Fuelname = nullptr;
    QLineEdit* volume = nullptr;
    QLineEdit* Leakdetect = nullptr;
    QLineEdit* maxfuel = nullptr;
    QLineEdit* lowfuel = nullptr;
    QLineEdit* alarmfuel = nullptr;
    QLineEdit* alarmwater = nullptr;
    QLineEdit* tprbid[6] = {};
    QComboBox* TankPrbAddr = nullptr;
    QLineEdit* tspdwv = nullptr;
    QLineEdit* tdiamv = nullptr;
    QLineEdit* prbdistv = nullptr;
    QLineEdit* s1distv = nullptr;
    QLineEdit* s2distv = nullptr;
    QLineEdit* rofuelv = nullptr;
    QLineEdit* tkfuelv = nullptr;
    QSpinBox* SensorsNum = nullptr;
    QPushButton* apply = nullptr;
    QPushButton* cancel = nullptr;
    QPushButton* prev = nullptr;
    QPushButton* next = nullptr;
    QPushButton* ldtable = nullptr;

    // Set when the window loses activation to a modal box: coming back from it is no return
    // from another window, so the edits are not reloaded.
    bool backFromModal_ = false;

    ConsoleState& console_;
    TCalibrationTable* CalibrationTable = nullptr;
};
