#pragma once
// The console configuration program: its session and its windows, created in their order at
// start and kept until the program ends.
#include <QWidget>
#include <memory>
#include <vector>

class ConsoleSession;
class TAutoCalTbl;
class TCalibrationTable;
class TCalSoW;
class TCalTChart;
class TGenffrCt;
class TMainConfig;
class Tmdicfg;
class Tprobeconfig;
class Tprogresf;
class TScanfLrm;
class Ttankconfig;
class TlogForm1;

// The twelve windows by their form names.
struct MarvaneForms {
    TMainConfig* MainConfig = nullptr;
    Ttankconfig* tankconfig = nullptr;
    Tprobeconfig* probeconfig = nullptr;
    TCalibrationTable* CalibrationTable = nullptr;
    TCalSoW* CalSoW = nullptr;
    TlogForm1* logForm1 = nullptr;
    TAutoCalTbl* AutoCalTbl = nullptr;
    TCalTChart* CalTChart = nullptr;
    TGenffrCt* GenffrCt = nullptr;
    TScanfLrm* ScanfLrm = nullptr;
    Tmdicfg* mdicfg = nullptr;
    Tprogresf* progresf = nullptr;
};

class MarvaneProgram {
public:
    MarvaneProgram();
    ~MarvaneProgram();
    MarvaneProgram(const MarvaneProgram&) = delete;
    MarvaneProgram& operator=(const MarvaneProgram&) = delete;

    ConsoleSession& session() const { return *session_; }
    const MarvaneForms& forms() const { return forms_; }
    // In creation order; the main window first.
    const std::vector<std::unique_ptr<QWidget>>& windows() const { return windows_; }

private:
    template <class W, class... Args>
    W* make(Args&... args) {
        auto w = std::make_unique<W>(args...);
        W* raw = w.get();
        windows_.push_back(std::move(w));
        return raw;
    }
    std::unique_ptr<ConsoleSession> session_;
    std::vector<std::unique_ptr<QWidget>> windows_;
    MarvaneForms forms_;
};

// "Vantrel control"
extern const char* const MarvaneTitle;

struct ProgramIdentity;
// Command, desktop id, working folder and summary of the installed program.
extern const ProgramIdentity Marvane;
