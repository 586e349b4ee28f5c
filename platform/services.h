#pragma once
// The seams the programs reach through: one clock, the prompts, the serial ports.
// main() installs the real ones; tests install the simulated twins before building a window.
#include "platform/clock.h"
#include "platform/prompts.h"
#include "platform/serial.h"

namespace Services {
Clock& clock();
Prompts& prompts();
SerialPorts& ports();
// Not owning; null keeps the one installed before.
void install(Clock* clock, Prompts* prompts, SerialPorts* ports);
// The real clock, Qt prompts and QSerialPort links.
void installReal();
}  // namespace Services
