// The calibration chart: series, print-out and bitmap.
#include <QChart>
#include <QChartView>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLineSeries>
#include <QPrinter>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QValueAxis>

#include "calfixture.h"
#include "calibration/chartmodule.h"
#include "platform/formkit.h"
#include "platform/printing.h"
#include "tests/platform/childprocess.h"
#include "tests/platform/savecalls.h"

namespace {
// Prints into a PDF file in place of the default printer.
struct PdfPrinterSource : PrinterSource {
    QPrinter printer{QPrinter::HighResolution};
    explicit PdfPrinterSource(const QString& path) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(path);
    }
    QPrinter* defaultPrinter() override { return &printer; }
};
struct NoPrinterSource : PrinterSource {
    QPrinter* defaultPrinter() override { return nullptr; }
};
struct Installed {
    explicit Installed(PrinterSource* s) { Printing::install(s); }
    ~Installed() { Printing::install(nullptr); }
};

// Width and height of every page of a PDF file, from its media boxes.
QList<QSizeF> PdfPages(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    const QString text = QString::fromLatin1(f.readAll());
    QList<QSizeF> out;
    static const QRegularExpression box(
        QStringLiteral(R"(/MediaBox\s*\[\s*([-\d.]+)\s+([-\d.]+)\s+([-\d.]+)\s+([-\d.]+)\s*\])"));
    for (auto it = box.globalMatch(text); it.hasNext();) {
        const auto m = it.next();
        out << QSizeF(m.captured(3).toDouble() - m.captured(1).toDouble(),
                      m.captured(4).toDouble() - m.captured(2).toDouble());
    }
    return out;
}

qint32 Le32(const QByteArray& b, int at) {
    return qint32(quint8(b[at]) | quint8(b[at + 1]) << 8 | quint8(b[at + 2]) << 16 | quint32(quint8(b[at + 3])) << 24);
}

// The chart of a generated table, at the given size.
void ShowGeneratedChart(CalFixture& f, int width, int height) {
    f.generate();
    f.ed->ViewChart->click();
    f.forms().CalTChart->resize(width, height);
    f.env.clock.settle();
}

// The chart window's drawing, found by name once the window has prepared it (as its first
// showing does): the view, its chart, the series by name and the axes by direction.
struct Drawing {
    QChartView* view = nullptr;
    QChart* chart = nullptr;
    QLineSeries* series(const char* name) const {
        for (QAbstractSeries* s : chart->series())
            if (s->name() == QLatin1String(name)) return qobject_cast<QLineSeries*>(s);
        qFatal("no series %s", name);
    }
    QValueAxis* axis(Qt::Orientation o) const {
        const QList<QAbstractAxis*> a = chart->axes(o);
        if (a.size() != 1) qFatal("%d axes", int(a.size()));
        return qobject_cast<QValueAxis*>(a[0]);
    }
    QLineSeries* Table() const { return series("Table"); }
    QLineSeries* FromFile() const { return series("FromFile"); }
    QLineSeries* FromFormula() const { return series("FromFormula"); }
    QValueAxis* LevelAxis() const { return axis(Qt::Horizontal); }
    QValueAxis* VolumeAxis() const { return axis(Qt::Vertical); }
};
Drawing DrawingOf(TCalTChart* window) {
    FormKit::Prepare(window);
    Drawing d;
    d.view = window->findChild<QChartView*>(QStringLiteral("TblChart"));
    if (!d.view) qFatal("no chart view TblChart");
    d.chart = d.view->chart();
    return d;
}

// Runs in a fresh current directory and goes back afterwards.
struct InTempDir {
    QTemporaryDir dir;
    QString before = QDir::currentPath();
    InTempDir() { QDir::setCurrent(dir.path()); }
    ~InTempDir() { QDir::setCurrent(before); }
};
}  // namespace

class ChartTest : public QObject {
    Q_OBJECT
private slots:
    void titlesSeriesAndStyles();
    void pointsAreDrawnByAscendingLevel();
    void generatedTableGivesFourThousandAndOnePoints();
    void uncheckedSeriesKeepTheirPoints();
    void saveWritesBitmapAndReplacesIt();
    void saveThatCannotCreateTheFile();
    void saveOfAChartNeverShownDrawsIt();
    void saveIsAWholeFileSave();
    void printIsOneLandscapePageAndOrientationComesBack();
    void printWithoutDefaultPrinter();
    void drawingComesWithTheFirstNeed_data();
    void drawingComesWithTheFirstNeed();
    void aModuleThatCannotBeLoaded_data();
    void aModuleThatCannotBeLoaded();
};

void ChartTest::titlesSeriesAndStyles() {
    CalFixture f(false);
    QCOMPARE(f.forms().CalTChart->windowTitle(), QStringLiteral("Calibration Table Chart"));
    // The drawing, its title's font with it, comes when the chart is first shown.
    f.forms().CalTChart->show();
    f.env.clock.settle();
    const Drawing d = DrawingOf(f.forms().CalTChart);
    QChart* c = d.chart;
    QCOMPARE(c->title(), QStringLiteral("Calibration Table"));
    QVERIFY(c->titleFont().bold());
    QCOMPARE(c->titleFont().family(), QStringLiteral("Arial"));
    QCOMPARE(d.LevelAxis()->titleText(), QStringLiteral("Level in [mm]"));
    QCOMPARE(d.VolumeAxis()->titleText(), QStringLiteral("Volume in [lit.]"));
    QVERIFY(c->legend()->isVisible());
    const QList<QAbstractSeries*> s = c->series();
    QCOMPARE(s.size(), 3);
    QCOMPARE(s[0], d.Table());
    QCOMPARE(s[1], d.FromFile());
    QCOMPARE(s[2], d.FromFormula());
    QCOMPARE(d.Table()->pen().style(), Qt::SolidLine);
    QVERIFY(!d.Table()->pointsVisible() && d.Table()->lightMarker().isNull());
    QCOMPARE(d.FromFile()->pen().style(), Qt::DotLine);
    QVERIFY(!d.FromFile()->lightMarker().isNull());
    QCOMPARE(d.FromFormula()->pen().style(), Qt::DashLine);
    QVERIFY(d.FromFormula()->lightMarker().isNull());
    for (const char* b : {"Printchart", "savechart", "CloseChart"})
        QVERIFY(f.forms().CalTChart->findChild<QPushButton*>(QString::fromLatin1(b)));
}

void ChartTest::pointsAreDrawnByAscendingLevel() {
    CalFixture f(false);
    f.forms().CalTChart->Clear(TCalTChart::SeriesFromFile);
    for (double x : {5.0, 1.0, 3.0, 1.0, 9.0, 0.0})
        f.forms().CalTChart->AddXY(TCalTChart::SeriesFromFile, x, x * 10, QColor(0, 0, 255));
    f.forms().CalTChart->show();
    f.env.clock.settle();
    const QList<QPointF> pts = f.forms().CalTChart->Points(TCalTChart::SeriesFromFile);
    QCOMPARE(pts, (QList<QPointF>{{0, 0}, {1, 10}, {1, 10}, {3, 30}, {5, 50}, {9, 90}}));
    const Drawing d = DrawingOf(f.forms().CalTChart);
    QCOMPARE(d.FromFile()->pen().color(), QColor(0, 0, 255));
    QCOMPARE(d.LevelAxis()->min(), 0.0);
    QCOMPARE(d.LevelAxis()->max(), 9.0);
    QCOMPARE(d.VolumeAxis()->max(), 90.0);
}

void ChartTest::generatedTableGivesFourThousandAndOnePoints() {
    CalFixture f;
    f.generate();
    // Levels given out of order still draw in order.
    std::swap(f.ed->Table.Points[10], f.ed->Table.Points[3000]);
    f.ed->ViewChart->click();
    QVERIFY(f.forms().CalTChart->isVisible());
    for (auto s : {TCalTChart::SeriesTable, TCalTChart::SeriesFromFormula}) {
        const QList<QPointF> pts = f.forms().CalTChart->Points(s);
        QCOMPARE(pts.size(), 4001);
        for (int i = 1; i < pts.size(); ++i) QVERIFY(pts[i - 1].x() <= pts[i].x());
        QCOMPARE(pts.last(), QPointF(double(2589.353f), double(26342.470f)));
    }
    const Drawing d = DrawingOf(f.forms().CalTChart);
    QCOMPARE(d.Table()->pen().color(), QColor(255, 0, 0));
    QCOMPARE(d.FromFormula()->pen().color(), QColor(0, 128, 0));
    QCOMPARE(f.forms().CalTChart->Points(TCalTChart::SeriesFromFile).size(), 0);
    f.forms().CalTChart->CloseChart->click();
    QVERIFY(!f.forms().CalTChart->isVisible());
}

void ChartTest::uncheckedSeriesKeepTheirPoints() {
    CalFixture f;
    f.generate();
    f.ed->ViewChart->click();
    f.ed->fgTableSta->setChecked(false);
    f.ed->Table.Count = 10;
    f.ed->ViewChart->click();
    QCOMPARE(f.forms().CalTChart->Points(TCalTChart::SeriesTable).size(), 11);
    QCOMPARE(f.forms().CalTChart->Points(TCalTChart::SeriesFromFormula).size(), 4001);
}

void ChartTest::saveWritesBitmapAndReplacesIt() {
    InTempDir here;
    CalFixture f;
    ShowGeneratedChart(f, 500, 400);
    f.forms().CalTChart->savechart->click();
    QFile bmp(QStringLiteral("chart.bmp"));
    QVERIFY(bmp.open(QIODevice::ReadOnly));
    QByteArray first = bmp.readAll();
    bmp.close();
    QVERIFY(first.startsWith("BM"));
    QCOMPARE(Le32(first, 2), first.size());
    const Drawing d = DrawingOf(f.forms().CalTChart);
    QCOMPARE(Le32(first, 18), d.view->width());
    QCOMPARE(qAbs(Le32(first, 22)), d.view->height());

    f.forms().CalTChart->resize(700, 520);
    f.env.clock.settle();
    f.forms().CalTChart->savechart->click();
    QVERIFY(bmp.open(QIODevice::ReadOnly));
    const QByteArray second = bmp.readAll();
    QVERIFY(second.startsWith("BM"));
    QCOMPARE(Le32(second, 18), d.view->width());
    QVERIFY(Le32(second, 18) != Le32(first, 18));
    QCOMPARE(QDir().entryList(QDir::Files), QStringList{QStringLiteral("chart.bmp")});
    QCOMPARE(f.env.prompts.shown.size(), 0);
}

void ChartTest::saveThatCannotCreateTheFile() {
    InTempDir here;
    CalFixture f(false);
    QVERIFY(QDir().mkpath(QStringLiteral("chart.bmp/inside")));
    f.env.prompts.queue(PromptAnswer::ok());
    f.forms().CalTChart->savechart->click();
    QCOMPARE(f.env.prompts.texts(), QStringList{QStringLiteral("Cannot create file chart.bmp.")});
    QCOMPARE(f.env.prompts.shown[0].icon, MsgIcon::Error);
    QCOMPARE(f.env.prompts.shown[0].caption, QStringLiteral("Vantrel control"));
}

void ChartTest::saveOfAChartNeverShownDrawsIt() {
    // The chart sets itself up when first shown; a save before that still draws it whole.
    InTempDir here;
    CalFixture f(false);
    f.env.clock.settle();
    for (double x : {0.0, 1.0, 3.0, 9.0})
        f.forms().CalTChart->AddXY(TCalTChart::SeriesFromFile, x, x * 10, QColor(0, 0, 255));
    f.forms().CalTChart->savechart->click();
    QVERIFY(!f.forms().CalTChart->isVisible());
    const Drawing d = DrawingOf(f.forms().CalTChart);
    QCOMPARE(d.chart->titleFont().family(), QStringLiteral("Arial"));
    QVERIFY(d.chart->titleFont().bold());
    QImage shot;
    QVERIFY(shot.load(QStringLiteral("chart.bmp")));
    int blue = 0;
    int dark = 0;
    for (int y = 0; y < shot.height(); ++y)
        for (int x = 0; x < shot.width(); ++x) {
            const QColor c = shot.pixelColor(x, y);
            blue += c == QColor(0, 0, 255);
            dark += c.lightness() < 80;
        }
    QVERIFY2(blue > 20, qPrintable(QString::number(blue)));   // the file series and its marks
    QVERIFY2(dark > 200, qPrintable(QString::number(dark)));  // titles, axes and their labels
    QCOMPARE(f.env.prompts.shown.size(), 0);
}

void ChartTest::saveIsAWholeFileSave() {
    using namespace savecalls;
    InTempDir here;
    CalFixture f;
    ShowGeneratedChart(f, 500, 400);
    const QString bmp = QStringLiteral("chart.bmp");
    QStringList noted = notedDuring([&] { f.forms().CalTChart->savechart->click(); });
    QCOMPARE(noted, flushedAndRenamed(bmp));

    // A viewer has the chart open; a save killed at its rename left its copy beside it.
    QFile viewer(bmp);
    QVERIFY(viewer.open(QIODevice::ReadOnly));
    QFile left(QStringLiteral(".tcsave.%1.abcd1234").arg(childprocess::endedProcess()));
    QVERIFY(left.open(QIODevice::WriteOnly));
    left.write("BM");
    left.close();
    QFile first(bmp);
    QVERIFY(first.open(QIODevice::ReadOnly));
    const QByteArray old = first.readAll();

    f.forms().CalTChart->resize(700, 520);
    f.env.clock.settle();
    noted = notedDuring([&] { f.forms().CalTChart->savechart->click(); });
    QCOMPARE(noted, flushedAndRenamed(bmp));
    // The viewer still reads the old image whole; the new one took its name.
    QCOMPARE(viewer.readAll(), old);
    QVERIFY(statOf(bmp).st_size > old.size());
    QCOMPARE(QDir().entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList{bmp});
    QCOMPARE(f.env.prompts.shown.size(), 0);
}

void ChartTest::printIsOneLandscapePageAndOrientationComesBack() {
    QTemporaryDir dir;
    CalFixture f;
    f.generate();
    f.ed->ViewChart->click();
    for (auto before : {QPageLayout::Portrait, QPageLayout::Landscape}) {
        const QString path = dir.filePath(QStringLiteral("print%1.pdf").arg(int(before)));
        PdfPrinterSource pdf(path);
        Installed use(&pdf);
        pdf.printer.setPageOrientation(before);
        f.forms().CalTChart->Printchart->click();
        QCOMPARE(f.env.prompts.shown.size(), 0);
        const QList<QSizeF> pages = PdfPages(path);
        QCOMPARE(pages.size(), 1);
        QVERIFY2(pages[0].width() > pages[0].height(), "the page is not landscape");
        QCOMPARE(pdf.printer.pageLayout().orientation(), before);
    }
    // A print that fails puts the orientation back as well.
    PdfPrinterSource broken(dir.filePath(QStringLiteral("no/such/folder/x.pdf")));
    Installed use(&broken);
    broken.printer.setPageOrientation(QPageLayout::Portrait);
    f.env.prompts.queue(PromptAnswer::ok());
    f.forms().CalTChart->Printchart->click();
    QCOMPARE(f.env.prompts.shown.size(), 1);
    QCOMPARE(broken.printer.pageLayout().orientation(), QPageLayout::Portrait);
}

void ChartTest::printWithoutDefaultPrinter() {
    CalFixture f(false);
    NoPrinterSource none;
    Installed use(&none);
    f.env.prompts.queue(PromptAnswer::ok());
    f.forms().CalTChart->Printchart->click();
    QCOMPARE(f.env.prompts.texts(), QStringList{QStringLiteral("There is no default printer currently selected.")});
}

void ChartTest::drawingComesWithTheFirstNeed_data() {
    QTest::addColumn<QString>("need");
    for (const char* need : {"show", "Print", "save chart", "Points"}) QTest::newRow(need) << QString::fromLatin1(need);
}

// The window is created at start without its drawing, which comes with whatever first needs
// it: its showing, a print, a save, or the points it draws.
void ChartTest::drawingComesWithTheFirstNeed() {
    QFETCH(QString, need);
    InTempDir here;
    QTemporaryDir dir;
    PdfPrinterSource pdf(dir.filePath(QStringLiteral("p.pdf")));
    Installed use(&pdf);
    CalFixture f(false);
    TCalTChart* w = f.forms().CalTChart;
    w->AddXY(TCalTChart::SeriesTable, 4, 40, QColor(255, 0, 0));
    w->AddXY(TCalTChart::SeriesTable, 2, 20, QColor(255, 0, 0));
    f.env.clock.settle();
    QVERIFY(!w->findChild<QWidget*>(QStringLiteral("TblChart")));
    if (need == QLatin1String("show"))
        w->show();
    else if (need == QLatin1String("Print"))
        w->Printchart->click();
    else if (need == QLatin1String("save chart"))
        w->savechart->click();
    else
        QCOMPARE(w->Points(TCalTChart::SeriesTable), (QList<QPointF>{{2, 20}, {4, 40}}));
    auto* view = w->findChild<QChartView*>(QStringLiteral("TblChart"));
    QVERIFY(view);
    QCOMPARE(view->accessibleName(), QStringLiteral("Calibration Table"));
    // It fills the window above the buttons, and the points filled before it are drawn.
    QVERIFY(view->width() > w->width() / 2 && view->height() > w->height() / 2);
    QVERIFY(view->geometry().bottom() < w->Printchart->geometry().top());
    QCOMPARE(DrawingOf(w).Table()->points(), (QList<QPointF>{{2, 20}, {4, 40}}));
    QCOMPARE(f.env.prompts.shown.size(), 0);
}

void ChartTest::aModuleThatCannotBeLoaded_data() {
    QTest::addColumn<QString>("module");
    QTest::addColumn<QString>("reason");
    QTest::newRow("missing") << QDir::tempPath() + QStringLiteral("/no-such-folder-tankcfg/libtankcfg-chart.so")
                             << QStringLiteral("cannot open shared object file: No such file or directory");
    QTest::newRow("a symbol nothing provides")
        << QStringLiteral(BROKEN_CHART_UNRESOLVED) << QStringLiteral("undefined symbol: tankcfg_test_symbol_nowhere");
    QTest::newRow("another version") << QStringLiteral(BROKEN_CHART_OTHER_VERSION)
                                     << QStringLiteral("undefined symbol: tankcfg_chart_drawing_v1");
}

// A chart module that is missing or cannot be loaded leaves the window without a drawing and
// says so once, naming the file and the reason; Print and save chart say the same.
void ChartTest::aModuleThatCannotBeLoaded() {
    QFETCH(QString, module);
    QFETCH(QString, reason);
    struct ModuleAt {
        explicit ModuleAt(const QString& path) { ChartModule::useFile(path); }
        ~ModuleAt() { ChartModule::useFile(QStringLiteral(TANKCFG_CHART_MODULE)); }
    };
    InTempDir here;
    CalFixture f(false);
    ModuleAt broken(module);
    TCalTChart* w = f.forms().CalTChart;
    w->AddXY(TCalTChart::SeriesFromFile, 3, 30, QColor(0, 0, 255));
    w->AddXY(TCalTChart::SeriesFromFile, 1, 10, QColor(0, 0, 255));
    const QString text = QStringLiteral("Cannot load the chart drawing %1: %2.").arg(module, reason);
    f.env.prompts.queue(PromptAnswer::ok());
    w->show();
    f.env.clock.settle();
    QVERIFY(w->isVisible());
    QCOMPARE(f.env.prompts.texts(), QStringList{text});
    QCOMPARE(f.env.prompts.shown[0].icon, MsgIcon::Error);
    QCOMPARE(f.env.prompts.shown[0].caption, QStringLiteral("Vantrel control"));
    QVERIFY(!w->findChild<QWidget*>(QStringLiteral("TblChart")));

    f.env.prompts.queue(PromptAnswer::ok());
    f.env.prompts.queue(PromptAnswer::ok());
    w->Printchart->click();
    w->savechart->click();
    QCOMPARE(f.env.prompts.texts(), (QStringList{text, text, text}));
    QVERIFY(!QFile::exists(QStringLiteral("chart.bmp")));
    // Shown again: no further box. What the editor filled is kept, in order.
    w->CloseChart->click();
    w->show();
    f.env.clock.settle();
    QCOMPARE(f.env.prompts.shown.size(), 3);
    QCOMPARE(w->Points(TCalTChart::SeriesFromFile), (QList<QPointF>{{1, 10}, {3, 30}}));
}

TANKCFG_TEST_MAIN(ChartTest)
#include "tst_chart.moc"
