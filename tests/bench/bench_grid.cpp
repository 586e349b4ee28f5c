// Laying out the calibration table editor's largest grid (22000 rows, "cm on liter" at step 1)
// against what a layout cannot do without: formatting the same 22000 texts and measuring each
// in the grid's font, as its column is made as wide as its widest text. Prints both times and
// their ratio; the layout (the grid's rows, the view, the first paint besides) should cost at
// most twice that.
#include <QApplication>
#include <QElapsedTimer>
#include <QFontMetrics>
#include <QLineEdit>
#include <QRadioButton>
#include <QTableView>
#include <QString>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "calibration/tablecfg.h"
#include "common/numtext.h"
#include "tests/common/bareconsole.h"

namespace {
constexpr int Rounds = 15;

// Counts the paints of a widget.
struct PaintCount : QObject {
    int paints = 0;
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint) ++paints;
        return false;
    }
};

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// The texts of the layout's multiples, formatted and kept, nothing else. They are kept as the
// grid keeps its cells: in one vector that keeps its storage from round to round, its strings
// dropped and made anew. (A vector made afresh each round costs more or less from one process
// to the next, as the allocator happens to hand its memory back to the system or keep it.)
// Each text is then measured from a table of the font's advances, character by character.
double FormatAndMeasure(std::vector<QString>& texts, int rows, double step, const QFont& font) {
    texts.resize(1);
    texts.resize(static_cast<size_t>(rows));
    const QFontMetrics fm(font);
    int advance[128];
    for (int c = 0; c < 128; ++c) advance[c] = fm.horizontalAdvance(QChar(c));
    int widest = 0;
    QElapsedTimer t;
    t.start();
    for (int k = 1; k < rows; ++k) {
        const std::string s = FormatGeneral(k * step);
        QString q;
        q.reserve(int(s.size()) + 1);
        q += QLatin1Char(' ');
        q += QLatin1String(s.data(), qsizetype(s.size()));
        texts[size_t(k)] = std::move(q);
    }
    for (int k = 1; k < rows; ++k) {
        int w = 0;
        for (QChar ch : texts[size_t(k)]) w += advance[ch.unicode() & 127];
        widest = std::max(widest, w);
    }
    const double ms = double(t.nsecsElapsed()) / 1e6;
    if (widest <= 0) std::fprintf(stderr, "no text measured\n");
    return ms;
}
}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    BareConsole console;  // the editor on its own: no terminal, no main window
    TCalibrationTable editor(console);
    editor.show();
    QApplication::processEvents();
    editor.TblStep->setText(QStringLiteral("1"));

    std::vector<double> layout;
    std::vector<double> format;
    std::vector<QString> texts;
    PaintCount painted;
    editor.ECalTable->viewport()->installEventFilter(&painted);
    for (int round = 0; round < Rounds; ++round) {
        editor.SetRowCount(1);
        QApplication::processEvents();
        painted.paints = 0;
        QElapsedTimer t;
        t.start();
        editor.mmOnLitClick();
        QApplication::processEvents();  // the view takes the rows in, and mostly paints them
        // One paint is part of the layout, a second would not be.
        if (painted.paints == 0) editor.ECalTable->viewport()->repaint();
        layout.push_back(double(t.nsecsElapsed()) / 1e6);
        if (painted.paints != 1) {
            std::fprintf(stderr, "the layout was painted %d times, not once\n", painted.paints);
            return 1;
        }
        if (editor.RowCount() != 22000) {
            std::fprintf(stderr, "layout gave %d rows, not 22000\n", editor.RowCount());
            return 1;
        }
        format.push_back(FormatAndMeasure(texts, 22000, 1.0, editor.ECalTable->font()));
    }
    const double l = Median(layout);
    const double f = Median(format);
    std::printf(
        "grid layout of 22000 rows: %.2f ms; formatting and measuring the 22000 texts alone: %.2f ms; ratio %.2f "
        "(goal <= 2)\n",
        l, f, l / f);
    std::printf("RATIO grid_layout_vs_formatting %.2f 2.00\n", l / f);
    return 0;
}
