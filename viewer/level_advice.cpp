#include "viewer/level_advice.h"

#include <sys/stat.h>
#include <unistd.h>

#include <climits>

std::string installedLevelsFolder(const std::string& executablePath) {
  const size_t slash = executablePath.rfind('/');
  if (slash == std::string::npos) return {};
  const std::string folder = executablePath.substr(0, slash == 0 ? 1 : slash);
  const std::string levels = folder + "/../share/quellor/levels";
  struct stat state {};
  if (::stat(levels.c_str(), &state) != 0 || !S_ISDIR(state.st_mode)) return {};
  // Said to the user: the prefix's own path, without the bin/.. detour.
  const size_t prefixEnd = folder.rfind('/');
  if (prefixEnd == std::string::npos) return levels;
  return folder.substr(0, prefixEnd) + "/share/quellor/levels";
}

std::string ownExecutablePath() {
  char path[4096];
  const ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
  if (n <= 0) return {};
  return std::string(path, size_t(n));
}

std::string workingFolder() {
  char path[PATH_MAX];
  return ::getcwd(path, sizeof path) ? std::string(path) : std::string();
}

LevelStart runningProgram(const std::string& program, const char* invokedAs, const std::string& level, bool levelGiven,
                          const std::string& levelOption) {
  LevelStart start;
  start.program = program;
  start.invokedAs = invokedAs ? invokedAs : program.c_str();
  start.executablePath = ownExecutablePath();
  start.workingFolder = workingFolder();
  start.level = level;
  start.levelGiven = levelGiven;
  start.levelOption = levelOption;
  return start;
}

namespace {

bool exists(const std::string& path) {
  struct stat state {};
  return ::lstat(path.c_str(), &state) == 0;
}

bool isRegularFile(const std::string& path) {
  struct stat state {};
  return ::stat(path.c_str(), &state) == 0 && S_ISREG(state.st_mode);
}

std::string folderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return {};
  return path.substr(0, slash == 0 ? 1 : slash);
}

// A folder as the user would type it from the working folder: "build/" below it, the
// whole path otherwise.
std::string shownFolder(const std::string& folder, const std::string& working) {
  const std::string below = working == "/" ? working : working + "/";
  if (folder.compare(0, below.size(), below) == 0 && folder.size() > below.size()) {
    return folder.substr(below.size()) + "/";
  }
  return folder + "/";
}

// The command line that names level: the program, the level option, the level.
std::string command(const std::string& program, const LevelStart& start, const std::string& level) {
  return program + (start.levelOption.empty() ? "" : " " + start.levelOption) + " " + level;
}

}  // namespace

std::string levelAdvice(const LevelStart& start) {
  std::string lines;
  const std::string installed = start.levelGiven ? std::string() : installedLevelsFolder(start.executablePath);
  if (!installed.empty()) {
    lines += start.program + ": the installed levels are in " + installed + " (" +
             command(start.program, start, installed + "/" + start.level) + ")\n";
  }
  if (start.level.empty() || start.level[0] == '/' || start.workingFolder.empty() ||
      exists(start.workingFolder + "/" + start.level)) {
    return lines;
  }
  // The build puts the levels beside the programs: build/quellor started from the
  // repository's root reads a 3rooms.b2 that is in build/.
  const std::string own = folderOf(start.executablePath);
  for (const std::string& folder : {own, start.workingFolder + "/build"}) {
    if (folder.empty() || !isRegularFile(folder + "/" + start.level)) continue;
    const std::string shown = shownFolder(folder, start.workingFolder);
    // Started in that folder, the program is ./NAME when it lives there; otherwise the
    // name PATH found, or its whole path.
    const std::string there = folder == own ? "./" + start.executablePath.substr(own.size() + (own == "/" ? 0 : 1))
                              : start.invokedAs.find('/') == std::string::npos ? start.invokedAs
                                                                               : start.executablePath;
    lines += start.program + ": " + start.level + " is in " + shown + ": start it there (cd " +
             shown.substr(0, shown.size() - 1) + " && " +
             (start.levelGiven ? command(there, start, start.level) : there) +
             ") or name it: " + command(start.invokedAs, start, shown + start.level) + "\n";
    break;
  }
  return lines;
}
