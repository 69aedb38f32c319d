// The frame pass under any input: each input decodes to a level (shipped or generated),
// a camera anywhere in any orientation, turning rates, window sizes and a few passes of
// messages; every pass must keep its writes inside the frame buffer, keep the traversal
// bounded and allocate nothing (see tests/hardening/render_stress.h).
//
// The shipped levels are the .b2 files named in QUELLOR_LEVELS (separated by ':'), or,
// without it, those in the build folder.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "tests/hardening/render_stress.h"
#include "world/level_loader.h"

namespace {

std::vector<std::string> shippedFiles() {
  std::vector<std::string> files;
  if (const char* list = std::getenv("QUELLOR_LEVELS")) {
    std::stringstream items(list);
    for (std::string item; std::getline(items, item, ':');) {
      if (!item.empty()) files.push_back(item);
    }
    return files;
  }
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(QUELLOR_BINARY_DIR, ec)) {
    if (entry.path().extension() == ".b2") files.push_back(entry.path().string());
  }
  return files;
}

StressLevels& levels() {
  static StressLevels l;
  return l;
}

std::vector<std::unique_ptr<World>>& shippedWorlds() {
  static std::vector<std::unique_ptr<World>> worlds;
  return worlds;
}

}  // namespace

void installAllocationCounter();

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  installAllocationCounter();
  for (const std::string& file : shippedFiles()) {
    shippedWorlds().push_back(std::make_unique<World>());
    World* world = shippedWorlds().back().get();
    const LevelLoadResult loaded = loadLevel(*world, file.c_str());
    if (!loaded.ok) {
      std::fprintf(stderr, "render fuzz: %s is not a level: %s\n", file.c_str(), loaded.message.c_str());
      std::exit(1);
    }
    levels().shipped.push_back(world);
  }
  std::fprintf(stderr, "render fuzz: %zu shipped levels\n", levels().shipped.size());
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ByteChoices choices(data, size);
  const StressReport report = runStressCase(levels(), choices);
  if (!report.fault.empty()) {
    std::fprintf(stderr, "render fuzz: %s\n", report.fault.c_str());
    std::abort();
  }
  return 0;
}
