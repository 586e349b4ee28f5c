#include "platform/printing.h"

namespace {
PrinterSource* g_installed = nullptr;
}

namespace Printing {
PrinterSource* installed() { return g_installed; }
void install(PrinterSource* source) { g_installed = source; }
}  // namespace Printing
