#include "system/process.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "arg_record.h"
#include "platform/codepage.h"
#include "platform/error.h"
#include "platform/files.h"
#include "scratch_folder.h"

namespace {

using telvora_test::ScratchFolder;

// The recorder as the test program sees it: under Wine the build folder is on
// drive Z:.
std::filesystem::path recorder_path() {
  std::string path = TELVORA_ARG_RECORDER;
#ifdef _WIN32
  path = "Z:" + path;
#endif
  return telvora_test::path_of(path);
}

// A copy of the recorder under a Windows-like program path with blanks.
std::string install_recorder(const ScratchFolder& folder) {
  const auto target_folder = folder.root() / "Program Files" / "Microsoft Office";
  std::filesystem::create_directories(target_folder);
  const auto target = target_folder / "OUTLOOK.EXE";
  std::filesystem::copy_file(recorder_path(), target);
  std::filesystem::permissions(target, std::filesystem::perms::owner_all, std::filesystem::perm_options::add);
  return telvora_test::utf8_of(target);
}

// The arguments that the recorder at program received.
std::vector<std::string> wait_for_record(const std::string& program) {
  std::vector<std::string> lines = telvora_test::wait_for_record(program);
#ifdef _WIN32
  if (!lines.empty()) lines.erase(lines.begin());  // the show-window line, checked on its own
#endif
  return lines;
}

TEST(StartProcess, QuotedPathsWithBlanksAndWindowsEscapesReachTheProgram) {
  ScratchFolder folder("process");
  const std::string program = install_recorder(folder);
  const std::string line = "\"" + program + "\" /importprf \"C:\\Users\\Ayşe Öz\\Temp\\Temp_Profile.PRF\"" +
                           R"( plain\path\ a\\"b c" \"quoted\" "" x\\\"y)";
  EXPECT_GT(sys::start_process(line, sys::sw_minimize), 0UL);
  const std::vector<std::string> expected = {
      "/importprf", R"(C:\Users\Ayşe Öz\Temp\Temp_Profile.PRF)", R"(plain\path\)", R"(a\b c)", R"("quoted")", "",
      R"(x\"y)"};
  EXPECT_EQ(wait_for_record(program), expected);
}

TEST(StartProcess, UnquotedProgramPathWithBlanksIsFoundAsWindowsFindsIt) {
  ScratchFolder folder("process");
  const std::string program = install_recorder(folder);
  sys::start_process(program + " /importprf C:\\Temp\\Temp_Profile.PRF", sys::sw_minimize);
  // Windows hands the line over as it is, and the program's C runtime ends
  // its own name at the first blank: the rest of the path comes first among
  // its arguments. Wine puts quotes around the program name it found, so
  // there the arguments are only the two given.
  std::vector<std::string> expected;
  for (std::size_t blank = program.find(' '); blank != std::string::npos;) {
    const std::size_t next = program.find(' ', blank + 1);
    expected.push_back(program.substr(blank + 1, next == std::string::npos ? std::string::npos : next - blank - 1));
    blank = next;
  }
  expected.insert(expected.end(), {"/importprf", "C:\\Temp\\Temp_Profile.PRF"});
  const std::vector<std::string> args = wait_for_record(program);
#ifdef _WIN32
  if (args.size() == 2) expected.erase(expected.begin(), expected.end() - 2);
#endif
  EXPECT_EQ(args, expected);
}

TEST(StartProcess, ReturnsWithoutWaitingForTheProgram) {
  ScratchFolder folder("process");
  const std::string program = install_recorder(folder);
  const std::string release = folder.file("release");
  // The program waits for a file that only this test makes after the start
  // returned: a start that waited would leave it "timed out".
  sys::start_process("\"" + program + "\" --wait-for \"" + release + "\"", 1);
  EXPECT_FALSE(platform::file_exists(program + ".txt"));
  platform::TextFile(release, platform::OpenMode::write).close();
  const std::vector<std::string> expected = {"released"};
  EXPECT_EQ(wait_for_record(program), expected);
}

#ifdef _WIN32
TEST(StartProcess, GivesTheProgramTheShowWindowValue) {
  ScratchFolder folder("process");
  const std::string program = install_recorder(folder);
  const std::string record = program + ".txt";
  sys::start_process("\"" + program + "\"", sys::sw_minimize);
  for (int i = 0; i < 300 && !platform::file_exists(record); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  EXPECT_EQ(platform::read_file_bytes(record), "show=6\n");
}
#else
TEST(StartProcess, LeavesNoZombieBehind) {
  ScratchFolder folder("process");
  const std::string program = install_recorder(folder);
  const unsigned long pid = sys::start_process("\"" + program + "\"", 1);
  ASSERT_EQ(wait_for_record(program), std::vector<std::string>{});
  const std::filesystem::path proc = "/proc/" + std::to_string(pid);
  for (int i = 0; i < 200 && std::filesystem::exists(proc); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(25));
  }
  EXPECT_FALSE(std::filesystem::exists(proc)) << "process " << pid << " was not collected";
}
#endif

TEST(StartProcess, AProgramThatCannotStartRaisesFileNotFound) {
  ScratchFolder folder("process");
  std::filesystem::create_directories(folder.root() / "Office" / "OUTLOOK.EXE");  // a folder, not a program
  const std::vector<std::string> lines = {
      folder.file("missing") + "\\OUTLOOK.EXE /importprf " + folder.file("Temp_Profile.PRF"),
      folder.file("Office") + "\\OUTLOOK.EXE /importprf x.prf",
      "",
  };
  for (const std::string& line : lines) {
    try {
      sys::start_process(line, sys::sw_minimize);
      ADD_FAILURE() << "started: " << line;
    } catch (const platform::RuntimeError& error) {
      EXPECT_EQ(error.number(), 53) << line;
      EXPECT_EQ(error.description(), "File not found");
      EXPECT_EQ(error.source(), "Telvora");
    }
  }
}

void set_variable(const std::string& name, const std::string& value) {
#ifdef _WIN32
  _putenv((name + "=" + value).c_str());
#else
  setenv(name.c_str(), value.c_str(), 1);
#endif
}

TEST(ExpandEnvironmentStrings, ReplacesKnownNamesAndLeavesTheRest) {
  set_variable("TELVORA_PROGRAMS", "C:\\Program Files");
  struct Case {
    std::string text;
    std::string expanded;
  };
  const std::vector<Case> cases = {
      {"%TELVORA_PROGRAMS%\\Microsoft Office\\", "C:\\Program Files\\Microsoft Office\\"},
      {"%telvora_programs%", "C:\\Program Files"},
      {"no references", "no references"},
      {"%TELVORA_NOT_SET_ANYWHERE%\\x", "%TELVORA_NOT_SET_ANYWHERE%\\x"},
      {"%TELVORA_NOT_SET_ANYWHERE%TELVORA_PROGRAMS%", "%TELVORA_NOT_SET_ANYWHERE%TELVORA_PROGRAMS%"},
      {"%TELVORA_NOT_SET_ANYWHERE%%TELVORA_PROGRAMS%", "%TELVORA_NOT_SET_ANYWHERE%C:\\Program Files"},
      {"100%", "100%"},
      {"%%", "%%"},
      {"%TELVORA_PROGRAMS", "%TELVORA_PROGRAMS"},
      {"", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(sys::expand_environment_strings(c.text), c.expanded) << c.text;
}

TEST(ExpandEnvironmentStrings, KeepsTurkishLetters) {
  set_variable("TELVORA_FOLDER", "Belgeler");
  EXPECT_EQ(sys::expand_environment_strings("Ç:\\Kullanıcılar\\%TELVORA_FOLDER%\\Şule"),
            "Ç:\\Kullanıcılar\\Belgeler\\Şule");
}

}  // namespace
