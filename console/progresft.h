#pragma once
#include "platform/plainform.h"

class Tprogresf : public PlainForm {
    Q_OBJECT
public:
    explicit Tprogresf(QWidget* parent = nullptr) : PlainForm("progresf", "Send Calibration Table", parent) {}
};

extern Tprogresf* progresf;
