// The quellor-level program: its exit codes and what it prints.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "level_test_support.h"
#include "world/level_file.h"

namespace {

const std::string Tool = QUELLOR_BINARY_DIR "/quellor-level";

std::string writeText(const std::string& name, const std::string& text) {
  const std::string path = tempPath(name);
  std::ofstream(path) << text;
  return path;
}

class ToolCommand : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!std::ifstream(Tool)) GTEST_SKIP() << Tool << " is not built";
  }
};

TEST_F(ToolCommand, BuildWritesALevelThatCheckPasses) {
  const std::string source = writeText(
      "cli-box.json", R"({"rooms": [{"outline": [[0, 0], [4, 0], [4, 4], [0, 4]], "floor": -1, "ceiling": 2}]})");
  const std::string out = tempPath("cli-box.b2");
  const ToolRun built = runTool("build " + source + " " + out);
  EXPECT_EQ(built.status, 0) << built.output;
  const ToolRun checked = runTool("check " + out);
  EXPECT_EQ(checked.status, 0) << checked.output;
  EXPECT_NE(checked.output.find("valid level, 1 rooms, 6 polygons"), std::string::npos) << checked.output;
}

TEST_F(ToolCommand, RefusedSourceExitsNonZeroAndWritesNothing) {
  const std::string source = writeText(
      "cli-bad.json",
      "{\"rooms\": [\n{\"name\": \"flat\", \"outline\": [[0, 0], [4, 0], [4, 4]],\n \"floor\": 2, \"ceiling\": 2}]}");
  const std::string out = tempPath("cli-bad.b2");
  std::remove(out.c_str());
  const ToolRun built = runTool("build " + source + " " + out);
  EXPECT_EQ(built.status, 1);
  EXPECT_NE(built.output.find("cli-bad.json:3: room 'flat' (room 0): the ceiling is not above the floor"),
            std::string::npos)
      << built.output;
  EXPECT_FALSE(std::ifstream(out));
}

TEST_F(ToolCommand, CheckListsEveryProblemAndExitsNonZero) {
  LevelBytes l;
  l.i32(8).i32(0).i32(1);
  cubeVertices(l);
  l.i32(5).i32(0);
  const int32_t faces[5][4] = {{2, 0, 4, 6}, {5, 1, 3, 7}, {4, 0, 1, 5}, {3, 2, 6, 7}, {1, 0, 2, 3}};
  for (const auto& f : faces) l.wall({f[0], f[1], f[2], f[3]});
  const std::string path = l.write("cli-open.b2");
  const ToolRun checked = runTool("check " + path);
  EXPECT_EQ(checked.status, 1);
  EXPECT_NE(checked.output.find("room 0 polygon 0 (wall): edge"), std::string::npos) << checked.output;
  EXPECT_NE(checked.output.find(" problems\n"), std::string::npos) << checked.output;
}

// The path once, then why: a refused file is one line.
TEST_F(ToolCommand, CheckOfAMissingFileFailsNamingThePathOnceAndWhy) {
  const std::string path = tempPath("no-such-level.b2");
  const ToolRun checked = runTool("check " + path);
  EXPECT_EQ(checked.status, 1);
  EXPECT_NE(checked.output.find(path + ": cannot be opened: No such file or directory\n"), std::string::npos)
      << checked.output;
  EXPECT_EQ(checked.output.find(path + ": " + path), std::string::npos) << checked.output;
  const ToolRun folder = runTool("check " + tempPath(""));
  EXPECT_EQ(folder.status, 1);
  EXPECT_NE(folder.output.find(tempPath("") + ": cannot be read: it is a folder, not a regular file\n"),
            std::string::npos)
      << folder.output;
}

TEST_F(ToolCommand, DumpShowsWorldUnitsKindsAndPlanes) {
  LevelBytes l;
  l.i32(8).i32(0).i32(1);
  cubeVertices(l);
  cubeFaces(l, 0, 2, 0);
  const ToolRun dumped = runTool("dump " + l.write("cli-dump.b2"));
  EXPECT_EQ(dumped.status, 0) << dumped.output;
  EXPECT_NE(dumped.output.find("  7: (10, 10, 10)\n"), std::string::npos) << dumped.output;
  EXPECT_NE(dumped.output.find("room 0: 5 walls, 1 portals"), std::string::npos) << dumped.output;
  EXPECT_NE(dumped.output.find("polygon 0: wall, colour index "), std::string::npos) << dumped.output;
  EXPECT_NE(
      dumped.output.find("polygon 5: portal to room 0, plane (0.0000, 1.0000, 0.0000) d 0.0000, vertices 4 0 1 5"),
      std::string::npos)
      << dumped.output;
}

TEST_F(ToolCommand, CheckAndDumpRefuseSpecialFilesAtOnce) {
  const ToolRun dumped = runTool("dump /dev/zero");
  EXPECT_EQ(dumped.status, 1);
  EXPECT_EQ(dumped.output, "/dev/zero: cannot be read: it is a character device, not a regular file\n");
  const ToolRun checked = runTool("check /dev/zero");
  EXPECT_EQ(checked.status, 1);
  EXPECT_EQ(checked.output,
            "/dev/zero: cannot be read: it is a character device, not a regular file\n"
            "/dev/zero: 1 problem\n");
  const std::string folder = ::testing::TempDir();
  const ToolRun built = runTool("build " + folder + " " + tempPath("cli-never.b2"));
  EXPECT_EQ(built.status, 1);
  EXPECT_EQ(built.output, folder + ": cannot be read: it is a folder, not a regular file\n");
  EXPECT_FALSE(std::ifstream(tempPath("cli-never.b2")));
}

TEST_F(ToolCommand, UnknownSubcommandIsAUsageError) {
  const ToolRun ran = runTool("frobnicate x");
  EXPECT_NE(ran.status, 0);
}

// Exit status 2 for every usage error, as every other program of the project, with the
// argument parser's own message; help and the version are no error.
TEST_F(ToolCommand, EveryUsageErrorExitsTwoWithItsMessage) {
  const struct {
    const char* arguments;
    const char* says;
  } usage[] = {
      {"", "A subcommand is required"},
      {"build", "SOURCE is required"},
      {"build only.json", "OUT is required"},
      {"new", "FILE is required"},
      {"check", "FILE is required"},
      {"dump", "FILE is required"},
      {"plan", "LEVEL is required"},
      {"frobnicate x", "A subcommand is required"},
      {"check --no-such-flag a.b2", "--no-such-flag"},
  };
  for (const auto& u : usage) {
    const ToolRun ran = runTool(u.arguments);
    EXPECT_EQ(ran.status, 2) << "'" << u.arguments << "': " << ran.output;
    EXPECT_NE(ran.output.find(u.says), std::string::npos) << "'" << u.arguments << "': " << ran.output;
  }
  EXPECT_EQ(runTool("--help").status, 0);
  EXPECT_EQ(runTool("build --help").status, 0);
  EXPECT_EQ(runTool("--version").status, 0);
}

TEST_F(ToolCommand, NewNamesTheFileItWroteInItsComments) {
  const std::string path = tempPath("mine.json");
  std::remove(path.c_str());
  const ToolRun made = runTool("new " + path);
  ASSERT_EQ(made.status, 0) << made.output;
  std::ifstream file(path);
  std::stringstream text;
  text << file.rdbuf();
  const std::string starter = text.str();
  EXPECT_NE(starter.find("//   quellor-level plan " + path + " "), std::string::npos) << starter;
  EXPECT_NE(starter.find("(writes " + tempPath("mine.svg") + " beside it)"), std::string::npos) << starter;
  EXPECT_NE(starter.find("//   quellor-level build --watch " + path + " " + tempPath("mine.b2") + "\n"),
            std::string::npos)
      << starter;
  EXPECT_EQ(starter.find("THIS"), std::string::npos) << starter;
  // And the commands it names do what it says.
  std::remove(tempPath("mine.svg").c_str());
  EXPECT_EQ(runTool("plan " + path).status, 0);
  EXPECT_TRUE(std::ifstream(tempPath("mine.svg")));
}

}  // namespace
