#pragma once
// The progress of a calibration table transfer: shown and hidden by the transfer, no
// behaviour of its own.
#include "platform/formkit.h"
#include "platform/plainform.h"


class Tprogresf : public PlainForm {
    Q_OBJECT
public:
    explicit Tprogresf(QWidget* parent = nullptr);

    // 0..125; the transfer sets the number of the last block accepted.
    TGauge* catprg = nullptr;
};

extern Tprogresf* progresf;
