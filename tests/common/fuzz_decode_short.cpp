// Arbitrary bytes as a probe bus line for the console program's short decoder.

#include <cstdint>
#include <cstring>
#include <string>

#include "common/tankcfgtypes.h"
#include "fuzzcheck.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::string line(reinterpret_cast<const char*>(data), size);
    TShortFrame f;
    std::memset(&f, 0xEE, sizeof f);
    DecodeFrameReply(line, f);

    // At most 120 characters are looked at, so at most 54 data bytes.
    FUZZ_CHECK(f.Count <= 54);
    for (int i = f.Count; i < ShortFrameMaxData; ++i) FUZZ_CHECK(f.Data[i] == 0xEE);

    if (f.Code != FrameInvalid) {
        FUZZ_CHECK(f.Code >= 0x80);
        FUZZ_CHECK(line[0] == '\r');
        // An accepted frame encodes to a canonical line that decodes the same.
        const std::string again = EncodeFrame(f);
        FUZZ_CHECK(again.size() == 2u * f.Count + 12);
        TShortFrame g;
        std::memset(&g, 0, sizeof g);
        DecodeFrameReply(again, g);
        FUZZ_CHECK(g.Code == f.Code && g.Device == f.Device && g.Addr == f.Addr && g.Count == f.Count);
        FUZZ_CHECK(std::memcmp(g.Data, f.Data, f.Count) == 0);
    }

    // The same bytes as a reply frame: encoding and decoding gives it back.
    if (size >= 3) {
        TShortFrame in;
        std::memset(&in, 0, sizeof in);
        in.Device = data[0];
        in.Addr = data[1];
        in.Code = static_cast<uint8_t>(data[2] | 0x80);
        in.Count = static_cast<uint8_t>(size - 3 < 54 ? size - 3 : 54);
        std::memcpy(in.Data, data + 3, in.Count);
        TShortFrame out;
        std::memset(&out, 0, sizeof out);
        DecodeFrameReply(EncodeFrame(in), out);
        FUZZ_CHECK(std::memcmp(&in, &out, sizeof in) == 0);
    }
    return 0;
}
