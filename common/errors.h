#pragma once
// The errors that the programs' error guard catches and shows in the standard
// error box; what() is the box text.

#include <stdexcept>
#include <string>

struct AppError : std::runtime_error {
    explicit AppError(const std::string& message) : std::runtime_error(message) {}
};

// A typed text that is not a number of the expected kind.
struct ConvertError : AppError {
    explicit ConvertError(const std::string& message) : AppError(message) {}
};

// A file or device operation that failed; Code is the operation's error number.
struct InOutError : AppError {
    int Code;
    InOutError(int code, const std::string& message) : AppError(message), Code(code) {}
    explicit InOutError(int code) : AppError("I/O error " + std::to_string(code)), Code(code) {}
};

// An index or value outside the range that a fixed-size record can hold.
struct RangeError : AppError {
    RangeError() : AppError("Range check error") {}
};
