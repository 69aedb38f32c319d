// quellor-level: builds a level file from its JSON source, checks a level file against
// every invariant the viewer relies on, and prints one readably.
#include <cstdio>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "quellor/version.h"
#include "tools/level/level_builder.h"
#include "tools/level/level_checker.h"
#include "tools/level/level_dump.h"
#include "tools/level/level_source.h"
#include "tools/level/level_writer.h"

namespace {

int build(const std::string& sourcePath, const std::string& outPath) {
  std::ifstream file(sourcePath, std::ios::binary);
  if (!file) {
    std::fprintf(stderr, "%s: cannot be read\n", sourcePath.c_str());
    return 1;
  }
  std::stringstream text;
  text << file.rdbuf();
  std::vector<std::string> errors;
  LevelSource source;
  BuiltLevel level;
  if (!readLevelSource(text.str(), sourcePath, source, errors) || !buildLevel(source, level, errors)) {
    for (const std::string& e : errors) std::fprintf(stderr, "%s\n", e.c_str());
    return 1;
  }
  std::string error;
  if (!writeFileBytes(outPath, encodeLevel(level), error)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 1;
  }
  // What was written must pass the same check as any other level.
  auto world = std::make_unique<World>();
  const std::vector<LevelProblem> problems = checkLevelFile(outPath, *world);
  if (!problems.empty()) {
    std::fprintf(stderr, "%s: the built level fails its check (a fault of the builder):\n", outPath.c_str());
    for (const LevelProblem& p : problems) std::fprintf(stderr, "  %s\n", formatProblem(*world, p).c_str());
    std::remove(outPath.c_str());
    return 1;
  }
  size_t polygons = 0;
  for (const BuiltRoom& room : level.rooms) polygons += room.walls.size() + room.portals.size();
  std::printf("%s: %zu rooms, %zu polygons, %zu vertices\n", outPath.c_str(), level.rooms.size(), polygons,
              level.vertices.size());
  return 0;
}

int check(const std::string& path) {
  auto world = std::make_unique<World>();
  const std::vector<LevelProblem> problems = checkLevelFile(path, *world);
  for (const LevelProblem& p : problems) std::printf("%s: %s\n", path.c_str(), formatProblem(*world, p).c_str());
  if (!problems.empty()) {
    std::printf("%s: %zu problem%s\n", path.c_str(), problems.size(), problems.size() == 1 ? "" : "s");
    return 1;
  }
  int polygons = 0;
  for (int r = 0; r < world->roomCount; ++r) polygons += world->rooms[r].polygonCount;
  std::printf("%s: valid level, %d rooms, %d polygons\n", path.c_str(), world->roomCount, polygons);
  return 0;
}

int dump(const std::string& path) {
  std::string text, error;
  if (!dumpLevelFile(path, text, error)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 1;
  }
  std::fputs(text.c_str(), stdout);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{"Builds, checks and prints quellor level files (.b2)."};
  app.set_version_flag("--version", std::string("quellor-level ") + QuellorVersion);
  app.require_subcommand(1);
  std::string source, out, file;

  CLI::App* buildCommand = app.add_subcommand("build", "Compile a JSON level source into a level file");
  buildCommand->add_option("SOURCE", source, "level source (.json)")->required();
  buildCommand->add_option("OUT", out, "level file to write (.b2)")->required();

  CLI::App* checkCommand = app.add_subcommand("check", "Check every invariant of a level file; exit 0 only if valid");
  checkCommand->add_option("FILE", file, "level file (.b2)")->required();

  CLI::App* dumpCommand = app.add_subcommand("dump", "Print a level file readably");
  dumpCommand->add_option("FILE", file, "level file (.b2)")->required();

  CLI11_PARSE(app, argc, argv);
  if (*buildCommand) return build(source, out);
  if (*checkCommand) return check(file);
  return dump(file);
}
