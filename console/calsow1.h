#pragma once
#include "platform/plainform.h"

class TCalSoW : public PlainForm {
    Q_OBJECT
public:
    explicit TCalSoW(QWidget* parent = nullptr) : PlainForm("CalSoW", "Calibrate Speed of Wire", parent) {}
};

extern TCalSoW* CalSoW;
