#pragma once
#include "platform/plainform.h"

class TCalibrationTable : public PlainForm {
    Q_OBJECT
public:
    explicit TCalibrationTable(QWidget* parent = nullptr) : PlainForm("CalibrationTable", "Tank calibration table", parent) {}
};

extern TCalibrationTable* CalibrationTable;
