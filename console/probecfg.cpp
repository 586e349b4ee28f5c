#include "console/probecfg.h"

Tprobeconfig* probeconfig = nullptr;
