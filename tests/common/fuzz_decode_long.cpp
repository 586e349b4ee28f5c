// Arbitrary bytes as a terminal line for the long decoder, with honest and
// with corrupt buffer lengths.

#include <cstdint>
#include <cstring>

#include "common/tankcfgtypes.h"
#include "fuzzcheck.h"

namespace {

void decodeAndCheck(const TLineBuffer& line) {
    TLongFrame f;
    std::memset(&f, 0xEE, sizeof f);
    DecodeLongReply(line, f);

    FUZZ_CHECK(f.Len >= 0 && f.Len <= LongFrameMaxData);
    for (int i = f.Len; i < LineBufferSize; ++i) FUZZ_CHECK(f.Data[i] == 0xEE);

    if (f.Code != FrameInvalid && f.Code != FrameBadEnds) {
        FUZZ_CHECK(f.Code >= 0x7F);
        FUZZ_CHECK(line.Data[0] == '\r');
        const TLineBuffer again = EncodeLongFrame(f);
        FUZZ_CHECK(again.Len == 2 * f.Len + 8);
        TLongFrame g;
        std::memset(&g, 0, sizeof g);
        DecodeLongReply(again, g);
        FUZZ_CHECK(g.Code == f.Code && g.Len == f.Len);
        FUZZ_CHECK(std::memcmp(g.Data, f.Data, std::size_t(f.Len)) == 0);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    TLineBuffer line;
    std::memset(&line, 0, sizeof line);
    const std::size_t n = size < std::size_t(LineBufferSize) ? size : std::size_t(LineBufferSize);
    std::memcpy(line.Data, data, n);
    line.Len = static_cast<int32_t>(n);
    decodeAndCheck(line);

    // The first two bytes as a length that need not match what was received.
    if (size >= 2) {
        std::memset(&line, 0, sizeof line);
        std::memcpy(line.Data, data + 2, n - 2);
        line.Len = static_cast<int32_t>(data[0] << 8 | data[1]) - 4000;  // -4000..61535
        decodeAndCheck(line);
    }

    // The same bytes as a reply frame: encoding and decoding gives it back.
    if (size >= 1) {
        TLongFrame in;
        std::memset(&in, 0, sizeof in);
        in.Code = static_cast<uint8_t>(0x7F + data[0] % 0x7F);
        in.Len = static_cast<int32_t>(size - 1 < std::size_t(LongFrameMaxData) ? size - 1 : LongFrameMaxData);
        std::memcpy(in.Data, data + 1, std::size_t(in.Len));
        TLongFrame out;
        std::memset(&out, 0, sizeof out);
        DecodeLongReply(EncodeLongFrame(in), out);
        FUZZ_CHECK(std::memcmp(&in, &out, sizeof in) == 0);
    }
    return 0;
}
