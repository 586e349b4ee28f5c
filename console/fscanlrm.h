#pragma once
// The leak-read-module scan's progress window. The user cannot close it: it has no title-bar
// buttons and ignores Escape and the window frame; only the scan (or the end of the program)
// closes it.
#include <QPointer>

#include "platform/plainform.h"

class TGauge;

class TScanfLrm : public PlainDialog {
    Q_OBJECT
public:
    explicit TScanfLrm(QWidget* parent = nullptr);

    // The gauge, held within its range 0..47.
    void ShowProgress(int value);
    int progress() const;
    // Gauge at 0, centred on the given window.
    void PrepareScan(const QWidget* over);
    // Closes the window.
    void Finish();

public slots:
    void reject() override;

protected:
    void closeEvent(QCloseEvent* e) override;
    void showEvent(QShowEvent* e) override;

private:
    void centre();
    QPointer<const QWidget> over_;
    TGauge* ScanGauge = nullptr;
};
