// The tools' inputs and outputs: bounded single reads, and writes that never leave a
// half-written file or cost the one that was there.
#include <dirent.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "io/input_file.h"
#include "io/output_file.h"
#include "support/temp_folder.h"

namespace {

class ToolFiles : public TempFolderTest {};

TEST_F(ToolFiles, WritesWholeFileAndReplacesTheOldOne) {
  std::string error;
  put(path("out.b2"), "old");
  ASSERT_TRUE(writeFileAtomically(path("out.b2"), std::vector<uint8_t>{'n', 'e', 'w', '!'}, error)) << error;
  EXPECT_EQ(contents(path("out.b2")), "new!");
  EXPECT_EQ(names(), std::vector<std::string>{"out.b2"});
}

TEST_F(ToolFiles, SymlinkInTheWayIsReplacedNotFollowed) {
  std::string error;
  put(path("elsewhere"), "keep me");
  ASSERT_EQ(::symlink(path("elsewhere").c_str(), path("trace.tsv").c_str()), 0);
  ASSERT_TRUE(writeFileAtomically(path("trace.tsv"), "x", 1, error)) << error;
  EXPECT_EQ(contents(path("elsewhere")), "keep me");
  struct stat info;
  ASSERT_EQ(::lstat(path("trace.tsv").c_str(), &info), 0);
  EXPECT_TRUE(S_ISREG(info.st_mode));
}

TEST_F(ToolFiles, RefusesTargetsThatAreNotFiles) {
  std::string error;
  ASSERT_EQ(::mkdir(path("folder").c_str(), 0755), 0);
  EXPECT_FALSE(writeFileAtomically(path("folder"), "x", 1, error));
  EXPECT_EQ(error, path("folder") + ": cannot be written: it is a folder, not a regular file");
  ASSERT_EQ(::mkfifo(path("pipe").c_str(), 0644), 0);
  EXPECT_FALSE(writeFileAtomically(path("pipe"), "x", 1, error));
  EXPECT_EQ(error, path("pipe") + ": cannot be written: it is a FIFO, not a regular file");
  EXPECT_FALSE(writeFileAtomically("/dev/null", "x", 1, error));
  EXPECT_EQ(error, "/dev/null: cannot be written: it is a character device, not a regular file");
  EXPECT_FALSE(writeFileAtomically(path("no/such/folder/f"), "x", 1, error));
  EXPECT_EQ(error, path("no/such/folder/f") + ": cannot be written: No such file or directory");
  EXPECT_EQ(names(), (std::vector<std::string>{"folder", "pipe"}));
}

// A write that fails part-way (here: past the file size limit, as a full disk would stop
// it) leaves the earlier file whole and no temporary file, and says why.
TEST_F(ToolFiles, FailedWriteKeepsTheEarlierFile) {
  put(path("frame.pgm"), "earlier frame");
  struct rlimit before;
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &before), 0);
  const auto previous = std::signal(SIGXFSZ, SIG_IGN);
  struct rlimit small = before;
  small.rlim_cur = 4096;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  std::string error;
  const std::vector<uint8_t> big(100000, 7);
  const bool written = writeFileAtomically(path("frame.pgm"), big, error);
  ::setrlimit(RLIMIT_FSIZE, &before);
  std::signal(SIGXFSZ, previous);
  EXPECT_FALSE(written);
  EXPECT_EQ(error, path("frame.pgm") + ": cannot be written: File too large");
  EXPECT_EQ(contents(path("frame.pgm")), "earlier frame");
  EXPECT_EQ(names(), std::vector<std::string>{"frame.pgm"});
}

TEST_F(ToolFiles, AbandonedOrDestroyedOutputLeavesNothing) {
  std::string error;
  {
    OutputFile file;
    ASSERT_TRUE(file.open(path("recording.txt"), error)) << error;
    file.write("half");
    ASSERT_TRUE(file.flush(error));
  }
  EXPECT_TRUE(names().empty());
}

TEST_F(ToolFiles, ReadsRegularFilesWithinTheLimit) {
  std::string bytes, error;
  put(path("level.json"), "{\"rooms\": []}");
  ASSERT_TRUE(readInputFile(path("level.json"), 100, "a level source", bytes, error)) << error;
  EXPECT_EQ(bytes, "{\"rooms\": []}");
  put(path("empty"), "");
  ASSERT_TRUE(readInputFile(path("empty"), 100, "a level source", bytes, error)) << error;
  EXPECT_EQ(bytes, "");
}

TEST_F(ToolFiles, RefusesOversizedAndSpecialInputsWithoutWaiting) {
  std::string bytes, error;
  put(path("big"), std::string(2 * MiB + 1, '\n'));
  EXPECT_FALSE(readInputFile(path("big"), 2 * MiB, "a script", bytes, error));
  EXPECT_EQ(error, path("big") + ": is 2097153 bytes, too large: the limit for a script is 2 MiB");
  // A FIFO that no one writes: refused at once, not waited on.
  ASSERT_EQ(::mkfifo(path("pipe").c_str(), 0644), 0);
  EXPECT_FALSE(readInputFile(path("pipe"), MiB, "a script", bytes, error));
  EXPECT_EQ(error, path("pipe") + ": cannot be read: it is a FIFO, not a regular file");
  EXPECT_FALSE(readInputFile("/dev/zero", MiB, "a script", bytes, error));
  EXPECT_EQ(error, "/dev/zero: cannot be read: it is a character device, not a regular file");
  EXPECT_FALSE(readInputFile(dir_, MiB, "a script", bytes, error));
  EXPECT_EQ(error, dir_ + ": cannot be read: it is a folder, not a regular file");
  EXPECT_FALSE(readInputFile(path("missing"), MiB, "a script", bytes, error));
  EXPECT_EQ(error, path("missing") + ": cannot be read: No such file or directory");
}

}  // namespace
