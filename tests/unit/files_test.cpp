#include "platform/files.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/error.h"
#include "scratch_folder.h"

namespace {

using platform::OpenMode;
using platform::TextFile;
using telvora_test::ScratchFolder;

void put_bytes(const std::string& utf8_path, const std::string& bytes) {
  std::ofstream out(telvora_test::path_of(utf8_path), std::ios::binary);
  out << bytes;
}

// A file that the existence test must not see: hidden by its attribute on
// Windows, by a leading dot here.
std::string make_hidden_file(const ScratchFolder& folder, const std::string& attribute) {
#ifdef _WIN32
  std::string path = folder.file("secret.reg");
  put_bytes(path, "REGEDIT4\r\n");
  const std::string command = "attrib " + attribute + " \"" + path + "\" >NUL 2>&1";
  EXPECT_EQ(std::system(command.c_str()), 0) << command;
#else
  static_cast<void>(attribute);
  std::string path = folder.file(".secret.reg");
  put_bytes(path, "REGEDIT4\r\n");
#endif
  return path;
}

template <typename Action>
void expect_runtime_error(long number, const std::string& description, Action action) {
  try {
    action();
    ADD_FAILURE() << "no error raised, expected " << number;
  } catch (const platform::RuntimeError& error) {
    EXPECT_EQ(error.number(), number);
    EXPECT_EQ(error.description(), description);
    EXPECT_EQ(error.source(), "Telvora");
  }
}

TEST(TextFile, WritesAnsiLinesEachEndingInCrLf) {
  ScratchFolder folder("files");
  const std::string path = folder.file("Temp_Profile.PRF");
  {
    TextFile file(path, OpenMode::write);
    file.write_line("[General]");
    file.write_line("");
    file.write_line("DisplayName=Çağrı Işık Öğüş İz");
    file.write_line("Ok=\xE2\x86\x92");  // U+2192 has no place in code page 1254
    file.close();
  }
  EXPECT_EQ(platform::read_file_bytes(path),
            "[General]\r\n\r\nDisplayName=\xC7\x61\xF0r\xFD I\xFE\xFDk \xD6\xF0\xFC\xFE \xDDz\r\nOk=?\r\n");
}

TEST(TextFile, BlockBufferedLinesAreWrittenWhenTheFileGoesEvenWithoutClose) {
  ScratchFolder folder("files");
  const std::string path = folder.file("block.reg");
  const std::string many(100000, 'x');  // more than one block
  {
    TextFile file(path, OpenMode::write, platform::Buffering::block);
    file.write_line("REGEDIT4");
    file.write_ansi_line("\xDD\xFE");  // already ANSI: written unconverted
    file.write_line(many);
    file.write_line("son");
  }
  EXPECT_EQ(platform::read_file_bytes(path), "REGEDIT4\r\n\xDD\xFE\r\n" + many + "\r\nson\r\n");
}

TEST(TextFile, TextHoldingLineEndsGetsOneMoreCrLf) {
  // The profile is written as one text with its own line ends.
  ScratchFolder folder("files");
  const std::string path = folder.file("profile.prf");
  TextFile file(path, OpenMode::write);
  file.write_line("a\r\nb");
  file.close();
  EXPECT_EQ(platform::read_file_bytes(path), "a\r\nb\r\n");
}

TEST(TextFile, WriteModeEmptiesALongerFileFirst) {
  ScratchFolder folder("files");
  const std::string path = folder.file("Temp_Profile.PRF");
  put_bytes(path, std::string(5000, 'x'));
  {
    TextFile file(path, OpenMode::write);
    file.write_line("short");
  }  // closed by the destructor
  EXPECT_EQ(platform::read_file_bytes(path), "short\r\n");
}

TEST(TextFile, AppendCreatesAMissingFileAndOtherwiseAddsAtTheEnd) {
  ScratchFolder folder("files");
  const std::string path = folder.file("export.reg");
  {
    TextFile file(path, OpenMode::append);
    file.write_line("REGEDIT4");
  }
  {
    TextFile file(path, OpenMode::append);
    file.write_line("");
    file.write_line("[HKEY_CURRENT_USER\\Software]");
  }
  EXPECT_EQ(platform::read_file_bytes(path), "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software]\r\n");
}

TEST(TextFile, ClosedFileRefusesToWriteAndClosesOnlyOnce) {
  ScratchFolder folder("files");
  TextFile file(folder.file("a.txt"), OpenMode::write);
  file.close();
  file.close();
  expect_runtime_error(52, "Bad file name or number", [&] { file.write_line("late"); });
}

TEST(TextFile, PathsWithBlanksAndBackslashes) {
  ScratchFolder folder("files");
  std::filesystem::create_directory(folder.root() / "Temp Folder");
  // The program joins its paths with backslashes, also in the native build.
  const std::string path = folder.file("Temp Folder") + "\\Temp_Profile.PRF";
  TextFile(path, OpenMode::write).write_line("x");
  EXPECT_TRUE(platform::file_exists(path));
  EXPECT_TRUE(std::filesystem::is_regular_file(folder.root() / "Temp Folder" / "Temp_Profile.PRF"));
  EXPECT_EQ(platform::read_file_bytes(path), "x\r\n");
}

TEST(TextFile, PathsWithTurkishLetters) {
  ScratchFolder folder("files");
  std::error_code error;
  std::filesystem::create_directory(folder.root() / telvora_test::path_of("Geçici Klasör"), error);
  if (error) {
    // Wine names files in the host's character set: without the tr_TR.UTF-8
    // locale installed it can store no such name.
    GTEST_SKIP() << "the file system takes no Turkish names here: " << error.message();
  }
  const std::string path = folder.file("Geçici Klasör") + "\\Şablon.reg";
  TextFile(path, OpenMode::write).write_line("ı");
  EXPECT_TRUE(platform::file_exists(path));
  EXPECT_TRUE(std::filesystem::is_regular_file(folder.root() / telvora_test::path_of("Geçici Klasör/Şablon.reg")));
  EXPECT_EQ(platform::read_file_bytes(path), "\xFD\r\n");
}

TEST(FileExists, SeesOnlyNormalFiles) {
  ScratchFolder folder("files");
  put_bytes(folder.file("plain.reg"), "");
  std::filesystem::create_directory(folder.root() / "folder.reg");
  const std::string hidden = make_hidden_file(folder, "+h");

  EXPECT_TRUE(platform::file_exists(folder.file("plain.reg")));
  EXPECT_FALSE(platform::file_exists(folder.file("missing.reg")));
  EXPECT_FALSE(platform::file_exists(folder.file("folder.reg")));
  EXPECT_FALSE(platform::file_exists(hidden));
  EXPECT_FALSE(platform::file_exists(folder.file("missing folder") + "/plain.reg"));
  EXPECT_FALSE(platform::file_exists(""));
  EXPECT_FALSE(platform::file_exists(folder.file("*.reg")));  // a name, not a pattern
}

#ifdef _WIN32
TEST(FileExists, DoesNotSeeSystemFiles) {
  ScratchFolder folder("files");
  EXPECT_FALSE(platform::file_exists(make_hidden_file(folder, "+s")));
}
#endif

TEST(TextFile, RefusesToReplaceAHiddenFileButAppendsToIt) {
  ScratchFolder folder("files");
  const std::string hidden = make_hidden_file(folder, "+h");
  expect_runtime_error(70, "Permission denied", [&] { TextFile file(hidden, OpenMode::write); });
  EXPECT_EQ(platform::read_file_bytes(hidden), "REGEDIT4\r\n");
  TextFile(hidden, OpenMode::append).write_line("");
  EXPECT_EQ(platform::read_file_bytes(hidden), "REGEDIT4\r\n\r\n");
}

TEST(FileErrors, CarryTheRuntimeNumbers) {
  ScratchFolder folder("files");
  std::filesystem::create_directory(folder.root() / "sub");
  const std::string missing_folder = folder.file("no such folder") + "\\Temp_Profile.PRF";

  expect_runtime_error(76, "Path not found", [&] { TextFile file(missing_folder, OpenMode::write); });
  expect_runtime_error(76, "Path not found", [&] { TextFile file(missing_folder, OpenMode::append); });
  expect_runtime_error(76, "Path not found", [&] { platform::read_file_bytes(missing_folder); });
  expect_runtime_error(53, "File not found", [&] { platform::read_file_bytes(folder.file("missing.reg")); });
  put_bytes(folder.file("plain.txt"), "");  // a file where a folder should be
  expect_runtime_error(76, "Path not found",
                       [&] { TextFile file(folder.file("plain.txt") + "\\x.reg", OpenMode::write); });
  expect_runtime_error(70, "Permission denied", [&] { TextFile file(folder.file("sub"), OpenMode::write); });
  expect_runtime_error(70, "Permission denied", [&] { platform::read_file_bytes(folder.file("sub")); });
  expect_runtime_error(75, "Path/File access error", [&] { TextFile file("", OpenMode::write); });
  EXPECT_FALSE(std::filesystem::exists(folder.root() / "no such folder"));
}

TEST(ReadFileBytes, ReturnsTheBytesUnconverted) {
  ScratchFolder folder("files");
  const std::string bytes = std::string("REGEDIT4\r\n\xFD\xD0\0\n\r", 15) + std::string(70000, 'z');
  put_bytes(folder.file("data.reg"), bytes);
  EXPECT_EQ(platform::read_file_bytes(folder.file("data.reg")), bytes);
  put_bytes(folder.file("empty.reg"), "");
  EXPECT_EQ(platform::read_file_bytes(folder.file("empty.reg")), "");
}

}  // namespace
