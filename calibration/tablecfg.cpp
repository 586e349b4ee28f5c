#include "calibration/tablecfg.h"

TCalibrationTable* CalibrationTable = nullptr;
