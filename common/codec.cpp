#include "common/tankcfgtypes.h"

#include <algorithm>
#include <bit>

namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";
constexpr uint8_t CR = 0x0D;
constexpr uint8_t LF = 0x0A;

constexpr int kMinShortLine = 12;  // CR, device, address, code, CRC, LF
constexpr int kMinLongLine = 8;    // CR, code, CRC, LF

void putHex(std::string& s, uint8_t b) {
    s.push_back(kHexDigits[b >> 4]);
    s.push_back(kHexDigits[b & 0x0F]);
}

void putHex(uint8_t* out, uint8_t b) {
    out[0] = static_cast<uint8_t>(kHexDigits[b >> 4]);
    out[1] = static_cast<uint8_t>(kHexDigits[b & 0x0F]);
}

using PairDecoder = uint8_t (*)(char, char);

// Both programs' short decoders; they differ only in how a hex pair is read.
void decodeShort(const std::string& line, TShortFrame& frame, PairDecoder pairToByte) {
    // Callers keep longer text away; if one does not, the first 120 are what
    // the frame can hold.
    const int L = static_cast<int>(std::min<std::size_t>(line.size(), ShortLineMax));
    // Position p counted from 1, as the line format is written.
    auto pair = [&](int p) { return pairToByte(line[p - 1], line[p]); };

    if (L < kMinShortLine) {
        frame.Device = L >= 3 ? pair(2) : 0;
        frame.Addr = L >= 5 ? pair(4) : 0;
        frame.Count = 0;
        frame.Code = FrameInvalid;
        return;
    }

    uint16_t crc = Crc16Update(0, CR);
    const uint8_t device = pair(2);
    crc = Crc16Update(crc, device);
    const uint8_t addr = pair(4);
    crc = Crc16Update(crc, addr);
    const uint8_t code = pair(6);
    crc = Crc16Update(crc, code);
    frame.Device = device;
    frame.Addr = addr;
    frame.Code = code;

    int p = 8;
    int n = 0;
    while (p < L - 5) {
        const uint8_t b = pair(p);
        frame.Data[n] = b;  // n <= 53 for L <= 120
        crc = Crc16Update(crc, b);
        ++n;
        p += 2;
    }
    const uint16_t received = BytesToWord(pair(p), pair(p + 2));
    frame.Count = static_cast<uint8_t>(n);

    const bool ok = code >= 0x80 && static_cast<uint8_t>(line[0]) == CR && static_cast<uint8_t>(line[L - 1]) == LF &&
                    received == crc;
    if (!ok) frame.Code = FrameInvalid;
}

}  // namespace

uint16_t Crc16Update(uint16_t crc, uint8_t b) {
    crc ^= b;
    for (int i = 0; i < 8; ++i) {
        if (crc & 1)
            crc = static_cast<uint16_t>((crc >> 1) ^ 0xA001);
        else
            crc = static_cast<uint16_t>(crc >> 1);
    }
    return crc;
}

std::string EncodeFrame(const TShortFrame& frame) {
    const int n = std::min<int>(frame.Count, ShortFrameMaxData);
    std::string line;
    line.reserve(2 * static_cast<std::size_t>(n) + 12);
    line.push_back(static_cast<char>(CR));
    uint16_t crc = Crc16Update(0, CR);
    for (uint8_t b : {frame.Device, frame.Addr, frame.Code}) {
        putHex(line, b);
        crc = Crc16Update(crc, b);
    }
    for (int i = 0; i < n; ++i) {
        putHex(line, frame.Data[i]);
        crc = Crc16Update(crc, frame.Data[i]);
    }
    putHex(line, static_cast<uint8_t>(crc >> 8));
    putHex(line, static_cast<uint8_t>(crc & 0xFF));
    line.push_back(static_cast<char>(LF));
    return line;
}

TLineBuffer EncodeLongFrame(const TLongFrame& frame) {
    const int n = std::clamp<int32_t>(frame.Len, 0, LongFrameMaxData);
    TLineBuffer out{};
    uint8_t* w = out.Data;
    *w++ = CR;
    uint16_t crc = Crc16Update(0, CR);
    putHex(w, frame.Code);
    w += 2;
    crc = Crc16Update(crc, frame.Code);
    for (int i = 0; i < n; ++i) {
        putHex(w, frame.Data[i]);
        w += 2;
        crc = Crc16Update(crc, frame.Data[i]);
    }
    putHex(w, static_cast<uint8_t>(crc >> 8));
    w += 2;
    putHex(w, static_cast<uint8_t>(crc & 0xFF));
    w += 2;
    *w++ = LF;
    out.Len = static_cast<int32_t>(w - out.Data);  // 2n + 8
    return out;
}

void DecodeFrameReply(const std::string& line, TShortFrame& frame) { decodeShort(line, frame, HexPairToByte); }

namespace probeprog {
void DecodeFrameReply(const std::string& line, TShortFrame& frame) { decodeShort(line, frame, HexPairToByteChecked); }
}  // namespace probeprog

void DecodeLongReply(const TLineBuffer& line, TLongFrame& frame) {
    const int L = std::clamp<int32_t>(line.Len, 0, LineBufferSize);
    auto pair = [&](int q) {
        return HexPairToByte(static_cast<char>(line.Data[q]), static_cast<char>(line.Data[q + 1]));
    };

    if (L < kMinLongLine) {
        frame.Code = FrameInvalid;
        frame.Len = 0;
        return;
    }

    uint16_t crc = Crc16Update(0, CR);
    const uint8_t code = pair(1);
    crc = Crc16Update(crc, code);
    frame.Code = code;

    int q = 3;
    int n = 0;
    while (q < L - 5) {
        const uint8_t b = pair(q);
        frame.Data[n] = b;  // n <= 1021 for L <= 2052
        crc = Crc16Update(crc, b);
        ++n;
        q += 2;
    }
    const uint16_t received = BytesToWord(pair(q), pair(q + 2));
    frame.Len = n;

    if (code < 0x7F || received != crc)
        frame.Code = FrameInvalid;
    else if (line.Data[0] != CR || line.Data[L - 1] != LF)
        frame.Code = FrameBadEnds;
}

uint8_t HexPairToByte(char hi, char lo) {
    auto d = [](char c) {
        const unsigned u = static_cast<unsigned char>(c);
        return u <= 0x40 ? u - 48u : u - 55u;  // wraps for codes below '0'; only the byte counts
    };
    return static_cast<uint8_t>(16u * d(hi) + d(lo));
}

uint8_t HexPairToByteChecked(char hi, char lo) {
    const unsigned h = static_cast<unsigned char>(hi);
    const unsigned l = static_cast<unsigned char>(lo);
    if (h < '0' || l < '0') return 255;
    auto v = [](unsigned u) {
        if (u <= 0x40) return u - 48u;  // '0'..'9', and 10..16 for ':'..'@'
        if (u <= 'F') return u - 55u;
        return 15u;
    };
    return static_cast<uint8_t>(16u * v(h) + v(l));
}

std::string ByteToHex(uint8_t b) {
    std::string s;
    putHex(s, b);
    return s;
}

uint16_t BytesToWord(uint8_t hi, uint8_t lo) { return static_cast<uint16_t>(hi << 8 | lo); }

std::string ByteToBits(uint8_t b) {
    std::string s(8, '0');
    for (int i = 0; i < 8; ++i)
        if (b & (0x80 >> i)) s[i] = '1';
    return s;
}

std::array<uint8_t, 4> SingleToBE(double x) {
    const uint32_t u = std::bit_cast<uint32_t>(static_cast<float>(x));
    return {static_cast<uint8_t>(u >> 24), static_cast<uint8_t>(u >> 16), static_cast<uint8_t>(u >> 8),
            static_cast<uint8_t>(u)};
}

namespace {
void appendSingle(int32_t& len, uint8_t* data, double x) {
    if (len < 0 || len > LineBufferSize - 4) throw RangeError();
    const auto b = SingleToBE(x);
    std::memcpy(data + len, b.data(), 4);
    len += 4;
}
}  // namespace

TLineBuffer& AppendSingleBE(TLineBuffer& block, double x) {
    appendSingle(block.Len, block.Data, x);
    return block;
}

TLongFrame& AppendSingleBE(TLongFrame& frame, double x) {
    appendSingle(frame.Len, frame.Data, x);
    return frame;
}

double BEBytesToSingle(uint8_t b0, uint8_t b1, uint8_t b2, uint8_t b3) {
    const uint32_t u = uint32_t{b0} << 24 | uint32_t{b1} << 16 | uint32_t{b2} << 8 | b3;
    return std::bit_cast<float>(u);
}

double BEBytesToSingleOrZero(uint8_t b0, uint8_t b1, uint8_t b2, uint8_t b3) {
    // The probe reports an unset float as all ones.
    if (b0 == 0xFF && b1 == 0xFF && b2 == 0xFF && b3 == 0xFF) return 0.0;
    return BEBytesToSingle(b0, b1, b2, b3);
}

int32_t BEBytesToLongInt(uint8_t b0, uint8_t b1, uint8_t b2, uint8_t b3) {
    const uint32_t u = uint32_t{b0} << 24 | uint32_t{b1} << 16 | uint32_t{b2} << 8 | b3;
    return static_cast<int32_t>(u);
}

double TempFromRaw(uint8_t hi, uint8_t lo) {
    // The sensor's three lowest bits carry no temperature.
    const auto w = static_cast<int16_t>(static_cast<uint16_t>(hi << 8 | (lo & 0xF8)));
    return w / 8.0 * 0.0625;
}

std::string StripFrameEnds(const std::string& s) {
    if (s.size() < 2) return {};
    return s.substr(1, s.size() - 2);
}

std::string FloatToFixed(double x) {
    std::string s = FormatFixed(x, 3, '.');
    if (s.size() < 8) s.insert(0, 8 - s.size(), ' ');
    return s;
}
