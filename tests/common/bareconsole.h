#pragma once
// The state the console program's windows share, without a terminal: nothing is sent, nothing
// is shown again.
#include "common/consolestate.h"

struct BareConsole final : ConsoleState {
    bool TerminalOperationRefused() const override { return false; }
    void SendTankConfig(uint8_t) override {}
    void SendMdiConfig(uint8_t) override {}
    void SendCalibrationTable(uint8_t) override {}
    void ShowConsoleConfig() override {}
};
