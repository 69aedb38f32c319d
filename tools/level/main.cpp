// quellor-level: builds a level file from its JSON source, checks a level file against
// every invariant the viewer relies on, and prints one readably.
#include <csignal>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "io/output_file.h"
#include "plan/level_plan.h"
#include "quellor/version.h"
#include "tools/level/level_build_file.h"
#include "tools/level/level_checker.h"
#include "tools/level/level_dump.h"
#include "tools/level/level_warnings.h"
#include "tools/level/plan_input.h"
#include "tools/level/source_watch.h"
#include "tools/level/starter_level.h"

namespace {

// Prints each warning on standard error. True when --strict makes them a failure.
template <class Label>
bool warnAbout(const World& world, const Label& label, bool strict) {
  const std::vector<LevelWarning> warnings = findLevelWarnings(world);
  for (const LevelWarning& w : warnings) std::fprintf(stderr, "%s\n", formatWarning(label, w).c_str());
  return strict && !warnings.empty();
}

int build(const std::string& sourcePath, const std::string& outPath, bool strict) {
  // Past a file size limit a write must fail with EFBIG and be reported, not kill the
  // tool half-way.
  std::signal(SIGXFSZ, SIG_IGN);
  const BuildFileOutcome built = buildLevelFile(sourcePath, outPath, strict);
  for (const std::string& w : built.warnings) std::fprintf(stderr, "%s\n", w.c_str());
  for (const std::string& e : built.errors) std::fprintf(stderr, "%s\n", e.c_str());
  if (!built.ok) return 1;
  std::printf("%s: %zu rooms, %zu polygons, %zu vertices\n", outPath.c_str(), built.rooms, built.polygons,
              built.vertices);
  return 0;
}

int check(const std::string& path, bool strict) {
  auto world = std::make_unique<World>();
  std::string note;
  const std::vector<LevelProblem> problems = checkLevelFile(path, *world, &note);
  for (const LevelProblem& p : problems) std::printf("%s: %s\n", path.c_str(), formatProblem(*world, p).c_str());
  if (!note.empty()) std::printf("%s\n", note.c_str());
  if (!problems.empty()) {
    std::printf("%s: %zu problem%s\n", path.c_str(), problems.size(), problems.size() == 1 ? "" : "s");
    return 1;
  }
  if (warnAbout(*world, path, strict)) return 1;
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

int plan(const std::string& levelPath, std::string outPath) {
  if (outPath.empty()) outPath = defaultPlanPath(levelPath);
  PlanFormat format;
  if (!planFormatOf(outPath, format)) {
    std::fprintf(stderr, "%s: a plan is written as .svg, .png or .pdf\n", outPath.c_str());
    return 1;
  }
  PlanLevel level;
  std::vector<std::string> errors;
  if (!readPlanLevel(levelPath, level, errors)) {
    for (const std::string& e : errors) std::fprintf(stderr, "%s\n", e.c_str());
    return 1;
  }
  std::string bytes, error;
  PlanLayout layout;
  if (!drawPlan(level, format, bytes, layout, error) ||
      !writeFileAtomically(outPath, bytes.data(), bytes.size(), error)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 1;
  }
  std::printf("%s: plan of %d rooms, %d x %d\n", outPath.c_str(), level.world->roomCount, layout.width, layout.height);
  return 0;
}

int newLevel(const std::string& path) {
  std::string error;
  if (!writeStarterLevel(path, error)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 1;
  }
  std::printf("%s: a starter level of two rooms and a door\n", path.c_str());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{"Builds, checks and prints quellor level files (.b2)."};
  app.set_version_flag("--version", std::string("quellor-level ") + QuellorVersion);
  app.require_subcommand(1);
  std::string source, out, file;

  CLI::App* buildCommand = app.add_subcommand(
      "build", "Compile a JSON level source into a level file; OUT is replaced only by a level that passes check");
  buildCommand->add_option("SOURCE", source, "level source (.json, at most 4 MiB, brackets at most 64 deep)")
      ->required();
  buildCommand->add_option("OUT", out, "level file to write (.b2); not the source, not a folder, FIFO or device")
      ->required();
  bool strict = false, watch = false;
  buildCommand->add_flag("--strict", strict, "treat warnings as errors (OUT is then left as it was)");
  buildCommand->add_flag("--watch", watch, "rebuild whenever SOURCE changes, until interrupted");

  CLI::App* checkCommand = app.add_subcommand("check", "Check every invariant of a level file; exit 0 only if valid");
  checkCommand->add_option("FILE", file, "level file (.b2)")->required();
  checkCommand->add_flag("--strict", strict, "treat warnings as errors");

  std::string planOut;
  CLI::App* planCommand = app.add_subcommand("plan", "Draw a level from above (.svg, .png or .pdf)");
  planCommand->add_option("LEVEL", file, "level source (.json) or level file (.b2)")->required();
  planCommand->add_option("-o,--output", planOut, "picture to write (default: LEVEL with .svg)");

  CLI::App* newCommand = app.add_subcommand("new", "Write a starter level source (never over an existing file)");
  newCommand->add_option("FILE", file, "level source to create (.json)")->required();

  CLI::App* dumpCommand = app.add_subcommand("dump", "Print a level file readably");
  dumpCommand->add_option("FILE", file, "level file (.b2)")->required();

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    // CLI11's message as it is; but a usage error exits 2, as in every other program of the
    // project (CLI11's own codes, 106 for a missing argument, mean nothing to a caller).
    const int code = app.exit(e);
    return code == 0 ? 0 : 2;
  }
  if (*buildCommand && watch) return watchSource(source, [&] { build(source, out, strict); });
  if (*buildCommand) return build(source, out, strict);
  if (*checkCommand) return check(file, strict);
  if (*planCommand) return plan(file, planOut);
  if (*newCommand) return newLevel(file);
  return dump(file);
}
