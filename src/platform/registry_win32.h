// The registry of advapi32 itself (Windows build only). Kept free of
// <windows.h> so that tests can name the backend.
#pragma once

#include "platform/registry.h"

namespace platform {

class Win32Registry : public Registry {
 public:
  long open_key_ex(Hkey root, const std::string& sub_key, std::uint32_t options, std::uint32_t sam,
                   Hkey* result) override;
  long open_key(Hkey root, const std::string& sub_key, Hkey* result) override;
  long create_key(Hkey root, const std::string& sub_key, Hkey* result) override;
  long create_key_ex(Hkey root, const std::string& sub_key, std::uint32_t options, std::uint32_t sam, Hkey* result,
                     std::uint32_t* disposition) override;
  long query_value_ex(Hkey key, const std::string& value_name, std::uint32_t* type, std::uint8_t* data,
                      std::uint32_t* size) override;
  long set_value_ex(Hkey key, const std::string& value_name, std::uint32_t type, const std::uint8_t* data,
                    std::uint32_t size) override;
  long enum_key_ex(Hkey key, std::uint32_t index, char* name, std::uint32_t* name_len) override;
  long enum_value(Hkey key, std::uint32_t index, char* name, std::uint32_t* name_len, std::uint32_t* type,
                  std::uint8_t* data, std::uint32_t* data_len) override;
  long delete_key(Hkey key, const std::string& sub_key) override;
  long delete_value(Hkey key, const std::string& value_name) override;
  long close_key(Hkey key) override;
  long connect_registry(const std::string& machine_name, Hkey root, Hkey* result) override;
};

}  // namespace platform
