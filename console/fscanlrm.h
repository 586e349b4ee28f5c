#pragma once
#include "platform/plainform.h"

class TScanfLrm : public PlainForm {
    Q_OBJECT
public:
    explicit TScanfLrm(QWidget* parent = nullptr) : PlainForm("ScanfLrm", "Scan for Leak Read Modules ...", parent) {}
};

extern TScanfLrm* ScanfLrm;
