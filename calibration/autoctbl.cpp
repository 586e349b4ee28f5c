#include "calibration/autoctbl.h"

TAutoCalTbl* AutoCalTbl = nullptr;
