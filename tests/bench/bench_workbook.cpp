// Import of a 3999-point workbook with resampling to 4000 points, against what it cannot do
// without: the same import of 4000 points without resampling, plus the resampling's arithmetic
// alone. That arithmetic (six terms of five extended-precision multiplications and divisions for
// each of the 4001 points, in a fixed order, so that every table comes out bit for bit the same)
// is most of the resampling's cost, and how dear a division is differs from processor to
// processor; measured beside the import, in the same rounds, it takes that difference out of the
// ratio. The reference loop's results are checked bit for bit against the import's, so it does
// the very same arithmetic. Goal: at most 1.25.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <malloc.h>
#include <vector>

#include "calibration/tableworkbook.h"

namespace {
constexpr int Rounds = 15;
constexpr double Goal = 1.25;

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

double importMs(const QString& path, bool interpolate, TableImport* keep = nullptr) {
    static const TCalTable current{};
    RealWorkbooks server;
    QElapsedTimer timer;
    timer.start();
    auto app = server.create();
    auto r = ImportCalTable(*app, path, current, {interpolate, {}});
    const double ms = double(timer.nsecsElapsed()) / 1e6;
    if (!r || r->table.Count != 4000) std::fprintf(stderr, "import failed\n");
    if (r && keep) *keep = std::move(*r);
    return ms;
}

// The resampling's arithmetic alone: for each level the degree-5 polynomial through the six
// points of its window (found beforehand), term by term in window order, each term multiplied
// and divided in window order.
struct Reference {
    const TCalTable& source;
    std::vector<double> levels;
    std::vector<int> firsts;  // the window's first point for each level
    std::vector<float> values;

    // The levels are those of the import: i times the workbook's maximum level over 4000.
    Reference(const TCalTable& s, double maxLevel) : source(s) {
        const int count = s.Count;
        const double step = maxLevel / MaxCalPoints;
        for (int i = 0; i <= MaxCalPoints; ++i) {
            const double x = i * step;
            int k = 0;
            while (k <= count && !(x < s.Points[k].Arg)) ++k;
            levels.push_back(x);
            firsts.push_back(k < 3 ? 0 : k < count - 2 ? k - 3 : count - 5);
        }
        values.resize(levels.size());
    }

    double runMs() {
        QElapsedTimer timer;
        timer.start();
        for (size_t i = 0; i < levels.size(); ++i) {
            const double x = levels[i];
            if (x == 0.0) {
                values[i] = 0.0f;
                continue;
            }
            long double xs[6];
            long double ys[6];
            for (int j = 0; j < 6; ++j) {
                xs[j] = source.Points[firsts[i] + j].Arg;
                ys[j] = source.Points[firsts[i] + j].Value;
            }
            const long double X = x;
            long double sum = 0.0L;
            for (int j = 0; j < 6; ++j) {
                long double term = ys[j];
                for (int k = 0; k < 6; ++k) {
                    if (k == j) continue;
                    term = term * (X - xs[k]);
                    term = term / (xs[j] - xs[k]);
                }
                sum += term;
            }
            values[i] = float(double(sum));
        }
        return double(timer.nsecsElapsed()) / 1e6;
    }

    bool same(const TCalTable& resampled) const {
        for (size_t i = 0; i < values.size(); ++i)
            if (std::memcmp(&values[i], &resampled.Points[i].Value, sizeof(float)) != 0) return false;
        return true;
    }
};

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    // Memory freed stays with the process, so that each round times the work and not fresh pages
    // from the system, whose cost differs far more between machines (several times more in a
    // virtual machine) than the work does.
    mallopt(M_TRIM_THRESHOLD, 256 << 20);
    mallopt(M_MMAP_THRESHOLD, 256 << 20);
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString full = dir.filePath(QStringLiteral("full.xls"));
    const QString short_ = dir.filePath(QStringLiteral("short.xls"));
    RealWorkbooks server;
    ExportCalTable(*server.create(), full, curve(4000));
    TCalTable s = curve(3999);
    s.Points[3999].Arg = 1999.5f;
    ExportCalTable(*server.create(), short_, s);

    TableImport imported;
    importMs(short_, true, &imported);
    Reference reference(imported.source, double(s.Points[3999].Arg));  // the export's maximum level
    reference.runMs();
    if (!reference.same(imported.table)) {
        std::fprintf(stderr, "the reference loop does not give the import's values bit for bit\n");
        return 1;
    }

    std::vector<double> plain, resampled, arithmetic;
    for (int round = 0; round < Rounds; ++round) {
        plain.push_back(importMs(full, false));
        resampled.push_back(importMs(short_, true));
        arithmetic.push_back(reference.runMs());
    }
    const double a = median(plain), b = median(resampled), c = median(arithmetic);
    std::printf("import 4000 points, no resampling:        %.2f ms\n", a);
    std::printf("import 3999 points, resampled:            %.2f ms\n", b);
    std::printf("the resampling's arithmetic alone:        %.2f ms\n", c);
    std::printf("resampled against plain: %.2f; resampled against plain and arithmetic: %.2f (goal <= %.2f)\n", b / a,
                b / (a + c), Goal);
    std::printf("RATIO workbook_resampled_vs_plain_and_arithmetic %.2f %.2f\n", b / (a + c), Goal);
    return 0;
}
