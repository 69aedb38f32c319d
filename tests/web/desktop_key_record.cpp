// What the desktop viewer records for a sequence of keys, for the web page's test to hold
// the page's record against: each key becomes the SDL event a keyboard gives, then goes
// through the desktop's own event translation and recorder.
//   desktop_key_record OUT EVENT...
// EVENT is down:NAME or up:NAME, NAME an SDL key name ("Up", "A", "Left Shift", "Return");
// a down of a key already held is a repeat. OUT is written as quellor --record writes a
// recording, every message in pass 1. Exit status 0, or 2 for an event it cannot read.
#include <SDL.h>

#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "viewer/message_recorder.h"
#include "viewer/sdl_events.h"

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: desktop_key_record OUT down:NAME|up:NAME...\n");
    return 2;
  }
  // Every event is read before the recording is made: a refusal leaves no file.
  std::vector<SDL_Event> events;
  std::set<SDL_Keycode> held;
  for (int i = 2; i < argc; ++i) {
    const std::string event = argv[i];
    const size_t colon = event.find(':');
    const std::string how = event.substr(0, colon), name = colon == std::string::npos ? "" : event.substr(colon + 1);
    const SDL_Keycode sym = SDL_GetKeyFromName(name.c_str());
    if ((how != "down" && how != "up") || sym == SDLK_UNKNOWN) {
      std::fprintf(stderr, "desktop_key_record: cannot read '%s'\n", event.c_str());
      return 2;
    }
    SDL_Event e{};
    e.type = how == "down" ? SDL_KEYDOWN : SDL_KEYUP;
    e.key.state = how == "down" ? SDL_PRESSED : SDL_RELEASED;
    e.key.repeat = how == "down" && held.count(sym) ? 1 : 0;
    e.key.keysym.sym = sym;
    e.key.keysym.scancode = SDL_GetScancodeFromName(name.c_str());
    if (how == "down") {
      held.insert(sym);
    } else {
      held.erase(sym);
    }
    events.push_back(e);
  }
  MessageRecorder recorder;
  std::string error;
  if (!recorder.open(argv[1], "-", 320, 240, error)) {
    std::fprintf(stderr, "desktop_key_record: %s\n", error.c_str());
    return 2;
  }
  PixelSize known{320, 240};
  for (const SDL_Event& e : events) recorder.record(1, messageFromSdlEvent(e, known, known));
  if (!recorder.finish(error)) {
    std::fprintf(stderr, "desktop_key_record: %s\n", error.c_str());
    return 2;
  }
  return 0;
}
