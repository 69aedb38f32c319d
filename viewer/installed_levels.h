#pragma once
#include <string>

// Where an installed viewer's levels are: PREFIX/share/quellor/levels beside PREFIX/bin,
// the folder of the running executable. Empty when the program is not installed that way
// (a build folder) or its own path cannot be read.
std::string installedLevelsFolder(const std::string& executablePath);

// The running program's own path (from /proc/self/exe); empty when it cannot be read.
std::string ownExecutablePath();
