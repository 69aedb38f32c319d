#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <functional>
#include <iterator>
#include <string>

#include "io/file_reader.h"

namespace {

std::string writeFile(const std::string& name, const std::string& bytes) {
  const std::string path = ::testing::TempDir() + name;
  std::FILE* f = std::fopen(path.c_str(), "wb");
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
  return path;
}

TEST(FileReader, MissingFileReportsOpenThenEveryReadThenTheFlush) {
  FileReader reader;
  testing::internal::CaptureStderr();
  reader.open("/nonexistent/level.b2");
  EXPECT_TRUE(reader.failed());
  char buffer[4] = {'a', 'b', 'c', 'd'};
  uint32_t count = 99;
  reader.read(buffer, 4, count);
  EXPECT_EQ(count, 0u);
  EXPECT_EQ(buffer[0], 'a');
  reader.read(buffer, 4, count);
  reader.close();
  EXPECT_TRUE(reader.isClosed());
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "Couldn't open file\nPeux pas lire du fichier\nPeux pas lire du fichier\n"
            "couldn't flush file buffers\n");
}

TEST(FileReader, ShortReadsAtTheEndAreNotFailures) {
  const std::string path = writeFile("ten.bin", "0123456789");
  FileReader reader;
  testing::internal::CaptureStderr();
  reader.open(path.c_str());
  char buffer[4];
  uint32_t count = 0;
  reader.read(buffer, 4, count);
  EXPECT_EQ(count, 4u);
  reader.read(buffer, 4, count);
  EXPECT_EQ(count, 4u);
  reader.read(buffer, 4, count);
  EXPECT_EQ(count, 2u);
  EXPECT_EQ(std::string(buffer, 4), "8967");  // the tail keeps the second read's bytes
  reader.read(buffer, 4, count);
  EXPECT_EQ(count, 0u);
  reader.seek(2, FileReader::FromBegin);
  reader.read(buffer, 4, count);
  EXPECT_EQ(std::string(buffer, 4), "2345");
  reader.close();
  EXPECT_TRUE(reader.isClosed());
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

TEST(FileReader, BadSeekIsReported) {
  const std::string path = writeFile("seek.bin", "abc");
  FileReader reader;
  testing::internal::CaptureStderr();
  reader.open(path.c_str());
  reader.seek(-10, FileReader::FromBegin);
  reader.close();
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "file pos invalide.\n");
}

// Readers share a file; a writer holding it exclusively keeps them out, and is kept out by
// them while they read.
TEST(FileReader, ReadersShareAFileAndAWriterHoldingItKeepsThemOut) {
  const std::string path = writeFile("held.bin", "abcd");
  FileReader first, second;
  testing::internal::CaptureStderr();
  first.open(path.c_str());
  second.open(path.c_str());
  EXPECT_TRUE(first.isOpen());
  EXPECT_TRUE(second.isOpen());
  const int writer = ::open(path.c_str(), O_RDWR);
  EXPECT_NE(::flock(writer, LOCK_EX | LOCK_NB), 0);  // kept out while the readers read
  first.close();
  second.close();
  ASSERT_EQ(::flock(writer, LOCK_EX | LOCK_NB), 0);
  FileReader third;
  third.open(path.c_str());
  EXPECT_TRUE(third.failed());
  EXPECT_STREQ(third.openFailure(), "another program holds the file");
  third.close();
  ::close(writer);
  FileReader fourth;
  fourth.open(path.c_str());
  EXPECT_TRUE(fourth.isOpen());
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "Couldn't open file\ncouldn't flush file buffers\n");
}

// Runs check as an unprivileged user, in a child process when this test runs as root (root
// may write any file, so its write access is never refused), and gives its exit status.
int asUnprivileged(const std::function<int()>& check) {
  if (geteuid() != 0) return check();
  const pid_t child = ::fork();
  if (child == 0) {
    // The reader's reports would land in the parent's captured output.
    const int null = ::open("/dev/null", O_WRONLY);
    ::dup2(null, 2);
    const gid_t nobody = 65534;
    if (::setgroups(0, nullptr) != 0 || ::setgid(nobody) != 0 || ::setuid(nobody) != 0) ::_exit(100);
    ::_exit(check());
  }
  int status = 0;
  if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

// 0 when open gives reason (empty: the file opened), otherwise which step differed.
int opensWith(const std::string& path, const std::string& reason, const std::string& bytes = "") {
  FileReader reader;
  reader.open(path.c_str());
  if (reader.isOpen() != reason.empty()) return 1;
  if (reader.openFailure() != reason) return 2;
  char buffer[16] = {};
  uint32_t count = 0;
  if (!bytes.empty()) reader.read(buffer, int32_t(sizeof buffer), count);
  if (std::string(buffer, count) != bytes) return 3;
  reader.close();
  return 0;
}

// A level installed read-only, or on a read-only medium, still loads: it is opened for
// reading and shared with other readers; a file held exclusively still fails, and so does
// one that may not even be read.
TEST(FileReader, AFileTheUserMayNotWriteOpensForReadingShared) {
  const std::string readOnly = writeFile("readonly.bin", "abcd");
  ASSERT_EQ(::chmod(readOnly.c_str(), 0444), 0);
  EXPECT_EQ(asUnprivileged([&] { return opensWith(readOnly, "", "abcd"); }), 0);
  // Two readers of a read-only file share it.
  EXPECT_EQ(asUnprivileged([&] {
              FileReader first;
              first.open(readOnly.c_str());
              return first.isOpen() ? opensWith(readOnly, "", "abcd") : 9;
            }),
            0);

  const std::string unreadable = writeFile("unreadable.bin", "abcd");
  ASSERT_EQ(::chmod(unreadable.c_str(), 0000), 0);
  EXPECT_EQ(asUnprivileged([&] { return opensWith(unreadable, std::strerror(EACCES)); }), 0);

  // Another program's exclusive hold keeps out a read-only opener.
  const int holder = ::open(readOnly.c_str(), O_RDONLY);
  ASSERT_EQ(::flock(holder, LOCK_EX | LOCK_NB), 0);
  EXPECT_EQ(asUnprivileged([&] { return opensWith(readOnly, "another program holds the file"); }), 0);
  ::close(holder);
  ::unlink(readOnly.c_str());
  ::unlink(unreadable.c_str());
}

// A shared hold (another program reading) lets a reader in, even one that may write: no
// reader takes the file for itself.
TEST(FileReader, ASharedHoldLetsAReaderIn) {
  const std::string path = writeFile("shared-held.bin", "abcd");
  const int holder = ::open(path.c_str(), O_RDONLY);
  ASSERT_EQ(::flock(holder, LOCK_SH | LOCK_NB), 0);
  testing::internal::CaptureStderr();
  EXPECT_EQ(opensWith(path, "", "abcd"), 0);
  ::close(holder);
  EXPECT_EQ(opensWith(path, "", "abcd"), 0);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

// Each failed open keeps the reason for the caller's message; the reports stay the fixed ones.
TEST(FileReader, AFailedOpenKeepsWhyAndAGoodOneClearsIt) {
  const std::string fifo = ::testing::TempDir() + "reason-fifo.b2";
  ::unlink(fifo.c_str());
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
  const std::string folder = ::testing::TempDir() + "reason-folder.b2";
  ::rmdir(folder.c_str());
  ASSERT_EQ(::mkdir(folder.c_str(), 0755), 0);
  const std::string good = writeFile("reason-good.bin", "abcd");
  const std::string held = writeFile("reason-held.bin", "abcd");
  const int holder = ::open(held.c_str(), O_RDWR);
  ASSERT_EQ(::flock(holder, LOCK_EX | LOCK_NB), 0);
  testing::internal::CaptureStderr();
  const struct {
    std::string path, reason;
  } cases[] = {
      {"/nonexistent/level.b2", std::strerror(ENOENT)}, {folder, std::strerror(EISDIR)},
      {fifo, "it is a FIFO, not a regular file"},       {"/dev/null", "it is a character device, not a regular file"},
      {held, "another program holds the file"},
  };
  FileReader reader;
  for (const auto& c : cases) {
    reader.open(c.path.c_str());
    EXPECT_TRUE(reader.failed()) << c.path;
    EXPECT_STREQ(reader.openFailure(), c.reason.c_str()) << c.path;
    reader.close();
  }
  reader.open(good.c_str());
  EXPECT_TRUE(reader.isOpen());
  EXPECT_STREQ(reader.openFailure(), "");
  reader.close();
  ::close(holder);
  std::string expected;
  for (size_t i = 0; i < std::size(cases); ++i) expected += "Couldn't open file\ncouldn't flush file buffers\n";
  EXPECT_EQ(testing::internal::GetCapturedStderr(), expected);
  ::unlink(fifo.c_str());
  ::rmdir(folder.c_str());
}

// Nothing but a regular file is a level: each of these fails at open, without waiting for a
// writer or reading for ever, and then reads nothing, as a missing file does.
TEST(FileReader, AnythingButARegularFileDoesNotOpenAndNeverBlocks) {
  const std::string fifo = ::testing::TempDir() + "reader-fifo.b2";
  ::unlink(fifo.c_str());
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
  const std::string folder = ::testing::TempDir() + "reader-folder.b2";
  ::rmdir(folder.c_str());
  ASSERT_EQ(::mkdir(folder.c_str(), 0755), 0);
  for (const std::string& path : {fifo, folder, std::string("/dev/zero"), std::string("/dev/null")}) {
    FileReader reader;
    testing::internal::CaptureStderr();
    reader.open(path.c_str());
    EXPECT_TRUE(reader.failed()) << path;
    char buffer[4] = {'a', 'b', 'c', 'd'};
    uint32_t count = 99;
    reader.read(buffer, 4, count);
    EXPECT_EQ(count, 0u) << path;
    EXPECT_EQ(std::string(buffer, 4), "abcd") << path;
    reader.close();
    EXPECT_TRUE(reader.isClosed());
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Couldn't open file\nPeux pas lire du fichier\ncouldn't flush file buffers\n")
        << path;
  }
  ::unlink(fifo.c_str());
  ::rmdir(folder.c_str());
}

TEST(FileReader, ALinkToARegularFileOpens) {
  const std::string target = writeFile("linked.bin", "abcd");
  const std::string link = ::testing::TempDir() + "link.b2";
  ::unlink(link.c_str());
  ASSERT_EQ(::symlink(target.c_str(), link.c_str()), 0);
  FileReader reader;
  testing::internal::CaptureStderr();
  reader.open(link.c_str());
  EXPECT_TRUE(reader.isOpen());
  char buffer[4];
  uint32_t count = 0;
  reader.read(buffer, 4, count);
  EXPECT_EQ(std::string(buffer, count), "abcd");
  reader.close();
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  ::unlink(link.c_str());
}

TEST(FileReader, DestroyingAnOpenReaderClosesIt) {
  const std::string path = writeFile("scoped.bin", "abcd");
  {
    FileReader reader;
    reader.open(path.c_str());
  }
  FileReader again;
  again.open(path.c_str());
  EXPECT_TRUE(again.isOpen());
}

}  // namespace
