#pragma once
// Whole-file reads and writes with the program's file error texts (InOutError).
#include <QString>
#include <cstddef>

// Error numbers for the file texts that have no system error of their own. Negative, so that
// no errno can take them.
inline constexpr int ErrReadBeyondEnd = -100;
inline constexpr int ErrDiskFull = -101;

// Writes the whole file; every save of the programs goes through here. Where the folder
// allows it, a temporary file beside the target is flushed to the disk and renamed over it,
// and the folder is flushed after the rename, so a write that fails part-way (or a power cut)
// leaves the previous file as it was; the old file's permissions are kept. The temporary file
// has a name only between being complete and the rename; one that a killed save left there is
// removed by the next save into the folder. A file the program may write in a folder it may
// not, a file with other names (hard links) or another owner, or a folder without room for a
// second copy, is written in place instead. Only regular files are written.
void WriteWholeFile(const QString& path, const void* data, std::size_t size);
// Reads exactly size bytes from the start of the file (a longer file is fine); a shorter
// one fails with "Read beyond end of file" and nothing is copied into data. Anything but a
// regular file (a folder, a pipe, a device) is refused without waiting on it.
void ReadFilePrefix(const QString& path, void* data, std::size_t size);
// The text for a system error number.
QString FileErrorText(int err);
