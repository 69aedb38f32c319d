#include <gtest/gtest.h>

#include "tools/replay/replay_script.h"

namespace {

TEST(ReplayScript, ReadsEventsIntoPassBatchesInFileOrder) {
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
  ReplayScript script;
  std::string error;
  ASSERT_TRUE(parseReplayScript(text, "s.txt", script, error)) << error;
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

TEST(ReplayScript, RefusesALineItCannotReadWithFileAndLine) {
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
  };
  for (const auto& c : cases) {
    ReplayScript script;
    std::string error;
    EXPECT_FALSE(parseReplayScript(c.text, "s.txt", script, error)) << c.text;
    EXPECT_EQ(error, c.error);
  }
}

}  // namespace
