// The workbook stream of a compound document: a header, a table of sector chains (FAT) whose
// own sectors the header and the DIFAT sectors list, a directory of 128-byte entries, and small
// streams kept in 64-byte pieces of the root entry's mini stream, chained by the mini FAT.
// Every sector number and entry index is checked against the file, every chain against
// cycles, and no table is larger than the sectors that hold it.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/compounddoc.h"
#include "platform/xlsread.h"

namespace {

using namespace CompoundDoc;

[[noreturn]] void damaged() { throw XlsFault{XlsDamaged}; }

constexpr auto le16 = XlsLe16;
constexpr auto le32 = XlsLe32;
uint64_t le64(const std::string& s, size_t at) { return le32(s, at) | uint64_t(le32(s, at + 4)) << 32; }

class Container {
public:
    explicit Container(const std::string& f) : f_(f) {
        if (f_.size() < 512 || le16(f_, 0x1C) != 0xFFFE) damaged();
        const unsigned major = le16(f_, 0x1A);
        const unsigned shift = le16(f_, 0x1E);
        if (!((major == 3 && shift == 9) || (major == 4 && shift == 12)) || le16(f_, 0x20) != 6) damaged();
        v4_ = major == 4;
        ss_ = size_t(1) << shift;
        if (f_.size() < ss_) damaged();
        sectors_ = (f_.size() - ss_ + ss_ - 1) / ss_;  // a short last sector counts
        readFat();
        readDirectory();
    }

    std::string stream(const char* name) const {
        const size_t e = childOfRoot(name);
        if (e == NoEntry) return {};
        const size_t at = e * EntrySize;
        uint64_t size = le64(dir_, at + 0x78);
        if (!v4_) size &= 0xFFFFFFFF;  // the high half is not kept in version 3 files
        if (size > f_.size()) damaged();
        const uint32_t start = le32(dir_, at + 0x74);
        if (size < MiniStreamCutoff) return miniStream(start, size_t(size));
        return read(fat_, start, size_t(size));
    }

private:
    // The bytes of sector n that the file holds; `whole` asks for all of them.
    size_t sectorAt(uint32_t n, bool whole) const {
        if (n >= sectors_) damaged();
        const size_t at = (size_t(n) + 1) * ss_;
        if (whole && f_.size() - at < ss_) damaged();
        return at;
    }

    // The sectors of a chain; stops at `most` sectors (the chain may go on) or at its end.
    std::vector<uint32_t> chain(const std::vector<uint32_t>& table, uint32_t start, size_t most) const {
        std::vector<uint32_t> out;
        std::vector<bool> seen(table.size());
        for (uint32_t n = start; n != EndOfChain && out.size() < most; n = table[n]) {
            if (n >= table.size() || seen[n]) damaged();  // out of the table, or a cycle
            seen[n] = true;
            out.push_back(n);
        }
        return out;
    }

    // `size` bytes along a chain of sectors of the file.
    std::string read(const std::vector<uint32_t>& table, uint32_t start, size_t size) const {
        const size_t count = (size + ss_ - 1) / ss_;
        const std::vector<uint32_t> sectors = chain(table, start, count);
        if (sectors.size() < count) damaged();
        std::string out;
        out.reserve(size);  // no more than the file holds: checked by the caller
        for (const uint32_t n : sectors) {
            const size_t at = sectorAt(n, false);
            const size_t take = std::min(ss_, size - out.size());
            if (f_.size() - at < take) damaged();
            out.append(f_, at, take);
        }
        return out;
    }

    // A whole chain of the FAT, as far as it goes.
    std::string readChain(uint32_t start) const {
        std::string out;
        for (const uint32_t n : chain(fat_, start, fat_.size())) out.append(f_, sectorAt(n, true), ss_);
        return out;
    }

    void readFat() {
        // The FAT's sectors: the first 109 listed in the header, the rest in the DIFAT chain.
        const uint32_t fatSectors = le32(f_, 0x2C);
        if (fatSectors > sectors_) damaged();
        std::vector<uint32_t> list;
        for (size_t i = 0; i < HeaderDifatEntries && list.size() < fatSectors; ++i)
            list.push_back(le32(f_, 0x4C + 4 * i));
        uint32_t next = le32(f_, 0x44);
        std::vector<bool> seen(sectors_);
        const size_t perSector = ss_ / 4 - 1;
        while (list.size() < fatSectors) {
            if (next >= sectors_ || seen[next]) damaged();
            seen[next] = true;
            const size_t at = sectorAt(next, true);
            for (size_t i = 0; i < perSector && list.size() < fatSectors; ++i) list.push_back(le32(f_, at + 4 * i));
            next = le32(f_, at + 4 * perSector);
        }
        fat_.reserve(size_t(fatSectors) * (ss_ / 4));
        for (const uint32_t n : list) {
            const size_t at = sectorAt(n, true);
            for (size_t i = 0; i < ss_ / 4; ++i) fat_.push_back(le32(f_, at + 4 * i));
        }
    }

    void readDirectory() {
        dir_ = readChain(le32(f_, 0x30));
        entries_ = dir_.size() / EntrySize;
        if (entries_ == 0 || dir_[0x42] != 5) damaged();  // the root entry comes first
    }

    // The entry named `name` (ASCII, any case) among the root's children, or NoEntry. The
    // children form a tree through their left and right links.
    size_t childOfRoot(const char* name) const {
        std::vector<bool> seen(entries_);
        std::vector<uint32_t> todo{le32(dir_, 0x4C)};
        while (!todo.empty()) {
            const uint32_t e = todo.back();
            todo.pop_back();
            if (e == NoEntry) continue;
            if (e >= entries_ || seen[e]) damaged();
            seen[e] = true;
            const size_t at = size_t(e) * EntrySize;
            if (dir_[at + 0x42] == 2 && named(at, name)) return e;
            todo.push_back(le32(dir_, at + 0x44));
            todo.push_back(le32(dir_, at + 0x48));
        }
        return NoEntry;
    }

    bool named(size_t at, const char* name) const {
        const size_t bytes = le16(dir_, at + 0x40);  // with the closing zero
        if (bytes < 2 || bytes > 64 || bytes % 2) return false;
        size_t i = 0;
        for (; i + 1 < bytes / 2; ++i) {
            const unsigned c = le16(dir_, at + 2 * i);
            if (!name[i] || (c | 0x20) != (unsigned(uint8_t(name[i])) | 0x20)) return false;
        }
        return name[i] == '\0';
    }

    std::string miniStream(uint32_t start, size_t size) const {
        if (size == 0) return {};
        // The mini FAT and the root's stream that holds the 64-byte pieces.
        const std::string miniFatBytes = readChain(le32(f_, 0x3C));
        std::vector<uint32_t> miniFat(miniFatBytes.size() / 4);
        for (size_t i = 0; i < miniFat.size(); ++i) miniFat[i] = le32(miniFatBytes, 4 * i);
        uint64_t rootSize = le64(dir_, 0x78);
        if (!v4_) rootSize &= 0xFFFFFFFF;
        if (rootSize > f_.size()) damaged();
        const std::string pieces = read(fat_, le32(dir_, 0x74), size_t(rootSize));
        const size_t count = (size + MiniSectorSize - 1) / MiniSectorSize;
        const std::vector<uint32_t> chainOf = chain(miniFat, start, count);
        if (chainOf.size() < count) damaged();
        std::string out;
        for (const uint32_t n : chainOf) {
            const size_t at = size_t(n) * MiniSectorSize;
            const size_t take = std::min(MiniSectorSize, size - out.size());
            if (at >= pieces.size() || pieces.size() - at < take) damaged();
            out.append(pieces, at, take);
        }
        return out;
    }

    const std::string& f_;
    bool v4_ = false;
    size_t ss_ = 512;
    size_t sectors_ = 0;
    std::vector<uint32_t> fat_;
    std::string dir_;
    size_t entries_ = 0;
};

}  // namespace

std::string WorkbookStreamOf(const std::string& file) {
    const Container c(file);
    std::string s = c.stream("Workbook");
    if (s.empty()) s = c.stream("Book");
    if (s.empty()) throw XlsFault{"the file holds no Excel workbook"};
    return s;
}
