#include "calibration/genffctbl.h"

TGenffrCt* GenffrCt = nullptr;
