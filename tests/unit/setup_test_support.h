// Helpers of the setup tests: environment variables and temporary folders
// that are put back afterwards, and reading a key's values as the registry
// stores them.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "account/account_data.h"
#include "platform/codepage.h"
#include "platform/registry.h"
#include "scratch_folder.h"

namespace telvora_test {

// Sets an environment variable of this process for the life of the object.
// The value is UTF-8; on Windows it goes in through the wide functions, so
// that any character reaches the system.
class ScopedEnv {
 public:
  ScopedEnv(std::string name, const std::string& value) : name_(std::move(name)) {
#ifdef _WIN32
    if (const wchar_t* old = _wgetenv(platform::utf8_to_wide(name_).c_str())) old_ = platform::wide_to_utf8(old);
#else
    if (const char* old = std::getenv(name_.c_str())) old_ = std::string(old);
#endif
    set(value);
  }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;
  ~ScopedEnv() {
#ifdef _WIN32
    set(old_.value_or(""));
#else
    if (old_) {
      setenv(name_.c_str(), old_->c_str(), 1);
    } else {
      unsetenv(name_.c_str());
    }
#endif
  }

 private:
  void set(const std::string& value) {
#ifdef _WIN32
    _wputenv_s(platform::utf8_to_wide(name_).c_str(), platform::utf8_to_wide(value).c_str());
#else
    setenv(name_.c_str(), value.c_str(), 1);
#endif
  }
  std::string name_;
  std::optional<std::string> old_;
};

// The code page in force for the life of the object: natively any of the two
// the emulated platform has; on Windows only the system's own.
class CodePageInForce {
 public:
  explicit CodePageInForce(unsigned code_page) {
#ifndef _WIN32
    platform::set_ansi_code_page(code_page);
#endif
    available_ = platform::ansi_code_page() == code_page;
  }
  CodePageInForce(const CodePageInForce&) = delete;
  CodePageInForce& operator=(const CodePageInForce&) = delete;
  ~CodePageInForce() {
#ifndef _WIN32
    platform::set_ansi_code_page(1254);
#endif
  }
  bool available() const { return available_; }

 private:
  bool available_ = false;
};

// A folder named as a user's folder may be: with a blank and Turkish letters
// where the file system can hold them, else with the letters folded to
// ASCII (Wine without a UTF-8 host locale stores no such name), removed
// afterwards.
class UserFolder {
 public:
  explicit UserFolder(const std::string& name) : base_("setup") {
    std::error_code error;
    root_ = base_.root() / path_of(name);
    if (std::filesystem::create_directory(root_, error); !error) return;
    root_ = base_.root() / path_of(ascii_folded(name));
    std::filesystem::create_directories(root_);
  }
  const std::filesystem::path& root() const { return root_; }
  // The UTF-8 path of a name inside the folder; "" gives the folder with a
  // final separator.
  std::string file(const std::string& name) const { return utf8_of(root_ / path_of(name)); }

 private:
  static std::string ascii_folded(std::string text) {
    const std::pair<const char*, const char*> letters[] = {{"ç", "c"}, {"ğ", "g"}, {"ı", "i"}, {"ö", "o"},
                                                           {"ş", "s"}, {"ü", "u"}, {"Ç", "C"}, {"Ğ", "G"},
                                                           {"İ", "I"}, {"Ö", "O"}, {"Ş", "S"}, {"Ü", "U"}};
    for (const auto& [turkish, ascii] : letters) {
      for (std::size_t at; (at = text.find(turkish)) != std::string::npos;) text.replace(at, 2, ascii);
    }
    return text;
  }
  ScratchFolder base_;
  std::filesystem::path root_;
};

// Makes the scratch folder the user's temporary folder, as the system reports
// it, for the life of the object.
class TempFolderOverride {
 public:
  explicit TempFolderOverride(const std::string& folder)
#ifdef _WIN32
      : tmp_("TMP", folder),
        temp_("TEMP", folder)
#else
      : tmpdir_("TMPDIR", folder)
#endif
  {
  }

 private:
#ifdef _WIN32
  ScopedEnv tmp_, temp_;
#else
  ScopedEnv tmpdir_;
#endif
};

// An account record with the four texts the targets write.
inline account::AccountData account_of(std::string email, std::string name, std::string incoming_server,
                                       std::string outgoing_server) {
  account::AccountData account;
  account.email = std::move(email);
  account.name = std::move(name);
  account.incoming_server = std::move(incoming_server);
  account.outgoing_server = std::move(outgoing_server);
  return account;
}

struct StoredValue {
  std::string name;
  std::uint32_t type;
  std::string data;  // strings: the UTF-8 text without terminator; others: raw bytes
  bool operator==(const StoredValue&) const = default;
};

inline void PrintTo(const StoredValue& v, std::ostream* os) {
  *os << "{" << v.name << ", type " << v.type << ", ";
  if (v.type == platform::reg::dword && v.data.size() == 4) {
    *os << (static_cast<unsigned char>(v.data[0]) | static_cast<unsigned char>(v.data[1]) << 8 |
            static_cast<unsigned char>(v.data[2]) << 16 |
            static_cast<unsigned>(static_cast<unsigned char>(v.data[3])) << 24);
  } else {
    *os << '"' << v.data << '"';
  }
  *os << "}";
}

// The values of a key in the registry's enumeration order; nothing when the
// key cannot be opened. Names are UTF-8, data raw.
inline std::optional<std::vector<StoredValue>> stored_values(platform::Registry& registry, platform::Hkey root,
                                                             const std::string& sub_key) {
  platform::Hkey key = 0;
  if (registry.open_key_ex(root, platform::utf8_to_ansi(sub_key), 0, platform::access::read, &key) !=
      platform::win::success) {
    return std::nullopt;
  }
  std::vector<StoredValue> values;
  for (std::uint32_t index = 0;; ++index) {
    char name[16384];
    std::uint32_t name_len = sizeof name;
    std::uint8_t data[4096];
    std::uint32_t data_len = sizeof data;
    std::uint32_t type = 0;
    if (registry.enum_value(key, index, name, &name_len, &type, data, &data_len) != platform::win::success) break;
    std::string bytes(reinterpret_cast<const char*>(data), data_len);
    if (type == platform::reg::sz || type == platform::reg::expand_sz) {
      while (!bytes.empty() && bytes.back() == '\0') bytes.pop_back();
      bytes = platform::ansi_to_utf8(bytes);
    }
    values.push_back({platform::ansi_to_utf8(std::string(name, name_len)), type, bytes});
  }
  registry.close_key(key);
  return values;
}

inline std::string dword_bytes(std::uint32_t v) {
  return {static_cast<char>(v & 0xFF), static_cast<char>((v >> 8) & 0xFF), static_cast<char>((v >> 16) & 0xFF),
          static_cast<char>((v >> 24) & 0xFF)};
}

// Writes a string value of the given type, creating the key.
inline void put_string(platform::Registry& registry, platform::Hkey root, const std::string& sub_key,
                       const std::string& name, std::uint32_t type, const std::string& utf8) {
  platform::Hkey key = 0;
  ASSERT_EQ(registry.create_key(root, platform::utf8_to_ansi(sub_key), &key), platform::win::success);
  const std::string data = platform::utf8_to_ansi(utf8) + std::string(1, '\0');
  ASSERT_EQ(
      registry.set_value_ex(key, platform::utf8_to_ansi(name), type, reinterpret_cast<const std::uint8_t*>(data.data()),
                            static_cast<std::uint32_t>(data.size())),
      platform::win::success);
  registry.close_key(key);
}

// Writes a value of raw bytes, creating the key.
inline void put_bytes(platform::Registry& registry, platform::Hkey root, const std::string& sub_key,
                      const std::string& name, std::uint32_t type, const std::string& data) {
  platform::Hkey key = 0;
  ASSERT_EQ(registry.create_key(root, platform::utf8_to_ansi(sub_key), &key), platform::win::success);
  ASSERT_EQ(
      registry.set_value_ex(key, platform::utf8_to_ansi(name), type, reinterpret_cast<const std::uint8_t*>(data.data()),
                            static_cast<std::uint32_t>(data.size())),
      platform::win::success);
  registry.close_key(key);
}

}  // namespace telvora_test
