#pragma once
// A fresh temporary settings folder per test and raw access to the file in it.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

class SettingsFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ =
        std::filesystem::temp_directory_path() / ("settings-test-" + std::to_string(::getpid()) + "-" +
                                                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(folder_);
    std::filesystem::create_directories(folder_);
  }
  void TearDown() override { std::filesystem::remove_all(folder_); }

  std::filesystem::path FilePath() const { return folder_ / "recast-object.ini"; }
  std::string Contents() const {
    std::ifstream in(FilePath(), std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
  }
  void Put(const std::string& text) const { std::ofstream(FilePath(), std::ios::binary) << text; }
  // Every write replaces the file, so an unchanged inode means the file was not written.
  ino_t Inode() const {
    struct stat info {};
    return ::stat(FilePath().c_str(), &info) == 0 ? info.st_ino : 0;
  }

  std::filesystem::path folder_;
};
