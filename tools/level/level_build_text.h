#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// build's work on a source's text, with no file read or written: read, built, encoded, and
// the bytes checked with the viewer's loader and checker. quellor-level build writes the
// bytes it gives; the web page shows them. Messages are build's, word for word: sourceName
// stands for the source, outName for the level file.
struct BuiltLevelBytes {
  bool ok = false;
  std::vector<std::string> errors;    // one line each
  std::vector<std::string> warnings;  // "SOURCE:LINE: warning: ..."
  std::vector<uint8_t> bytes;         // the level file, when ok
  size_t rooms = 0, polygons = 0, vertices = 0;
};

// With strict, a level with warnings counts as failed.
BuiltLevelBytes buildLevelText(const std::string& text, const std::string& sourceName, const std::string& outName,
                               bool strict = false);
