#include "tools/replay/replay_script.h"

#include <algorithm>
#include <cctype>
#include <sstream>

#include "viewer/number_text.h"

namespace {

std::string lower(std::string s) {
  for (char& c : s) c = char(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

// Key names of the table; any other single letter or digit is a key the table ignores.
bool keyCode(const std::string& name, int32_t& code) {
  static const struct {
    const char* name;
    int32_t code;
  } named[] = {{"space", KeySpace}, {"left", KeyLeft}, {"up", KeyUp}, {"right", KeyRight},
               {"down", KeyDown},   {"q", KeyQ},       {"x", KeyX},   {"z", KeyZ}};
  const std::string n = lower(name);
  for (const auto& k : named) {
    if (n == k.name) {
      code = k.code;
      return true;
    }
  }
  // A key the table does not know, as a recording writes an unmapped key-down.
  if (n == "other") {
    code = 0;
    return true;
  }
  if (n.size() == 1 && std::isalnum(static_cast<unsigned char>(n[0]))) {
    code = std::toupper(static_cast<unsigned char>(n[0]));
    return true;
  }
  return false;
}

}  // namespace

bool parseReplayScript(const std::string& text, const std::string& fileName, ReplayScript& out, std::string& error) {
  std::istringstream lines(text);
  std::string line;
  int lineNumber = 0;
  out.messages.clear();
  auto fail = [&](const std::string& what) {
    error = fileName + ":" + std::to_string(lineNumber) + ": " + what;
    return false;
  };
  while (std::getline(lines, line)) {
    ++lineNumber;
    std::istringstream words(line);
    std::vector<std::string> w;
    for (std::string word; words >> word;) w.push_back(word);
    if (w.empty() || w[0][0] == '#') continue;
    ScriptedMessage m{};
    if (!parseCount(w[0], INT64_MAX / 2, m.pass) || m.pass < 1) {
      return fail("'" + w[0] + "' is not a pass number (1 or more)");
    }
    if (w.size() < 2) return fail("an event must follow the pass number");
    const std::string event = lower(w[1]);
    const size_t argCount = w.size() - 2;
    auto expect = [&](size_t n) {
      return argCount == n ? true : fail("'" + event + "' takes " + std::to_string(n) + " argument(s)");
    };
    if (event == "key" || event == "release") {
      if (!expect(1)) return false;
      int32_t code;
      if (!keyCode(w[2], code)) return fail("unknown key '" + w[2] + "'");
      m.message = {event == "key" ? MessageKind::KeyDown : MessageKind::Other, code, 0, 0};
    } else if (event == "mouse" || event == "other") {
      // Any message that only counts as one: mouse, key-up, focus, expose...
      if (!expect(0)) return false;
      m.message = {MessageKind::Other, 0, 0, 0};
    } else if (event == "size") {
      if (!expect(2)) return false;
      int64_t width, height;
      if (!parseCount(w[2], 65535, width) || !parseCount(w[3], 65535, height)) {
        return fail("size takes a width and a height from 0 to 65535");
      }
      m.message = {MessageKind::Size, 0, int32_t(width), int32_t(height)};
    } else if (event == "minimize") {
      if (!expect(0)) return false;
      m.message = {MessageKind::Minimize, 0, 0, 0};
    } else if (event == "close") {
      if (!expect(0)) return false;
      m.message = {MessageKind::Close, 0, 0, 0};
    } else {
      return fail("unknown event '" + w[1] + "' (key, release, mouse, other, size, minimize, close)");
    }
    out.messages.push_back(m);
  }
  std::stable_sort(out.messages.begin(), out.messages.end(),
                   [](const ScriptedMessage& a, const ScriptedMessage& b) { return a.pass < b.pass; });
  return true;
}
