#include "platform/services.h"

#include <cstdio>
#include <cstdlib>

namespace {
Clock* g_clock = nullptr;
Prompts* g_prompts = nullptr;
SerialPorts* g_ports = nullptr;
Workbooks* g_workbooks = nullptr;

template <class T>
T& need(T* p, const char* what) {
    if (!p) {
        std::fprintf(stderr, "no %s installed\n", what);
        std::abort();
    }
    return *p;
}
}  // namespace

namespace Services {
Clock& clock() { return need(g_clock, "clock"); }
Prompts& prompts() { return need(g_prompts, "prompts"); }
SerialPorts& ports() { return need(g_ports, "serial ports"); }
Workbooks& workbooks() { return need(g_workbooks, "spreadsheet application"); }

void installWorkbooks(Workbooks* w) {
    if (w) g_workbooks = w;
}

void install(Clock* c, Prompts* p, SerialPorts* s) {
    if (c) g_clock = c;
    if (p) g_prompts = p;
    if (s) g_ports = s;
}

void installReal() {
    static RealClock clock;
    static QtPrompts prompts;
    static QtSerialPorts ports;
    install(&clock, &prompts, &ports);
}
}  // namespace Services
