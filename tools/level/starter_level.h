#pragma once
#include <string>

// The level `quellor-level new` writes to path: two rooms and a door, every line
// commented, that builds and checks clean without a warning. The comments name the
// commands that plan and build it, with its own name.
std::string starterLevelText(const std::string& path);

// Writes the starter level to path unless something is there already. False with a
// message ("PATH: already exists, not overwritten") otherwise.
bool writeStarterLevel(const std::string& path, std::string& error);
