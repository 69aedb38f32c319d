#include "viewer/script_vocabulary.h"

#include <cctype>
#include <cstdio>
#include <sstream>
#include <vector>

#include "viewer/number_text.h"

namespace {

// Keys named by a word; letters and digits are named by themselves.
const struct {
  const char* name;
  int32_t code;
} NamedKeys[] = {{"space", KeySpace}, {"left", KeyLeft}, {"up", KeyUp}, {"right", KeyRight}, {"down", KeyDown}};

// Every key without a name behaves alike in the frame pass, so one word stands for them all.
const char* const UnnamedKey = "other";
constexpr int32_t UnnamedKeyCode = 0;

bool isLetterOrDigit(int32_t code) { return (code >= 'A' && code <= 'Z') || (code >= '0' && code <= '9'); }

// The key's name into out, which holds at least eight characters.
void writeKeyName(int32_t code, char* out) {
  for (const auto& k : NamedKeys) {
    if (k.code == code) {
      std::snprintf(out, 8, "%s", k.name);
      return;
    }
  }
  if (isLetterOrDigit(code)) {
    out[0] = char(std::tolower(code));
    out[1] = 0;
    return;
  }
  std::snprintf(out, 8, "%s", UnnamedKey);
}

std::string lower(std::string s) {
  for (char& c : s) c = char(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

bool keyCode(const std::string& name, int32_t& code) {
  const std::string n = lower(name);
  for (const auto& k : NamedKeys) {
    if (n == k.name) {
      code = k.code;
      return true;
    }
  }
  if (n == UnnamedKey) {
    code = UnnamedKeyCode;
    return true;
  }
  if (n.size() == 1 && std::isalnum(static_cast<unsigned char>(n[0]))) {
    code = std::toupper(static_cast<unsigned char>(n[0]));
    return true;
  }
  return false;
}

}  // namespace

ScriptEvent scriptEvent(const Message& message) {
  ScriptEvent event{};
  char* const text = event.text;
  const size_t size = sizeof event.text;
  char name[8];
  switch (message.kind) {
    case MessageKind::KeyDown:
      writeKeyName(message.key, name);
      std::snprintf(text, size, "key %s", name);
      return event;
    case MessageKind::Size:
      std::snprintf(text, size, "size %d %d", int(message.width), int(message.height));
      return event;
    case MessageKind::Minimize:
      std::snprintf(text, size, "minimize");
      return event;
    case MessageKind::Close:
      std::snprintf(text, size, "close");
      return event;
    case MessageKind::Other:
      break;
  }
  if (message.kind == MessageKind::Other && message.other == OtherKind::KeyRelease) {
    writeKeyName(message.key, name);
    std::snprintf(text, size, "release %s", name);
  } else if (message.kind == MessageKind::Other && message.other == OtherKind::Mouse) {
    std::snprintf(text, size, "mouse");
  } else {
    std::snprintf(text, size, "other");
  }
  return event;
}

std::string scriptLine(int64_t pass, const Message& message) {
  return std::to_string(pass) + " " + scriptEvent(message).text;
}

ScriptLineRead readScriptLine(const std::string& line, const std::string& fileName, int lineNumber,
                              ScriptedMessage& out, std::string& error) {
  auto fail = [&](const std::string& what) {
    error = fileName + ":" + std::to_string(lineNumber) + ": " + what;
    return ScriptLineRead::Refused;
  };
  std::istringstream words(line);
  std::vector<std::string> w;
  for (std::string word; words >> word;) w.push_back(word);
  if (w.empty() || w[0][0] == '#') return ScriptLineRead::Nothing;
  ScriptedMessage m{};
  if (!parseCount(w[0], INT64_MAX / 2, m.pass) || m.pass < 1) {
    return fail("'" + w[0] + "' is not a pass number (1 or more)");
  }
  if (w.size() < 2) return fail("an event must follow the pass number");
  const std::string event = lower(w[1]);
  const size_t argCount = w.size() - 2;
  if (event == "key" || event == "release") {
    if (argCount != 1) return fail("'" + event + "' takes 1 argument(s)");
    int32_t code;
    if (!keyCode(w[2], code)) return fail("unknown key '" + w[2] + "'");
    m.message = event == "key" ? Message{MessageKind::KeyDown, code, 0, 0}
                               : Message{MessageKind::Other, code, 0, 0, OtherKind::KeyRelease};
  } else if (event == "size") {
    if (argCount != 2) return fail("'size' takes 2 argument(s)");
    int64_t width, height;
    if (!parseCount(w[2], 65535, width) || !parseCount(w[3], 65535, height)) {
      return fail("size takes a width and a height from 0 to 65535");
    }
    m.message = {MessageKind::Size, 0, int32_t(width), int32_t(height)};
  } else if (event == "mouse" || event == "other" || event == "minimize" || event == "close") {
    if (argCount != 0) return fail("'" + event + "' takes 0 argument(s)");
    if (event == "mouse") m.message = {MessageKind::Other, 0, 0, 0, OtherKind::Mouse};
    if (event == "other") m.message = {MessageKind::Other, 0, 0, 0};
    if (event == "minimize") m.message = {MessageKind::Minimize, 0, 0, 0};
    if (event == "close") m.message = {MessageKind::Close, 0, 0, 0};
  } else {
    return fail("unknown event '" + w[1] + "' (key, release, mouse, other, size, minimize, close)");
  }
  out = m;
  return ScriptLineRead::Message;
}
