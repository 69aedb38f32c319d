#pragma once
#include <cstdint>

#include "viewer/viewer_state.h"

// A frame's digest, to compare runs pass by pass without keeping their frames: XXH3-64
// (xxHash) of the width and height (32-bit little-endian) and then the rows, top first,
// width bytes each (the pitch and the row order in memory do not count). Allocates
// nothing, so a platform may take one every present.
uint64_t frameDigest(const PresentedFrame& frame);

// "0123456789abcdef": the digest as the digest files write it (16 hex digits), into out,
// which holds at least 17 characters.
void writeDigestHex(uint64_t digest, char* out);
