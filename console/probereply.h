#pragma once
// Small rules of the probe-bus reply handling, kept apart so that they can be checked alone.
#include <cstdint>
#include <string>

// "1" when b and mask share a bit, else "0".
inline std::string BitText(uint8_t b, uint8_t mask) { return (b & mask) ? "1" : "0"; }

// One sensor-1 sample of a speed-of-wire calibration point: slots 1..17 (indexes 0..16) fill
// in order and every further sample overwrites slot 17. A count outside 0..17 is taken as the
// nearest end, so no write falls outside the array.
inline void AddSowSample(int32_t (&samples)[17], int32_t& count, int32_t value) {
    if (count < 0) count = 0;
    if (count < 17) ++count;
    if (count > 17) count = 17;
    samples[count - 1] = value;
}
