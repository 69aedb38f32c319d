#include "viewer/recorded_messages.h"

namespace {

void putNumber(std::vector<uint8_t>& out, uint64_t value) {
  while (value >= 0x80) {
    out.push_back(uint8_t(value | 0x80));
    value >>= 7;
  }
  out.push_back(uint8_t(value));
}

// The bytes were written by putNumber, so a number never runs past the end; the bound
// only guards a cursor that was not made by this class.
uint64_t getNumber(const std::vector<uint8_t>& in, uint64_t& at) {
  uint64_t value = 0;
  for (int shift = 0; at < in.size() && shift < 64; shift += 7) {
    const uint8_t byte = in[at++];
    value |= uint64_t(byte & 0x7F) << shift;
    if ((byte & 0x80) == 0) break;
  }
  return value;
}

// The kind in the low three bits, what an Other message was in the next two.
uint8_t tagOf(const Message& m) { return uint8_t(uint8_t(m.kind) | (uint8_t(m.other) << 3)); }

}  // namespace

bool RecordedMessages::add(int64_t pass, const Message& message) {
  if (pass < 1 || pass < lastPass_) return false;
  putNumber(bytes_, uint64_t(pass - lastPass_));
  bytes_.push_back(tagOf(message));
  switch (message.kind) {
    case MessageKind::KeyDown:
      putNumber(bytes_, uint32_t(message.key));
      break;
    case MessageKind::Size:
      putNumber(bytes_, uint32_t(message.width));
      putNumber(bytes_, uint32_t(message.height));
      break;
    case MessageKind::Other:
      if (message.other == OtherKind::KeyRelease) putNumber(bytes_, uint32_t(message.key));
      break;
    case MessageKind::Minimize:
    case MessageKind::Close:
      break;
  }
  lastPass_ = pass;
  ++count_;
  return true;
}

bool RecordedMessages::next(Cursor& cursor, int64_t pass, Message& message) const {
  if (cursor.offset >= bytes_.size()) return false;
  uint64_t at = cursor.offset;
  const int64_t messagePass = cursor.lastPass + int64_t(getNumber(bytes_, at));
  if (messagePass != pass || at >= bytes_.size()) return false;
  const uint8_t tag = bytes_[at++];
  Message m{MessageKind(tag & 7), 0, 0, 0, OtherKind((tag >> 3) & 3)};
  switch (m.kind) {
    case MessageKind::KeyDown:
      m.key = int32_t(uint32_t(getNumber(bytes_, at)));
      break;
    case MessageKind::Size:
      m.width = int32_t(uint32_t(getNumber(bytes_, at)));
      m.height = int32_t(uint32_t(getNumber(bytes_, at)));
      break;
    case MessageKind::Other:
      if (m.other == OtherKind::KeyRelease) m.key = int32_t(uint32_t(getNumber(bytes_, at)));
      break;
    case MessageKind::Minimize:
    case MessageKind::Close:
      break;
  }
  cursor.offset = at;
  cursor.lastPass = messagePass;
  message = m;
  return true;
}
