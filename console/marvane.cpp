#include "console/marvane.h"

#include "calibration/autoctbl.h"
#include "calibration/ctblch.h"
#include "calibration/genffctbl.h"
#include "calibration/tablecfg.h"
#include "calibration/tankcfg.h"
#include "console/calsow1.h"
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

MarvaneProgram::MarvaneProgram() {
    make(MainConfig);
    make(tankconfig);
    make(probeconfig);
    make(CalibrationTable);
    make(CalSoW);
    make(logForm1);
    make(AutoCalTbl);
    make(CalTChart);
    make(GenffrCt);
    make(ScanfLrm);
    make(mdicfg);
    make(progresf);
}

MarvaneProgram::~MarvaneProgram() {
    // The last created goes first; the main window, which the others call back into, last.
    while (!windows_.empty()) windows_.pop_back();
    for (auto& clear : forget_) clear();
}
