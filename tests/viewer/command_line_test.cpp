// quellor's command line: the plain start is the old one, and every bad option is refused
// with exit status 2 before anything opens.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "viewer/command_line.h"

namespace {

struct Parsed {
  bool run;
  int exitCode;
  CommandLine options;
};

Parsed parse(std::vector<const char*> args) {
  args.insert(args.begin(), "quellor");
  Parsed p{false, -1, {}};
  p.run = parseCommandLine(int(args.size()), args.data(), p.options, p.exitCode);
  return p;
}

TEST(CommandLine, NoArgumentsIsThePlainStart) {
  const Parsed p = parse({});
  ASSERT_TRUE(p.run);
  EXPECT_EQ(p.options.level, "3rooms.b2");
  EXPECT_FALSE(p.options.levelGiven);
  EXPECT_EQ(p.options.width, 320);
  EXPECT_EQ(p.options.height, 240);
  EXPECT_FALSE(p.options.fullscreen);
  EXPECT_TRUE(p.options.record.empty());
  EXPECT_FALSE(p.options.fps);
  EXPECT_FALSE(p.options.heldControls);
}

TEST(CommandLine, ControlsAreClassicOrHeld) {
  EXPECT_TRUE(parse({"--controls", "held"}).options.heldControls);
  EXPECT_FALSE(parse({"--controls", "classic"}).options.heldControls);
  ::testing::internal::CaptureStderr();
  const Parsed bad = parse({"--controls", "sticky"});
  const std::string err = ::testing::internal::GetCapturedStderr();
  EXPECT_FALSE(bad.run);
  EXPECT_EQ(bad.exitCode, 2);
  EXPECT_EQ(err.rfind("quellor: --controls: ", 0), 0u) << err;
}

TEST(CommandLine, TakesLevelSizeAndFlags) {
  const Parsed p = parse({"eight_rooms.b2", "--size", "1280x960", "--fullscreen", "--record", "r.txt", "--fps"});
  ASSERT_TRUE(p.run);
  EXPECT_EQ(p.options.level, "eight_rooms.b2");
  EXPECT_TRUE(p.options.levelGiven);
  EXPECT_EQ(p.options.width, 1280);
  EXPECT_EQ(p.options.height, 960);
  EXPECT_TRUE(p.options.fullscreen);
  EXPECT_EQ(p.options.record, "r.txt");
  EXPECT_TRUE(p.options.fps);
}

TEST(CommandLine, RefusesSizesOutsideTheWindowsRules) {
  ::testing::internal::CaptureStderr();
  for (const char* bad : {"0x240", "320x0", "9x240", "16385x10", "-320x240", "+320x240", " 320x240", "320x 240",
                          "4294967616x240", "320", "320x240x1", "x", "axb", ""}) {
    const Parsed p = parse({"--size", bad});
    EXPECT_FALSE(p.run) << bad;
    EXPECT_EQ(p.exitCode, 2) << bad;
  }
  const std::string err = ::testing::internal::GetCapturedStderr();
  EXPECT_NE(err.find("quellor: --size: '9x240' is not WxH with W and H from 10 to 16384\n"), std::string::npos);
}

TEST(CommandLine, UnknownOptionsAndExtraArgumentsExitTwo) {
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(parse({"--level", "x.b2"}).exitCode, 2);
  EXPECT_EQ(parse({"a.b2", "b.b2"}).exitCode, 2);
  EXPECT_EQ(parse({"--record"}).exitCode, 2);
  EXPECT_EQ(parse({"--record", ""}).exitCode, 2);
  const std::string err = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(err.rfind("quellor: ", 0), 0u);
}

TEST(CommandLine, HelpAndVersionExitZero) {
  ::testing::internal::CaptureStdout();
  const Parsed help = parse({"--help"});
  const Parsed shortHelp = parse({"-h"});
  const Parsed version = parse({"--version"});
  const std::string out = ::testing::internal::GetCapturedStdout();
  EXPECT_FALSE(help.run);
  EXPECT_EQ(help.exitCode, 0);
  EXPECT_EQ(shortHelp.exitCode, 0);
  EXPECT_EQ(version.exitCode, 0);
  EXPECT_NE(out.find("--record"), std::string::npos);
  EXPECT_NE(out.find("\nquellor "), std::string::npos);
}

}  // namespace
