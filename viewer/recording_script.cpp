#include "viewer/recording_script.h"

#include <algorithm>
#include <cctype>
#include <sstream>

#include "io/base64.h"
#include "viewer/number_text.h"
#include "world/level_loader.h"

namespace {

const char* const LevelWord = "level";

// A refusal quotes the input: what is not printable (noise, a binary file) is shown as '?'
// and a long quote is cut, so that the message stays one readable line.
std::string printable(const std::string& text) {
  constexpr size_t Longest = 300;
  std::string out = text.substr(0, Longest);
  for (char& c : out) {
    if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) >= 0x7f) c = '?';
  }
  if (text.size() > Longest) out += "...";
  return out;
}

std::string place(const std::string& fileName, int line) { return fileName + ":" + std::to_string(line) + ": "; }

bool isLevelLine(const std::string& line) {
  std::istringstream words(line);
  std::string pass, word;
  if (!(words >> pass >> word) || pass[0] == '#') return false;
  for (char& c : word) c = char(std::tolower(static_cast<unsigned char>(c)));
  if (word != LevelWord) return false;
  return true;
}

// Reads a "PASS level SIZE NAME" line and the base64 lines after it from lines; lineNumber
// follows every line taken.
bool readLevel(const std::string& line, std::istringstream& lines, const std::string& fileName, int& lineNumber,
               RecordedLevel& level, std::string& error) {
  const int at = lineNumber;
  auto fail = [&](int where, const std::string& what) {
    error = place(fileName, where) + what;
    return false;
  };
  std::istringstream words(line);
  std::string pass, word, size;
  words >> pass >> word >> size;
  int64_t passNumber = 0, byteCount = 0;
  if (!parseCount(pass, MaxRecordingPasses, passNumber)) {
    return fail(at, "'" + pass + "' is not a pass number from 0 to " + std::to_string(MaxRecordingPasses));
  }
  if (!parseCount(size, int64_t(MaxLevelFileBytes), byteCount)) {
    return fail(at, "'" + size + "' is not a level size from 0 to " + std::to_string(MaxLevelFileBytes) +
                        " bytes (the most the loader takes)");
  }
  std::string name;
  std::getline(words, name);
  const size_t start = name.find_first_not_of(" \t");
  name = start == std::string::npos ? "" : name.substr(start);
  while (!name.empty() && (name.back() == '\r' || name.back() == ' ')) name.pop_back();
  if (name.empty()) return fail(at, "a level line is 'PASS level SIZE NAME': the name is missing");

  const size_t want = base64Length(size_t(byteCount));
  std::string text;
  text.reserve(want);
  std::string piece;
  while (text.size() < want) {
    if (!std::getline(lines, piece)) {
      return fail(lineNumber, "the level of line " + std::to_string(at) +
                                  " ends early: " + std::to_string(text.size()) + " of its " + std::to_string(want) +
                                  " base64 characters (" + std::to_string(byteCount) + " bytes)");
    }
    ++lineNumber;
    if (!piece.empty() && piece.back() == '\r') piece.pop_back();
    for (char c : piece) {
      if (!isBase64Char(c)) {
        return fail(lineNumber, "the level of line " + std::to_string(at) + " ends early or is damaged: '" +
                                    piece.substr(0, 40) + "' is not a line of base64");
      }
    }
    if (piece.empty()) return fail(lineNumber, "a blank line inside the level of line " + std::to_string(at));
    if (text.size() + piece.size() > want) {
      return fail(lineNumber, "more base64 than the " + std::to_string(byteCount) + " bytes the level of line " +
                                  std::to_string(at) + " says it has");
    }
    text += piece;
  }
  level.pass = passNumber;
  level.name = name;
  level.line = at;
  if (!decodeBase64(text, level.bytes) || level.bytes.size() != size_t(byteCount)) {
    return fail(at, "the base64 of this level is damaged (padding in the wrong place or the wrong size)");
  }
  return true;
}

bool readRecording(const std::string& text, const std::string& fileName, Recording& out, std::string& error) {
  out = Recording{};
  Recording read;
  std::istringstream lines(text);
  std::string line;
  int lineNumber = 0;
  while (std::getline(lines, line)) {
    ++lineNumber;
    if (isLevelLine(line)) {
      RecordedLevel level;
      if (!readLevel(line, lines, fileName, lineNumber, level, error)) return false;
      read.levels.push_back(std::move(level));
      continue;
    }
    ScriptedMessage m{};
    switch (readScriptLine(line, fileName, lineNumber, m, error)) {
      case ScriptLineRead::Nothing:
        break;
      case ScriptLineRead::Message:
        if (m.pass > MaxRecordingPasses) {
          error = place(fileName, lineNumber) + "pass " + std::to_string(m.pass) +
                  " is beyond the most a recording may have (" + std::to_string(MaxRecordingPasses) + ")";
          return false;
        }
        read.messages.push_back(m);
        break;
      case ScriptLineRead::Refused:
        return false;
    }
  }
  std::stable_sort(read.messages.begin(), read.messages.end(),
                   [](const ScriptedMessage& a, const ScriptedMessage& b) { return a.pass < b.pass; });
  std::stable_sort(read.levels.begin(), read.levels.end(),
                   [](const RecordedLevel& a, const RecordedLevel& b) { return a.pass < b.pass; });
  read.hasHeader = readRecordingHeader(text, read.header);
  out = std::move(read);
  return true;
}

}  // namespace

int64_t Recording::lastPass() const {
  int64_t last = messages.empty() ? 0 : messages.back().pass;
  if (!levels.empty()) last = std::max(last, levels.back().pass);
  return last;
}

Recording::Range Recording::passMessages(int64_t pass) const {
  const auto first = std::lower_bound(messages.begin(), messages.end(), pass,
                                      [](const ScriptedMessage& m, int64_t p) { return m.pass < p; });
  const auto last =
      std::lower_bound(first, messages.end(), pass + 1, [](const ScriptedMessage& m, int64_t p) { return m.pass < p; });
  return {size_t(first - messages.begin()), size_t(last - messages.begin())};
}

Recording::Range Recording::passLevels(int64_t pass) const {
  const auto less = [](const RecordedLevel& l, int64_t p) { return l.pass < p; };
  const auto first = std::lower_bound(levels.begin(), levels.end(), pass, less);
  const auto last = std::lower_bound(first, levels.end(), pass + 1, less);
  return {size_t(first - levels.begin()), size_t(last - levels.begin())};
}

std::string recordedLevelText(int64_t pass, const std::string& name, const uint8_t* bytes, size_t size) {
  // The name ends at the line's end, so a line break in a path cannot end it early.
  std::string oneLine = name;
  for (char& c : oneLine) {
    if (c == '\n' || c == '\r') c = '?';
  }
  std::string text = std::to_string(pass) + " " + LevelWord + " " + std::to_string(size) + " " + oneLine + "\n";
  std::string encoded;
  appendBase64(bytes, size, encoded);
  for (size_t at = 0; at < encoded.size(); at += RecordedLevelLineLength) {
    text.append(encoded, at, RecordedLevelLineLength);
    text += '\n';
  }
  return text;
}

bool parseRecording(const std::string& text, const std::string& fileName, Recording& out, std::string& error) {
  if (readRecording(text, fileName, out, error)) return true;
  error = printable(error);
  return false;
}
