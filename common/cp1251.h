#pragma once
// Short texts in the records and on the wire are Windows-1251 bytes; the windows
// show UTF-8.

#include <string>
#include <string_view>

// Every byte maps to one character (0x98, unassigned in the code page, maps to
// U+0098 as Windows does, so any byte survives a round trip).
std::string Cp1251ToUtf8(std::string_view bytes);

// Characters without a Windows-1251 byte, and invalid UTF-8 sequences, give '?'.
std::string Utf8ToCp1251(std::string_view text);
