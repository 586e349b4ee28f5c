#pragma once
// Reply lines assembled from the bytes the probe bus delivers, in whatever pieces they come.
// Free of Qt so the fuzz build can feed it arbitrary chunks.
#include <cstddef>
#include <string>
#include <string_view>

class ProbeLineAssembler {
public:
    // Noise that never ends a line must not grow without bound; a line that long is no reply
    // and is dropped undecoded anyway.
    static constexpr std::size_t MaxLine = 1024;

    // onLine(line) runs for each line an LF completes, the LF included. A CR starts a new line
    // and discards what was collected before it; bytes after an LF without a CR before the
    // next LF still make a line.
    template <class OnLine>
    void Feed(std::string_view bytes, OnLine&& onLine) {
        for (const char c : bytes) {
            if (c == '\n') {
                line_ += c;
                std::string done;
                done.swap(line_);
                onLine(done);
            } else if (c == '\r') {
                line_.assign(1, '\r');
            } else if (line_.size() < MaxLine) {
                line_ += c;
            }
        }
    }

    // The line still being assembled.
    const std::string& Partial() const { return line_; }
    void Clear() { line_.clear(); }

private:
    std::string line_;
};
