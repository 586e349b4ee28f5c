#pragma once
// Finding and loading the chart module (chartdrawing.h). Only the chart draws and prints with
// Qt Charts and Qt Print Support, and those libraries resolve all of their symbols when they are
// loaded (7 % of the instructions of Marvane's start): the chart window loads them with the
// module when a chart is first needed, not at start.
#include <QString>
#include <memory>

class ChartDrawing;
class QWidget;

namespace ChartModule {
// The module's file: beside the program in the folder the package installs it to
// (/usr/bin/marvane finds /usr/lib/<multiarch>/tankcfg/), the same way up in the build tree. Tests, whose
// executables live elsewhere, name the one the build made; empty goes back to the program's.
QString file();
void useFile(const QString& path);
// A drawing whose view is a child of `window`; null when the module cannot be loaded, with the
// file and the reason in `error`.
std::unique_ptr<ChartDrawing> load(QWidget* window, QString& error);
}  // namespace ChartModule
