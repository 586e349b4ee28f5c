// The chart module: the drawing of the calibration chart with Qt Charts and its print-out with
// Qt Print Support. Built as a module of its own, loaded by the chart window the first time a
// chart is needed; it links Qt alone, none of the program's libraries (their globals would exist
// twice), and it throws nothing.
#include <QChart>
#include <QChartView>
#include <QFont>
#include <QGraphicsLayout>
#include <QLineSeries>
#include <QPainter>
#include <QPainterPath>
#include <QPrinter>
#include <QPrinterInfo>
#include <QValueAxis>
#include <memory>

#include "calibration/chartdrawing.h"
#include "platform/printing.h"

namespace {
// The system's default printer (CUPS on Linux), kept for the run so its settings persist
// between prints.
class SystemPrinterSource : public PrinterSource {
public:
    QPrinter* defaultPrinter() override {
        const QPrinterInfo info = QPrinterInfo::defaultPrinter();
        if (info.isNull()) return nullptr;
        // Another default chosen meanwhile gets a fresh printer object.
        if (printer_ && printer_->printerName() != info.printerName()) printer_.reset();
        if (!printer_) printer_ = std::make_unique<QPrinter>(info, QPrinter::HighResolution);
        return printer_.get();
    }

private:
    std::unique_ptr<QPrinter> printer_;
};

// Sets an orientation for the lifetime of the scope and puts the one before back however the
// scope ends.
class OrientationScope {
public:
    OrientationScope(QPrinter& printer, QPageLayout::Orientation orientation)
        : printer_(printer), before_(printer.pageLayout().orientation()) {
        printer_.setPageOrientation(orientation);
    }
    ~OrientationScope() { printer_.setPageOrientation(before_); }
    OrientationScope(const OrientationScope&) = delete;
    OrientationScope& operator=(const OrientationScope&) = delete;

private:
    QPrinter& printer_;
    QPageLayout::Orientation before_;
};

// The marks of the file series: a small triangle at every point.
QImage TriangleMark(const QColor& colour) {
    QImage img(9, 9, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath path;
    path.moveTo(4.5, 0.5);
    path.lineTo(8.5, 8.5);
    path.lineTo(0.5, 8.5);
    path.closeSubpath();
    p.fillPath(path, colour);
    return img;
}

QLineSeries* StyledLine(const char* name, Qt::PenStyle style, const QColor& colour) {
    auto* s = new QLineSeries;
    s->setName(QString::fromLatin1(name));
    QPen pen(colour);
    pen.setStyle(style);
    pen.setWidth(style == Qt::SolidLine ? 2 : 1);
    s->setPen(pen);
    return s;
}

class QtChartDrawing : public ChartDrawing {
public:
    explicit QtChartDrawing(QWidget* window) {
        auto* chart = new QChart;
        chart->setTitle(QStringLiteral("Calibration Table"));
        QFont titleFont(QStringLiteral("Arial"));
        titleFont.setBold(true);
        chart->setTitleFont(titleFont);
        chart->setTitleBrush(QBrush(Qt::black));
        chart->setAnimationOptions(QChart::NoAnimation);
        chart->legend()->setVisible(true);

        series_[0] = StyledLine("Table", Qt::SolidLine, QColor(255, 0, 0));
        series_[1] = StyledLine("FromFile", Qt::DotLine, QColor(0, 0, 255));
        series_[1]->setLightMarker(TriangleMark(QColor(0, 0, 255)));
        series_[1]->setMarkerSize(9);
        series_[2] = StyledLine("FromFormula", Qt::DashLine, QColor(0, 128, 0));
        for (QLineSeries* s : series_) chart->addSeries(s);

        level_ = new QValueAxis;
        level_->setTitleText(QStringLiteral("Level in [mm]"));
        volume_ = new QValueAxis;
        volume_->setTitleText(QStringLiteral("Volume in [lit.]"));
        chart->addAxis(level_, Qt::AlignBottom);
        chart->addAxis(volume_, Qt::AlignLeft);
        for (QLineSeries* s : series_) {
            s->attachAxis(level_);
            s->attachAxis(volume_);
        }
        level_->setRange(0, 1);
        volume_->setRange(0, 1);
        view_ = new QChartView(chart, window);
        chart->layout()->activate();
    }

    QWidget* view() override { return view_; }

    void setPoints(int series, const QList<QPointF>& points, const QColor& colour) override {
        QLineSeries* s = line(series);
        s->replace(points);
        if (colour.isValid()) {
            QPen pen = s->pen();
            pen.setColor(colour);
            s->setPen(pen);
        }
    }

    void setAxisEnds(double level, double volume) override {
        level_->setRange(0, level);
        volume_->setRange(0, volume);
    }

    QList<QPointF> points(int series) const override { return line(series)->points(); }

    PrintOutcome print(PrinterSource* installed) override {
        QPrinter* printer = (installed ? installed : &system_)->defaultPrinter();
        if (!printer) return PrintOutcome::NoPrinter;
        OrientationScope landscape(*printer, QPageLayout::Landscape);
        QPainter painter;
        if (!painter.begin(printer)) return PrintOutcome::Failed;
        const QRect page = painter.viewport();
        view_->render(&painter, QRectF(page), QRect(), Qt::KeepAspectRatio);
        return painter.end() ? PrintOutcome::Printed : PrintOutcome::Failed;
    }

private:
    QLineSeries* line(int series) const { return series_[series >= 0 && series < 3 ? series : 0]; }

    QChartView* view_ = nullptr;
    QLineSeries* series_[3] = {};
    QValueAxis* level_ = nullptr;
    QValueAxis* volume_ = nullptr;
    SystemPrinterSource system_;
};
}  // namespace

extern "C" Q_DECL_EXPORT ChartDrawing* tankcfg_chart_drawing_v1(QWidget* window) { return new QtChartDrawing(window); }
