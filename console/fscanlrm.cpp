#include "console/fscanlrm.h"

TScanfLrm* ScanfLrm = nullptr;
