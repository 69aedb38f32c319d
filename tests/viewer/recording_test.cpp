// A recording of what each pass delivers reads back, through quellor-replay's script
// parser, as the very same messages in the same passes, and a partial recording still
// plays back up to its last whole line.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "support/file_text.h"
#include "viewer/message_recorder.h"
#include "viewer/recording_script.h"
#include "viewer/script_vocabulary.h"

namespace {

bool same(const Message& a, const Message& b) {
  if (a.kind != b.kind) return false;
  if (a.kind == MessageKind::Size) return a.width == b.width && a.height == b.height;
  if (a.kind == MessageKind::Other && a.other != b.other) return false;
  if (a.kind != MessageKind::KeyDown && a.other != OtherKind::KeyRelease) return true;
  // An unmapped key is read back as another unmapped key: the key table ignores both.
  const bool known = a.key == KeySpace || (a.key >= KeyLeft && a.key <= KeyDown) || (a.key >= 'A' && a.key <= 'Z') ||
                     (a.key >= '0' && a.key <= '9');
  return known ? a.key == b.key : b.key == 0;
}

TEST(Recording, ReadsBackAsTheSameMessages) {
  char pattern[] = "/tmp/quellor-rec-XXXXXX";
  ASSERT_NE(::mkdtemp(pattern), nullptr);
  const std::string path = std::string(pattern) + "/walk.txt";
  const std::vector<std::pair<int64_t, Message>> sent = {
      {1, {MessageKind::KeyDown, KeyUp, 0, 0}},
      {1, {MessageKind::Other, 0, 0, 0}},
      {3, {MessageKind::KeyDown, KeyLeft, 0, 0}},
      {3, {MessageKind::KeyDown, KeyLeft, 0, 0}},
      {4, {MessageKind::Size, 0, 641, 333}},
      {4, {MessageKind::KeyDown, 'A', 0, 0}},
      {5, {MessageKind::KeyDown, 0x70, 0, 0}},
      {6, {MessageKind::Minimize, 0, 0, 0}},
      {6, {MessageKind::Other, KeyLeft, 0, 0, OtherKind::KeyRelease}},
      {6, {MessageKind::Other, 0x70, 0, 0, OtherKind::KeyRelease}},
      {6, {MessageKind::Other, 0, 0, 0, OtherKind::Mouse}},
      {7, {MessageKind::KeyDown, KeyZ, 0, 0}},
      {9, {MessageKind::KeyDown, KeyQ, 0, 0}},
      {9, {MessageKind::Close, 0, 0, 0}},
  };
  MessageRecorder recorder;
  std::string error;
  ASSERT_TRUE(recorder.open(path, "3rooms.b2", 320, 240, error)) << error;
  int64_t pass = 1;
  for (const auto& [p, m] : sent) {
    for (; pass < p; ++pass) ASSERT_TRUE(recorder.endPass(error));
    recorder.record(p, m);
  }
  // Before the end, the lines so far are in FILE.partial, nothing at FILE.
  ASSERT_TRUE(recorder.endPass(error));
  EXPECT_FALSE(std::ifstream(path).good());
  const std::string partial = fileText(path + ".partial");
  EXPECT_NE(partial.find("# level: 3rooms.b2\n# first client size: 320x240\n"), std::string::npos);
  ASSERT_TRUE(recorder.finish(error)) << error;
  EXPECT_FALSE(std::ifstream(path + ".partial").good());

  Recording script;
  ASSERT_TRUE(parseRecording(fileText(path), path, script, error)) << error;
  ASSERT_EQ(script.messages.size(), sent.size());
  for (size_t i = 0; i < sent.size(); ++i) {
    EXPECT_EQ(script.messages[i].pass, sent[i].first) << i;
    EXPECT_TRUE(same(sent[i].second, script.messages[i].message))
        << i << ": " << scriptLine(sent[i].first, sent[i].second);
  }
  // A recording cut off in the middle of a line (the viewer killed) plays back to its last
  // whole line.
  const std::string whole = fileText(path);
  const std::string cut = whole.substr(0, whole.size() - 3);
  ASSERT_TRUE(parseRecording(cut.substr(0, cut.rfind('\n') + 1), path, script, error)) << error;
  EXPECT_EQ(script.messages.size(), sent.size() - 1);
  (void)std::system(("rm -rf " + std::string(pattern)).c_str());
}

// The recorder's lines are the vocabulary's, which the page writes too: an unmapped key and
// every kind of Other message by name.
TEST(Recording, WritesTheScriptVocabularysLines) {
  char pattern[] = "/tmp/quellor-rec-XXXXXX";
  ASSERT_NE(::mkdtemp(pattern), nullptr);
  const std::string path = std::string(pattern) + "/lines.txt";
  const std::vector<std::pair<Message, const char*>> sent = {
      {{MessageKind::KeyDown, KeyUp, 0, 0}, "1 key up"},
      {{MessageKind::KeyDown, 'A', 0, 0}, "1 key a"},
      {{MessageKind::KeyDown, '7', 0, 0}, "1 key 7"},
      {{MessageKind::KeyDown, 0, 0, 0}, "1 key other"},
      {{MessageKind::KeyDown, 0x70, 0, 0}, "1 key other"},
      {{MessageKind::Other, KeyUp, 0, 0, OtherKind::KeyRelease}, "1 release up"},
      {{MessageKind::Other, 'Q', 0, 0, OtherKind::KeyRelease}, "1 release q"},
      {{MessageKind::Other, 0, 0, 0, OtherKind::KeyRelease}, "1 release other"},
      {{MessageKind::Other, 0, 0, 0, OtherKind::Mouse}, "1 mouse"},
      {{MessageKind::Other, 0, 0, 0}, "1 other"},
      {{MessageKind::Size, 0, 640, 480}, "1 size 640 480"},
      {{MessageKind::Minimize, 0, 0, 0}, "1 minimize"},
      {{MessageKind::Close, 0, 0, 0}, "1 close"},
  };
  MessageRecorder recorder;
  std::string error;
  ASSERT_TRUE(recorder.open(path, "3rooms.b2", 320, 240, error)) << error;
  std::string expected;
  for (const auto& [m, line] : sent) {
    recorder.record(1, m);
    EXPECT_EQ(scriptLine(1, m), line);
    EXPECT_EQ(std::string("1 ") + scriptEvent(m).text, line);
    expected += std::string(line) + "\n";
  }
  ASSERT_TRUE(recorder.finish(error)) << error;
  const std::string text = fileText(path);
  EXPECT_EQ(text.substr(text.find("\n1 ") + 1), expected);
  (void)std::system(("rm -rf " + std::string(pattern)).c_str());
}

TEST(Recording, UnwritablePlaceIsRefusedAtOnce) {
  MessageRecorder recorder;
  std::string error;
  EXPECT_FALSE(recorder.open("/nonexistent-folder/rec.txt", "3rooms.b2", 320, 240, error));
  EXPECT_EQ(error, "/nonexistent-folder/rec.txt.partial: cannot be written: No such file or directory");
  EXPECT_FALSE(recorder.open("/dev/null", "3rooms.b2", 320, 240, error));
  EXPECT_EQ(error, "/dev/null: cannot be written: it is a character device, not a regular file");
}

}  // namespace

namespace {

TEST(Recording, HeaderReadsBackForPlayback) {
  char pattern[] = "/tmp/quellor-rec-XXXXXX";
  ASSERT_NE(::mkdtemp(pattern), nullptr);
  const std::string path = std::string(pattern) + "/r.txt";
  MessageRecorder recorder;
  std::string error;
  ASSERT_TRUE(recorder.open(path, "levels/my level.b2", 1280, 960, error)) << error;
  recorder.record(1, {MessageKind::KeyDown, KeyUp, 0, 0});
  ASSERT_TRUE(recorder.finish(error)) << error;
  RecordingHeader header;
  ASSERT_TRUE(readRecordingHeader(fileText(path), header));
  EXPECT_EQ(header.level, "levels/my level.b2");
  EXPECT_EQ(header.width, 1280);
  EXPECT_EQ(header.height, 960);
  // A script written by hand, or one whose header was damaged, has none.
  EXPECT_FALSE(readRecordingHeader("1 key up\n", header));
  EXPECT_FALSE(readRecordingHeader("# my walk\n# level: x.b2\n1 key up\n", header));
  (void)std::system(("rm -rf " + std::string(pattern)).c_str());
}

}  // namespace
