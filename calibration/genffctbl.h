#pragma once
#include "platform/plainform.h"

class TGenffrCt : public PlainForm {
    Q_OBJECT
public:
    explicit TGenffrCt(QWidget* parent = nullptr) : PlainForm("GenffrCt", "Generate from formulas", parent) {}
};

extern TGenffrCt* GenffrCt;
