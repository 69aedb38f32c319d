#include "tools/level/level_build_text.h"

#include <memory>

#include "tools/level/level_builder.h"
#include "tools/level/level_checker.h"
#include "tools/level/level_source.h"
#include "tools/level/level_warnings.h"
#include "tools/level/level_writer.h"

BuiltLevelBytes buildLevelText(const std::string& text, const std::string& sourceName, const std::string& outName,
                               bool strict) {
  BuiltLevelBytes built;
  std::vector<std::string>& errors = built.errors;
  LevelSource source;
  BuiltLevel level;
  if (!readLevelSource(text, sourceName, source, errors) || !buildLevel(source, level, errors)) return built;

  std::vector<uint8_t> bytes = encodeLevel(level);
  // The very bytes that will become the level file must pass the same check as any other level.
  auto world = std::make_unique<World>();
  const std::vector<LevelProblem> problems = checkLevelBytes(outName, bytes.data(), bytes.size(), *world);
  if (!problems.empty()) {
    errors.push_back(outName + ": the built level fails its check (a fault of the builder); " + outName +
                     " is left as it was:");
    for (const LevelProblem& p : problems) errors.push_back("  " + formatProblem(*world, p));
    return built;
  }
  for (const LevelWarning& w : findLevelWarnings(*world)) built.warnings.push_back(formatWarning(source, w));
  if (strict && !built.warnings.empty()) {
    errors.push_back(outName + ": not written: --strict makes warnings errors; " + outName + " is left as it was");
    return built;
  }
  built.ok = true;
  built.bytes = std::move(bytes);
  built.rooms = level.rooms.size();
  for (const BuiltRoom& room : level.rooms) built.polygons += room.walls.size() + room.portals.size();
  built.vertices = level.vertices.size();
  return built;
}
