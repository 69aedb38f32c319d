#pragma once
#include <cstddef>
#include <string>

#include "io/input_file.h"

// The level tool's inputs: what it accepts and the bounds it reads them within.

// A level source larger than this is refused before it is read: the largest level the
// viewer can hold is a few dozen kilobytes of JSON, even written out generously.
constexpr size_t MaxLevelSourceBytes = 4 * MiB;

// Reads a level source once, within MaxLevelSourceBytes. Refuses without waiting a path
// that is a folder, a FIFO or a device. Errors read "PATH: ...".
bool readLevelSourceFile(const std::string& path, std::string& text, std::string& error);

// Whether a level file may be handed to the viewer's loader: a path that exists must be
// a regular file (a FIFO would block the loader, /dev/zero would read as an empty level).
// The look is a stat, which opens nothing. A path that does not exist is left to the
// loader, which says so in its own words.
bool levelFileUsable(const std::string& path, std::string& error);
