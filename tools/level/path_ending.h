#pragma once
#include <string>

// The path with its file name's ending (from the last dot) replaced by ending, or with
// ending added where the name has none: "levels/mine.json" and ".b2" give "levels/mine.b2".
inline std::string withEnding(const std::string& path, const std::string& ending) {
  const size_t dot = path.rfind('.');
  const bool hasEnding = dot != std::string::npos && path.find('/', dot) == std::string::npos;
  return (hasEnding ? path.substr(0, dot) : path) + ending;
}
