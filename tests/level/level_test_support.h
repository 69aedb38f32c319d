#pragma once
// Builds level sources and loads level files for the level tool's tests.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "tools/level/dvec3.h"
#include "tools/level/level_builder.h"
#include "tools/level/level_checker.h"
#include "tools/level/level_source.h"
#include "tools/level/level_writer.h"
#include "tools/level/world_in_double.h"
#include "world/level_loader.h"

struct BuildRun {
  bool ok = false;
  std::vector<std::string> errors;
  BuiltLevel level;
  std::vector<uint8_t> bytes;

  std::string allErrors() const {
    std::string all;
    for (const std::string& e : errors) all += e + "\n";
    return all;
  }
};

inline BuildRun buildText(const std::string& text, const std::string& name = "test.json") {
  BuildRun run;
  LevelSource source;
  run.ok = readLevelSource(text, name, source, run.errors) && buildLevel(source, run.level, run.errors);
  if (run.ok) run.bytes = encodeLevel(run.level);
  return run;
}

inline std::string tempPath(const std::string& name) { return ::testing::TempDir() + name; }

// A run of the built quellor-level: its exit status and what it printed on standard output
// and standard error together.
struct ToolRun {
  int status;
  std::string output;
};

inline ToolRun runTool(const std::string& arguments) {
  // One output file per test: ctest runs the tests of this suite side by side.
  const ::testing::TestInfo& test = *::testing::UnitTest::GetInstance()->current_test_info();
  const std::string outputPath =
      tempPath(std::string("tool-output-") + test.test_suite_name() + "." + test.name() + ".txt");
  const int raw = std::system(
      (std::string(QUELLOR_BINARY_DIR "/quellor-level ") + arguments + " > " + outputPath + " 2>&1").c_str());
  std::ifstream file(outputPath);
  std::stringstream text;
  text << file.rdbuf();
  return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, text.str()};
}

inline std::string writeBytes(const std::vector<uint8_t>& bytes, const std::string& name) {
  const std::string path = tempPath(name);
  std::string error;
  EXPECT_TRUE(writeFileBytes(path, bytes, error)) << error;
  return path;
}

// A loaded level and what the checker says of it.
struct CheckedLevel {
  std::unique_ptr<World> world = std::make_unique<World>();
  std::vector<LevelProblem> problems;

  std::string report() const {
    std::string all;
    for (const LevelProblem& p : problems) all += formatProblem(*world, p) + "\n";
    return all;
  }
  bool has(int room, int polygon, const std::string& words) const {
    for (const LevelProblem& p : problems) {
      if (p.room == room && p.polygon == polygon && p.text.find(words) != std::string::npos) return true;
    }
    return false;
  }
};

inline CheckedLevel checkFile(const std::string& path) {
  CheckedLevel checked;
  checked.problems = checkLevelFile(path, *checked.world);
  return checked;
}

// A level file's bytes checked where they lie, name standing for the file.
inline CheckedLevel checkBytes(const std::vector<uint8_t>& bytes, const std::string& name) {
  CheckedLevel checked;
  checked.problems = checkLevelBytes(name, bytes.data(), bytes.size(), *checked.world);
  return checked;
}

inline CheckedLevel buildAndCheck(const std::string& text, const std::string& name) {
  const BuildRun run = buildText(text, name + ".json");
  EXPECT_TRUE(run.ok) << run.allErrors();
  if (!run.ok) return {};
  return checkBytes(run.bytes, name + ".b2");
}

inline double polygonArea(const WorldPolygon& polygon) {
  DVec3 sum;
  const ClipPolygon& o = polygon.outline;
  for (int k = 0; k < o.vertexCount; ++k)
    sum = sum + crossD(toD(o.vertices[k]), toD(o.vertices[(k + 1) % o.vertexCount]));
  return 0.5 * lengthD(sum);
}

inline int portalCount(const Room& room) {
  int n = 0;
  for (int p = 0; p < room.polygonCount; ++p) n += room.polygons[p].targetRoom >= 0;
  return n;
}
