#include "calibration/ctblch.h"

TCalTChart* CalTChart = nullptr;
