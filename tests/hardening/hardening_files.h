#pragma once
// Files for the hardening tests. Levels are parsed from their bytes where a file is not
// what is tested; a file is written only to compare the loader's reading of it.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "world/level_loader.h"

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

// The first length bytes parsed as the loader parses a file's, named name in messages.
inline LevelLoadResult parseBytes(World& world, const std::string& name, const std::vector<uint8_t>& bytes,
                                  size_t length = SIZE_MAX) {
  return parseLevel(world, name.c_str(), bytes.data(), std::min(length, bytes.size()));
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
