// quellor-level: builds a level file from its JSON source, checks a level file against
// every invariant the viewer relies on, and prints one readably.
#include <csignal>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "tools/level/level_build_file.h"
#include "tools/level/level_checker.h"
#include "tools/level/level_dump.h"

namespace {

int build(const std::string& sourcePath, const std::string& outPath) {
  // Past a file size limit a write must fail with EFBIG and be reported, not kill the
  // tool half-way.
  std::signal(SIGXFSZ, SIG_IGN);
  const BuildFileOutcome built = buildLevelFile(sourcePath, outPath);
  for (const std::string& e : built.errors) std::fprintf(stderr, "%s\n", e.c_str());
  if (!built.ok) return 1;
  std::printf("%s: %zu rooms, %zu polygons, %zu vertices\n", outPath.c_str(), built.rooms, built.polygons,
              built.vertices);
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
  app.require_subcommand(1);
  std::string source, out, file;

  CLI::App* buildCommand = app.add_subcommand(
      "build", "Compile a JSON level source into a level file; OUT is replaced only by a level that passes check");
  buildCommand->add_option("SOURCE", source, "level source (.json, at most 4 MiB, brackets at most 64 deep)")
      ->required();
  buildCommand->add_option("OUT", out, "level file to write (.b2); not the source, not a folder, FIFO or device")
      ->required();

  CLI::App* checkCommand = app.add_subcommand("check", "Check every invariant of a level file; exit 0 only if valid");
  checkCommand->add_option("FILE", file, "level file (.b2)")->required();

  CLI::App* dumpCommand = app.add_subcommand("dump", "Print a level file readably");
  dumpCommand->add_option("FILE", file, "level file (.b2)")->required();

  CLI11_PARSE(app, argc, argv);
  if (*buildCommand) return build(source, out);
  if (*checkCommand) return check(file);
  return dump(file);
}
