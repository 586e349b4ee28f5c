#include "console/progresft.h"

Tprogresf* progresf = nullptr;
