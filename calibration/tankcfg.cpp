#include "calibration/tankcfg.h"

Ttankconfig* tankconfig = nullptr;
