// The one file watcher of the viewer and the level tool: which saves count as a new
// version, inotify's word and the clock's looks, and a wait that news ends.
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>

#include <gtest/gtest.h>

#include "io/file_watch.h"
#include "support/temp_folder.h"

namespace {

class FileWatchTest : public TempFolderTest {
 protected:
  void SetUp() override {
    TempFolderTest::SetUp();
    file_ = path("level.b2");
  }
  void TearDown() override {
    stopFileWatch(watch_);
    TempFolderTest::TearDown();
  }

  // A new version the way the level tool saves one: a whole file renamed over the old.
  void save(const std::string& text) {
    const std::string temporary = file_ + ".new";
    std::ofstream(temporary) << text;
    ASSERT_EQ(std::rename(temporary.c_str(), file_.c_str()), 0);
  }

  std::string file_;
  FileWatch watch_;
  int64_t clock_ = 5000;  // made up: the tests step it, they never wait for it
};

TEST_F(FileWatchTest, ARenamedSaveIsANewVersionEvenWithTheSameSizeAndTime) {
  save("one");
  const FileVersion first = fileVersion(file_);
  EXPECT_TRUE(first.exists);
  EXPECT_EQ(first.size, 3);
  save("two");
  EXPECT_NE(fileVersion(file_), first);  // another inode
  EXPECT_FALSE(fileVersion(dir_ + "/none").exists);
  EXPECT_EQ(fileVersion(dir_ + "/none"), FileVersion{});
}

TEST_F(FileWatchTest, WithoutInotifyTheClockDecidesWhenToLook) {
  save("one");
  startFileWatch(watch_, file_, 500, clock_);
  stopFileWatch(watch_);  // inotify off: only the clock makes it look
  EXPECT_FALSE(fileChanged(watch_, clock_ + 100));
  EXPECT_EQ(watch_.checks, 0);
  save("two");
  EXPECT_FALSE(fileChanged(watch_, clock_ + 499));  // not yet time
  EXPECT_TRUE(fileChanged(watch_, clock_ + 500));
  EXPECT_EQ(watch_.seen, fileVersion(file_));
  EXPECT_FALSE(fileChanged(watch_, clock_ + 1000));  // the same version is not news twice
  EXPECT_EQ(watch_.checks, 2);
  ASSERT_EQ(std::remove(file_.c_str()), 0);
  EXPECT_TRUE(fileChanged(watch_, clock_ + 1500));  // gone is a version too
  EXPECT_FALSE(watch_.seen.exists);
}

TEST_F(FileWatchTest, InotifySaysAtOnceAndTheWaitEndsWithIt) {
  startFileWatch(watch_, file_, 60 * 60 * 1000, clock_);  // the file does not exist yet
  if (watch_.notifyFd < 0) GTEST_SKIP() << "no inotify here";
  EXPECT_FALSE(watch_.seen.exists);
  EXPECT_FALSE(fileChanged(watch_, clock_));
  save("one");
  // News is waiting, so this returns at once rather than in an hour.
  waitForFileNews(watch_, clock_);
  EXPECT_TRUE(fileChanged(watch_, clock_));
  EXPECT_TRUE(watch_.seen.exists);
  // Something else in the folder makes it look; the file itself has not changed.
  std::ofstream(dir_ + "/other.txt") << "x";
  EXPECT_FALSE(fileChanged(watch_, clock_));
  EXPECT_EQ(watch_.checks, 2);
}

TEST_F(FileWatchTest, AFileWithoutAFolderPartIsWatchedInTheWorkingFolder) {
  char here[4096];
  ASSERT_NE(::getcwd(here, sizeof here), nullptr);
  ASSERT_EQ(::chdir(dir_.c_str()), 0);
  save("one");
  startFileWatch(watch_, "level.b2", 60 * 60 * 1000, clock_);
  save("two");
  const bool seen = watch_.notifyFd < 0 || fileChanged(watch_, clock_);
  ASSERT_EQ(::chdir(here), 0);
  EXPECT_TRUE(seen);
}

}  // namespace
