#include <gtest/gtest.h>

#include "viewer/playback_control.h"

namespace {

TEST(PlaybackControl, PlaysAPassAFrameAndStopsAtTheEnd) {
  PlaybackControl c(5, 1, false);
  for (int64_t pass = 1; pass <= 5; ++pass) EXPECT_EQ(c.nextFrame(), pass);
  EXPECT_TRUE(c.paused());
  EXPECT_EQ(c.nextFrame(), 5);
  c.apply(PlaybackCommand::PauseResume);  // resumed at the end: from the start
  EXPECT_EQ(c.nextFrame(), 1);
  EXPECT_EQ(c.nextFrame(), 2);
}

TEST(PlaybackControl, FasterShowsEveryKthPassSlowerHoldsEach) {
  PlaybackControl c(1000, 10, false);
  EXPECT_EQ(c.nextFrame(), 10);
  for (int i = 0; i < 5; ++i) c.apply(PlaybackCommand::Faster);  // 8x at most
  EXPECT_EQ(c.speed(), FastestSpeed);
  EXPECT_EQ(c.nextFrame(), 18);
  EXPECT_EQ(c.nextFrame(), 26);
  for (int i = 0; i < 9; ++i) c.apply(PlaybackCommand::Slower);  // 1/8x at most
  EXPECT_EQ(c.speed(), SlowestSpeed);
  for (int i = 0; i < 7; ++i) EXPECT_EQ(c.nextFrame(), 26);
  EXPECT_EQ(c.nextFrame(), 27);
}

TEST(PlaybackControl, StepsWhilePausedAndJumpsWithinTheRecording) {
  PlaybackControl c(250, 40, true);
  EXPECT_EQ(c.nextFrame(), 40);
  EXPECT_EQ(c.nextFrame(), 40);  // paused: held
  c.apply(PlaybackCommand::Back);
  EXPECT_EQ(c.nextFrame(), 39);
  c.apply(PlaybackCommand::Forward);
  c.apply(PlaybackCommand::Forward);
  EXPECT_EQ(c.nextFrame(), 41);
  c.apply(PlaybackCommand::PageBack);
  EXPECT_EQ(c.nextFrame(), 1);
  c.apply(PlaybackCommand::Back);
  EXPECT_EQ(c.nextFrame(), 1);
  c.apply(PlaybackCommand::PageForward);
  c.apply(PlaybackCommand::PageForward);
  c.apply(PlaybackCommand::PageForward);
  EXPECT_EQ(c.nextFrame(), 250);
  c.apply(PlaybackCommand::First);
  EXPECT_EQ(c.nextFrame(), 1);
  c.apply(PlaybackCommand::Last);
  EXPECT_EQ(c.nextFrame(), 250);
  EXPECT_EQ(PlaybackControl(250, 900, true).pass(), 250);
  PlaybackControl playing(250, 100, false);
  playing.apply(PlaybackCommand::Forward);  // stepping is for a paused playback
  EXPECT_EQ(playing.nextFrame(), 100);
  EXPECT_EQ(playing.nextFrame(), 101);
}

}  // namespace
