// The number texts typed into the windows: the parsers take any text, and what they accept
// they agree on with their Try variants and with the texts written back.

#include <cmath>
#include <cstdint>
#include <string>

#include "common/errors.h"
#include "common/numtext.h"
#include "fuzzcheck.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    DecimalSeparator = size > 0 && data[0] % 2 ? ',' : '.';

    int i = 0;
    const bool intOk = TryParseInt(text, i);
    try {
        const int j = ParseInt(text);
        FUZZ_CHECK(intOk && i == j);
        // A decimal integer written back reads the same.
        FUZZ_CHECK(ParseInt(std::to_string(j)) == j);
    } catch (const ConvertError&) {
        FUZZ_CHECK(!intOk);
    }

    double x = 0;
    const bool floatOk = TryParseFloat(text, x);
    try {
        const double y = ParseFloat(text);
        FUZZ_CHECK(floatOk && (x == y || (std::isnan(x) && std::isnan(y))));
        FUZZ_CHECK(std::isfinite(y));
        // The general text of a value reads back as a value (15 significant digits).
        const std::string g = FormatGeneral(y);
        double back = 0;
        FUZZ_CHECK(TryParseFloat(g, back));
        if (std::fabs(y) >= 1e-300)  // subnormals carry fewer digits
            FUZZ_CHECK(back == y || std::fabs(back - y) <= std::fabs(y) * 1e-14);
        for (int decimals : {0, 3, 18}) FUZZ_CHECK(!FormatFixed(y, decimals).empty());
        FUZZ_CHECK(!FormatFloatF(y, 8, 0).empty());
    } catch (const ConvertError&) {
        FUZZ_CHECK(!floatOk);
    }
    return 0;
}
