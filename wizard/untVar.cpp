#include "wizard/untVar.h"

std::string InstallDir;
