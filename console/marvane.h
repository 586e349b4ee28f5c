#pragma once
// The console configuration program's windows, created in their order at start and kept
// until the program ends.
#include <QWidget>
#include <functional>
#include <memory>
#include <vector>

class MarvaneProgram {
public:
    MarvaneProgram();
    ~MarvaneProgram();
    MarvaneProgram(const MarvaneProgram&) = delete;
    MarvaneProgram& operator=(const MarvaneProgram&) = delete;

    // In creation order; the main window first.
    const std::vector<std::unique_ptr<QWidget>>& windows() const { return windows_; }

private:
    template <class W>
    void make(W*& global) {
        auto w = std::make_unique<W>();
        global = w.get();
        windows_.push_back(std::move(w));
        forget_.push_back([&global] { global = nullptr; });
    }
    std::vector<std::unique_ptr<QWidget>> windows_;
    std::vector<std::function<void()>> forget_;
};

// "Vantrel control"
extern const char* const MarvaneTitle;

struct ProgramIdentity;
// Command, desktop id, working folder and summary of the installed program.
extern const ProgramIdentity Marvane;
