#pragma once
// The progress of a calibration table transfer: shown and hidden by the session's transfer,
// no behaviour of its own.
#include "platform/formkit.h"
#include "platform/plainform.h"

class ConsoleSession;

class Tprogresf : public PlainForm {
    Q_OBJECT
public:
    // The window follows the transfers of this session.
    explicit Tprogresf(ConsoleSession& session, QWidget* parent = nullptr);

    // 0..125; the transfer sets the number of the last block accepted.
    TGauge* catprg = nullptr;
};
