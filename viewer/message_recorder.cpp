#include "viewer/message_recorder.h"

#include <cstdio>

#include "quellor/version.h"

namespace {

// The script's key names; any other code is a key the key table ignores.
const char* keyName(int32_t code) {
  switch (code) {
    case KeySpace:
      return "space";
    case KeyLeft:
      return "left";
    case KeyUp:
      return "up";
    case KeyRight:
      return "right";
    case KeyDown:
      return "down";
    case KeyQ:
      return "q";
    case KeyX:
      return "x";
    case KeyZ:
      return "z";
    default:
      return nullptr;
  }
}

}  // namespace

std::string scriptLine(int64_t pass, const Message& message) {
  std::string line = std::to_string(pass) + " ";
  switch (message.kind) {
    case MessageKind::KeyDown: {
      const char* name = keyName(message.key);
      if (name) return line + "key " + name;
      const bool letterOrDigit =
          (message.key >= 'A' && message.key <= 'Z') || (message.key >= '0' && message.key <= '9');
      // An unmapped key still counts as a message: a key-down the table ignores.
      return line + "key " + (letterOrDigit ? std::string(1, char(message.key)) : std::string("other"));
    }
    case MessageKind::Size:
      return line + "size " + std::to_string(message.width) + " " + std::to_string(message.height);
    case MessageKind::Minimize:
      return line + "minimize";
    case MessageKind::Close:
      return line + "close";
    case MessageKind::Other:
      return line + "other";
  }
  return line + "other";
}

bool MessageRecorder::open(const std::string& path, const std::string& level, int32_t width, int32_t height,
                           std::string& error) {
  if (!file_.open(path, path + ".partial", error)) return false;
  pending_ = "# quellor recording: play it back with quellor-replay --script FILE\n";
  pending_ += "# level: " + level + "\n";
  pending_ += "# first client size: " + std::to_string(width) + "x" + std::to_string(height) + "\n";
  pending_ += std::string("# quellor ") + QuellorVersion + "\n";
  return endPass(error);
}

void MessageRecorder::record(int64_t pass, const Message& message) {
  if (!file_.isOpen()) return;
  pending_ += scriptLine(pass, message);
  pending_ += '\n';
}

bool MessageRecorder::endPass(std::string& error) {
  if (!file_.isOpen()) return true;
  if (!pending_.empty()) {
    file_.write(pending_);
    pending_.clear();
  }
  return file_.flush(error);
}

bool MessageRecorder::finish(std::string& error) {
  if (!file_.isOpen()) return true;
  if (!endPass(error)) return false;
  return file_.commit(error);
}
