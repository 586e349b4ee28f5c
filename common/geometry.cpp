#include "common/tankcfgtypes.h"

#include <algorithm>
#include <cmath>

double HorCylinderVolume(double h, double L, double R) {
    if (!(R > 0.0)) return 0.0;
    const long double r = R;
    // Depths beyond the tank count as empty or full; acos and sqrt would have no
    // real value there.
    long double d = h;
    if (d < 0.0L)
        d = 0.0L;
    else if (d > 2.0L * r)
        d = 2.0L * r;
    const long double c = std::clamp((r - d) / r, -1.0L, 1.0L);
    const long double radicand = std::max(2.0L * r * d - d * d, 0.0L);
    const long double area = r * r * std::acos(c) - (r - d) * std::sqrt(radicand);
    return static_cast<double>(area * static_cast<long double>(L));
}

double LagrangeInterpolate(double x, const TCalTable& table) {
    int from = 0;
    return LagrangeInterpolateFrom(x, table, from);
}

double LagrangeInterpolateFrom(double x, const TCalTable& table, int& from) {
    if (x == 0.0) return 0.0;
    const int count = std::min<int>(table.Count, MaxCalPoints);

    int first;
    int last;
    if (count < 5) {
        // Too few points for six: the polynomial through all there are.
        first = 0;
        last = count;
    } else {
        // Linear on purpose: the window follows the first point above x in index order.
        int i = count + 1;
        for (int k = std::clamp(from, 0, count + 1); k <= count; ++k) {
            if (x < table.Points[k].Arg) {
                i = k;
                break;
            }
        }
        from = i;
        if (3 <= i && i < count - 2) {
            first = i - 3;
            last = i + 2;
        } else if (i < 3) {
            first = 0;
            last = 5;
        } else {
            first = count - 5;
            last = count;
        }
    }

    // A repeated Arg would divide by zero; the polynomial goes through the
    // first point of each Arg instead.
    long double xs[6];
    long double ys[6];
    int m = 0;
    for (int k = first; k <= last; ++k) {
        const long double a = table.Points[k].Arg;
        if (std::find(xs, xs + m, a) != xs + m) continue;
        xs[m] = a;
        ys[m] = table.Points[k].Value;
        ++m;
    }

    const long double X = x;
    long double sum = 0.0L;
    for (int j = 0; j < m; ++j) {
        long double term = ys[j];
        for (int k = 0; k < m; ++k) {
            if (k == j) continue;
            term = term * (X - xs[k]);
            term = term / (xs[j] - xs[k]);
        }
        sum += term;
    }
    return static_cast<double>(sum);
}
