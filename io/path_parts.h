#pragma once
// The two parts of a path the programs name in messages and titles: the folder that holds
// the file ("." for a bare name, "/" at the root) and the file's own name.
#include <string>

inline std::string folderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

inline std::string fileNameOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}
