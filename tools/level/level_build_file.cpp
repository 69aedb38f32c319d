#include "tools/level/level_build_file.h"

#include <sys/stat.h>

#include <utility>

#include "io/output_file.h"
#include "tools/level/level_build_text.h"
#include "tools/level/level_inputs.h"

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
  BuiltLevelBytes built = buildLevelText(text, sourcePath, outPath, strict);
  if (!built.ok) {
    outcome.warnings = std::move(built.warnings);
    errors.insert(errors.end(), built.errors.begin(), built.errors.end());
    return outcome;
  }
  OutputFile out;
  if (!out.open(outPath, error)) {
    errors.push_back(error);
    return outcome;
  }
  out.write(built.bytes.data(), built.bytes.size());
  // A level that cannot be written gets no warnings: it is not there to be viewed.
  if (!out.flush(error)) {
    errors.push_back(error);
    return outcome;  // out abandons the temporary file
  }
  outcome.warnings = std::move(built.warnings);
  if (!out.commit(error)) {
    errors.push_back(error);
    return outcome;
  }
  outcome.ok = true;
  outcome.rooms = built.rooms;
  outcome.polygons = built.polygons;
  outcome.vertices = built.vertices;
  return outcome;
}
