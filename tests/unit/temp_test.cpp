#include "system/temp.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>

#include "platform/files.h"

namespace {

constexpr char kSeparator =
#ifdef _WIN32
    '\\';
#else
    '/';
#endif

TEST(TempPath, FillsA260ByteBufferWithAFolderEndingInASeparator) {
  char buffer[260];
  std::memset(buffer, '#', sizeof buffer);
  const unsigned long length = sys::get_temp_path_a(sizeof buffer, buffer);
  ASSERT_GT(length, 0UL);
  ASSERT_LT(length, 260UL);
  EXPECT_EQ(std::strlen(buffer), length);
  EXPECT_EQ(buffer[length - 1], kSeparator);
  // The folder is usable: the profile file goes there.
  const std::string path = std::string(buffer) + "telvora temp check.txt";
  platform::TextFile(path, platform::OpenMode::write).write_line("x");
  EXPECT_TRUE(platform::file_exists(path));
  std::remove(path.c_str());
}

TEST(TempPath, TooSmallABufferGivesTheSizeNeededWithItsNul) {
  char full[260] = {};
  const unsigned long length = sys::get_temp_path_a(sizeof full, full);
  ASSERT_GT(length, 0UL);
  char exact[260];
  EXPECT_EQ(sys::get_temp_path_a(length, exact), length + 1);  // no room for the NUL
  EXPECT_EQ(sys::get_temp_path_a(0, nullptr), length + 1);
  std::memset(exact, '#', sizeof exact);
  EXPECT_EQ(sys::get_temp_path_a(length + 1, exact), length);
  EXPECT_STREQ(exact, full);
}

#ifndef _WIN32
// TMPDIR decides the folder in the native build, as TMP/TEMP do on Windows.
class TempDirVariable : public ::testing::Test {
 protected:
  void SetUp() override {
    if (const char* old = std::getenv("TMPDIR")) saved_ = old;
  }
  void TearDown() override {
    if (saved_) {
      setenv("TMPDIR", saved_->c_str(), 1);
    } else {
      unsetenv("TMPDIR");
    }
  }
  static std::string temp_path() {
    char buffer[260] = {};
    const unsigned long length = sys::get_temp_path_a(sizeof buffer, buffer);
    return {buffer, length};
  }

 private:
  std::optional<std::string> saved_;
};

TEST_F(TempDirVariable, ChoosesTheFolderAndAddsOneSeparator) {
  setenv("TMPDIR", "/var/tmp", 1);
  EXPECT_EQ(temp_path(), "/var/tmp/");
  setenv("TMPDIR", "/var/tmp/", 1);
  EXPECT_EQ(temp_path(), "/var/tmp/");
  setenv("TMPDIR", "", 1);
  EXPECT_EQ(temp_path(), "/tmp/");
  unsetenv("TMPDIR");
  EXPECT_EQ(temp_path(), "/tmp/");
}

TEST_F(TempDirVariable, HandsOutAnsiBytes) {
  setenv("TMPDIR", "/home/şule/geçici", 1);
  EXPECT_EQ(temp_path(), "/home/\xFEule/ge\xE7ici/");
}
#endif

}  // namespace
