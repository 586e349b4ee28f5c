#pragma once
// The bus scan window: identifies addresses 0 to 15 each time it is shown and offers the ones
// that answered.
#include <QDialog>

class QComboBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QStatusBar;
class Tprobc;

class TScanbus : public QDialog {
    Q_OBJECT
public:
    explicit TScanbus(Tprobc* main);

    QProgressBar* ProgressBar1 = nullptr;
    QComboBox* cbPrbDet = nullptr;
    QPushButton* bOKSel = nullptr;
    QStatusBar* sBar = nullptr;
    QString PanelText() const;

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
    Tprobc* main_;
    QLabel* panel_ = nullptr;
    bool scanning_ = false;
};
