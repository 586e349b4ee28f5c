#pragma once
// What travels on the terminal link: the requests built from the console configuration,
// the received line taken into the receive area and decoded, and each reply applied to
// the configuration. Plain functions, so they can be checked byte by byte and fuzzed.
#include <cstddef>
#include <cstdint>
#include <initializer_list>

#include "common/tankcfgtypes.h"

// The low 16 bits of roFuel x 1000 truncated toward zero (0 for a value that has none).
uint16_t RoFuelWord(double roFuel);

// Requests. A tank or MDI unit number outside 1..16 throws RangeError.
TLongFrame GlobalRequest(const TConsoleConfig& cfg);
TLongFrame TankRequest(const TConsoleConfig& cfg, int n);
TLongFrame MdiRequest(const TConsoleConfig& cfg, int n);
// A request with a few data bytes of its own ("get" requests).
TLongFrame ShortRequest(uint8_t code, std::initializer_list<uint8_t> data);

// What a line feed on the terminal port makes of the bytes waiting: at most 2052 of them
// go into the receive area (line), which is decoded into reply. Returns how many were taken.
std::size_t TakeTerminalLine(const uint8_t* waiting, std::size_t n, TLineBuffer& line, TLongFrame& reply);

// What a reply did, for the dialogue to report and the link to end or repeat its exchange.
struct TerminalReplyEffect {
    enum Kind {
        Other,        // nothing stored or reported
        Ack,          // global, tank or MDI acknowledgement: ok tells its status
        Stored,       // a global, tank or MDI reply (stored when it fits the records)
        TableHeader,  // calibration table header acknowledgement: ok
        TableBlock,   // calibration table block acknowledgement: ok, block when hasBlock
        Resend,       // the reply failed the frame check
    };
    Kind kind = Other;
    uint8_t code = 0;
    bool ok = false;
    bool hasBlock = false;
    uint16_t block = 0;
};

// Applies a decoded reply to cfg by its code alone. A reply too short for its layout, or
// naming a tank or MDI unit outside 1..16, stores nothing; an acknowledgement without its
// status byte is a failure.
TerminalReplyEffect ApplyTerminalReply(TConsoleConfig& cfg, uint8_t code, int32_t len, const uint8_t* data);
