#pragma once
// The calibration chart: volume over level for the editor's table, the table last read from a
// workbook and the table last taken from the generator; printed on the default printer or
// saved as "chart.bmp". The drawing itself comes from the chart module (chartmodule.h), loaded
// when a chart is first needed.
#include <QColor>
#include <QList>
#include <QPointF>
#include <memory>
#include <vector>

#include "platform/plainform.h"

class ChartDrawing;
class QPushButton;
class QVBoxLayout;

class TCalTChart : public PlainForm {
    Q_OBJECT
public:
    enum Series { SeriesTable = 0, SeriesFromFile = 1, SeriesFromFormula = 2 };

    explicit TCalTChart(QWidget* parent = nullptr);
    ~TCalTChart() override;

    // What the editor fills: a series is cleared, then gets its points one by one
    // (x = level, y = volume). A series' line takes the colour of its points.
    void Clear(Series s);
    void AddXY(Series s, double x, double y, const QColor& colour);
    // The points as drawn: ascending level, equal levels in the order added.
    QList<QPointF> Points(Series s);

    void PrintchartClick();
    void savechartClick();
    void CloseChartClick();

    QPushButton* Printchart = nullptr;
    QPushButton* savechart = nullptr;
    QPushButton* CloseChart = nullptr;

protected:
    void showEvent(QShowEvent* e) override;

private:
    // Points wait here, kept sorted, and go to the drawing in one piece: a line series
    // redraws on every point added.
    struct Buffer {
        std::vector<QPointF> points;
        QColor colour;
        bool dirty = false;
    };
    // The drawing, loaded on first use (once: a module that failed is not tried again); null
    // when it could not be loaded.
    ChartDrawing* drawing();
    // The drawing, or the error box's text as an AppError.
    ChartDrawing& drawingOrThrow();
    void changed();
    void sync();
    Buffer buffers_[3];
    bool syncQueued_ = false;
    QVBoxLayout* layout_ = nullptr;
    std::unique_ptr<ChartDrawing> drawing_;
    bool tried_ = false;
    QString loadError_;
};
