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
    static const QRegularExpression box(QStringLiteral(R"(/MediaBox\s*\[\s*([-\d.]+)\s+([-\d.]+)\s+([-\d.]+)\s+([-\d.]+)\s*\])"));
    for (auto it = box.globalMatch(text); it.hasNext();) {
        const auto m = it.next();
        out << QSizeF(m.captured(3).toDouble() - m.captured(1).toDouble(), m.captured(4).toDouble() - m.captured(2).toDouble());
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
};

void ChartTest::titlesSeriesAndStyles() {
    CalFixture f(false);
    QChart* c = f.forms().CalTChart->TblChart->chart();
    QCOMPARE(f.forms().CalTChart->windowTitle(), QStringLiteral("Calibration Table Chart"));
    QCOMPARE(c->title(), QStringLiteral("Calibration Table"));
    // The title's font is looked up when the chart is first shown.
    f.forms().CalTChart->show();
    f.env.clock.settle();
    QVERIFY(c->titleFont().bold());
    QCOMPARE(c->titleFont().family(), QStringLiteral("Arial"));
    QCOMPARE(f.forms().CalTChart->LevelAxis->titleText(), QStringLiteral("Level in [mm]"));
    QCOMPARE(f.forms().CalTChart->VolumeAxis->titleText(), QStringLiteral("Volume in [lit.]"));
    QVERIFY(c->legend()->isVisible());
    const QList<QAbstractSeries*> s = c->series();
    QCOMPARE(s.size(), 3);
    QCOMPARE(s[0], f.forms().CalTChart->Table);
    QCOMPARE(s[1], f.forms().CalTChart->FromFile);
    QCOMPARE(s[2], f.forms().CalTChart->FromFormula);
    QCOMPARE(f.forms().CalTChart->Table->pen().style(), Qt::SolidLine);
    QVERIFY(!f.forms().CalTChart->Table->pointsVisible() && f.forms().CalTChart->Table->lightMarker().isNull());
    QCOMPARE(f.forms().CalTChart->FromFile->pen().style(), Qt::DotLine);
    QVERIFY(!f.forms().CalTChart->FromFile->lightMarker().isNull());
    QCOMPARE(f.forms().CalTChart->FromFormula->pen().style(), Qt::DashLine);
    QVERIFY(f.forms().CalTChart->FromFormula->lightMarker().isNull());
    for (const char* b : {"Printchart", "savechart", "CloseChart"})
        QVERIFY(f.forms().CalTChart->findChild<QPushButton*>(QString::fromLatin1(b)));
}

void ChartTest::pointsAreDrawnByAscendingLevel() {
    CalFixture f(false);
    f.forms().CalTChart->Clear(TCalTChart::SeriesFromFile);
    for (double x : {5.0, 1.0, 3.0, 1.0, 9.0, 0.0}) f.forms().CalTChart->AddXY(TCalTChart::SeriesFromFile, x, x * 10, QColor(0, 0, 255));
    f.forms().CalTChart->show();
    f.env.clock.settle();
    const QList<QPointF> pts = f.forms().CalTChart->Points(TCalTChart::SeriesFromFile);
    QCOMPARE(pts, (QList<QPointF>{{0, 0}, {1, 10}, {1, 10}, {3, 30}, {5, 50}, {9, 90}}));
    QCOMPARE(f.forms().CalTChart->FromFile->pen().color(), QColor(0, 0, 255));
    QCOMPARE(f.forms().CalTChart->LevelAxis->min(), 0.0);
    QCOMPARE(f.forms().CalTChart->LevelAxis->max(), 9.0);
    QCOMPARE(f.forms().CalTChart->VolumeAxis->max(), 90.0);
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
    QCOMPARE(f.forms().CalTChart->Table->pen().color(), QColor(255, 0, 0));
    QCOMPARE(f.forms().CalTChart->FromFormula->pen().color(), QColor(0, 128, 0));
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
    QCOMPARE(Le32(first, 18), f.forms().CalTChart->TblChart->width());
    QCOMPARE(qAbs(Le32(first, 22)), f.forms().CalTChart->TblChart->height());

    f.forms().CalTChart->resize(700, 520);
    f.env.clock.settle();
    f.forms().CalTChart->savechart->click();
    QVERIFY(bmp.open(QIODevice::ReadOnly));
    const QByteArray second = bmp.readAll();
    QVERIFY(second.startsWith("BM"));
    QCOMPARE(Le32(second, 18), f.forms().CalTChart->TblChart->width());
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
    for (double x : {0.0, 1.0, 3.0, 9.0}) f.forms().CalTChart->AddXY(TCalTChart::SeriesFromFile, x, x * 10, QColor(0, 0, 255));
    f.forms().CalTChart->savechart->click();
    QVERIFY(!f.forms().CalTChart->isVisible());
    QCOMPARE(f.forms().CalTChart->TblChart->chart()->titleFont().family(), QStringLiteral("Arial"));
    QVERIFY(f.forms().CalTChart->TblChart->chart()->titleFont().bold());
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
    QVERIFY2(blue > 20, qPrintable(QString::number(blue)));  // the file series and its marks
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

TANKCFG_TEST_MAIN(ChartTest)
#include "tst_chart.moc"
