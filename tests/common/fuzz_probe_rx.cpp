// Arbitrary bytes arriving on the probe program's bus in arbitrary pieces: the line assembly
// and the reply pass behind it.
//
// The first byte chooses how the rest is cut into receive events; the lines must not depend
// on the cut, each ends with its LF, and nothing grows past the line cap.

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "common/rxlines.h"
#include "common/tankcfgtypes.h"
#include "fuzzcheck.h"

namespace {
std::vector<std::string> assemble(std::string_view bytes, std::uint8_t cut, std::string& partial) {
    ProbeLineAssembler a;
    std::vector<std::string> lines;
    auto onLine = [&lines](const std::string& line) { lines.push_back(line); };
    std::size_t at = 0;
    std::uint32_t seed = cut;
    while (at < bytes.size()) {
        std::size_t n = 1;
        if (cut != 0) {
            seed = seed * 1103515245u + 12345u;
            n = 1 + (seed >> 16) % (2u * cut);
        } else {
            n = bytes.size();
        }
        n = std::min(n, bytes.size() - at);
        a.Feed(bytes.substr(at, n), onLine);
        FUZZ_CHECK(a.Partial().size() <= ProbeLineAssembler::MaxLine);
        at += n;
    }
    partial = a.Partial();
    return lines;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);

    std::string wholePartial, cutPartial;
    const std::vector<std::string> whole = assemble(bytes, 0, wholePartial);
    const std::vector<std::string> cut = assemble(bytes, data[0], cutPartial);
    FUZZ_CHECK(whole == cut);
    FUZZ_CHECK(wholePartial == cutPartial);

    std::size_t lineFeeds = 0;
    for (const char c : bytes) lineFeeds += c == '\n';
    FUZZ_CHECK(whole.size() == lineFeeds);

    for (const std::string& line : whole) {
        FUZZ_CHECK(!line.empty() && line.back() == '\n');
        FUZZ_CHECK(line.size() <= ProbeLineAssembler::MaxLine + 1);
        // A CR can only open a line, and no LF stands inside one.
        FUZZ_CHECK(line.find('\r', 1) == std::string::npos);
        FUZZ_CHECK(line.find('\n') == line.size() - 1);
        // The reply pass: short enough lines are decoded, longer ones dropped.
        if (line.size() <= std::size_t(ShortLineMax)) {
            TShortFrame f;
            std::memset(&f, 0xEE, sizeof f);
            probeprog::DecodeFrameReply(line, f);
            FUZZ_CHECK(f.Count <= ShortFrameMaxData);
            if (f.Code != FrameInvalid) FUZZ_CHECK(line.front() == '\r');
        }
    }
    return 0;
}
