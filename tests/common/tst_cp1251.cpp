// Windows-1251 texts of the records against the UTF-8 of the windows.

#include <QStringDecoder>
#include <QTest>

#include "common/tankcfgtypes.h"

class TestCp1251 : public QObject {
    Q_OBJECT
private slots:
    void languageNamesRoundTrip();
    void everyByteRoundTrips();
    void tableAgreesWithIcu();
    void knownCharacters();
    void unmappableAndInvalid_data();
    void unmappableAndInvalid();
    void fitsShortText();
};

void TestCp1251::languageNamesRoundTrip() {
    const std::string bg = "Български";
    const std::string ru = "Русский";
    const std::string bgBytes = Utf8ToCp1251(bg);
    const std::string ruBytes = Utf8ToCp1251(ru);
    QCOMPARE(bgBytes, std::string("\xC1\xfa\xeb\xe3\xe0\xf0\xf1\xea\xe8"));
    QCOMPARE(ruBytes, std::string("\xD0\xf3\xf1\xf1\xea\xe8\xe9"));
    QCOMPARE(Cp1251ToUtf8(bgBytes), bg);
    QCOMPARE(Cp1251ToUtf8(ruBytes), ru);
    QCOMPARE(Utf8ToCp1251("English"), std::string("English"));
    QCOMPARE(Utf8ToCp1251("Srpski Ђорђе"), std::string("Srpski \x80\xee\xf0\x90\xe5"));
}

void TestCp1251::everyByteRoundTrips() {
    std::string all;
    for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
    const std::string utf8 = Cp1251ToUtf8(all);
    QCOMPARE(QString::fromUtf8(utf8.data(), qsizetype(utf8.size())).size(), qsizetype(256));
    QCOMPARE(Utf8ToCp1251(utf8), all);
}

void TestCp1251::tableAgreesWithIcu() {
    QStringDecoder icu("windows-1251");
    if (!icu.isValid()) QSKIP("Qt has no windows-1251 decoder here");
    for (int b = 0x80; b < 0x100; ++b) {
        if (b == 0x98) continue;  // unassigned in the code page
        const char c = static_cast<char>(b);
        const QString expected = icu.decode(QByteArrayView(&c, 1));
        const std::string mine = Cp1251ToUtf8(std::string_view(&c, 1));
        QVERIFY2(QString::fromStdString(mine) == expected, qPrintable(QString::number(b, 16)));
    }
}

void TestCp1251::knownCharacters() {
    // Checked by hand where the ICU comparison is skipped.
    QCOMPARE(Cp1251ToUtf8("\xC0\xFF\xA8\xB8\x88\xB9"), std::string("АяЁё€№"));
    QCOMPARE(Cp1251ToUtf8(std::string_view("a\0b", 3)), std::string("a\0b", 3));
}

void TestCp1251::unmappableAndInvalid_data() {
    QTest::addColumn<QByteArray>("utf8");
    QTest::addColumn<QByteArray>("cp1251");
    QTest::newRow("latin a umlaut") << QByteArray("x\xC3\xA4y") << QByteArray("x?y");
    QTest::newRow("cjk") << QByteArray("\xE4\xB8\xAD") << QByteArray("?");
    QTest::newRow("emoji") << QByteArray("\xF0\x9F\x98\x80!") << QByteArray("?!");
    QTest::newRow("stray continuation") << QByteArray("\x80\x80") << QByteArray("??");
    QTest::newRow("invalid lead") << QByteArray("\xFF\xFE") << QByteArray("??");
    QTest::newRow("truncated at end") << QByteArray("\xD0") << QByteArray("?");
    QTest::newRow("truncated before ascii") << QByteArray("\xE2\x82z") << QByteArray("?z");
    QTest::newRow("overlong slash") << QByteArray("\xC0\xAF") << QByteArray("??");
    QTest::newRow("overlong three") << QByteArray("\xE0\x80\xAF") << QByteArray("?");
    QTest::newRow("surrogate") << QByteArray("\xED\xA0\x80") << QByteArray("?");
    QTest::newRow("beyond unicode") << QByteArray("\xF4\x90\x80\x80") << QByteArray("?");
}

void TestCp1251::unmappableAndInvalid() {
    QFETCH(QByteArray, utf8);
    QFETCH(QByteArray, cp1251);
    QCOMPARE(QByteArray::fromStdString(Utf8ToCp1251(utf8.toStdString())), cp1251);
}

void TestCp1251::fitsShortText() {
    // A Cyrillic product name takes one byte per letter in the record.
    ShortText<25> name;
    std::memset(&name, 0, sizeof name);
    name.assign(Utf8ToCp1251("Дизел Евро 5"));
    QCOMPARE(name.Len, uint8_t(12));
    QCOMPARE(Cp1251ToUtf8(name.str()), std::string("Дизел Евро 5"));
}

QTEST_APPLESS_MAIN(TestCp1251)
#include "tst_cp1251.moc"
