#include "viewer/installed_levels.h"

#include <sys/stat.h>
#include <unistd.h>

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
