// Laying out the calibration table editor's largest grid (22000 rows, "cm on liter" at step 1)
// against formatting the same 22000 texts alone. Prints both times and their ratio; the
// layout should cost at most twice the formatting.
#include <QApplication>
#include <QElapsedTimer>
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

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// The texts of the layout's multiples, formatted and kept, nothing else.
double FormatOnly(int rows, double step) {
    std::vector<QString> texts(static_cast<size_t>(rows));
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
    return double(t.nsecsElapsed()) / 1e6;
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
    for (int round = 0; round < Rounds; ++round) {
        editor.SetRowCount(1);
        QApplication::processEvents();
        QElapsedTimer t;
        t.start();
        editor.mmOnLitClick();
        QApplication::processEvents();  // the view takes the rows in
        editor.ECalTable->viewport()->repaint();
        layout.push_back(double(t.nsecsElapsed()) / 1e6);
        if (editor.RowCount() != 22000) {
            std::fprintf(stderr, "layout gave %d rows, not 22000\n", editor.RowCount());
            return 1;
        }
        format.push_back(FormatOnly(22000, 1.0));
    }
    const double l = Median(layout);
    const double f = Median(format);
    std::printf(
        "grid layout of 22000 rows: %.2f ms; formatting the 22000 texts alone: %.2f ms; ratio %.2f (goal <= 2)\n", l, f,
        l / f);
    std::printf("RATIO grid_layout_vs_formatting %.2f 2.00\n", l / f);
    return 0;
}
