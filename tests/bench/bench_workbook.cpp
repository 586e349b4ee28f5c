// Import of a 3999-point workbook with resampling against the same import of 4000 points
// without it, side by side in one run. Prints both times and their ratio (goal: at most 1.5).
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "calibration/tableworkbook.h"

namespace {

TCalTable curve(int count) {
    TCalTable t{};
    t.Count = uint16_t(count);
    t.Mode = 1;
    t.Step = 0.5f;
    for (int i = 1; i <= count; ++i) {
        const double h = i * 0.5;
        t.Points[i] = {float(3 * h + 0.002 * h * h + 50 * std::sin(h / 300)), float(h)};
    }
    return t;
}

double importMs(const QString& path, bool interpolate) {
    static const TCalTable current{};
    RealWorkbooks server;
    QElapsedTimer timer;
    timer.start();
    auto app = server.create();
    const auto r = ImportCalTable(*app, path, current, {interpolate, {}});
    const double ms = timer.nsecsElapsed() / 1e6;
    if (!r || r->table.Count != 4000) std::fprintf(stderr, "import failed\n");
    return ms;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString full = dir.filePath(QStringLiteral("full.xls"));
    const QString short_ = dir.filePath(QStringLiteral("short.xls"));
    RealWorkbooks server;
    ExportCalTable(*server.create(), full, curve(4000));
    TCalTable s = curve(3999);
    s.Points[3999].Arg = 1999.5f;
    ExportCalTable(*server.create(), short_, s);

    std::vector<double> plain, resampled;
    for (int round = 0; round < 15; ++round) {
        plain.push_back(importMs(full, false));
        resampled.push_back(importMs(short_, true));
    }
    const double a = median(plain), b = median(resampled);
    std::printf("import 4000 points, no resampling: %.2f ms\n", a);
    std::printf("import 3999 points, resampled:     %.2f ms\n", b);
    std::printf("ratio %.2f (goal <= 1.5)\n", b / a);
    std::printf("RATIO workbook_resampled_vs_plain %.2f 1.50\n", b / a);
    return b / a <= 1.5 ? 0 : 1;
}
