// Chart modules the chart window must refuse without harm: one whose code needs a symbol that
// nothing provides, and one of another make, whose entry has another version.
#include "calibration/chartdrawing.h"

#ifdef TANKCFG_UNRESOLVED
extern "C" void tankcfg_test_symbol_nowhere();
extern "C" Q_DECL_EXPORT ChartDrawing* tankcfg_chart_drawing_v1(QWidget*) {
    tankcfg_test_symbol_nowhere();
    return nullptr;
}
#else
extern "C" Q_DECL_EXPORT ChartDrawing* tankcfg_chart_drawing_v0(QWidget*) { return nullptr; }
#endif
