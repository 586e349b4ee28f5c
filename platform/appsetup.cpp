#include "platform/appsetup.h"

#include <csignal>

void PrepareApplication() { std::signal(SIGXFSZ, SIG_IGN); }
