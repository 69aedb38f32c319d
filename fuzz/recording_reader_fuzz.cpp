// Every input is a recording (or a script). It is either refused with one message that
// starts with the file and a line of it, leaving nothing read, or it reads into passes and
// level versions that keep the limits, and writing those back out reads the same again.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "viewer/recorded_levels.h"
#include "viewer/recording_script.h"
#include "world/level_loader.h"

namespace {

const char* const InputName = "fuzz-input.txt";

[[noreturn]] void fault(const std::string& what) {
  std::fprintf(stderr, "recording reader fuzz: %s\n", what.c_str());
  std::abort();
}

void checkRefusal(const std::string& text, const std::string& error, const Recording& read) {
  const std::string prefix = std::string(InputName) + ":";
  if (error.compare(0, prefix.size(), prefix) != 0) fault("a refusal without the file: " + error);
  const size_t colon = error.find(':', prefix.size());
  const std::string line = error.substr(prefix.size(), colon - prefix.size());
  if (colon == std::string::npos || line.empty() || line.find_first_not_of("0123456789") != std::string::npos) {
    fault("a refusal without a line: " + error);
  }
  const long lines = long(std::count(text.begin(), text.end(), '\n')) + 1;
  if (std::stol(line) < 1 || std::stol(line) > lines) fault("a refusal at a line the input does not have: " + error);
  if (!read.messages.empty() || !read.levels.empty()) fault("a refused input left something read");
}

bool same(const Recording& a, const Recording& b) {
  if (a.messages.size() != b.messages.size() || a.levels.size() != b.levels.size()) return false;
  for (size_t i = 0; i < a.messages.size(); ++i) {
    const Message &x = a.messages[i].message, &y = b.messages[i].message;
    if (a.messages[i].pass != b.messages[i].pass || x.kind != y.kind || x.key != y.key || x.width != y.width ||
        x.height != y.height || x.other != y.other) {
      return false;
    }
  }
  for (size_t i = 0; i < a.levels.size(); ++i) {
    if (a.levels[i].pass != b.levels[i].pass || a.levels[i].bytes != b.levels[i].bytes) return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  Recording read;
  std::string error;
  if (!parseRecording(text, InputName, read, error)) {
    checkRefusal(text, error, read);
    return 0;
  }
  int64_t previous = 0;
  for (const RecordedLevel& level : read.levels) {
    if (level.bytes.size() > MaxLevelFileBytes) fault("a level beyond the loader's limit");
    if (level.pass < previous || level.pass > MaxRecordingPasses) fault("levels out of order or beyond the limit");
    previous = level.pass;
  }
  previous = 1;
  for (const ScriptedMessage& m : read.messages) {
    if (m.pass < previous || m.pass > MaxRecordingPasses) fault("messages out of order or beyond the limit");
    previous = m.pass;
  }
  // Written back in the recorder's words, it reads the same.
  std::string again;
  for (const RecordedLevel& level : read.levels) {
    again += recordedLevelText(level.pass, "x.b2", level.bytes.data(), level.bytes.size());
  }
  for (const ScriptedMessage& m : read.messages) again += scriptLine(m.pass, m.message) + "\n";
  Recording reread;
  if (!parseRecording(again, InputName, reread, error)) fault("what it read does not read back: " + error);
  if (!same(read, reread)) fault("what it read reads back otherwise");
  // The versions of the first passes go into a world as playback puts them there.
  auto world = std::make_unique<World>();
  auto incoming = std::make_unique<World>();
  for (int64_t pass = 1; pass <= 4; ++pass) {
    (void)adoptRecordedLevels(read, pass, InputName, *world, *incoming, Vec3{5, 0, 0}, error);
  }
  return 0;
}
