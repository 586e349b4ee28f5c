#include "calibration/ctblch.h"

#include <QBuffer>
#include <QHBoxLayout>
#include <QImage>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

#include "calibration/chartdrawing.h"
#include "calibration/chartmodule.h"
#include "common/errors.h"
#include "platform/errorguard.h"
#include "platform/fileio.h"
#include "platform/formkit.h"
#include "platform/printing.h"

namespace {
const char* const BitmapName = "chart.bmp";
}  // namespace

TCalTChart::TCalTChart(QWidget* parent) : PlainForm("CalTChart", "Calibration Table Chart", parent) {
    Printchart = FormKit::Button(this, "Printchart", QStringLiteral("Print"));
    savechart = FormKit::Button(this, "savechart", QStringLiteral("save chart"));
    CloseChart = FormKit::Button(this, "CloseChart", QStringLiteral("Close"));

    auto* bar = new QHBoxLayout;
    bar->addWidget(Printchart);
    bar->addWidget(savechart);
    bar->addStretch();
    bar->addWidget(CloseChart);
    layout_ = new QVBoxLayout(this);
    layout_->addStretch(1);  // the drawing's place, until it comes
    layout_->addLayout(bar);
    resize(640, 480);
    FormKit::TabInReadingOrder(this);
    // The drawing comes with its first showing; a module that cannot be loaded leaves the
    // window without it and says why, once.
    FormKit::OnFirstShow(this, [this] {
        if (!drawing())
            QMetaObject::invokeMethod(
                this, [this] { ShowStandardError(loadError_); }, Qt::QueuedConnection);
    });

    GuardedConnect(Printchart, &QPushButton::clicked, this, [this] { PrintchartClick(); });
    GuardedConnect(savechart, &QPushButton::clicked, this, [this] { savechartClick(); });
    GuardedConnect(CloseChart, &QPushButton::clicked, this, [this] { CloseChartClick(); });
}

TCalTChart::~TCalTChart() = default;

ChartDrawing* TCalTChart::drawing() {
    if (tried_) return drawing_.get();
    tried_ = true;
    drawing_ = ChartModule::load(this, loadError_);
    if (!drawing_) return nullptr;
    QWidget* view = FormKit::Named(drawing_->view(), "TblChart", QStringLiteral("Calibration Table"));
    delete layout_->takeAt(0);
    layout_->insertWidget(0, view, 1);
    view->show();
    layout_->activate();
    FormKit::TabInReadingOrder(this);
    for (Buffer& b : buffers_) b.dirty = true;
    sync();
    return drawing_.get();
}

ChartDrawing& TCalTChart::drawingOrThrow() {
    ChartDrawing* d = drawing();
    if (!d) throw AppError(loadError_.toStdString());
    return *d;
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
        pts.insert(std::upper_bound(pts.begin(), pts.end(), p,
                                    [](const QPointF& a, const QPointF& b) { return a.x() < b.x(); }),
                   p);
    buffers_[s].colour = colour;
    buffers_[s].dirty = true;
    changed();
}

QList<QPointF> TCalTChart::Points(Series s) {
    if (ChartDrawing* d = drawing()) {
        sync();
        return d->points(s);
    }
    return QList<QPointF>(buffers_[s].points.begin(), buffers_[s].points.end());
}

void TCalTChart::changed() {
    if (syncQueued_) return;
    syncQueued_ = true;
    QMetaObject::invokeMethod(
        this, [this] { sync(); }, Qt::QueuedConnection);
}

void TCalTChart::sync() {
    syncQueued_ = false;
    if (!drawing_) return;  // the points wait for the drawing
    bool any = false;
    for (int i = 0; i < 3; ++i) {
        Buffer& b = buffers_[i];
        if (!b.dirty) continue;
        b.dirty = false;
        any = true;
        drawing_->setPoints(i, QList<QPointF>(b.points.begin(), b.points.end()), b.colour);
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
    drawing_->setAxisEnds(maxX > 0 ? maxX : 1, maxY > 0 ? maxY : 1);
}

void TCalTChart::showEvent(QShowEvent* e) {
    PlainForm::showEvent(e);
    sync();
}

void TCalTChart::PrintchartClick() {
    ChartDrawing& d = drawingOrThrow();
    sync();
    switch (d.print(Printing::installed())) {
    case ChartDrawing::PrintOutcome::Printed: return;
    case ChartDrawing::PrintOutcome::NoPrinter: throw AppError("There is no default printer currently selected");
    case ChartDrawing::PrintOutcome::Failed: break;
    }
    throw AppError("Printing failed");
}

void TCalTChart::savechartClick() {
    ChartDrawing& d = drawingOrThrow();
    sync();
    const QImage shot = d.view()->grab().toImage();
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
