// A level source given where a level file belongs: the loader's refusal stays as it is, and
// the note after it says what the bytes are and how to build a level of them.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "level_file.h"
#include "world/level_loader.h"
#include "world/level_source_note.h"

namespace {

bool looksLikeSource(const std::string& text) {
  return looksLikeLevelSource(reinterpret_cast<const uint8_t*>(text.data()), text.size());
}

std::string noteFor(const std::string& name, const std::string& text) {
  return levelSourceNote(name.c_str(), reinterpret_cast<const uint8_t*>(text.data()), text.size());
}

TEST(LevelSourceNote, TellsJsonObjectsFromLevelFiles) {
  // What sources begin with: comments, blanks, a byte-order mark, a key or an empty object.
  EXPECT_TRUE(looksLikeSource("{\"rooms\": []}"));
  EXPECT_TRUE(looksLikeSource("  \r\n\t{ \n \"rooms\""));
  EXPECT_TRUE(looksLikeSource("// a comment\n/* another\n one */ {\"x\""));
  EXPECT_TRUE(looksLikeSource("\xEF\xBB\xBF{\"rooms\""));
  EXPECT_TRUE(looksLikeSource("{ }\n"));
  // Not sources: nothing, other text, an object cut before its first key ends.
  EXPECT_FALSE(looksLikeSource(""));
  EXPECT_FALSE(looksLikeSource("   "));
  EXPECT_FALSE(looksLikeSource("[1, 2]"));
  EXPECT_FALSE(looksLikeSource("{"));
  EXPECT_FALSE(looksLikeSource("{\"rooms"));
  EXPECT_FALSE(looksLikeSource("{ x: 1 }"));
  EXPECT_FALSE(looksLikeSource(std::string("{}\0\0\0", 5)));
  EXPECT_FALSE(looksLikeSource("// only a comment"));
  EXPECT_FALSE(looksLikeSource("/* never closed {\"rooms\""));
  // Level files whose first bytes are '{' and then '"' or '}': 8827 or 32123 vertices.
  for (int32_t vertices : {0x227B, 0x7D7B}) {
    LevelBytes l;
    l.i32(vertices).i32(0).i32(9);
    const std::string bytes(l.bytes().begin(), l.bytes().end());
    EXPECT_FALSE(looksLikeSource(bytes)) << vertices;
    auto world = std::make_unique<World>();
    const LevelLoadResult r = l.parse(*world, "level.b2");
    EXPECT_EQ(r.message, "level.b2: room count 9 is outside 0..8");
    EXPECT_EQ(r.note, "");
  }
}

TEST(LevelSourceNote, SuggestsALevelFileBesideTheWorkingFolderAndQuotesWhatAShellWouldSplit) {
  const std::string said = ": this is a level source (JSON), not a level file: build one with quellor-level build ";
  const struct {
    std::string name, command;
  } cases[] = {
      {"mine.json", "mine.json mine.b2"},
      {"/home/a/levels/hall", "/home/a/levels/hall hall.b2"},
      {"odd.b2", "odd.b2 odd-built.b2"},  // never the source's own name for the level file
      {"my level's.json", "'my level'\\''s.json' 'my level'\\''s.b2'"},
  };
  for (const auto& c : cases) EXPECT_EQ(noteFor(c.name, "{\"rooms\": []}"), c.name + said + c.command);
  EXPECT_EQ(noteFor("mine.json", "not json"), "");
}

}  // namespace
