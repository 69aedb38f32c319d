#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "viewer/message_recorder.h"
#include "viewer/script_vocabulary.h"

// A whole recording (or a script written by hand), read once: every pass's messages, and
// the versions of the level it carries with the pass from which each is shown. The window's
// player and quellor-replay both play from this.
//
// A level version is a line "PASS level SIZE NAME" followed by the SIZE bytes in base64,
// in lines of RecordedLevelLineLength characters (the last one shorter): PASS 0 is the
// level the session started on, PASS p a version adopted just before pass p ran. SIZE is
// at most the loader's MaxLevelFileBytes; NAME is the rest of the line.

// The most passes a recording may name: more than any session (days of passes) and a
// refusal for the numbers only damage or a typo gives, before anything runs.
constexpr int64_t MaxRecordingPasses = 100000000;
// The base64 characters of one line of an embedded level.
constexpr size_t RecordedLevelLineLength = 76;

// One version of the level a recording carries.
struct RecordedLevel {
  int64_t pass = 0;  // 0: the level the session started on; p: adopted just before pass p ran
  std::string name;  // the file it came from, for messages
  std::vector<uint8_t> bytes;
  int line = 0;  // the line of its "level" line, for messages
};

struct Recording {
  std::vector<ScriptedMessage> messages;  // sorted by pass, file order within a pass
  std::vector<RecordedLevel> levels;      // sorted by pass, file order within a pass
  bool hasHeader = false;                 // written by quellor --record (header then holds what it says)
  RecordingHeader header;

  // The last pass that has a message or a level version; 0 for an empty script.
  int64_t lastPass() const;
  // The messages of one pass: [first, last) into messages.
  struct Range {
    size_t first, last;
  };
  Range passMessages(int64_t pass) const;
  // The level versions adopted just before pass p ran (for p = 0: the one it started on):
  // [first, last) into levels. Several at one pass: the last is the one shown.
  Range passLevels(int64_t pass) const;
};

// Reads a recording or script. On anything it cannot read (an unknown event, a pass beyond
// MaxRecordingPasses, a level larger than the loader takes or whose base64 is cut, damaged
// or too long), returns false with "FILE:LINE: what is wrong" in error; out is then left
// empty. The level bytes are not parsed here: a version the loader refuses is the
// player's to report.
bool parseRecording(const std::string& text, const std::string& fileName, Recording& out, std::string& error);

// Hands out a recording's messages pass by pass, as a platform's nextMessage does: the
// messages of pass p are delivered while p - 1 frames have been presented.
// The level block of one version, as the recorder writes it: the "level" line and its base64 lines.
std::string recordedLevelText(int64_t pass, const std::string& name, const uint8_t* bytes, size_t size);

class ScriptCursor {
 public:
  explicit ScriptCursor(const Recording& script) : script_(script) {}
  bool next(int64_t framesPresented, Message& message) {
    const auto& all = script_.messages;
    while (next_ < all.size() && all[next_].pass < framesPresented + 1) ++next_;
    if (next_ < all.size() && all[next_].pass == framesPresented + 1) {
      message = all[next_++].message;
      return true;
    }
    return false;
  }
  void restart() { next_ = 0; }

 private:
  const Recording& script_;
  size_t next_ = 0;
};
