#pragma once
// What the chart window draws with: the chart, its three series and two axes, and the print-out.
// It lives in a module of its own (tankcfg-chart) that the program loads the first time a chart
// is needed, so that start-up does not pay for the charting and printing libraries. Between the
// two sides only this plain interface passes: Qt Core, Gui and Widgets types, no exceptions.
#include <QColor>
#include <QList>
#include <QPointF>
#include <QWidget>

class PrinterSource;

class ChartDrawing {
public:
    enum class PrintOutcome { Printed, NoPrinter, Failed };

    virtual ~ChartDrawing() = default;
    // The chart's view, a child of the window the factory was given; the window places it.
    virtual QWidget* view() = 0;
    // Series 0 "Table", 1 "FromFile", 2 "FromFormula": its points, already sorted, and the
    // colour of its line (an invalid colour keeps the one it has).
    virtual void setPoints(int series, const QList<QPointF>& points, const QColor& colour) = 0;
    // Both axes start at 0.
    virtual void setAxisEnds(double level, double volume) = 0;
    virtual QList<QPointF> points(int series) const = 0;
    // One landscape page on the printer of `installed`, or on the system's default printer when
    // it is null; the printer's orientation is put back whatever happens.
    virtual PrintOutcome print(PrinterSource* installed) = 0;
};

// The module's one entry: a new drawing whose view is a child of `window`. The version is in
// the name, so a module of another make is refused when it is looked up, not when it is called.
#define TANKCFG_CHART_DRAWING_ENTRY "tankcfg_chart_drawing_v1"
extern "C" ChartDrawing* tankcfg_chart_drawing_v1(QWidget* window);
using ChartDrawingEntry = ChartDrawing* (*)(QWidget* window);
