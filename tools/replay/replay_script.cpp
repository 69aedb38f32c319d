#include "tools/replay/replay_script.h"

#include <algorithm>
#include <sstream>

bool parseReplayScript(const std::string& text, const std::string& fileName, ReplayScript& out, std::string& error) {
  std::istringstream lines(text);
  std::string line;
  int lineNumber = 0;
  out.messages.clear();
  while (std::getline(lines, line)) {
    ScriptedMessage m{};
    switch (readScriptLine(line, fileName, ++lineNumber, m, error)) {
      case ScriptLineRead::Nothing:
        break;
      case ScriptLineRead::Message:
        out.messages.push_back(m);
        break;
      case ScriptLineRead::Refused:
        return false;
    }
  }
  std::stable_sort(out.messages.begin(), out.messages.end(),
                   [](const ScriptedMessage& a, const ScriptedMessage& b) { return a.pass < b.pass; });
  return true;
}
