#pragma once
#include "platform/plainform.h"

class Tprobeconfig : public PlainForm {
    Q_OBJECT
public:
    explicit Tprobeconfig(QWidget* parent = nullptr) : PlainForm("probeconfig", "Probe config", parent) {}
};

extern Tprobeconfig* probeconfig;
