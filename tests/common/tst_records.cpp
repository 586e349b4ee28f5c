// Console configuration records: the .dat image built from the start-up
// defaults, and what SetTankDefaults must leave alone.

#include <QTest>

#include <cstring>
#include <memory>
#include <new>

#include "common/tankcfgtypes.h"
#include "tests/common/bareconsole.h"

namespace {

// The console program's start-up, as the file image must reflect it.
void buildStartupConfig(TConsoleConfig& cfg) {
    std::memset(&cfg, 0, sizeof cfg);
    cfg.TerminalId.assign("012345");
    cfg.Language = 0;
    cfg.DbSaveTime = 60;
    cfg.TankCount = 1;
    cfg.RefTemp = 15;
    cfg.Units = 0;
    cfg.MdiCount = 0;
    for (TTankRecord& t : cfg.Tanks) t.InUse = 0;
    SetTankDefaults(cfg.Tanks[0]);
}

const uint8_t* bytesOf(const void* p) { return static_cast<const uint8_t*>(p); }

QByteArray slice(const void* p, std::size_t offset, std::size_t n) {
    return QByteArray(reinterpret_cast<const char*>(bytesOf(p) + offset), static_cast<qsizetype>(n));
}

// A tank record full of a byte pattern, so that untouched bytes can be told apart.
std::unique_ptr<TTankRecord> patternedTank() {
    auto t = std::make_unique<TTankRecord>();
    auto* b = reinterpret_cast<uint8_t*>(t.get());
    for (std::size_t i = 0; i < sizeof(TTankRecord); ++i) b[i] = static_cast<uint8_t>(i * 7 + 3);
    return t;
}

}  // namespace

class TestRecords : public QObject {
    Q_OBJECT
private slots:
    void startupImageIsTheFileFormat();
    void tankDefaultsKeepTableAndUnlistedBytes();
    void mdiDefaultsKeepBytesBehindName();
    void shortTextCapacityAndLength();
    void consoleStateStartsZero();
};

void TestRecords::startupImageIsTheFileFormat() {
    auto cfg = std::make_unique<TConsoleConfig>();
    buildStartupConfig(*cfg);

    // Tank 1 Capacity 22000.0, ProductName length, ProbeId.
    QCOMPARE(slice(cfg.get(), 32928, 8), QByteArray::fromHex("00000000007CD540"));
    QCOMPARE(bytesOf(cfg.get())[32976], uint8_t(10));
    QCOMPARE(slice(cfg.get(), 32977, 10), QByteArray("SUPER A95H"));
    QCOMPARE(slice(cfg.get(), 33002, 6), QByteArray::fromHex("0123456789AB"));
    // Speed of wire 3000.0 and the in-use byte of tank 1.
    QCOMPARE(slice(cfg.get(), 456 + 32600, 8), QByteArray::fromHex("000000000070A740"));
    QCOMPARE(bytesOf(cfg.get())[456 + 32640], uint8_t(1));

    // Tanks 2..16 are untouched zeros.
    const uint8_t* b = bytesOf(cfg.get());
    const std::size_t tank2 = 456 + 32648;
    QCOMPARE(std::count(b + tank2, b + sizeof(TConsoleConfig), uint8_t(0)),
             std::ptrdiff_t(sizeof(TConsoleConfig) - tank2));
    // Tank 1's table is all zeros too: defaults never touch it.
    QCOMPARE(std::count(b + 456 + 448, b + 456 + 448 + 32020, uint8_t(0)), std::ptrdiff_t(32020));

    QCOMPARE(slice(cfg.get(), 0, 4), QByteArray::fromHex("3C0F0100"));  // save time, ref temp, tanks, language
    QCOMPARE(b[4], uint8_t(6));
    QCOMPARE(slice(cfg.get(), 5, 6), QByteArray("012345"));
    QCOMPARE(slice(cfg.get(), 11, 6), QByteArray(6, '\0'));
    QCOMPARE(std::count(b + 17, b + 456, uint8_t(0)), std::ptrdiff_t(456 - 17));  // units, MDI, padding

    // Padding inside tank 1 stays zero after the defaults.
    for (std::size_t off : {32468u, 32555u, 32593u, 32634u, 32641u}) QCOMPARE(b[456 + off], uint8_t(0));
    // Dimension slots 0 and 1: Used, Caption, Units.
    QCOMPARE(b[456], uint8_t(1));
    QCOMPARE(slice(cfg.get(), 456 + 16, 14), QByteArray("\x0DTank radius :"));
    QCOMPARE(slice(cfg.get(), 456 + 41, 4), QByteArray("\x03[m]"));
    QCOMPARE(slice(cfg.get(), 456 + 56 + 16, 14), QByteArray("\x0DTank lenght :"));
}

void TestRecords::tankDefaultsKeepTableAndUnlistedBytes() {
    auto t = patternedTank();
    t->CalTable.Count = 4000;
    for (int i = 0; i <= 4000; ++i) t->CalTable.Points[i] = TCalPoint{float(i) * 5.5f, float(i)};
    const auto before = std::make_unique<TTankRecord>(*t);
    SetTankDefaults(*t);

    QVERIFY(std::memcmp(&t->CalTable, &before->CalTable, sizeof(TCalTable)) == 0);

    // Slots 3..7: only Used changes.
    for (int i = 3; i < 8; ++i) {
        QCOMPARE(t->Dimensions[i].Used, uint8_t(0));
        QCOMPARE(slice(&t->Dimensions[i], 1, 55), slice(&before->Dimensions[i], 1, 55));
    }
    // Padding, and the bytes behind each default text's length.
    const std::pair<std::size_t, std::size_t> kept[] = {
        {1, 7},                  // slot 0 padding
        {16 + 1 + 13, 24 - 13},  // slot 0 caption behind "Tank radius :"
        {41 + 1 + 3, 14 - 3},    // slot 0 units behind "[m]"
        {32468, 4},
        {32520 + 1 + 10, 25 - 10},  // behind "SUPER A95H"
        {32555, 5},
        {32593, 7},
        {32634, 2},
        {32641, 7},
    };
    for (auto [off, n] : kept)
        QVERIFY2(slice(t.get(), off, n) == slice(before.get(), off, n), qPrintable(QString::number(off)));
}

void TestRecords::mdiDefaultsKeepBytesBehindName() {
    TMdiUnitRecord u;
    std::memset(&u, 0x5A, sizeof u);
    SetMdiUnitDefaults(u);
    QCOMPARE(u.Address, uint8_t(0));
    QCOMPARE(u.Name.Len, uint8_t(7));
    QCOMPARE(u.Name.str(), std::string("No name"));
    QCOMPARE(slice(&u, 2 + 7, 25 - 7), QByteArray(25 - 7, 0x5A));
}

void TestRecords::shortTextCapacityAndLength() {
    ShortText<12> id;
    std::memset(&id, 'x', sizeof id);
    id.assign("ABCDEFGHIJKLM");  // 13 typed characters
    QCOMPARE(id.Len, uint8_t(12));
    QCOMPARE(id.str(), std::string("ABCDEFGHIJKL"));

    // A shorter text leaves what was behind it.
    id.assign("012");
    QCOMPARE(id.str(), std::string("012"));
    QCOMPARE(std::string(id.Chars + 3, 9), std::string("DEFGHIJKL"));

    // A loaded length byte above the capacity never reads past the characters.
    id.Len = 200;
    QCOMPARE(id.str().size(), std::size_t(12));
    id.assign("");
    QCOMPARE(id.Len, uint8_t(0));
    QCOMPARE(id.str(), std::string());
}

void TestRecords::consoleStateStartsZero() {
    // Over a heap of other bytes: a new state owes its zeros to nothing that was there before.
    void* raw = ::operator new(sizeof(BareConsole));
    std::memset(raw, 0xA5, sizeof(BareConsole));
    BareConsole* state = new (raw) BareConsole;
    QCOMPARE(state->CurrentTank, uint8_t(0));
    QCOMPARE(state->SelectedMdi, uint8_t(0));
    const uint8_t* b = bytesOf(&state->ConsoleConfig);
    QCOMPARE(std::count(b, b + sizeof state->ConsoleConfig, uint8_t(0)), std::ptrdiff_t(sizeof state->ConsoleConfig));
    state->~BareConsole();
    ::operator delete(raw);
}

QTEST_APPLESS_MAIN(TestRecords)
#include "tst_records.moc"
