#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
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

TEST(FileReader, AFileHeldByAnotherReaderDoesNotOpen) {
  const std::string path = writeFile("held.bin", "abcd");
  FileReader first, second;
  testing::internal::CaptureStderr();
  first.open(path.c_str());
  second.open(path.c_str());
  EXPECT_TRUE(first.isOpen());
  EXPECT_TRUE(second.failed());
  first.close();
  second.close();
  FileReader third;
  third.open(path.c_str());
  EXPECT_TRUE(third.isOpen());
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "Couldn't open file\ncouldn't flush file buffers\n");
}

TEST(FileReader, AFileTheUserMayNotWriteDoesNotOpen) {
  if (geteuid() == 0) GTEST_SKIP() << "root may write any file";
  const std::string path = writeFile("readonly.bin", "abcd");
  chmod(path.c_str(), 0444);
  FileReader reader;
  testing::internal::CaptureStderr();
  reader.open(path.c_str());
  EXPECT_TRUE(reader.failed());
  testing::internal::GetCapturedStderr();
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
