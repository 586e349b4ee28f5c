// Horizontal-cylinder volume and calibration table interpolation.

#include <QTest>

#include <cmath>
#include <cstdio>
#include <memory>
#include <numbers>

#include "common/tankcfgtypes.h"

namespace {

// Points 0..count on Value = f(Arg), Arg = start + k * step.
template <typename F>
std::unique_ptr<TCalTable> table(int count, F f, float start = 0.0f, float step = 10.0f) {
    auto t = std::make_unique<TCalTable>();
    t->Count = static_cast<uint16_t>(count);
    t->Mode = 1;
    t->Step = step;
    for (int k = 0; k <= MaxCalPoints; ++k) {
        const float a = start + float(k) * step;
        t->Points[k] = TCalPoint{float(f(a)), a};
    }
    return t;
}

double square(double a) { return a * a; }
double quintic(double a) { return a * a * a * a * a - 3 * a * a * a * a + 2 * a + 7; }

bool near(double a, double b, double rel = 1e-9) { return std::fabs(a - b) <= rel * std::max(1.0, std::fabs(b)); }

}  // namespace

class TestGeometry : public QObject {
    Q_OBJECT
private slots:
    void cylinderVolume();
    void cylinderDepthOutsideTank();
    void reproducesPolynomials();
    void zeroGivesZero();
    void exactAtTablePoints();
    void sameBitsInEveryBuild();
    void windowFollowsSearch();
    void extrapolatesFromEndWindows();
    void windowAtTheLastPoints();
    void fewPointsUseWhatThereIs();
    void repeatedArgsDoNotDivideByZero();
    void countAboveCapacityIsClamped();
};

void TestGeometry::cylinderVolume() {
    const double L = 5000, R = 1295;
    QCOMPARE(HorCylinderVolume(0, L, R), 0.0);
    QVERIFY(near(HorCylinderVolume(R, L, R), std::numbers::pi * R * R * L / 2));
    QVERIFY(near(HorCylinderVolume(2 * R, L, R), std::numbers::pi * R * R * L));
    QCOMPARE(std::round(HorCylinderVolume(R, L, R) / 1e6 * 1e4) / 1e4, 13171.3235);
    // Symmetry: the empty part above h mirrors the liquid below 2R - h.
    const double full = HorCylinderVolume(2 * R, L, R);
    for (double h : {1.0, 100.0, 700.0, 1294.0, 2000.0})
        QVERIFY(near(HorCylinderVolume(h, L, R) + HorCylinderVolume(2 * R - h, L, R), full));
}

void TestGeometry::cylinderDepthOutsideTank() {
    const double L = 4000, R = 900;
    QCOMPARE(HorCylinderVolume(-5, L, R), 0.0);
    QCOMPARE(HorCylinderVolume(2 * R + 1, L, R), HorCylinderVolume(2 * R, L, R));
    QCOMPARE(HorCylinderVolume(1e308, L, R), HorCylinderVolume(2 * R, L, R));
    QCOMPARE(HorCylinderVolume(100, L, 0), 0.0);
    QCOMPARE(HorCylinderVolume(100, L, -3), 0.0);
    QVERIFY(std::isfinite(HorCylinderVolume(2 * R * (1 - 1e-16), L, R)));
}

void TestGeometry::reproducesPolynomials() {
    // Values that are exact in the table's floats, so only the method is tested.
    auto sq = table(2000, square, 0.0f, 1.0f);
    for (double x : {-15.0, -0.5, 0.25, 1.0, 7.5, 33.3, 1234.5, 1999.5, 2000.0, 2001.0, 2010.0})
        QVERIFY2(near(LagrangeInterpolate(x, *sq), x * x, 1e-9), qPrintable(QString::number(x)));

    auto q = table(20, quintic, 0.0f, 1.0f);
    for (double x : {-1.0, 0.5, 2.5, 7.25, 10.5, 19.5, 21.0})
        QVERIFY2(near(LagrangeInterpolate(x, *q), quintic(x), 1e-9), qPrintable(QString::number(x)));
}

void TestGeometry::zeroGivesZero() {
    auto t = table(100, [](double a) { return a + 500.0; });
    QCOMPARE(LagrangeInterpolate(0.0, *t), 0.0);
    QCOMPARE(LagrangeInterpolate(-0.0, *t), 0.0);
    QVERIFY(near(LagrangeInterpolate(1e-3, *t), 500.001, 1e-6));
}

void TestGeometry::exactAtTablePoints() {
    auto t = table(300, [](double a) { return std::sin(a / 100.0) * 1000.0; });
    for (int k : {1, 2, 3, 150, 297, 298, 299, 300})
        QCOMPARE(LagrangeInterpolate(t->Points[k].Arg, *t), double(t->Points[k].Value));
}

void TestGeometry::sameBitsInEveryBuild() {
    // A resampled table must come out the same to the last bit wherever it is made: extended
    // precision, each term multiplied and then divided point by point in window order, the
    // terms added in window order. At these levels any other order (dividing first, one
    // division by the product of the differences, the points or the terms the other way round)
    // or double precision gives another double.
    auto t = std::make_unique<TCalTable>();
    t->Count = 40;
    for (int k = 1; k <= 40; ++k) {
        const double h = k * 12.5;
        t->Points[k] = TCalPoint{float(3 * h + 0.002 * h * h + 700 / (h + 1)), float(h)};
    }
    const struct {
        double x;
        double value;
    } known[] = {{0.755, 0x1.7d1d595ba9794p+3},  {1.0, 0x1.f0434264d74bap+3},    {1.2, 0x1.25a51e5d06b67p+4},
                 {3.475, 0x1.6af51e85d3ce7p+5},  {4.5625, 0x1.b9f2af05580bbp+5}, {19.3675, 0x1.835c11bbb22d8p+6},
                 {31.185, 0x1.cec6d548e2189p+6}, {512.25, 0x1.01dd3c320f3c4p+11}};
    for (const auto& k : known) {
        const double v = LagrangeInterpolate(k.x, *t);
        char why[80];
        std::snprintf(why, sizeof why, "at %g: %a, not %a", k.x, v, k.value);
        QVERIFY2(v == k.value, why);
    }
}

void TestGeometry::windowFollowsSearch() {
    // Values on Arg^2 but one spike: a window that holds the spike shows it.
    const double x = 505.0;  // first index with x < Arg is i = 51: window 48..53
    for (int spike = 40; spike <= 60; ++spike) {
        auto t = table(200, square);
        t->Points[spike].Value += 1000.0f;
        const bool inWindow = spike >= 48 && spike <= 53;
        const bool exact = near(LagrangeInterpolate(x, *t), x * x, 1e-7);
        QVERIFY2(exact != inWindow, qPrintable(QString("spike at %1").arg(spike)));
    }
}

void TestGeometry::extrapolatesFromEndWindows() {
    const int count = 200;                       // Args 0..2000
    for (double x : {1995.0, 2003.0, 2100.0}) {  // i >= Count - 2: window Count-5..Count
        auto t = table(count, square);
        for (int k = 0; k < count - 5; ++k) t->Points[k].Value = -1e6f;
        QVERIFY2(near(LagrangeInterpolate(x, *t), x * x, 1e-7), qPrintable(QString::number(x)));
        t->Points[count - 5].Value += 50.0f;
        QVERIFY(!near(LagrangeInterpolate(x, *t), x * x, 1e-7));
    }
    for (double x : {-30.0, 5.0, 25.0}) {  // i < 3: window 0..5
        auto t = table(count, square);
        for (int k = 6; k <= count; ++k) t->Points[k].Value = -1e6f;
        QVERIFY2(near(LagrangeInterpolate(x, *t), x * x, 1e-7), qPrintable(QString::number(x)));
    }
}

void TestGeometry::windowAtTheLastPoints() {
    // Count 200, Args 0..2000. i is the first index with x < Arg: up to Count - 3 the window
    // is i-3..i+2, from Count - 2 on the last six points.
    const int count = 200;
    struct Case {
        double x;
        int first;
    };
    for (const Case& c : {Case{1955.0, 193}, Case{1965.0, 194}, Case{1975.0, 195}, Case{1985.0, 195}, Case{1995.0, 195},
                          Case{2005.0, 195}}) {
        for (int spike = count - 10; spike <= count; ++spike) {
            auto t = table(count, square);
            t->Points[spike].Value += 1000.0f;
            const bool inWindow = spike >= c.first && spike <= c.first + 5;
            const bool exact = near(LagrangeInterpolate(c.x, *t), c.x * c.x, 1e-7);
            QVERIFY2(exact != inWindow, qPrintable(QString("x %1, spike at %2").arg(c.x).arg(spike)));
        }
    }
}

void TestGeometry::fewPointsUseWhatThereIs() {
    // Points beyond Count hold junk that must not be used.
    for (int count = 0; count < 5; ++count) {
        auto t = table(count, [](double a) { return 2 * a + 1; });
        for (int k = count + 1; k <= MaxCalPoints; ++k) t->Points[k] = TCalPoint{NAN, NAN};
        const double v = LagrangeInterpolate(7.0, *t);
        if (count == 0)
            QCOMPARE(v, 1.0);  // one point: its value
        else
            QVERIFY2(near(v, 15.0, 1e-9), qPrintable(QString("count %1: %2").arg(count).arg(v)));
    }
}

void TestGeometry::repeatedArgsDoNotDivideByZero() {
    auto t = table(50, [](double a) { return 4 * a - 3; });
    t->Points[21] = t->Points[20];  // same Arg twice in the window
    t->Points[22] = t->Points[20];
    const double v = LagrangeInterpolate(205.0, *t);
    QVERIFY(std::isfinite(v));
    QVERIFY(near(v, 4 * 205.0 - 3, 1e-6));

    auto flat = table(10, [](double) { return 5.0; });
    for (int k = 0; k <= 10; ++k) flat->Points[k].Arg = 1.0f;  // every Arg equal
    QCOMPARE(LagrangeInterpolate(3.0, *flat), 5.0);
}

void TestGeometry::countAboveCapacityIsClamped() {
    auto t = table(4000, square, 0.0f, 1.0f);
    t->Count = 65535;
    QVERIFY(near(LagrangeInterpolate(4100.0, *t), 4100.0 * 4100.0, 1e-6));
    QVERIFY(near(LagrangeInterpolate(3999.5, *t), 3999.5 * 3999.5, 1e-6));
}

QTEST_APPLESS_MAIN(TestGeometry)
#include "tst_geometry.moc"
