#pragma once
// Files for the hardening tests. The loader opens a level for exclusive use, and other
// tests may hold the same file at the same moment, so each test loads its own copy.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace hardening_test {

// In memory where the machine offers it: the loader flushes every file it closes.
inline std::string privatePath(const std::string& name) {
  static const std::string folder = access("/dev/shm", W_OK) == 0 ? "/dev/shm/" : ::testing::TempDir();
  return folder + "hardening-" + std::to_string(getpid()) + "-" + name;
}

inline std::vector<uint8_t> readBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A private copy of a file, named after it.
inline std::string privateCopy(const std::string& path) {
  const std::string copy = privatePath(std::filesystem::path(path).filename().string());
  std::filesystem::copy_file(path, copy, std::filesystem::copy_options::overwrite_existing);
  return copy;
}

// The levels this build ships (made by the level tool into the build folder), sorted.
inline std::vector<std::string> shippedLevels() {
  std::vector<std::string> found;
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(QUELLOR_BINARY_DIR, ec)) {
    if (entry.path().extension() == ".b2") found.push_back(entry.path().string());
  }
  std::sort(found.begin(), found.end());
  return found;
}

}  // namespace hardening_test
