#pragma once
#include "platform/plainform.h"

class TCalTChart : public PlainForm {
    Q_OBJECT
public:
    explicit TCalTChart(QWidget* parent = nullptr) : PlainForm("CalTChart", "Calibration Table Chart", parent) {}
};

extern TCalTChart* CalTChart;
