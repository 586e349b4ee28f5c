#include "platform/printing.h"

#include <QPrinter>
#include <QPrinterInfo>

SystemPrinterSource::SystemPrinterSource() = default;

SystemPrinterSource::~SystemPrinterSource() { delete printer_; }

QPrinter* SystemPrinterSource::defaultPrinter() {
    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (info.isNull()) return nullptr;
    // Another default chosen meanwhile gets a fresh printer object.
    if (printer_ && printer_->printerName() != info.printerName()) {
        delete printer_;
        printer_ = nullptr;
    }
    if (!printer_) printer_ = new QPrinter(info, QPrinter::HighResolution);
    return printer_;
}

namespace {
PrinterSource* g_installed = nullptr;
}

namespace Printing {
PrinterSource& source() {
    if (g_installed) return *g_installed;
    static SystemPrinterSource system;
    return system;
}
void install(PrinterSource* source) { g_installed = source; }
}  // namespace Printing

OrientationScope::OrientationScope(QPrinter& printer, QPageLayout::Orientation orientation)
    : printer_(printer), before_(printer.pageLayout().orientation()) {
    printer_.setPageOrientation(orientation);
}

OrientationScope::~OrientationScope() { printer_.setPageOrientation(before_); }
