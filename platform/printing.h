#pragma once
// The printer the programs print on: the system's default printer, or a twin that tests
// install (a PDF file), so a print-out can be checked without a printer.
#include <QPageLayout>

class QPrinter;

class PrinterSource {
public:
    virtual ~PrinterSource() = default;
    // The default printer, kept for the whole run so its settings persist between prints;
    // null when the system has none.
    virtual QPrinter* defaultPrinter() = 0;
};

// The system's default printer through QtPrintSupport (CUPS on Linux).
class SystemPrinterSource : public PrinterSource {
public:
    SystemPrinterSource();
    ~SystemPrinterSource() override;
    QPrinter* defaultPrinter() override;

private:
    QPrinter* printer_ = nullptr;
};

namespace Printing {
PrinterSource& source();
// Not owning; null goes back to the system's printers.
void install(PrinterSource* source);
}  // namespace Printing

// Sets an orientation for the lifetime of the scope and puts the one before back however the
// scope ends.
class OrientationScope {
public:
    OrientationScope(QPrinter& printer, QPageLayout::Orientation orientation);
    ~OrientationScope();
    OrientationScope(const OrientationScope&) = delete;
    OrientationScope& operator=(const OrientationScope&) = delete;

private:
    QPrinter& printer_;
    QPageLayout::Orientation before_;
};
