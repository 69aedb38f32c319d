#pragma once
// A file's whole contents, as the tests read back what a program wrote ("" when it cannot
// be opened).
#include <fstream>
#include <sstream>
#include <string>

inline std::string fileText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}
