#pragma once
// The seams the programs reach through: one clock, the prompts, the serial ports, the
// spreadsheet application.
// main() installs the real ones; tests install the simulated twins before building a window.
#include "platform/clock.h"
#include "platform/prompts.h"
#include "platform/serial.h"
#include "platform/workbook.h"

namespace Services {
Clock& clock();
Prompts& prompts();
SerialPorts& ports();
// Not owning; null keeps the one installed before.
void install(Clock* clock, Prompts* prompts, SerialPorts* ports);
Workbooks& workbooks();
// Not owning; null keeps the one installed before.
void installWorkbooks(Workbooks* workbooks);
// The real clock, Qt prompts and QSerialPort links.
void installReal();
// Workbook files read and written by the program itself. Apart from installReal, so that a
// program without workbooks neither links nor loads the libraries behind them.
void installRealWorkbooks();
}  // namespace Services
