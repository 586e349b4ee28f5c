#pragma once
#include "platform/plainform.h"

class TAutoCalTbl : public PlainForm {
    Q_OBJECT
public:
    explicit TAutoCalTbl(QWidget* parent = nullptr) : PlainForm("AutoCalTbl", "Automatic Calibration Table", parent) {}
};

extern TAutoCalTbl* AutoCalTbl;
