#pragma once
#include <string>

// The level file in readable form: the vertex table in world units, then every room's
// polygons with kind, target room, plane, colour index and vertex indices. Returns
// false with a message when the viewer's loader refuses the file.
bool dumpLevelFile(const std::string& path, std::string& text, std::string& error);
