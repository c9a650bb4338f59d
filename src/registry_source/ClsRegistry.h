// ClsRegistry: registry access by predefined root handle and sub-key, on this
// computer or a remote one, with one numbered error per operation.
//
// Every operation is one self-contained call: it opens what it needs, does
// one thing, closes every handle it opened (on the error path too) and returns
// a plain result. Ordinary registry failures are results (False, empty text,
// the empty value); an unexpected failure inside an operation (a value that
// does not convert, a platform call that throws) is raised as
// platform::RuntimeError(number, "clsRegistry", "<operation>"):
//   11001 SetValue, 11002 GetValue, 11003 ListSubKey, 11004 DeleteValue,
//   11005 CreateKey, 11006 DeleteKey, 11007 ListSubValue, 11008 KeyExists.
//
// KeyName loses one leading backslash. An empty ComputerName is the local
// registry; any other is connected with RegConnectRegistryA, and a failed
// connection behaves as a key that cannot be opened. Texts are UTF-8 here and
// ANSI at the registry; the 255-byte buffers count ANSI bytes.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/registry.h"
#include "registry_source/Variant.h"

class ClsRegistry {
 public:
  // Any object reference serves: the data-binding properties store nothing.
  using DataSourceRef = std::shared_ptr<void>;

  explicit ClsRegistry(platform::Registry& registry = platform::default_registry()) : registry_(registry) {}

  // Writes Value into an existing key, by the type of the value already there:
  // REG_SZ (or a missing value) gets the text of Value, REG_DWORD its 32-bit
  // integer, REG_BINARY its byte; any other type is left as it is. Raises
  // 11001 when the key cannot be opened or Value does not convert. Returns
  // False when the platform refused the write.
  bool SetValue(std::uint32_t PredefinedKey, std::string KeyName, std::string ValueName, const Variant& Value,
                const std::string& ComputerName = "") const;

  // Reads a value: text for REG_SZ and REG_EXPAND_SZ (unexpanded, at most 254
  // characters), the 32-bit integer of a REG_DWORD, the byte of a REG_BINARY
  // of at most 4 bytes (11002 when its integer exceeds a byte); empty when the
  // key or value is missing, too long or of another type; the 16-bit integer
  // 0 when the second read of a number fails.
  Variant GetValue(std::uint32_t PredefinedKey, std::string KeyName, std::string ValueName,
                   const std::string& ComputerName = "") const;

  // The name of the sub-key at Index, or empty text past the last one.
  std::string ListSubKey(std::uint32_t PredefinedKey, std::string KeyName, std::int32_t Index,
                         const std::string& ComputerName = "") const;

  bool DeleteValue(std::uint32_t PredefinedKey, std::string KeyName, std::string ValueName,
                   const std::string& ComputerName = "") const;

  // Creates the key and its missing parents; an existing key gives True too.
  bool CreateKey(std::uint32_t PredefinedKey, std::string KeyName, const std::string& ComputerName = "") const;

  // Deletes a key that has no sub-keys.
  bool DeleteKey(std::uint32_t PredefinedKey, std::string KeyName, const std::string& ComputerName = "") const;

  // The name of the value at Index, or empty text past the last one (the
  // default value's name is empty text too).
  std::string ListSubValue(std::uint32_t PredefinedKey, std::string KeyName, std::int32_t Index,
                           const std::string& ComputerName = "") const;

  // True when the key opens with full access.
  bool KeyExists(std::uint32_t PredefinedKey, std::string KeyName, const std::string& ComputerName = "") const;

  DataSourceRef DataSource() const { return nullptr; }
  void DataSource(const DataSourceRef& /*objDataSource*/) {}
  std::string DataMember() const { return {}; }
  void DataMember(const std::string& /*DataMember*/) {}

 private:
  platform::Registry& registry_;
};
