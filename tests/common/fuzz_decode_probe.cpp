// Arbitrary bytes as a probe bus line for the probe program's decoder and its
// helpers.

#include <cstdint>
#include <cstring>
#include <string>

#include "common/tankcfgtypes.h"
#include "fuzzcheck.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::string line(reinterpret_cast<const char*>(data), size);
    TShortFrame f;
    std::memset(&f, 0xEE, sizeof f);
    probeprog::DecodeFrameReply(line, f);

    FUZZ_CHECK(f.Count <= 54);
    for (int i = f.Count; i < ShortFrameMaxData; ++i) FUZZ_CHECK(f.Data[i] == 0xEE);

    if (f.Code != FrameInvalid) {
        FUZZ_CHECK(f.Code >= 0x80);
        const std::string again = EncodeFrame(f);
        TShortFrame g;
        std::memset(&g, 0, sizeof g);
        probeprog::DecodeFrameReply(again, g);
        FUZZ_CHECK(g.Code == f.Code && g.Count == f.Count && std::memcmp(g.Data, f.Data, f.Count) == 0);
        // Both decoders agree on upper-case lines.
        DecodeFrameReply(again, g);
        FUZZ_CHECK(g.Code == f.Code && g.Count == f.Count);
    }

    const std::string stripped = StripFrameEnds(line);
    FUZZ_CHECK(stripped.size() == (size < 2 ? 0 : size - 2));
    if (size >= 2) {
        (void)HexPairToByteChecked(line[0], line[1]);
        (void)TempFromRaw(data[0], data[1]);
    }
    if (size >= 4) (void)BEBytesToSingleOrZero(data[0], data[1], data[2], data[3]);
    return 0;
}
