#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "viewer/messages.h"

// Scripted input: the messages of each pass, in file order.
struct ScriptedMessage {
  int64_t pass;  // from 1
  Message message;
};

struct ReplayScript {
  std::vector<ScriptedMessage> messages;  // sorted by pass, file order within a pass
};

// Parses "PASS EVENT [ARGS]" lines. On a line it cannot read, returns false with
// "FILE:LINE: what is wrong" in error.
bool parseReplayScript(const std::string& text, const std::string& fileName, ReplayScript& out,
                       std::string& error);
