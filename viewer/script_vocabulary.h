#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "viewer/messages.h"

// The script format, "PASS EVENT [ARGS]" a line, written and read in this one place: the
// desktop's recordings, the page's record and quellor-replay's scripts all go through it.
//
// Events as written: "key NAME" (a key-down), "release NAME" (a key-up), "mouse", "other"
// (any other message that only counts as one), "size W H", "minimize", "close". NAME is
// space, left, up, right or down, a letter or digit in lower case, or "other" for a key
// with no name (the key table ignores it). Reading also takes the spellings of older
// recordings: names in any case, "0" for an unnamed key (the digit, ignored alike).

// One message of a script, in the pass that takes it.
struct ScriptedMessage {
  int64_t pass;  // from 1
  Message message;
};

// The longest event a message gives: "size -2147483648 -2147483648".
constexpr size_t ScriptEventCapacity = 32;
struct ScriptEvent {
  char text[ScriptEventCapacity];
};

// The event of one message, without pass or newline: "key up", "release other", "size 640 480".
// Writes into the record itself, so a platform can name each message it delivers without
// allocating.
ScriptEvent scriptEvent(const Message& message);

// The script line of one message, without the newline: "12 key up", "40 size 640 480".
std::string scriptLine(int64_t pass, const Message& message);

enum class ScriptLineRead {
  Nothing,  // a blank line or a comment (its first word starts with '#')
  Message,  // out holds the line's message
  Refused,  // error holds "FILE:LINE: what is wrong"
};
// Reads one line of a script (without its newline); fileName and lineNumber only name the
// place in a refusal.
ScriptLineRead readScriptLine(const std::string& line, const std::string& fileName, int lineNumber,
                              ScriptedMessage& out, std::string& error);
