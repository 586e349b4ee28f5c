#pragma once
// The marks and sizes of a compound document (the container of an .xls file) that its reader
// and its writer both use.
#include <cstddef>
#include <cstdint>

namespace CompoundDoc {
constexpr uint32_t FreeSector = 0xFFFFFFFF;
constexpr uint32_t EndOfChain = 0xFFFFFFFE;
constexpr uint32_t FatSector = 0xFFFFFFFD;
constexpr uint32_t DifatSector = 0xFFFFFFFC;
constexpr uint32_t NoEntry = 0xFFFFFFFF;  // no sibling, child or stream
constexpr size_t HeaderDifatEntries = 109;
constexpr size_t EntrySize = 128;
constexpr size_t MiniSectorSize = 64;
// Streams shorter than this live in the mini stream.
constexpr size_t MiniStreamCutoff = 4096;
}  // namespace CompoundDoc
