// Number texts shown in and read from the windows.

#include <QTest>

#include <cmath>
#include <limits>

#include "common/tankcfgtypes.h"

namespace {

// Each test sets the separator it needs; this puts the default back.
struct SeparatorScope {
    char saved = DecimalSeparator;
    explicit SeparatorScope(char c) { DecimalSeparator = c; }
    ~SeparatorScope() { DecimalSeparator = saved; }
};

}  // namespace

class TestNumText : public QObject {
    Q_OBJECT
private slots:
    void trimBlanksDropsControlsAndBlanksAtBothEnds();
    void formatFloatF_data();
    void formatFloatF();
    void formatGeneral_data();
    void formatGeneral();
    void formatFixed();
    void commaSeparator();
    void parseInt_data();
    void parseInt();
    void parseIntErrors_data();
    void parseIntErrors();
    void parseFloat_data();
    void parseFloat();
    void parseFloatErrors_data();
    void parseFloatErrors();
    void generalTextReadsBack();
};

void TestNumText::formatFloatF_data() {
    QTest::addColumn<double>("x");
    QTest::addColumn<int>("precision");
    QTest::addColumn<int>("digits");
    QTest::addColumn<QString>("text");
    QTest::newRow("precision cuts decimals") << 3012.345 << 5 << 2 << "3012.30";
    QTest::newRow("padded decimal") << 2998.6 << 5 << 2 << "2998.60";
    QTest::newRow("integer") << 50.0 << 4 << 2 << "50.00";
    QTest::newRow("negative small") << -0.0625 << 4 << 2 << "-0.06";
    QTest::newRow("one decimal") << 3000.0 << 5 << 1 << "3000.0";
    QTest::newRow("no decimals") << 22000.0 << 8 << 0 << "22000";
    QTest::newRow("falls back to exponent") << 123456789.0 << 8 << 0 << "1.2345679E8";
    QTest::newRow("carry past precision") << 99999.9 << 5 << 0 << "1E5";
    QTest::newRow("carry within precision") << 9.996 << 3 << 2 << "10.00";
    QTest::newRow("half away from zero") << 0.125 << 15 << 2 << "0.13";
    QTest::newRow("negative half") << -0.125 << 15 << 2 << "-0.13";
    QTest::newRow("rounds to zero, no sign") << -0.004 << 15 << 2 << "0.00";
    QTest::newRow("zero") << 0.0 << 5 << 3 << "0.000";
    QTest::newRow("negative zero") << -0.0 << 5 << 1 << "0.0";
    QTest::newRow("binary below half") << 2.675 << 15 << 2 << "2.67";
    QTest::newRow("tiny rounds up") << 0.005 << 15 << 2 << "0.01";
    QTest::newRow("large negative") << -1.5e20 << 15 << 2 << "-1.5E20";
    QTest::newRow("nan") << std::numeric_limits<double>::quiet_NaN() << 5 << 2 << "NAN";
    QTest::newRow("inf") << -std::numeric_limits<double>::infinity() << 5 << 2 << "-INF";
}

void TestNumText::formatFloatF() {
    QFETCH(double, x);
    QFETCH(int, precision);
    QFETCH(int, digits);
    QFETCH(QString, text);
    SeparatorScope sep('.');
    QCOMPARE(QString::fromStdString(FormatFloatF(x, precision, digits)), text);
}

void TestNumText::formatGeneral_data() {
    QTest::addColumn<double>("x");
    QTest::addColumn<QString>("text");
    QTest::newRow("zero") << 0.0 << "0";
    QTest::newRow("negative zero") << -0.0 << "0";
    QTest::newRow("integer") << 22000.0 << "22000";
    QTest::newRow("fraction") << 1.5 << "1.5";
    QTest::newRow("15 digits") << 0.1 + 0.2 << "0.3";
    QTest::newRow("rounded to 15") << 2.0 / 3.0 << "0.666666666666667";
    QTest::newRow("float widened") << double(0.89f) << "0.889999985694885";
    QTest::newRow("largest fixed") << 999999999999999.0 << "999999999999999";
    QTest::newRow("1E15") << 1e15 << "1E15";
    QTest::newRow("exponent with fraction") << 1.5e20 << "1.5E20";
    QTest::newRow("many digits") << 123456789012345678.0 << "1.23456789012346E17";
    QTest::newRow("smallest fixed") << 0.0001 << "0.0001";
    QTest::newRow("1E-5") << 0.00001 << "1E-5";
    QTest::newRow("1E-7") << 1e-7 << "1E-7";
    QTest::newRow("negative exponent form") << -2.5e-10 << "-2.5E-10";
    QTest::newRow("negative") << -7.7 << "-7.7";
    QTest::newRow("round up to exponent") << 999999999999999.9 << "1E15";
}

void TestNumText::formatGeneral() {
    QFETCH(double, x);
    QFETCH(QString, text);
    SeparatorScope sep('.');
    QCOMPARE(QString::fromStdString(FormatGeneral(x)), text);
}

void TestNumText::formatFixed() {
    SeparatorScope sep('.');
    QCOMPARE(FormatFixed(1.005, 2), std::string("1.00"));  // 1.00499999999999989...
    QCOMPARE(FormatFixed(0.0625, 3), std::string("0.063"));
    QCOMPARE(FormatFixed(-0.0625, 3), std::string("-0.063"));
    QCOMPARE(FormatFixed(-0.0004, 3), std::string("0.000"));
    QCOMPARE(FormatFixed(13171.32354, 4), std::string("13171.3235"));
    QCOMPARE(FormatFixed(2.5, 0), std::string("3"));
    QCOMPARE(FormatFixed(-2.5, 0), std::string("-3"));
    QCOMPARE(FormatFixed(1e20, 1), std::string("100000000000000000000.0"));
    QCOMPARE(FormatFixed(7.0, -3), std::string("7"));
}

void TestNumText::commaSeparator() {
    SeparatorScope sep(',');
    QCOMPARE(FormatFixed(1.25, 1), std::string("1,3"));
    QCOMPARE(FormatGeneral(0.89), std::string("0,89"));
    QCOMPARE(FormatGeneral(1.5e20), std::string("1,5E20"));
    QCOMPARE(FormatFloatF(3012.345, 5, 2), std::string("3012,30"));
    QCOMPARE(FloatToFixed(1.5), std::string("   1.500"));

    QCOMPARE(ParseFloat("1,5"), 1.5);
    QCOMPARE(ParseFloat(" -0,25E2 "), -25.0);
    // What FloatToFixed wrote reads back under a comma locale.
    QCOMPARE(ParseFloat(FloatToFixed(1.5)), 1.5);
    QCOMPARE(ParseFloat("  -2.500"), -2.5);
    double v = 0;
    QVERIFY(TryParseFloat("3000", v));
    QCOMPARE(v, 3000.0);
    // One separator only, whichever it is.
    QVERIFY(!TryParseFloat("1,5.0", v));
    QVERIFY(!TryParseFloat("1.5,0", v));
    QVERIFY(!TryParseFloat("1.000,5", v));
    QVERIFY_THROWS_EXCEPTION(ConvertError, ParseFloat("1;5"));
}

void TestNumText::parseInt_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("value");
    QTest::newRow("plain") << "42" << 42;
    QTest::newRow("blanks around") << "  17 \t" << 17;
    QTest::newRow("plus") << "+5" << 5;
    QTest::newRow("minus") << "-300" << -300;
    QTest::newRow("leading zeros") << "007" << 7;
    QTest::newRow("max") << "2147483647" << 2147483647;
    QTest::newRow("min") << "-2147483648" << std::numeric_limits<int>::min();
    QTest::newRow("dollar hex") << "$AB" << 0xAB;
    QTest::newRow("lower hex") << "$ff" << 255;
    QTest::newRow("0x hex") << "0x1F" << 31;
    QTest::newRow("hex pattern") << "$FFFFFFFF" << -1;
    QTest::newRow("negative hex") << "-$10" << -16;
}

void TestNumText::parseInt() {
    QFETCH(QString, text);
    QFETCH(int, value);
    QCOMPARE(ParseInt(text.toStdString()), value);
    int v = 0;
    QVERIFY(TryParseInt(text.toStdString(), v));
    QCOMPARE(v, value);
}

void TestNumText::parseIntErrors_data() {
    QTest::addColumn<QString>("text");
    for (const char* t : {"", "   ", "-", "+", "12a", "1 2", "1.0", "2147483648", "-2147483649", "99999999999999999999",
                          "$", "0x", "$1FFFFFFFF", "$G", "--1", "- 1", "1e3"})
        QTest::newRow(t) << QString::fromLatin1(t);
}

void TestNumText::parseIntErrors() {
    QFETCH(QString, text);
    const std::string s = text.toStdString();
    int v = 1234;
    QVERIFY(!TryParseInt(s, v));
    QCOMPARE(v, 1234);
    try {
        ParseInt(s);
        QFAIL("no ConvertError");
    } catch (const ConvertError& e) {
        QCOMPARE(std::string(e.what()), "'" + s + "' is not a valid integer value");
    }
}

void TestNumText::parseFloat_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("value");
    QTest::newRow("integer") << "3000" << 3000.0;
    QTest::newRow("fraction") << "0.89" << 0.89;
    QTest::newRow("blanks and sign") << "  -1.5  " << -1.5;
    QTest::newRow("plus") << "+2" << 2.0;
    QTest::newRow("no integer part") << ".5" << 0.5;
    QTest::newRow("no fraction digits") << "5." << 5.0;
    QTest::newRow("exponent") << "1.5E20" << 1.5e20;
    QTest::newRow("lower exponent, sign") << "25e-1" << 2.5;
    QTest::newRow("exponent plus") << "1E+3" << 1000.0;
    QTest::newRow("underflow reads zero") << "1E-400" << 0.0;
    QTest::newRow("long mantissa") << "0.1000000000000000000000000001" << 0.1;
}

void TestNumText::parseFloat() {
    QFETCH(QString, text);
    QFETCH(double, value);
    SeparatorScope sep('.');
    QCOMPARE(ParseFloat(text.toStdString()), value);
}

void TestNumText::parseFloatErrors_data() {
    QTest::addColumn<QString>("text");
    for (const char* t : {"", " ", ".", "-", "1,5", "1.5.", "1e", "1e+", "e5", "1.5x", "0x10", "$10", "inf", "nan",
                          "1E400", "-1e99999999999", "1 000", "--1"})
        QTest::newRow(t) << QString::fromLatin1(t);
}

void TestNumText::parseFloatErrors() {
    QFETCH(QString, text);
    SeparatorScope sep('.');
    const std::string s = text.toStdString();
    double v = 9.5;
    QVERIFY(!TryParseFloat(s, v));
    QCOMPARE(v, 9.5);
    try {
        ParseFloat(s);
        QFAIL("no ConvertError");
    } catch (const ConvertError& e) {
        QCOMPARE(std::string(e.what()), "'" + s + "' is not a valid floating point value");
    }
}

void TestNumText::generalTextReadsBack() {
    // What a window shows, the same window must read back (both separators).
    for (char c : {'.', ','}) {
        SeparatorScope sep(c);
        for (double x : {0.89, 0.999, 7.7, 22000.0, -1.6, 1.5e20, 2.5e-7, 1234567.125})
            QCOMPARE(ParseFloat(FormatGeneral(x)), x);
    }
}

void TestNumText::trimBlanksDropsControlsAndBlanksAtBothEnds() {
    QCOMPARE(TrimBlanks(" \t012345\r\n"), std::string("012345"));
    QCOMPARE(TrimBlanks("a b"), std::string("a b"));
    QCOMPARE(TrimBlanks(std::string("\0x\x01", 3)), std::string("x"));
    QCOMPARE(TrimBlanks("   "), std::string());
    // Bytes above 0x7F are letters of the code page, not blanks.
    QCOMPARE(TrimBlanks("\xC0 "), std::string("\xC0"));
}

QTEST_APPLESS_MAIN(TestNumText)
#include "tst_numtext.moc"
