#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "viewer/script_vocabulary.h"

// Scripted input: the messages of each pass, in file order.
struct ReplayScript {
  std::vector<ScriptedMessage> messages;  // sorted by pass, file order within a pass
};

// Hands out a script's messages pass by pass, as a platform's nextMessage does: the
// messages of pass p are delivered while p - 1 frames have been presented.
class ScriptCursor {
 public:
  explicit ScriptCursor(const ReplayScript& script) : script_(script) {}
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
  const ReplayScript& script_;
  size_t next_ = 0;
};

// Parses "PASS EVENT [ARGS]" lines (viewer/script_vocabulary.h). On a line it cannot read, returns false with
// "FILE:LINE: what is wrong" in error.
bool parseReplayScript(const std::string& text, const std::string& fileName, ReplayScript& out, std::string& error);
