#include "console/marvane.h"

#include "calibration/autoctbl.h"
#include "calibration/ctblch.h"
#include "calibration/genffctbl.h"
#include "calibration/tablecfg.h"
#include "calibration/tankcfg.h"
#include "console/calsow1.h"
#include "console/consolesession.h"
#include "console/fscanlrm.h"
#include "console/logform.h"
#include "console/maincfg.h"
#include "console/mdicf.h"
#include "console/probecfg.h"
#include "console/progresft.h"
#include "platform/appsetup.h"

const char* const MarvaneTitle = "Vantrel control";

const ProgramIdentity Marvane{"marvane", "org.tankcfg.Marvane", "Marvane",
                              "Marvane sets up a fuel-tank level console: its tanks, probes, leak read "
                              "modules and calibration tables."};

MarvaneProgram::MarvaneProgram() : session_(std::make_unique<ConsoleSession>()) {
    ConsoleSession& s = *session_;
    MarvaneForms& f = forms_;
    f.MainConfig = make<TMainConfig>(s);
    f.tankconfig = make<Ttankconfig>(s);
    f.probeconfig = make<Tprobeconfig>();
    f.CalibrationTable = make<TCalibrationTable>(s);
    f.CalSoW = make<TCalSoW>();
    f.logForm1 = make<TlogForm1>();
    f.AutoCalTbl = make<TAutoCalTbl>();
    f.CalTChart = make<TCalTChart>();
    f.GenffrCt = make<TGenffrCt>(s);
    f.ScanfLrm = make<TScanfLrm>();
    f.mdicfg = make<Tmdicfg>(s);
    f.progresf = make<Tprogresf>(s);
    f.MainConfig->AttachWindows(f.tankconfig, f.probeconfig, f.CalSoW, f.logForm1, f.ScanfLrm, f.mdicfg);
    f.tankconfig->AttachWindows(f.CalibrationTable);
    f.CalibrationTable->AttachWindows(f.AutoCalTbl, f.CalTChart, f.GenffrCt);
}

MarvaneProgram::~MarvaneProgram() {
    // The last created goes first; the main window, which opens the others, last; then the
    // session they all work on.
    forms_ = {};
    while (!windows_.empty()) windows_.pop_back();
    session_.reset();
}
