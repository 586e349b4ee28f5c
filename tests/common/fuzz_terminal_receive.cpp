// Marvane's terminal receive path: bytes arrive in arbitrary chunks; at each line feed the
// receive area takes at most 2052 of the bytes waiting, decodes them and the reply is
// applied to the configuration.

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "common/terminalpayload.h"
#include "fuzzcheck.h"

namespace {

TConsoleConfig& config() {
    static const auto cfg = std::make_unique<TConsoleConfig>();
    return *cfg;
}

void takeLine(std::string& waiting) {
    TLineBuffer line;
    TLongFrame reply;
    std::memset(&reply, 0xEE, sizeof reply);
    const std::size_t taken =
        TakeTerminalLine(reinterpret_cast<const uint8_t*>(waiting.data()), waiting.size(), line, reply);
    FUZZ_CHECK(taken == std::min<std::size_t>(waiting.size(), LineBufferSize));
    FUZZ_CHECK(line.Len == int32_t(taken));
    FUZZ_CHECK(std::memcmp(line.Data, waiting.data(), taken) == 0);
    FUZZ_CHECK(reply.Len >= 0 && reply.Len <= LongFrameMaxData);
    waiting.erase(0, taken);

    TConsoleConfig& cfg = config();
    const TerminalReplyEffect e = ApplyTerminalReply(cfg, reply.Code, reply.Len, reply.Data);
    FUZZ_CHECK(e.code == reply.Code);
    if (reply.Code == FrameInvalid || reply.Code == FrameBadEnds)
        FUZZ_CHECK(e.kind == TerminalReplyEffect::Resend);
    else
        FUZZ_CHECK(e.kind != TerminalReplyEffect::Resend);
    // What was stored stays within its records.
    FUZZ_CHECK(cfg.TerminalId.Len <= 12);
    for (const TTankRecord& t : cfg.Tanks) FUZZ_CHECK(t.ProductName.Len <= 20);
    for (const TMdiUnitRecord& u : cfg.Mdi) FUZZ_CHECK(u.Name.Len <= 20);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    std::memset(&config(), 0, sizeof(TConsoleConfig));
    // Each chunk: a length byte, then that many bytes (fewer at the end of the input).
    std::string waiting;
    std::size_t at = 0;
    while (at < size) {
        const std::size_t len = std::min<std::size_t>(data[at], size - at - 1);
        const std::string chunk(reinterpret_cast<const char*>(data + at + 1), len);
        at += 1 + len;
        waiting += chunk;
        // One event per chunk holding a line feed; a handler that left a line feed behind
        // after taking bytes is raised again.
        if (chunk.find('\n') == std::string::npos) continue;
        for (;;) {
            const std::size_t before = waiting.size();
            takeLine(waiting);
            if (waiting.size() == before || waiting.find('\n') == std::string::npos) break;
        }
    }
    return 0;
}
