#pragma once
#include <string>

// Where an installed viewer's levels are: PREFIX/share/quellor/levels beside PREFIX/bin,
// the folder of the running executable. Empty when the program is not installed that way
// (a build folder) or its own path cannot be read.
std::string installedLevelsFolder(const std::string& executablePath);

// The running program's own path (from /proc/self/exe); empty when it cannot be read.
std::string ownExecutablePath();
// The working folder's absolute path; empty when it cannot be read.
std::string workingFolder();

// What a program that could not load its level knows of where it was started.
struct LevelStart {
  std::string program;         // "quellor" or "quellor-replay": the lines' prefix
  std::string invokedAs;       // the program as it was started (argv[0])
  std::string executablePath;  // its own path (ownExecutablePath())
  std::string workingFolder;   // absolute (workingFolder())
  std::string level;           // the level file as given, or the default
  bool levelGiven = false;     // false: the default level
  std::string levelOption;     // what names a level on its command line: "" or "--level"
};

// The running program's start: its own path and working folder filled in.
LevelStart runningProgram(const std::string& program, const char* invokedAs, const std::string& level, bool levelGiven,
                          const std::string& levelOption);

// The lines, each ending in a newline, said after the loader's report when the level
// could not be loaded: where the installed levels are (an installed program started
// without a level), and where the level is when the working folder has none and the
// program's own folder, or the working folder's build/, has one. Empty when neither.
std::string levelAdvice(const LevelStart& start);
