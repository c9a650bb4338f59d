// A registry that hands every call on to another one. Wrappers that watch,
// count or change some calls derive from it and override only those; note()
// hears of every call before it is handed on: the function, the key handle
// (the root for opens and creations), the sub-key or value name, and the
// access mask, value type or index.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/registry.h"

namespace telvora_test {

class ForwardingRegistry : public platform::Registry {
 public:
  enum class Fn {
    open_key_ex,
    open_key,
    create_key,
    create_key_ex,
    query_value_ex,
    set_value_ex,
    enum_key_ex,
    enum_value,
    delete_key,
    delete_value,
    close_key,
    connect_registry
  };

  explicit ForwardingRegistry(platform::Registry& inner) : inner_(inner) {}

  static const char* name_of(Fn which) {
    constexpr const char* names[] = {"open_key_ex",    "open_key",     "create_key",  "create_key_ex",
                                     "query_value_ex", "set_value_ex", "enum_key_ex", "enum_value",
                                     "delete_key",     "delete_value", "close_key",   "connect_registry"};
    return names[static_cast<int>(which)];
  }

  long open_key_ex(platform::Hkey root, const std::string& sub_key, std::uint32_t options, std::uint32_t sam,
                   platform::Hkey* result) override {
    note(Fn::open_key_ex, root, sub_key, sam);
    return inner_.open_key_ex(root, sub_key, options, sam, result);
  }
  long open_key(platform::Hkey root, const std::string& sub_key, platform::Hkey* result) override {
    note(Fn::open_key, root, sub_key, 0);
    return inner_.open_key(root, sub_key, result);
  }
  long create_key(platform::Hkey root, const std::string& sub_key, platform::Hkey* result) override {
    note(Fn::create_key, root, sub_key, 0);
    return inner_.create_key(root, sub_key, result);
  }
  long create_key_ex(platform::Hkey root, const std::string& sub_key, std::uint32_t options, std::uint32_t sam,
                     platform::Hkey* result, std::uint32_t* disposition) override {
    note(Fn::create_key_ex, root, sub_key, sam);
    return inner_.create_key_ex(root, sub_key, options, sam, result, disposition);
  }
  long query_value_ex(platform::Hkey key, const std::string& value_name, std::uint32_t* type, std::uint8_t* data,
                      std::uint32_t* size) override {
    note(Fn::query_value_ex, key, value_name, 0);
    return inner_.query_value_ex(key, value_name, type, data, size);
  }
  long set_value_ex(platform::Hkey key, const std::string& value_name, std::uint32_t type, const std::uint8_t* data,
                    std::uint32_t size) override {
    note(Fn::set_value_ex, key, value_name, type);
    return inner_.set_value_ex(key, value_name, type, data, size);
  }
  long enum_key_ex(platform::Hkey key, std::uint32_t index, char* name, std::uint32_t* name_len) override {
    note(Fn::enum_key_ex, key, {}, index);
    return inner_.enum_key_ex(key, index, name, name_len);
  }
  long enum_value(platform::Hkey key, std::uint32_t index, char* name, std::uint32_t* name_len, std::uint32_t* type,
                  std::uint8_t* data, std::uint32_t* data_len) override {
    note(Fn::enum_value, key, {}, index);
    return inner_.enum_value(key, index, name, name_len, type, data, data_len);
  }
  long delete_key(platform::Hkey key, const std::string& sub_key) override {
    note(Fn::delete_key, key, sub_key, 0);
    return inner_.delete_key(key, sub_key);
  }
  long delete_value(platform::Hkey key, const std::string& value_name) override {
    note(Fn::delete_value, key, value_name, 0);
    return inner_.delete_value(key, value_name);
  }
  long close_key(platform::Hkey key) override {
    note(Fn::close_key, key, {}, 0);
    return inner_.close_key(key);
  }
  long connect_registry(const std::string& machine_name, platform::Hkey root, platform::Hkey* result) override {
    note(Fn::connect_registry, root, machine_name, 0);
    return inner_.connect_registry(machine_name, root, result);
  }

 protected:
  // Called first by every member above.
  virtual void note(Fn /*which*/, platform::Hkey /*key*/, std::string_view /*name*/, std::uint32_t /*number*/) {}
  platform::Registry& inner() { return inner_; }

 private:
  platform::Registry& inner_;
};

}  // namespace telvora_test
