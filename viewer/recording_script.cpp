#include "viewer/recording_script.h"

#include <algorithm>
#include <sstream>

int64_t Recording::lastPass() const {
  int64_t last = messages.empty() ? 0 : messages.back().pass;
  if (!levels.empty()) last = std::max(last, levels.back().pass);
  return last;
}

Recording::Range Recording::passMessages(int64_t pass) const {
  const auto first = std::lower_bound(messages.begin(), messages.end(), pass,
                                      [](const ScriptedMessage& m, int64_t p) { return m.pass < p; });
  auto last = first;
  while (last != messages.end() && last->pass == pass) ++last;
  return {size_t(first - messages.begin()), size_t(last - messages.begin())};
}

Recording::Range Recording::passLevels(int64_t pass) const {
  size_t first = 0;
  while (first < levels.size() && levels[first].pass < pass) ++first;
  size_t last = first;
  while (last < levels.size() && levels[last].pass == pass) ++last;
  return {first, last};
}

bool parseRecording(const std::string& text, const std::string& fileName, Recording& out, std::string& error) {
  out = Recording{};
  Recording read;
  std::istringstream lines(text);
  std::string line;
  int lineNumber = 0;
  while (std::getline(lines, line)) {
    ScriptedMessage m{};
    switch (readScriptLine(line, fileName, ++lineNumber, m, error)) {
      case ScriptLineRead::Nothing:
        break;
      case ScriptLineRead::Message:
        read.messages.push_back(m);
        break;
      case ScriptLineRead::Refused:
        return false;
    }
  }
  std::stable_sort(read.messages.begin(), read.messages.end(),
                   [](const ScriptedMessage& a, const ScriptedMessage& b) { return a.pass < b.pass; });
  read.hasHeader = readRecordingHeader(text, read.header);
  out = std::move(read);
  return true;
}
