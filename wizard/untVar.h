// The target folder as the user left it in the directory page's field (untrimmed).
// Written only by the directory page; read by the run and the finish page.
#pragma once

#include <string>

extern std::string InstallDir;
