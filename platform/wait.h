#pragma once
// Waits process window messages on the one GUI thread, so timer ticks, serial events and
// clicks run nested inside them. Every wait ends when the program is quitting.
#include <functional>

// Processes events until done() holds (returns true), or until abort() holds or the program
// is quitting (returns false).
bool WaitUntil(const std::function<bool()>& done, const std::function<bool()>& abort = {});
// Processes events for ms milliseconds of clock time (virtual in tests).
void WaitFor(int ms);

// Set when the main window closes; every wait then ends.
bool AppQuitting();
void SetAppQuitting(bool quitting);
