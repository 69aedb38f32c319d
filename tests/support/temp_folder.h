#pragma once
// A test's own folder under /tmp, gone after the test, and the reads and writes the file
// tests make in it.
#include <dirent.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "file_text.h"

class TempFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/quellor-test-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    dir_ = pattern;
  }
  void TearDown() override { (void)std::system(("rm -rf '" + dir_ + "'").c_str()); }

  std::string path(const std::string& name) const { return dir_ + "/" + name; }
  static std::string contents(const std::string& p) { return fileText(p); }
  static void put(const std::string& p, const std::string& text) { std::ofstream(p, std::ios::binary) << text; }
  // Every name in the folder, hidden ones included: a temporary file left behind shows.
  std::vector<std::string> names() const {
    std::vector<std::string> out;
    DIR* d = ::opendir(dir_.c_str());
    while (dirent* e = ::readdir(d)) {
      const std::string n = e->d_name;
      if (n != "." && n != "..") out.push_back(n);
    }
    ::closedir(d);
    std::sort(out.begin(), out.end());
    return out;
  }

  std::string dir_;
};
