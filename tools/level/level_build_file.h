#pragma once
#include <cstddef>
#include <string>
#include <vector>

// build: a JSON level source compiled into a level file. The output is never the source
// and never a folder, FIFO or device; it is written to a temporary file beside it, the
// bytes written are checked with the viewer's loader and checker, and only a level that
// passes replaces OUT. Any failure leaves OUT as it was and no temporary file behind.
struct BuildFileOutcome {
  bool ok = false;
  std::vector<std::string> errors;    // one line each, for standard error
  std::vector<std::string> warnings;  // "FILE:LINE: warning: ...", for standard error
  size_t rooms = 0, polygons = 0, vertices = 0;
};

// With strict, a level with warnings counts as failed and does not replace OUT either.
BuildFileOutcome buildLevelFile(const std::string& sourcePath, const std::string& outPath, bool strict = false);
