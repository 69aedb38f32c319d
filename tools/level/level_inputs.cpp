#include "tools/level/level_inputs.h"

#include <sys/stat.h>

bool readLevelSourceFile(const std::string& path, std::string& text, std::string& error) {
  return readInputFile(path, MaxLevelSourceBytes, "a level source", text, error);
}

bool levelFileUsable(const std::string& path, std::string& error) {
  struct stat info;
  if (::stat(path.c_str(), &info) != 0 || S_ISREG(info.st_mode)) return true;
  error = path + ": cannot be read: it is " + std::string(fileKindName(info.st_mode)) + ", not a regular file";
  return false;
}
