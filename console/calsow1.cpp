#include "console/calsow1.h"

TCalSoW* CalSoW = nullptr;
