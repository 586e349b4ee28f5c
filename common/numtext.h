#pragma once
// Number texts that the windows show and read. Everything here except
// FloatToFixed (tankcfgtypes.h) uses DecimalSeparator, so a program that sets it
// from the system locale at start gets consistent texts everywhere.

#include <string>

// '.' until the program sets it from the locale.
extern char DecimalSeparator;

// Fixed point with `decimals` decimals (0..18), halves rounded away from zero;
// a '-' only when the shown value is not zero.
std::string FormatFixed(double x, int decimals);
// The same with a given separator (FloatToFixed always writes '.').
std::string FormatFixed(double x, int decimals, char separator);

// General format: 15 significant digits, trailing zeros dropped, no trailing
// separator; exponent form ("1.5E20", "1E-7") when the decimal exponent is >= 15
// or < -4. NaN and infinities give "NAN", "INF", "-INF".
std::string FormatGeneral(double x);

// Fixed format with a precision: rounded to at most `precision` (1..18)
// significant digits and at most `digits` (0..18) decimals, then shown with
// exactly `digits` decimals. When the integer part needs more than `precision`
// digits the text is the general exponent form with `precision` significant
// digits, e.g. FormatFloatF(123456789, 8, 0) == "1.2345679E8".
std::string FormatFloatF(double x, int precision, int digits);

// Integer text: blanks around, optional sign, decimal digits, or hex after "$"
// or "0x" (up to 8 hex digits, read as the 32-bit pattern like "$FFFFFFFF" == -1).
// Anything else, or a decimal value outside 32 bits, throws ConvertError
// "'<text>' is not a valid integer value".
int ParseInt(const std::string& text);
bool TryParseInt(const std::string& text, int& value);

// Floating point text: blanks around, optional sign, digits with
// DecimalSeparator or a point (what FloatToFixed writes), optional exponent
// ("E", optional sign, digits). Anything
// else, or a value beyond the double range, throws ConvertError
// "'<text>' is not a valid floating point value".
double ParseFloat(const std::string& text);
bool TryParseFloat(const std::string& text, double& value);

// The text without the control characters and blanks (bytes up to 0x20) at either end.
std::string TrimBlanks(const std::string& text);
