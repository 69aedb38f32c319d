#include "viewer/message_recorder.h"

#include <cstdio>
#include <sstream>

#include "quellor/version.h"

namespace {

const char* const TitleLine = "# quellor recording: play it back with quellor-replay --script FILE";
const char* const LevelPrefix = "# level: ";
const char* const SizePrefix = "# first client size: ";

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
  pending_ = std::string(TitleLine) + "\n";
  pending_ += LevelPrefix + level + "\n";
  pending_ += SizePrefix + std::to_string(width) + "x" + std::to_string(height) + "\n";
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

bool readRecordingHeader(const std::string& text, RecordingHeader& header) {
  std::istringstream lines(text);
  std::string line;
  if (!std::getline(lines, line) || line != TitleLine) return false;
  RecordingHeader read;
  const std::string levelPrefix = LevelPrefix, sizePrefix = SizePrefix;
  while (std::getline(lines, line) && !line.empty() && line[0] == '#') {
    if (line.compare(0, levelPrefix.size(), levelPrefix) == 0) read.level = line.substr(levelPrefix.size());
    if (line.compare(0, sizePrefix.size(), sizePrefix) == 0) {
      int w = 0, h = 0;
      char x = 0, tail = 0;
      if (std::sscanf(line.c_str() + sizePrefix.size(), "%d%c%d%c", &w, &x, &h, &tail) == 3 && x == 'x' && w > 0 &&
          h > 0 && w <= 65535 && h <= 65535) {
        read.width = w;
        read.height = h;
      }
    }
  }
  if (read.level.empty() || read.width == 0) return false;
  header = read;
  return true;
}
