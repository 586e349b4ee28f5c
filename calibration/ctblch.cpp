#include "calibration/ctblch.h"

#include <QBuffer>
#include <QChart>
#include <QChartView>
#include <QCoreApplication>
#include <QGraphicsLayout>
#include <QGraphicsScene>
#include <QHBoxLayout>
#include <QImage>
#include <QLineSeries>
#include <QPainter>
#include <QPainterPath>
#include <QPrinter>
#include <QPushButton>
#include <QValueAxis>
#include <QVBoxLayout>
#include <algorithm>

#include "common/errors.h"
#include "platform/errorguard.h"
#include "platform/fileio.h"
#include "platform/formkit.h"
#include "platform/printing.h"

namespace {
const char* const BitmapName = "chart.bmp";

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

void StyleLine(QLineSeries* s, Qt::PenStyle style, const QColor& colour) {
    QPen pen(colour);
    pen.setStyle(style);
    pen.setWidth(style == Qt::SolidLine ? 2 : 1);
    s->setPen(pen);
}
}  // namespace

TCalTChart::TCalTChart(QWidget* parent) : PlainForm("CalTChart", "Calibration Table Chart", parent) {
    auto* chart = new QChart;
    chart->setTitle(QStringLiteral("Calibration Table"));
    chart->setTitleBrush(QBrush(Qt::black));
    chart->setAnimationOptions(QChart::NoAnimation);
    chart->legend()->setVisible(true);

    Table = new QLineSeries;
    Table->setName(QStringLiteral("Table"));
    StyleLine(Table, Qt::SolidLine, QColor(255, 0, 0));
    FromFile = new QLineSeries;
    FromFile->setName(QStringLiteral("FromFile"));
    StyleLine(FromFile, Qt::DotLine, QColor(0, 0, 255));
    FromFile->setLightMarker(TriangleMark(QColor(0, 0, 255)));
    FromFile->setMarkerSize(9);
    FromFormula = new QLineSeries;
    FromFormula->setName(QStringLiteral("FromFormula"));
    StyleLine(FromFormula, Qt::DashLine, QColor(0, 128, 0));
    for (QLineSeries* s : {Table, FromFile, FromFormula}) chart->addSeries(s);

    LevelAxis = new QValueAxis;
    LevelAxis->setTitleText(QStringLiteral("Level in [mm]"));
    VolumeAxis = new QValueAxis;
    VolumeAxis->setTitleText(QStringLiteral("Volume in [lit.]"));
    chart->addAxis(LevelAxis, Qt::AlignBottom);
    chart->addAxis(VolumeAxis, Qt::AlignLeft);
    for (QLineSeries* s : {Table, FromFile, FromFormula}) {
        s->attachAxis(LevelAxis);
        s->attachAxis(VolumeAxis);
    }
    LevelAxis->setRange(0, 1);
    VolumeAxis->setRange(0, 1);

    TblChart = FormKit::Named(new QChartView(chart, this), "TblChart", QStringLiteral("Calibration Table"));
    // A chart lays itself out, measuring every text, as soon as events run, and its scene does
    // it again. Until the window is first shown (or printed or saved first) the chart waits
    // outside the scene with its layout put off; the editor may fill it meanwhile.
    TblChart->scene()->removeItem(chart);
    chart->setParent(this);  // owned by the window while out of the scene
    QCoreApplication::removePostedEvents(chart, QEvent::LayoutRequest);
    FormKit::OnFirstShow(this, [this, chart] {
        // Finding the title's font (a family the machine may lack) is most of what the chart
        // costs at start: it is looked up only when the chart is first needed.
        QFont titleFont(QStringLiteral("Arial"));
        titleFont.setBold(true);
        chart->setTitleFont(titleFont);
        QGraphicsScene* scene = TblChart->scene();
        scene->addItem(chart);
        QCoreApplication::sendPostedEvents(scene, QEvent::MetaCall);  // the scene takes the chart in now
        chart->layout()->activate();
    });
    Printchart = FormKit::Button(this, "Printchart", QStringLiteral("Print"));
    savechart = FormKit::Button(this, "savechart", QStringLiteral("save chart"));
    CloseChart = FormKit::Button(this, "CloseChart", QStringLiteral("Close"));

    auto* bar = new QHBoxLayout;
    bar->addWidget(Printchart);
    bar->addWidget(savechart);
    bar->addStretch();
    bar->addWidget(CloseChart);
    auto* lay = new QVBoxLayout(this);
    lay->addWidget(TblChart, 1);
    lay->addLayout(bar);
    resize(640, 480);
    FormKit::TabInReadingOrder(this);

    GuardedConnect(Printchart, &QPushButton::clicked, this, [this] { PrintchartClick(); });
    GuardedConnect(savechart, &QPushButton::clicked, this, [this] { savechartClick(); });
    GuardedConnect(CloseChart, &QPushButton::clicked, this, [this] { CloseChartClick(); });
}

QLineSeries* TCalTChart::series(Series s) const {
    switch (s) {
    case SeriesTable: return Table;
    case SeriesFromFile: return FromFile;
    case SeriesFromFormula: return FromFormula;
    }
    return Table;
}

void TCalTChart::Clear(Series s) {
    buffers_[s].points.clear();
    buffers_[s].dirty = true;
    changed();
}

void TCalTChart::AddXY(Series s, double x, double y, const QColor& colour) {
    std::vector<QPointF>& pts = buffers_[s].points;
    const QPointF p(x, y);
    // Mostly added in order: then the place is the end.
    if (pts.empty() || !(x < pts.back().x()))
        pts.push_back(p);
    else
        pts.insert(std::upper_bound(pts.begin(), pts.end(), p, [](const QPointF& a, const QPointF& b) { return a.x() < b.x(); }), p);
    buffers_[s].colour = colour;
    buffers_[s].dirty = true;
    changed();
}

QList<QPointF> TCalTChart::Points(Series s) {
    sync();
    return series(s)->points();
}

void TCalTChart::changed() {
    if (syncQueued_) return;
    syncQueued_ = true;
    QMetaObject::invokeMethod(this, [this] { sync(); }, Qt::QueuedConnection);
}

void TCalTChart::sync() {
    syncQueued_ = false;
    bool any = false;
    for (int i = 0; i < 3; ++i) {
        Buffer& b = buffers_[i];
        if (!b.dirty) continue;
        b.dirty = false;
        any = true;
        QLineSeries* s = series(Series(i));
        s->replace(QList<QPointF>(b.points.begin(), b.points.end()));
        if (b.colour.isValid()) {
            QPen pen = s->pen();
            pen.setColor(b.colour);
            s->setPen(pen);
        }
    }
    if (!any) return;
    // Both axes start at 0; their ends follow the data.
    double maxX = 0;
    double maxY = 0;
    for (const Buffer& b : buffers_)
        for (const QPointF& p : b.points) {
            maxX = std::max(maxX, p.x());
            maxY = std::max(maxY, p.y());
        }
    LevelAxis->setRange(0, maxX > 0 ? maxX : 1);
    VolumeAxis->setRange(0, maxY > 0 ? maxY : 1);
}

void TCalTChart::showEvent(QShowEvent* e) {
    PlainForm::showEvent(e);
    sync();
}

void TCalTChart::PrintchartClick() {
    FormKit::Prepare(this);
    QPrinter* printer = Printing::source().defaultPrinter();
    if (!printer) throw AppError("There is no default printer currently selected");
    sync();
    OrientationScope landscape(*printer, QPageLayout::Landscape);
    QPainter painter;
    if (!painter.begin(printer)) throw AppError("Printing failed");
    const QRect page = painter.viewport();
    TblChart->render(&painter, QRectF(page), QRect(), Qt::KeepAspectRatio);
    if (!painter.end()) throw AppError("Printing failed");
}

void TCalTChart::savechartClick() {
    FormKit::Prepare(this);
    sync();
    const QImage shot = TblChart->grab().toImage();
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!shot.save(&buffer, "BMP")) throw AppError(std::string("Cannot create file ") + BitmapName);
    try {
        WriteWholeFile(QString::fromLatin1(BitmapName), bytes.constData(), size_t(bytes.size()));
    } catch (const std::exception&) {
        throw AppError(std::string("Cannot create file ") + BitmapName);
    }
}

void TCalTChart::CloseChartClick() { hide(); }
