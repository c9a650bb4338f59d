// Shared pieces of the clsRegistryAccess suites: a fixture on every registry
// backend, direct registry access to check what the class really stored, a
// registry wrapper that records the calls and injects enumeration faults, a
// user-interface double for the export's progress box, and scratch files.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "access_reference.h"
#include "forwarding_registry.h"
#include "platform/registry.h"
#include "registry_access/clsRegistryAccess.h"
#include "registry_backends.h"
#include "scratch_folder.h"
#include "window/text_box.h"
#include "window/ui.h"

namespace access_test {

// One registry call as the class made it.
struct Call {
  std::string function;
  platform::Hkey key = 0;
  std::string text;  // sub-key or value name
  std::uint32_t sam_or_type = 0;
  std::string data;  // the bytes of a set_value_ex
};

// Forwards to a backend, records every call, and can make the enumerations
// fail from a chosen index on, as they do for a key deleted while listed.
class RecordingRegistry : public telvora_test::ForwardingRegistry {
 public:
  using ForwardingRegistry::ForwardingRegistry;

  std::vector<Call> calls;
  // Answer `code` to enum_key_ex / enum_value at indices >= the given one.
  std::optional<std::uint32_t> fail_enum_keys_from;
  std::optional<std::uint32_t> fail_enum_values_from;
  // Refuse open_key_ex of this sub-key.
  std::optional<std::string> fail_open_of;
  // Answer `code` once, to the enum_value call of this number (1 = the first).
  std::optional<unsigned long> fail_enum_value_call;
  unsigned long enum_value_calls = 0;
  long enum_fault_code = 1018;  // ERROR_KEY_DELETED
  // Hands enum_value calls only this much of a larger data buffer, as if the
  // value grew each time between two calls.
  std::optional<std::uint32_t> starve_enum_values_over;
  // Bounds a runaway enumeration loop, so that a regression fails instead of hanging.
  unsigned long enum_calls = 0;
  static constexpr unsigned long enum_call_limit = 100000;

  long open_key_ex(platform::Hkey root, const std::string& sub_key, std::uint32_t options, std::uint32_t sam,
                   platform::Hkey* result) override {
    if (fail_open_of && sub_key == *fail_open_of) {
      note(Fn::open_key_ex, root, sub_key, sam);
      *result = 0;
      return platform::win::access_denied;
    }
    return ForwardingRegistry::open_key_ex(root, sub_key, options, sam, result);
  }
  long set_value_ex(platform::Hkey key, const std::string& value_name, std::uint32_t type, const std::uint8_t* data,
                    std::uint32_t size) override {
    const long rc = ForwardingRegistry::set_value_ex(key, value_name, type, data, size);
    calls.back().data.assign(reinterpret_cast<const char*>(data), size);
    return rc;
  }
  long enum_key_ex(platform::Hkey key, std::uint32_t index, char* name, std::uint32_t* name_len) override {
    if (++enum_calls > enum_call_limit || (fail_enum_keys_from && index >= *fail_enum_keys_from)) {
      note(Fn::enum_key_ex, key, {}, index);
      return enum_calls > enum_call_limit ? platform::win::no_more_items : enum_fault_code;
    }
    return ForwardingRegistry::enum_key_ex(key, index, name, name_len);
  }
  long enum_value(platform::Hkey key, std::uint32_t index, char* name, std::uint32_t* name_len, std::uint32_t* type,
                  std::uint8_t* data, std::uint32_t* data_len) override {
    if (++enum_calls > enum_call_limit || (fail_enum_values_from && index >= *fail_enum_values_from) ||
        (fail_enum_value_call && ++enum_value_calls == *fail_enum_value_call)) {
      note(Fn::enum_value, key, {}, index);
      return enum_calls > enum_call_limit ? platform::win::no_more_items : enum_fault_code;
    }
    if (starve_enum_values_over && data_len != nullptr && *data_len > *starve_enum_values_over) {
      *data_len = *starve_enum_values_over;
    }
    return ForwardingRegistry::enum_value(key, index, name, name_len, type, data, data_len);
  }

  // The calls of one function, in order.
  std::vector<Call> of(const std::string& function) const {
    std::vector<Call> out;
    for (const Call& c : calls) {
      if (c.function == function) out.push_back(c);
    }
    return out;
  }

 protected:
  void note(Fn which, platform::Hkey key, std::string_view name, std::uint32_t number) override {
    calls.push_back({name_of(which), key, std::string(name), number, {}});
  }
};

// What the registry holds for one value, read past the class.
struct RawValue {
  long rc = 0;
  std::uint32_t type = 0;
  std::string bytes;
};

inline std::string bytes(std::initializer_list<int> list) {
  std::string out;
  for (const int b : list) out += static_cast<char>(b);
  return out;
}

template <class Backend>
class AccessFixture : public telvora_test::RegistryFixture<Backend> {
 protected:
  void SetUp() override {
    telvora_test::RegistryFixture<Backend>::SetUp();
    recorder_ = std::make_unique<RecordingRegistry>(this->reg());
    access_ = std::make_unique<clsRegistryAccess>(*recorder_);
  }

  clsRegistryAccess& acc() { return *access_; }
  RecordingRegistry& recorder() { return *recorder_; }

  // The scratch key as a key path text, optionally with a sub-key below it.
  std::string base(const std::string& below = "") const {
    std::string path = "HKEY_CURRENT_USER\\" + this->scratch_path();
    if (!below.empty()) path += "\\" + below;
    return path;
  }

  // Opens a key below the scratch key one name at a time, so that a path
  // longer than one call takes is reached too (sub empty: the scratch key).
  long open(const std::string& sub, platform::Hkey* out) {
    platform::Hkey key = this->scratch();
    long rc = this->reg().open_key_ex(key, "", 0, platform::access::read, out);
    for (std::size_t start = 0; rc == platform::win::success && start < sub.size();) {
      const std::size_t end = std::min(sub.find('\\', start), sub.size());
      key = *out;
      rc = this->reg().open_key_ex(key, sub.substr(start, end - start), 0, platform::access::read, out);
      this->reg().close_key(key);
      start = end + 1;
    }
    return rc;
  }

  // Reads a value under the scratch key directly (sub empty: the scratch key).
  RawValue raw(const std::string& sub, const std::string& name) {
    RawValue v;
    platform::Hkey key = 0;
    v.rc = open(sub, &key);
    if (v.rc != platform::win::success) return v;
    std::uint32_t size = 0;
    v.rc = this->reg().query_value_ex(key, name, &v.type, nullptr, &size);
    if (v.rc == platform::win::success) {
      std::string data(size + 1, '\0');
      std::uint32_t got = size + 1;
      v.rc = this->reg().query_value_ex(key, name, &v.type, reinterpret_cast<std::uint8_t*>(data.data()), &got);
      data.resize(std::min(got, size));
      v.bytes = data;
    }
    this->reg().close_key(key);
    return v;
  }

  // The text of a string value; the registry may have stored the
  // terminating character with it (Windows adds one the writer left out).
  std::string raw_text(const std::string& sub, const std::string& name) {
    RawValue v = raw(sub, name);
    if (!v.bytes.empty() && v.bytes.back() == '\0') v.bytes.pop_back();
    return v.bytes;
  }

  // Stores a value under the scratch key directly, creating the sub-key.
  void put(const std::string& sub, const std::string& name, std::uint32_t type, const std::string& data) {
    platform::Hkey key = 0;
    ASSERT_EQ(this->reg().create_key(this->scratch(), sub, &key), platform::win::success);
    EXPECT_EQ(this->reg().set_value_ex(key, name, type, reinterpret_cast<const std::uint8_t*>(data.data()),
                                       static_cast<std::uint32_t>(data.size())),
              platform::win::success);
    this->reg().close_key(key);
  }

  void make_key(const std::string& sub) {
    platform::Hkey key = 0;
    ASSERT_EQ(this->reg().create_key(this->scratch(), sub, &key), platform::win::success);
    this->reg().close_key(key);
  }

  bool key_exists(const std::string& sub) {
    platform::Hkey key = 0;
    if (open(sub, &key) != platform::win::success) return false;
    this->reg().close_key(key);
    return true;
  }

 private:
  std::unique_ptr<RecordingRegistry> recorder_;
  std::unique_ptr<clsRegistryAccess> access_;
};

// Whole files, by UTF-8 path, as bytes.
inline std::string read_file(const std::string& path) {
  std::ifstream in(telvora_test::path_of(path), std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}
inline void write_file(const std::string& path, const std::string& content) {
  std::ofstream out(telvora_test::path_of(path), std::ios::binary);
  out << content;
}

// Records what the export shows: "events" for each do_events, the text for
// each set_text.
class RecordingUi : public window::Ui {
 public:
  std::vector<std::string> log;
  window::ControlId control_seen = -1;

  void message_box(const std::string&, int, const std::string&) override { log.emplace_back("message_box"); }
  bool ask(const std::string&, int, const std::string&) override {
    log.emplace_back("ask");
    return false;
  }
  std::string text(window::ControlId) override { return {}; }
  void set_text(window::ControlId control, const std::string& text) override {
    control_seen = control;
    log.push_back(text);
  }
  int list_index(window::ControlId) override { return -1; }
  void add_item(window::ControlId, const std::string&) override {}
  void set_list_index(window::ControlId, int) override {}
  void set_focus(window::ControlId) override {}
  void set_visible(window::ControlId, bool) override {}
  void show_window(window::FormId, bool, window::FormId) override {}
  void unload_window(window::FormId) override {}
  [[noreturn]] void end_process(int) override { throw std::logic_error("end_process"); }
  void do_events() override { log.emplace_back("events"); }
  void run_busy(window::ControlId, const std::string&, const std::function<void()>& work) override {
    log.emplace_back("busy");
    work();
  }
};

}  // namespace access_test
