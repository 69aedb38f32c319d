#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

// A level source (JSON, what quellor-level build reads) given where a level file belongs
// reads as nonsense counts ("room count 1819042157 is outside 0..8"). These tell it apart
// from a level file by its first bytes, so whoever refused it can say what it is.

// True when the bytes begin as a JSON object does: after a byte-order mark, blanks and
// comments, an opening brace and then a whole quoted key, or an empty object. No level
// file within the loader's limits begins so: the top bytes of its vertex count are zero.
bool looksLikeLevelSource(const uint8_t* bytes, size_t size);

// "NAME: this is a level source (JSON), not a level file: build one with quellor-level
// build NAME STEM.b2" when the bytes look like a source; empty otherwise.
std::string levelSourceNote(const char* name, const uint8_t* bytes, size_t size);
