#pragma once
// The printer the programs print on: the system's default printer, or a twin that tests
// install (a PDF file), so a print-out can be checked without a printer. The system's printers
// are reached by the chart module (calibration/chartdrawing.h), which brings the printing
// libraries with it: nothing of them is loaded before a chart is needed.
class QPrinter;

class PrinterSource {
public:
    virtual ~PrinterSource() = default;
    // The default printer, kept for the whole run so its settings persist between prints;
    // null when the system has none.
    virtual QPrinter* defaultPrinter() = 0;
};

namespace Printing {
// The source a test installed, or null for the system's default printer.
PrinterSource* installed();
// Not owning; null goes back to the system's printers.
void install(PrinterSource* source);
}  // namespace Printing
