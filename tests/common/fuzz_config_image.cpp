// A loaded .dat image is the configuration's memory image, whatever its bytes hold: every
// path that reads the records (texts, counts, requests to the terminal, table lookups and
// geometry, number texts for the view) must take it without reading past a record.

#include <cmath>
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>

#include "common/cp1251.h"
#include "common/terminalpayload.h"
#include "fuzzcheck.h"

namespace {

TConsoleConfig& config() {
    static const auto cfg = std::make_unique<TConsoleConfig>();
    return *cfg;
}

// The input repeated over [begin, begin + n) of the image.
void tile(uint8_t* begin, std::size_t n, const uint8_t* data, std::size_t size) {
    std::size_t done = std::min(n, size);
    std::memcpy(begin, data, done);
    while (done < n) {
        const std::size_t more = std::min(done, n - done);
        std::memcpy(begin + done, begin, more);
        done += more;
    }
}

template <std::size_t N>
void readText(const ShortText<N>& t) {
    const std::string s = t.str();
    FUZZ_CHECK(s.size() <= N);
    const std::string shown = Cp1251ToUtf8(s);
    FUZZ_CHECK(shown.size() <= 3 * N);
}

void readNumber(double x) {
    (void)FormatFloatF(x, 8, 0);
    (void)FormatGeneral(x);
}

void checkRequest(const TLongFrame& f, int minLen, int maxLen) {
    FUZZ_CHECK(f.Len >= minLen && f.Len <= maxLen);
    const TLineBuffer line = EncodeLongFrame(f);
    FUZZ_CHECK(line.Len == 2 * f.Len + 8);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    TConsoleConfig& cfg = config();
    // The header (with the MDI units) and one tank record from the input; the others zero.
    static int last = 0;
    std::memset(&cfg.Tanks[last], 0, sizeof(TTankRecord));
    const int tank = data[0] % MaxTanks;
    last = tank;
    tile(reinterpret_cast<uint8_t*>(&cfg), offsetof(TConsoleConfig, Tanks), data + 1, size - 1);
    tile(reinterpret_cast<uint8_t*>(&cfg.Tanks[tank]), sizeof(TTankRecord), data + 1, size - 1);

    readText(cfg.TerminalId);
    checkRequest(GlobalRequest(cfg), 12, 12);
    // The view and the sequences never go past the sixteen records, whatever the counts say.
    const int units = std::min<int>(cfg.MdiCount, MaxMdiUnits);
    for (int n = 1; n <= units; ++n) {
        readText(cfg.Mdi[n - 1].Name);
        checkRequest(MdiRequest(cfg, n), 3, 28);
    }
    // The other tanks are zero; the one from the input is read as every path reads a tank.
    {
        const int n = tank + 1;
        const TTankRecord& t = cfg.Tanks[tank];
        readText(t.ProductName);
        for (const TTankDimension& d : t.Dimensions) {
            readText(d.Caption);
            readText(d.Units);
            readNumber(d.Value);
        }
        for (double x : {t.Capacity, t.Diameter, t.MaxFuel, t.WaterAlarm, t.LowFuel, t.FuelAlarm, t.ProbeDistance,
                         t.Sensor1Distance, t.Sensor2Distance, t.SpeedOfWire, t.AuxValue, t.RoFuel, t.TkFuel})
            readNumber(x);
        const TLongFrame request = TankRequest(cfg, n);
        checkRequest(request, 60, 79);
        FUZZ_CHECK(request.Data[7] == n);
        // The request read back as a reply lands on the same tank and keeps its texts short.
        static const auto scratch = std::make_unique<TConsoleConfig>();
        ApplyTerminalReply(*scratch, trTank, request.Len, request.Data);
        FUZZ_CHECK(scratch->Tanks[n - 1].ProductName.Len <= 20);

        const TCalTable& table = t.CalTable;
        for (double x : {0.0, double(table.Step), double(table.Points[1].Arg), 1e9, -1.0})
            (void)LagrangeInterpolate(x, table);
        (void)HorCylinderVolume(t.Dimensions[0].Value, t.Dimensions[1].Value, t.Dimensions[2].Value);
    }
    return 0;
}
