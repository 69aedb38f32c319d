// Playback at any pass, reached in any order, against a straight replay of the same
// script through quellor-replay's cursor: the same frame, pixel for pixel.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <random>
#include <set>

#include "test_platform.h"
#include "viewer/level_adopt.h"
#include "viewer/playback.h"
#include "viewer/recording_script.h"
#include "world/level_file.h"

namespace {

LevelBytes twoRoomBytes() { return twoCubeRooms(); }

// One closed room where the two were: a later version of the level.
LevelBytes oneRoomBytes() {
  LevelBytes l;
  l.i32(8).i32(0).i32(1);
  cubeVertices(l, 0.5f);
  cubeFaces(l, 0);
  return l;
}

std::string twoRooms() {
  return twoRoomBytes().write(std::string("playback-") +
                              ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".b2");
}

// Walking, turning, the overview, keys that do nothing, releases and sizes (some refused
// as too small), a few passes apart.
Recording randomScript(uint32_t seed, int64_t passes) {
  std::mt19937 random(seed);
  const int32_t keys[] = {KeyUp, KeyDown, KeyLeft, KeyRight, KeySpace, KeyZ, KeyX, 'A', 0};
  Recording script;
  for (int64_t pass = 1; pass <= passes; ++pass) {
    if (random() % 3 != 0) continue;
    const int events = 1 + int(random() % 3);
    for (int i = 0; i < events; ++i) {
      const uint32_t what = random() % 20;
      Message m{};
      if (what < 12) {
        m = key(keys[random() % std::size(keys)]);
      } else if (what < 14) {
        m = Message{MessageKind::Other, KeyLeft, 0, 0, OtherKind::KeyRelease};
      } else if (what < 16) {
        m = Message{MessageKind::Other, 0, 0, 0, OtherKind::Mouse};
      } else {
        m = size(int32_t(random() % 400), int32_t(random() % 300));
      }
      script.messages.push_back({pass, m});
    }
  }
  return script;
}

RecordedMessages packed(const Recording& script) {
  RecordedMessages out;
  for (const ScriptedMessage& m : script.messages) EXPECT_TRUE(out.add(m.pass, m.message));
  out.shrink();
  return out;
}

// quellor-replay's platform, reduced to the frames of the passes asked for.
struct StraightReplay : TestPlatform {
  explicit StraightReplay(const Recording& script) : cursor(script) {}
  ScriptCursor cursor;
  std::set<int64_t> wanted;
  std::map<int64_t, std::vector<uint8_t>> frames;
  bool nextMessage(Message& m) { return cursor.next(presents, m); }
  void present(const PresentedFrame& frame) {
    TestPlatform::present(frame);
    if (wanted.count(presents)) frames[presents] = lastFrame;
  }
};

std::vector<uint8_t> pixelsOf(const Viewer& viewer) {
  TestPlatform copy;
  copy.present(presentedFrame(viewer));
  return copy.lastFrame;
}

struct Started {
  std::unique_ptr<Viewer> viewer = std::make_unique<Viewer>();
  template <class Platform>
  void start(Platform& platform, const std::string& level) {
    EXPECT_TRUE(createFrame(*viewer, platform));
    startViewer(*viewer, level.c_str());
    beginMainLoop(*viewer);
  }
};

// The desktop loop's order: a new level version is adopted before the pass's messages.
void replayStraight(Viewer& viewer, StraightReplay& platform, const std::vector<RecordedLevel>& reloads,
                    int64_t passes) {
  beginMainLoop(viewer);
  auto scratch = std::make_unique<World>();
  for (int64_t pass = 1; pass <= passes; ++pass) {
    for (const RecordedLevel& level : reloads) {
      if (level.pass != pass) continue;
      if (parseLevel(*scratch, "reload", level.bytes.data(), level.bytes.size()).ok) {
        adoptLevel(viewer.world, *scratch, viewer.camera.position);
      }
    }
    ASSERT_TRUE(runPass(viewer, platform));
  }
}

std::vector<RecordedLevel> threeReloads() {
  const std::vector<uint8_t> noise = {1, 2, 3};
  return {
      {700, "one", oneRoomBytes().bytes(), 0}, {1400, "refused", noise, 0}, {2100, "two", twoRoomBytes().bytes(), 0}};
}

TEST(Playback, AnyPassReachedAnyWayEqualsTheStraightReplay) {
  const std::string level = twoRooms();
  Recording script = randomScript(27, 3000);
  const int64_t Passes = 3000;
  script.messages.push_back({Passes, other()});  // the last pass a recording has
  const std::vector<RecordedLevel> reloads = threeReloads();
  std::mt19937 random(2027);
  std::vector<int64_t> targets = {1, 2, KeyPointInterval, KeyPointInterval + 1, 699, 700, 1400, 2100, Passes};
  for (int i = 0; i < 40; ++i) targets.push_back(1 + int64_t(random() % Passes));

  StraightReplay straight(script);
  straight.wanted.insert(targets.begin(), targets.end());
  Started reference;
  reference.start(straight, level);
  replayStraight(*reference.viewer, straight, reloads, Passes);
  ASSERT_EQ(straight.presents, Passes);

  TestPlatform platform;
  Started played;
  played.start(platform, level);
  Playback playback(packed(script), reloads);
  playback.open(*played.viewer);
  ASSERT_EQ(playback.total(), Passes);
  // Forward and back in random order, then each target's next pass the cheap way.
  std::shuffle(targets.begin(), targets.end(), random);
  for (int64_t target : targets) {
    ASSERT_TRUE(playback.show(*played.viewer, platform, target));
    EXPECT_EQ(pixelsOf(*played.viewer), straight.frames[target]) << "pass " << target;
  }
  for (int64_t pass = 1; pass <= 600; ++pass) {
    ASSERT_TRUE(playback.show(*played.viewer, platform, pass));
    if (straight.wanted.count(pass)) {
      EXPECT_EQ(pixelsOf(*played.viewer), straight.frames[pass]) << "pass " << pass;
    }
  }
  EXPECT_FALSE(playback.show(*played.viewer, platform, Passes + 1));
  EXPECT_FALSE(playback.show(*played.viewer, platform, 0));
  platform.releaseFrame(played.viewer->frame);
  straight.releaseFrame(reference.viewer->frame);
}

TEST(Playback, AQuitOrACloseEndsTheRecording) {
  const std::string level = twoRooms();
  for (const MessageKind end : {MessageKind::KeyDown, MessageKind::Close}) {
    RecordedMessages messages;
    messages.add(3, key(KeyUp));
    messages.add(10, end == MessageKind::Close ? Message{MessageKind::Close, 0, 0, 0} : key(KeyQ));
    messages.add(20, key(KeyDown));
    TestPlatform platform;
    Started played;
    played.start(platform, level);
    Playback playback(std::move(messages));
    playback.open(*played.viewer);
    EXPECT_EQ(playback.total(), end == MessageKind::Close ? 9 : 10);
    EXPECT_TRUE(playback.show(*played.viewer, platform, playback.total()));
    platform.releaseFrame(played.viewer->frame);
  }
}

TEST(RecordedMessages, GiveBackWhatWasAddedPassByPass) {
  RecordedMessages m;
  const Message sent[] = {key(KeyUp), size(65535, 0), Message{MessageKind::Other, 'Q', 0, 0, OtherKind::KeyRelease},
                          Message{MessageKind::Minimize, 0, 0, 0}, key(0x7FFFFFFF)};
  const int64_t passes[] = {1, 1, 200, 1000000, 1000000};
  for (size_t i = 0; i < std::size(sent); ++i) ASSERT_TRUE(m.add(passes[i], sent[i]));
  EXPECT_FALSE(m.add(5, key(KeyUp)));
  RecordedMessages::Cursor cursor;
  size_t i = 0;
  Message got;
  for (int64_t pass = 1; pass <= 1000000; ++pass) {
    while (m.next(cursor, pass, got)) {
      ASSERT_LT(i, std::size(sent));
      EXPECT_EQ(passes[i], pass);
      EXPECT_EQ(int(got.kind), int(sent[i].kind));
      EXPECT_EQ(got.key, sent[i].key);
      EXPECT_EQ(got.width, sent[i].width);
      EXPECT_EQ(got.height, sent[i].height);
      EXPECT_EQ(int(got.other), int(sent[i].other));
      ++i;
    }
  }
  EXPECT_EQ(i, std::size(sent));
}

}  // namespace
