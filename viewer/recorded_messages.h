#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "viewer/messages.h"

// A recording's messages packed for playback: a few bytes a message (the pass as a
// difference from the one before, the kind, the key or the size as variable-length
// numbers), so that ten million passes fit in a few tens of MiB. Read front to back with
// a cursor, which is small enough to keep in every key point of a playback.
class RecordedMessages {
 public:
  // Where reading stands: the next message's byte, and the pass of the one read last.
  struct Cursor {
    uint64_t offset = 0;
    int64_t lastPass = 0;
  };

  // Appends one message of the given pass (1 or more, never less than the last one added).
  // False, adding nothing, for a pass out of order.
  bool add(int64_t pass, const Message& message);
  // Returns the spare capacity once every message is in.
  void shrink() { bytes_.shrink_to_fit(); }

  // The next message at cursor when it belongs to pass; the cursor moves past it.
  bool next(Cursor& cursor, int64_t pass, Message& message) const;

  int64_t lastPass() const { return lastPass_; }
  int64_t count() const { return count_; }
  size_t memoryBytes() const { return bytes_.capacity(); }

 private:
  std::vector<uint8_t> bytes_;
  int64_t lastPass_ = 0;
  int64_t count_ = 0;
};
