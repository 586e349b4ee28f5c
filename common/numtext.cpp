#include "common/numtext.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <string_view>

#include "common/errors.h"

char DecimalSeparator = '.';

namespace {

// |x| as decimal digits: value = 0.digits x 10^point. No digits means zero.
// All rounding works on these 18 significant digits, halves away from zero, and
// never goes through printf, so texts do not depend on the C library's locale.
struct Decimal {
    bool negative = false;
    std::string digits;
    int point = 0;
};

void stripTrailingZeros(Decimal& d) {
    while (!d.digits.empty() && d.digits.back() == '0') d.digits.pop_back();
    if (d.digits.empty()) {
        d.negative = false;
        d.point = 0;
    }
}

Decimal toDecimal(double x) {
    Decimal d;
    d.negative = std::signbit(x);
    if (x == 0.0) return Decimal{};
    char buf[64];
    const auto res = std::to_chars(buf, buf + sizeof buf, std::fabs(x), std::chars_format::scientific, 17);
    const std::string_view s(buf, static_cast<std::size_t>(res.ptr - buf));  // d.ddddddddddddddddde+XX
    const std::size_t e = s.find('e');
    d.digits.push_back(s[0]);
    d.digits.append(s.substr(2, e - 2));
    int exponent = 0;
    std::from_chars(s.data() + e + (s[e + 1] == '+' ? 2 : 1), s.data() + s.size(), exponent);
    d.point = exponent + 1;
    stripTrailingZeros(d);
    return d;
}

// Keeps at most ndig significant digits, halves away from zero.
void roundTo(Decimal& d, int ndig) {
    if (d.digits.empty() || ndig >= static_cast<int>(d.digits.size())) return;
    if (ndig < 0) {
        d = Decimal{};
        return;
    }
    const bool up = d.digits[static_cast<std::size_t>(ndig)] >= '5';
    d.digits.resize(static_cast<std::size_t>(ndig));
    if (up) {
        int k = ndig - 1;
        while (k >= 0 && d.digits[static_cast<std::size_t>(k)] == '9') {
            d.digits[static_cast<std::size_t>(k)] = '0';
            --k;
        }
        if (k < 0) {
            d.digits.insert(d.digits.begin(), '1');
            ++d.point;
        } else {
            ++d.digits[static_cast<std::size_t>(k)];
        }
    }
    stripTrailingZeros(d);
}

std::string fixedText(const Decimal& d, int decimals, char sep) {
    auto digitAt = [&](int k) {
        return k >= 0 && k < static_cast<int>(d.digits.size()) ? d.digits[static_cast<std::size_t>(k)] : '0';
    };
    std::string s;
    if (d.negative && !d.digits.empty()) s.push_back('-');
    if (d.point <= 0) s.push_back('0');
    for (int k = 0; k < d.point; ++k) s.push_back(digitAt(k));
    if (decimals > 0) {
        s.push_back(sep);
        for (int k = d.point; k < d.point + decimals; ++k) s.push_back(digitAt(k));
    }
    return s;
}

// "1.5E20", "1E-7": exponent with a sign only when negative, no leading zeros.
std::string exponentText(const Decimal& d, char sep) {
    std::string s;
    if (d.negative) s.push_back('-');
    s.push_back(d.digits[0]);
    if (d.digits.size() > 1) {
        s.push_back(sep);
        s.append(d.digits, 1);
    }
    s.push_back('E');
    s += std::to_string(d.point - 1);
    return s;
}

bool specialText(double x, std::string& out) {
    if (std::isnan(x))
        out = "NAN";
    else if (std::isinf(x))
        out = x < 0 ? "-INF" : "INF";
    else
        return false;
    return true;
}

std::string_view trimmed(const std::string& text) {
    std::string_view s(text);
    auto blank = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
    while (!s.empty() && blank(s.front())) s.remove_prefix(1);
    while (!s.empty() && blank(s.back())) s.remove_suffix(1);
    return s;
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

int hexValue(char c) {
    if (isDigit(c)) return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

bool parseInt(const std::string& text, int& value) {
    const std::string_view s = trimmed(text);
    std::size_t i = 0;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
    bool hex = false;
    if (i < s.size() && s[i] == '$') {
        hex = true;
        ++i;
    } else if (i + 1 < s.size() && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
        hex = true;
        i += 2;
    }
    if (i == s.size()) return false;

    uint64_t v = 0;
    for (; i < s.size(); ++i) {
        if (hex) {
            const int h = hexValue(s[i]);
            if (h < 0) return false;
            v = v * 16 + static_cast<uint64_t>(h);
            if (v > 0xFFFFFFFFu) return false;
        } else {
            if (!isDigit(s[i])) return false;
            v = v * 10 + static_cast<uint64_t>(s[i] - '0');
            if (v > 2147483648u) return false;
        }
    }
    if (hex) {
        // Hex texts name the 32-bit pattern: "$FFFFFFFF" is -1.
        uint32_t u = static_cast<uint32_t>(v);
        if (negative) u = 0u - u;
        value = static_cast<int32_t>(u);
        return true;
    }
    if (!negative && v > 2147483647u) return false;
    value = static_cast<int>(negative ? -static_cast<int64_t>(v) : static_cast<int64_t>(v));
    return true;
}

bool parseFloat(const std::string& text, double& value) {
    const std::string_view s = trimmed(text);
    std::size_t i = 0;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';

    std::string ascii;  // locale-free text for from_chars
    if (negative) ascii.push_back('-');
    int mantissaDigits = 0;
    int magnitude = 0;  // decimal position of the first non-zero digit, to tell overflow from underflow
    bool seenNonZero = false;
    for (; i < s.size() && isDigit(s[i]); ++i) {
        ascii.push_back(s[i]);
        ++mantissaDigits;
        if (seenNonZero || s[i] != '0') {
            seenNonZero = true;
            ++magnitude;
        }
    }
    // FloatToFixed always writes a point: under a comma locale the point must read back too.
    if (i < s.size() && (s[i] == DecimalSeparator || s[i] == '.')) {
        ascii.push_back('.');
        for (++i; i < s.size() && isDigit(s[i]); ++i) {
            ascii.push_back(s[i]);
            ++mantissaDigits;
            if (!seenNonZero) {
                if (s[i] == '0')
                    --magnitude;
                else
                    seenNonZero = true;
            }
        }
    }
    if (mantissaDigits == 0) return false;

    int exponent = 0;
    if (i < s.size() && (s[i] == 'E' || s[i] == 'e')) {
        ++i;
        bool expNegative = false;
        if (i < s.size() && (s[i] == '+' || s[i] == '-')) expNegative = s[i++] == '-';
        if (i == s.size() || !isDigit(s[i])) return false;
        for (; i < s.size() && isDigit(s[i]); ++i) exponent = std::min(exponent * 10 + (s[i] - '0'), 100000);
        if (expNegative) exponent = -exponent;
    }
    if (i != s.size()) return false;
    ascii.push_back('e');
    ascii += std::to_string(exponent);

    double v = 0.0;
    const auto res = std::from_chars(ascii.data(), ascii.data() + ascii.size(), v);
    if (res.ec == std::errc::result_out_of_range) {
        if (!seenNonZero || magnitude + exponent <= 0)
            v = negative ? -0.0 : 0.0;  // too small: reads as zero
        else
            return false;  // beyond the double range
    } else if (res.ec != std::errc{} || res.ptr != ascii.data() + ascii.size()) {
        return false;
    }
    if (!std::isfinite(v)) return false;
    value = v;
    return true;
}

}  // namespace

std::string FormatFixed(double x, int decimals, char separator) {
    std::string special;
    if (specialText(x, special)) return special;
    decimals = std::clamp(decimals, 0, 18);
    Decimal d = toDecimal(x);
    roundTo(d, d.point + decimals);
    return fixedText(d, decimals, separator);
}

std::string FormatFixed(double x, int decimals) { return FormatFixed(x, decimals, DecimalSeparator); }

std::string FormatGeneral(double x) {
    std::string special;
    if (specialText(x, special)) return special;
    Decimal d = toDecimal(x);
    roundTo(d, 15);
    if (d.digits.empty()) return "0";
    const int exponent = d.point - 1;
    if (exponent >= 15 || exponent < -4) return exponentText(d, DecimalSeparator);
    return fixedText(d, std::max(0, static_cast<int>(d.digits.size()) - d.point), DecimalSeparator);
}

std::string FormatFloatF(double x, int precision, int digits) {
    std::string special;
    if (specialText(x, special)) return special;
    precision = std::clamp(precision, 1, 18);
    digits = std::clamp(digits, 0, 18);
    Decimal d = toDecimal(x);
    roundTo(d, std::min(precision, d.point + digits));
    if (!d.digits.empty() && d.point > precision) return exponentText(d, DecimalSeparator);
    return fixedText(d, digits, DecimalSeparator);
}

bool TryParseInt(const std::string& text, int& value) { return parseInt(text, value); }

int ParseInt(const std::string& text) {
    int v = 0;
    if (!parseInt(text, v)) throw ConvertError("'" + text + "' is not a valid integer value");
    return v;
}

bool TryParseFloat(const std::string& text, double& value) { return parseFloat(text, value); }

double ParseFloat(const std::string& text) {
    double v = 0.0;
    if (!parseFloat(text, v)) throw ConvertError("'" + text + "' is not a valid floating point value");
    return v;
}

std::string TrimBlanks(const std::string& text) {
    std::size_t a = 0, b = text.size();
    while (a < b && static_cast<unsigned char>(text[a]) <= 0x20) ++a;
    while (b > a && static_cast<unsigned char>(text[b - 1]) <= 0x20) --b;
    return text.substr(a, b - a);
}
