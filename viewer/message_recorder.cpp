#include "viewer/message_recorder.h"

#include <cstdio>
#include <sstream>

#include "quellor/version.h"
#include "viewer/recording_script.h"
#include "viewer/script_vocabulary.h"

namespace {

const char* const TitleLine = "# quellor recording: play it back with quellor-replay --script FILE";
const char* const LevelPrefix = "# level: ";
const char* const SizePrefix = "# first client size: ";

}  // namespace

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
  pending_ += std::to_string(pass);
  pending_ += ' ';
  pending_ += scriptEvent(message).text;
  pending_ += '\n';
}

void MessageRecorder::recordLevel(int64_t pass, const std::string& name, const std::vector<uint8_t>& bytes) {
  if (!file_.isOpen()) return;
  pending_ += recordedLevelText(pass, name, bytes.data(), bytes.size());
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
