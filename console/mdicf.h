#pragma once
// The MDI unit editor: one unit's name and address, stepped through the units in use.
#include <cstdint>

#include "platform/plainform.h"

class ConsoleSession;
class QComboBox;
class QLineEdit;
class QPushButton;

class Tmdicfg : public PlainForm {
    Q_OBJECT
public:
    // The editor works on the session's MDI units and sends them through it.
    explicit Tmdicfg(ConsoleSession& session, QWidget* parent = nullptr);

    void ShowUnit(uint8_t n);
    void StoreUnit(uint8_t n);
    void FormActivate();
    void prevClick();
    void nextClick();
    void applyClick();
    void cancelClick();

    // Number of the unit shown, 1..16; the main window sets it before showing the editor.
    uint8_t UnitNo = 0;

    QLineEdit* tMDINamev = nullptr;
    QComboBox* MDIUAddrv = nullptr;
    QPushButton* prev = nullptr;
    QPushButton* next = nullptr;
    QPushButton* cancel = nullptr;
    QPushButton* apply = nullptr;

protected:
    bool event(QEvent* e) override;
    void showEvent(QShowEvent* e) override;

private:
    // The last unit the editor may move to: the count in use, never past the records.
    int lastUnit() const;

    ConsoleSession& session_;
};
