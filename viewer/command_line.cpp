#include "viewer/command_line.h"

#include <CLI/CLI.hpp>

#include <cstdio>

#include "quellor/version.h"
#include "viewer/number_text.h"

bool parseCommandLine(int argc, const char* const* argv, CommandLine& options, int& exitCode) {
  CLI::App app{
      "quellor: walk through a level of rooms and portals. Keys: Up/Down walk (Space stops), "
      "Left/Right turn, Z overview, X walking view, Q quits; F12 screenshot, F11 or Alt+Enter "
      "full screen.",
      "quellor"};
  app.set_version_flag("--version", std::string("quellor ") + QuellorVersion);
  std::string size;
  app.add_option("LEVEL", options.level, "level file to view (default: 3rooms.b2 in the working folder)");
  app.add_option("--size", size,
                 "the window's first client size, WxH, each side from 10 to 16384 (default 320x240); "
                 "the frame then follows the window's real pixels as on any resize");
  app.add_flag("--fullscreen", options.fullscreen, "start in desktop full screen");
  app.add_option("--record", options.record,
                 "write every message of every pass to FILE, a script quellor-replay plays back to the "
                 "same frames (kept as FILE.partial until the viewer ends)");
  app.add_flag("--fps", options.fps,
               "print about once a second on standard error: frames per second and the median pass, "
               "present and wait for the display's vertical sync");
  std::string at;
  CLI::Option* play =
      app.add_option("--play", options.play,
                     "play a recording in the window: Space pauses, Left/Right a pass while paused, Page Up/Down "
                     "100 passes, Home/End the first and last, +/- the speed (1/8x to 8x), T takes over from "
                     "the pass shown, Q or Escape quits")
          ->type_name("FILE");
  app.add_option("--at", at, "with --play: open at this pass (default 1)")->type_name("PASS")->needs(play);
  app.add_flag("--paused", options.paused, "with --play: open paused")->needs(play);
  std::string controls = "classic";
  app.add_option("--controls", controls,
                 "classic (default): Up and Down walk until Space, a turn lasts while the key's repeats "
                 "come; held: each key acts while it is held and stops when released")
      ->check(CLI::IsMember({"classic", "held"}));
  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp&) {
    std::printf("%s", app.help().c_str());
    exitCode = 0;
    return false;
  } catch (const CLI::CallForVersion& e) {
    std::printf("%s\n", e.what());
    exitCode = 0;
    return false;
  } catch (const CLI::ParseError& e) {
    std::fprintf(stderr, "quellor: %s (see quellor --help)\n", e.what());
    exitCode = 2;
    return false;
  }
  options.levelGiven = app.count("LEVEL") > 0;
  options.heldControls = controls == "held";
  if (app.count("--size") > 0 && !parseSizeText(size, MinOptionSide, MaxOptionSide, options.width, options.height)) {
    std::fprintf(stderr, "quellor: --size: '%s' is not WxH with W and H from %d to %d\n", size.c_str(), MinOptionSide,
                 MaxOptionSide);
    exitCode = 2;
    return false;
  }
  if (app.count("--at") > 0 && (!parseCount(at, INT64_MAX / 2, options.at) || options.at < 1)) {
    std::fprintf(stderr, "quellor: --at: '%s' is not a pass number (1 or more)\n", at.c_str());
    exitCode = 2;
    return false;
  }
  if (app.count("--play") > 0 && options.play.empty()) {
    std::fprintf(stderr, "quellor: --play: the file name is empty\n");
    exitCode = 2;
    return false;
  }
  if (app.count("--record") > 0 && options.record.empty()) {
    std::fprintf(stderr, "quellor: --record: the file name is empty\n");
    exitCode = 2;
    return false;
  }
  return true;
}
