// A fresh folder per test, removed afterwards; paths cross to the platform
// services as UTF-8 text.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>

namespace telvora_test {

inline std::string utf8_of(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return {text.begin(), text.end()};
}

inline std::filesystem::path path_of(const std::string& utf8) { return {std::u8string(utf8.begin(), utf8.end())}; }

class ScratchFolder {
 public:
  explicit ScratchFolder(const std::string& name) {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    root_ = std::filesystem::temp_directory_path() /
            path_of("telvora " + name + " " + (info != nullptr ? std::string(info->name()) : std::string("run")) + " " +
                    std::to_string(std::random_device{}()));  // builds of other worktrees run at the same time
    std::filesystem::remove_all(root_);
    std::filesystem::create_directories(root_);
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  ~ScratchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(root_, ignored);
  }

  const std::filesystem::path& root() const { return root_; }
  // The UTF-8 path of a name inside the folder, with the platform's separator.
  std::string file(const std::string& name) const { return utf8_of(root_ / path_of(name)); }

 private:
  std::filesystem::path root_;
};

}  // namespace telvora_test
