#pragma once
// The probe scan dialog: a gauge while the main window asks the bus addresses one by one, the
// found addresses sorted as text, and the address the user takes.
#include <QString>
#include <cstdint>

#include "platform/plainform.h"

class QComboBox;
class QLabel;
class QPushButton;
class TGauge;

class Tprobeconfig : public PlainDialog {
    Q_OBJECT
public:
    explicit Tprobeconfig(QWidget* parent = nullptr);

    // A scan starts: "Cancel", an empty list, the gauge at 0 and the scan's texts.
    void PrepareScan();
    // The gauge, held within its range 0..47.
    void ShowProgress(int value);
    // A found address joins the list in text order; the first item is selected and becomes
    // the address handed back.
    void AddFoundAddress(int addr);
    int foundCount() const;
    // All addresses asked: "Ok" and the result texts; serial is that of the address handed back.
    void ShowScanEnd(const QString& serial);

    // "Cancel"/"Ok": the selected item's address (0 with none) is handed back.
    void CloseScClick();

    // Kept from one scan to the next; 0 when the program starts.
    int32_t selectedAddress() const { return SelectedAddress; }

private:
    TGauge* ScanProgres = nullptr;
    QComboBox* ProbesList = nullptr;
    QLabel* Selprobe = nullptr;
    QLabel* ScanResult = nullptr;
    QPushButton* CloseSc = nullptr;
    int32_t SelectedAddress = 0;
};
