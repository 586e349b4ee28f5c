#pragma once
// The bus scan window: identifies addresses 0 to 15 each time it is shown and offers the ones
// that answered.
#include <cstdint>

#include "platform/plainform.h"

class QComboBox;
class QLabel;
class TGauge;
class QPushButton;
class QStatusBar;
class ProbeTxEngine;

class TScanbus : public PlainDialog {
    Q_OBJECT
public:
    // Scans through the main window's probe link.
    TScanbus(QWidget* parent, ProbeTxEngine* link);

    QString PanelText() const;
    // The address chosen in the list; -1 when nobody answered, or when the port has gone and
    // nothing can be asked of the chosen probe.
    int ChosenAddress() const;

    void FormActivate();
    void ScanBus();
    void bOKSelClick();
    bool Scanning() const { return scanning_; }

    // The window does not close while a scan runs.
    void done(int r) override;

protected:
    void showEvent(QShowEvent* e) override;
    void closeEvent(QCloseEvent* e) override;

private:
    // One identify at the address; answered tells whether a probe replied. False when the
    // wait was ended (the program is closing).
    bool identify(uint8_t address, bool& answered);

    TGauge* ProgressBar1 = nullptr;
    QComboBox* cbPrbDet = nullptr;
    QPushButton* bOKSel = nullptr;
    QStatusBar* sBar = nullptr;
    ProbeTxEngine* link_;
    QLabel* panel_ = nullptr;
    bool scanning_ = false;
};
