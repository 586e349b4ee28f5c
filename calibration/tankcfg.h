#pragma once
#include <cstdint>

#include "platform/plainform.h"

class Ttankconfig : public PlainForm {
    Q_OBJECT
public:
    explicit Ttankconfig(QWidget* parent = nullptr) : PlainForm("tankconfig", "Tank No 1 config", parent) {}
    // The tank shown when the window becomes active (1..16).
    uint8_t TankNo = 1;
};

extern Ttankconfig* tankconfig;
