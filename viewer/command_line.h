#pragma once
#include <cstdint>
#include <string>

// What quellor is asked to do on its command line. Started with no arguments it does what it
// always did: 3rooms.b2 from the working folder in a 320 x 240 window.
struct CommandLine {
  std::string level = "3rooms.b2";
  bool levelGiven = false;  // a LEVEL argument was given (not the default)
  int32_t width = 320, height = 240;
  bool fullscreen = false;
  std::string record;  // empty: no recording
  bool fps = false;
  // --controls held: keys act while held (viewer/held_controls.h); otherwise as they
  // always did, a key-down sets what the key sets until another key changes it.
  bool heldControls = false;
  // --play FILE: the window plays the recording instead of taking keys; --at opens it at
  // that pass (0: the first), --paused paused.
  std::string play;
  int64_t at = 0;
  bool paused = false;
};

// The smallest and largest --size sides: the window's own limits.
constexpr int32_t MinOptionSide = 10;
constexpr int32_t MaxOptionSide = 16384;

// Parses argv. Returns true when the viewer should run; false with exitCode set when it
// should not (0 after --help or --version, 2 after a bad option, the message already on
// standard error, one line, naming the program).
bool parseCommandLine(int argc, const char* const* argv, CommandLine& options, int& exitCode);
