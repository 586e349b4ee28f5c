#pragma once
// Whole-file reads and writes with the program's file error texts (InOutError).
#include <QString>
#include <cstddef>

// Writes a temporary file beside the target and renames it over the target, so a write
// that fails part-way leaves the previous file as it was.
void WriteWholeFile(const QString& path, const void* data, std::size_t size);
// Reads exactly size bytes from the start of the file (a longer file is fine); a shorter
// one fails with "Read beyond end of file" and nothing is copied into data.
void ReadFilePrefix(const QString& path, void* data, std::size_t size);
// The text for a system error number.
QString FileErrorText(int err);
