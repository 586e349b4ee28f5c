#pragma once
// The speed-of-wire wizard: sensor 1 measured at two positions a known distance apart; the
// main window's cycle takes the samples and hands each averaged point to the wizard.
#include <cstdint>
#include <optional>

#include "platform/plainform.h"

class QLabel;
class QLineEdit;
class QPushButton;

// The value of one point: samples 1..16 (slot 17 takes no part) sorted in descending order,
// the four largest and the four smallest dropped, the middle eight summed and divided by 8,
// truncating toward zero.
int32_t SowPointValue(const int32_t (&samples)[17]);

// Speed of wire in cm/s from two points (raw units) and their distance (mm):
// 10^10 div (point2 - point1) (0 when the points are equal), times the distance, div 100, in
// checked 32-bit arithmetic. Empty when a step does not fit 32 bits.
std::optional<int32_t> SowSpeed(int32_t point1, int32_t point2, int32_t distance);

class TCalSoW : public PlainDialog {
    Q_OBJECT
public:
    // Result codes of the wizard's closing buttons.
    enum : int { ResultUpdate = 1, ResultCancel = 32 };

    explicit TCalSoW(QWidget* parent = nullptr);

    // Before each run: step 0, distance 1000, the distance edit enabled and the step-0 texts.
    void Open();
    void NextbutClick();
    void PButClick();
    void CancelClick();

    // Steps 2 and 4 measure a point.
    bool measuring() const { return Step == 2 || Step == 4; }
    // The averaged value of the point being measured.
    void PointMeasured(int32_t value);

    uint8_t step() const { return Step; }
    int32_t distance() const { return Distance; }
    int32_t point1() const { return Point1; }
    int32_t point2() const { return Point2; }
    int32_t speedOfWire() const { return SpeedOfWire; }

signals:
    // Step 2 or 4 has begun: the point's readings start from here.
    void measuringStarted();

public slots:
    // A close by the window frame, or Escape, is a Cancel.
    void reject() override;

private:
    void showStartTexts();

    QLineEdit* editlength = nullptr;
    QLabel* Infolabel = nullptr;
    QPushButton* PBut = nullptr;
    QPushButton* Cancel = nullptr;
    QPushButton* Nextbut = nullptr;

    uint8_t Step = 0;
    int32_t Distance = 1000;
    int32_t Point1 = 0;
    int32_t Point2 = 0;
    int32_t SpeedOfWire = 0;
};
