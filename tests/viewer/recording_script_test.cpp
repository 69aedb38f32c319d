#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <vector>

#include "support/file_text.h"
#include "viewer/recording_script.h"
#include "viewer/script_vocabulary.h"

namespace {

// The codes a script names; a key of any other code is written "other" and read back as
// code 0, which the key table ignores as it ignores them all.
bool namedKey(int32_t code) {
  return code == KeySpace || (code >= KeyLeft && code <= KeyDown) || (code >= 'A' && code <= 'Z') ||
         (code >= '0' && code <= '9');
}

TEST(Recording, ReadsEventsIntoPassBatchesInFileOrder) {
  const std::string text =
      "# walk then turn\n"
      "\n"
      "3 key LEFT\n"
      "1 key up\n"
      "1 release up\n"
      "3 mouse\n"
      "2 size 321 200\n"
      "2 minimize\n"
      "4 key a\n"
      "4 key 7\n"
      "5 close\n";
  Recording script;
  std::string error;
  ASSERT_TRUE(parseRecording(text, "s.txt", script, error)) << error;
  const auto& m = script.messages;
  ASSERT_EQ(m.size(), 9u);
  EXPECT_EQ(m[0].pass, 1);
  EXPECT_EQ(m[0].message.kind, MessageKind::KeyDown);
  EXPECT_EQ(m[0].message.key, KeyUp);
  EXPECT_EQ(m[1].message.kind, MessageKind::Other);
  EXPECT_EQ(m[2].message.kind, MessageKind::Size);
  EXPECT_EQ(m[2].message.width, 321);
  EXPECT_EQ(m[2].message.height, 200);
  EXPECT_EQ(m[3].message.kind, MessageKind::Minimize);
  EXPECT_EQ(m[4].pass, 3);
  EXPECT_EQ(m[4].message.key, KeyLeft);
  EXPECT_EQ(m[5].message.kind, MessageKind::Other);
  EXPECT_EQ(m[6].message.key, 'A');
  EXPECT_EQ(m[7].message.key, '7');
  EXPECT_EQ(m[8].message.kind, MessageKind::Close);
}

TEST(Recording, EveryMessageWrittenReadsBackAsTheSameMessage) {
  std::vector<Message> sent;
  for (int32_t code = 0; code < 256; ++code) {
    sent.push_back({MessageKind::KeyDown, code, 0, 0});
    sent.push_back({MessageKind::Other, code, 0, 0, OtherKind::KeyRelease});
  }
  sent.push_back({MessageKind::Other, 0, 0, 0, OtherKind::Mouse});
  sent.push_back({MessageKind::Other, 0, 0, 0, OtherKind::Unnamed});
  sent.push_back({MessageKind::Size, 0, 0, 0});
  sent.push_back({MessageKind::Size, 0, 65535, 1});
  sent.push_back({MessageKind::Size, 0, 641, 333});
  sent.push_back({MessageKind::Minimize, 0, 0, 0});
  sent.push_back({MessageKind::Close, 0, 0, 0});
  std::string text;
  for (size_t i = 0; i < sent.size(); ++i) text += scriptLine(int64_t(i + 1), sent[i]) + "\n";
  Recording script;
  std::string error;
  ASSERT_TRUE(parseRecording(text, "s.txt", script, error)) << error;
  ASSERT_EQ(script.messages.size(), sent.size());
  for (size_t i = 0; i < sent.size(); ++i) {
    const Message& a = sent[i];
    const Message& b = script.messages[i].message;
    const std::string line = scriptLine(int64_t(i + 1), a);
    EXPECT_EQ(script.messages[i].pass, int64_t(i + 1));
    EXPECT_EQ(b.kind, a.kind) << line;
    EXPECT_TRUE(a.kind != MessageKind::Other || b.other == a.other) << line;
    EXPECT_TRUE(a.kind != MessageKind::Size || (b.width == a.width && b.height == a.height)) << line;
    const bool keyed = a.kind == MessageKind::KeyDown || a.other == OtherKind::KeyRelease;
    EXPECT_TRUE(!keyed || b.key == (namedKey(a.key) ? a.key : 0)) << line;
    EXPECT_TRUE(!keyed || namedKey(a.key) || line.find(" other") != std::string::npos) << line;
    // Written again, the message read back gives the same line.
    EXPECT_EQ(scriptLine(int64_t(i + 1), b), line);
  }
}

TEST(Recording, SpellingsOfOlderRecordingsStillRead) {
  // The desktop wrote a letter in upper case and a key-up as "other"; the page wrote an
  // unmapped key as "0" (read as the digit, which the key table ignores alike).
  const std::string text =
      "1 key A\n"
      "1 other\n"
      "2 key 0\n"
      "2 release up\n"
      "2 release 0\n"
      "3 key other\n"
      "3 Release OTHER\n";
  Recording script;
  std::string error;
  ASSERT_TRUE(parseRecording(text, "old.txt", script, error)) << error;
  const auto& m = script.messages;
  ASSERT_EQ(m.size(), 7u);
  EXPECT_TRUE(m[0].message.kind == MessageKind::KeyDown && m[0].message.key == 'A');
  EXPECT_TRUE(m[1].message.kind == MessageKind::Other && m[1].message.other == OtherKind::Unnamed);
  EXPECT_TRUE(m[2].message.kind == MessageKind::KeyDown && m[2].message.key == '0' && !isTableKey(m[2].message.key));
  EXPECT_TRUE(m[3].message.kind == MessageKind::Other && m[3].message.other == OtherKind::KeyRelease &&
              m[3].message.key == KeyUp);
  EXPECT_TRUE(m[4].message.kind == MessageKind::Other && m[4].message.key == '0');
  EXPECT_TRUE(m[5].message.kind == MessageKind::KeyDown && m[5].message.key == 0);
  EXPECT_TRUE(m[6].message.kind == MessageKind::Other && m[6].message.other == OtherKind::KeyRelease &&
              m[6].message.key == 0);
  // Today's spellings of the same messages.
  EXPECT_EQ(scriptLine(1, m[0].message), "1 key a");
  EXPECT_EQ(scriptLine(1, m[1].message), "1 other");
  EXPECT_EQ(scriptLine(2, m[3].message), "2 release up");
  EXPECT_EQ(scriptLine(3, m[5].message), "3 key other");
}

TEST(Recording, RefusesALineItCannotReadWithFileAndLine) {
  const struct {
    const char* text;
    const char* error;
  } cases[] = {
      {"1 key up\n0 key up\n", "s.txt:2: '0' is not a pass number (1 or more)"},
      {"x key up\n", "s.txt:1: 'x' is not a pass number (1 or more)"},
      {"1\n", "s.txt:1: an event must follow the pass number"},
      {"1 key escape\n", "s.txt:1: unknown key 'escape'"},
      {"1 key\n", "s.txt:1: 'key' takes 1 argument(s)"},
      {"1 size 10\n", "s.txt:1: 'size' takes 2 argument(s)"},
      {"1 size 65536 10\n", "s.txt:1: size takes a width and a height from 0 to 65535"},
      {"1 size -1 10\n", "s.txt:1: size takes a width and a height from 0 to 65535"},
      {"1 jump\n", "s.txt:1: unknown event 'jump' (key, release, mouse, other, size, minimize, close)"},
      {"1 mouse 3\n", "s.txt:1: 'mouse' takes 0 argument(s)"},
      {"1 OTHER x\n", "s.txt:1: 'other' takes 0 argument(s)"},
      {"1 release\n", "s.txt:1: 'release' takes 1 argument(s)"},
      {"1 release f1\n", "s.txt:1: unknown key 'f1'"},
      {"1 close now\n", "s.txt:1: 'close' takes 0 argument(s)"},
      {"# a comment\n\n2 key up\n3 size 1 2 3\n", "s.txt:4: 'size' takes 2 argument(s)"},
  };
  for (const auto& c : cases) {
    Recording script;
    std::string error;
    EXPECT_FALSE(parseRecording(c.text, "s.txt", script, error)) << c.text;
    EXPECT_EQ(error, c.error);
  }
}

}  // namespace

namespace {

std::vector<uint8_t> patternBytes(size_t size, uint8_t seed) {
  std::vector<uint8_t> bytes(size);
  for (size_t i = 0; i < size; ++i) bytes[i] = uint8_t(i * 37 + seed);
  return bytes;
}

}  // namespace

// The recorder's level versions read back byte for byte, each at its pass and line, beside
// the messages; lengths around the base64 groups and its line length.
TEST(Recording, LevelVersionsReadBackAtTheirPasses) {
  char pattern[] = "/tmp/quellor-rec-XXXXXX";
  ASSERT_NE(::mkdtemp(pattern), nullptr);
  const std::string path = std::string(pattern) + "/levels.txt";
  MessageRecorder recorder;
  std::string error;
  ASSERT_TRUE(recorder.open(path, "my level.b2", 320, 240, error)) << error;
  const std::vector<size_t> sizes = {1000, 0, 1, 2, 3, 56, 57, 58, 59};
  recorder.recordLevel(0, "my level.b2", patternBytes(sizes[0], 0));
  recorder.record(1, {MessageKind::KeyDown, KeyUp, 0, 0});
  ASSERT_TRUE(recorder.endPass(error));
  for (size_t i = 1; i < sizes.size(); ++i) {
    recorder.recordLevel(int64_t(i + 1), "my level.b2", patternBytes(sizes[i], uint8_t(i)));
    recorder.record(int64_t(i + 1), {MessageKind::KeyDown, KeyLeft, 0, 0});
    ASSERT_TRUE(recorder.endPass(error));
  }
  ASSERT_TRUE(recorder.finish(error)) << error;
  Recording read;
  ASSERT_TRUE(parseRecording(fileText(path), path, read, error)) << error;
  ASSERT_EQ(read.levels.size(), sizes.size());
  EXPECT_EQ(read.messages.size(), sizes.size());
  EXPECT_EQ(read.lastPass(), int64_t(sizes.size()));
  for (size_t i = 0; i < sizes.size(); ++i) {
    EXPECT_EQ(read.levels[i].pass, i == 0 ? 0 : int64_t(i + 1));
    EXPECT_EQ(read.levels[i].name, "my level.b2");
    EXPECT_EQ(read.levels[i].bytes, patternBytes(sizes[i], uint8_t(i))) << sizes[i];
  }
  EXPECT_EQ(read.levels[0].line, 5);  // after the four lines of the header
  const Recording::Range third = read.passLevels(3);
  EXPECT_EQ(third.last - third.first, 1u);
  EXPECT_EQ(read.passMessages(3).first, 2u);
  (void)std::system(("rm -rf " + std::string(pattern)).c_str());
}

// A damaged level block is refused at the line where it goes wrong.
TEST(Recording, RefusesADamagedLevelWithFileAndLine) {
  const std::string four = recordedLevelText(0, "x.b2", patternBytes(100, 1).data(), 100);  // two base64 lines
  const std::string first = four.substr(0, four.find('\n') + 1);
  const std::string second = four.substr(first.size(), RecordedLevelLineLength + 1);
  const std::string third = four.substr(first.size() + second.size());
  const struct {
    std::string text, where;
  } cases[] = {
      {first + second, "r.txt:2: the level of line 1 ends early"},
      {first + second + third.substr(0, 20) + "\n1 key up\n", "r.txt:4: the level of line 1 ends early"},
      {first + second + third.substr(0, 20) + "\n", "r.txt:3: the level of line 1 ends early"},
      {first + second + "\n" + third, "r.txt:3: a blank line"},
      {first + second + "AAAA" + third, "r.txt:3: more base64"},
      {first + "A=AA" + second.substr(4) + third, "r.txt:1: the base64 of this level is damaged"},
      {"0 level 798029 x.b2\n", "r.txt:1: '798029' is not a level size"},
      {"0 level 3\n", "r.txt:1: a level line is 'PASS level SIZE NAME'"},
      {"100000001 level 0 x.b2\n", "r.txt:1: '100000001' is not a pass number"},
      {"1 key up\n100000001 key up\n", "r.txt:2: pass 100000001 is beyond"},
      {"-1 level 0 x.b2\n", "r.txt:1: '-1' is not a pass number"},
  };
  for (const auto& c : cases) {
    Recording read;
    std::string error;
    EXPECT_FALSE(parseRecording(c.text, "r.txt", read, error)) << c.text;
    EXPECT_EQ(error.substr(0, c.where.size()), c.where) << error;
    EXPECT_TRUE(read.messages.empty() && read.levels.empty());
  }
}
