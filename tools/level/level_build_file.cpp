#include "tools/level/level_build_file.h"

#include <sys/stat.h>

#include <memory>

#include "io/output_file.h"
#include "tools/level/level_builder.h"
#include "tools/level/level_checker.h"
#include "tools/level/level_inputs.h"
#include "tools/level/level_source.h"
#include "tools/level/level_warnings.h"
#include "tools/level/level_writer.h"

namespace {

// The same file under two names (a link, a hard link, the same path) has one device
// and inode. Paths that do not exist yet are no file at all.
bool sameFile(const std::string& a, const std::string& b) {
  struct stat first, second;
  if (::stat(a.c_str(), &first) != 0 || ::stat(b.c_str(), &second) != 0) return false;
  return first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

}  // namespace

BuildFileOutcome buildLevelFile(const std::string& sourcePath, const std::string& outPath, bool strict) {
  BuildFileOutcome outcome;
  std::vector<std::string>& errors = outcome.errors;
  if (sameFile(sourcePath, outPath)) {
    errors.push_back(outPath + ": is the source itself (" + sourcePath + "); the level must go to another file");
    return outcome;
  }
  std::string error;
  if (!outputPathUsable(outPath, error)) {
    errors.push_back(error);
    return outcome;
  }
  std::string text;
  if (!readLevelSourceFile(sourcePath, text, error)) {
    errors.push_back(error);
    return outcome;
  }
  LevelSource source;
  BuiltLevel level;
  if (!readLevelSource(text, sourcePath, source, errors) || !buildLevel(source, level, errors)) return outcome;

  const std::vector<uint8_t> bytes = encodeLevel(level);
  OutputFile out;
  if (!out.open(outPath, error)) {
    errors.push_back(error);
    return outcome;
  }
  out.write(bytes.data(), bytes.size());
  if (!out.flush(error)) {
    errors.push_back(error);
    return outcome;
  }
  // The very bytes that will become OUT must pass the same check as any other level.
  auto world = std::make_unique<World>();
  const std::vector<LevelProblem> problems = checkLevelBytes(outPath, bytes.data(), bytes.size(), *world);
  if (!problems.empty()) {
    errors.push_back(outPath + ": the built level fails its check (a fault of the builder); " + outPath +
                     " is left as it was:");
    for (const LevelProblem& p : problems) errors.push_back("  " + formatProblem(*world, p));
    return outcome;  // out abandons the temporary file
  }
  for (const LevelWarning& w : findLevelWarnings(*world)) outcome.warnings.push_back(formatWarning(source, w));
  if (strict && !outcome.warnings.empty()) {
    errors.push_back(outPath + ": not written: --strict makes warnings errors; " + outPath + " is left as it was");
    return outcome;
  }
  if (!out.commit(error)) {
    errors.push_back(error);
    return outcome;
  }
  outcome.ok = true;
  outcome.rooms = level.rooms.size();
  for (const BuiltRoom& room : level.rooms) outcome.polygons += room.walls.size() + room.portals.size();
  outcome.vertices = level.vertices.size();
  return outcome;
}
