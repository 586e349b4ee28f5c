#pragma once
// What the console program's windows share: the one console configuration, the tank the
// tank windows work on, the chosen MDI unit, the terminal operations that the tank settings
// window, the calibration table editor and the MDI unit editor hand their work to, and the
// refresh of the main window's view after they changed the configuration. The program's
// session (console/) is the one implementation; the windows of the calibration folder know
// only this.
#include <cstdint>

#include "common/tankcfgtypes.h"

class ConsoleState {
public:
    // Zero until the main window's start-up gives it its defaults; replies from the terminal
    // and a loaded file overwrite it.
    TConsoleConfig ConsoleConfig{};
    // 1..16 once started: the tank that the tank settings window, the table editor and the
    // generator work on.
    uint8_t CurrentTank = 0;
    // The MDI unit chosen in the main window's MDI grid (0 until one is).
    uint8_t SelectedMdi = 0;

    // True while a terminal exchange waits for its reply: an operation started from inside
    // that wait is refused rather than nested.
    virtual bool TerminalOperationRefused() const = 0;
    // Each sends the record as it stands (the caller stores its edits first), reads it back
    // and returns when its exchanges are over.
    virtual void SendTankConfig(uint8_t n) = 0;
    virtual void SendMdiConfig(uint8_t n) = 0;
    virtual void SendCalibrationTable(uint8_t n) = 0;
    // The main window shows the configuration again.
    virtual void ShowConsoleConfig() = 0;

protected:
    ConsoleState() = default;
    ~ConsoleState() = default;
    ConsoleState(const ConsoleState&) = delete;
    ConsoleState& operator=(const ConsoleState&) = delete;
};
