// clsRegistryAccess: a registry component addressed by key path texts such as
// "HKEY_CURRENT_USER\Software\Sample" or "hkcu\Software\Sample".
//
// Registry failures never raise: writes, creations and deletions return a
// nonzero number on success and 0 on failure, existence tests return false,
// reads return the caller's default, enumerations return -1 for a key that
// cannot be opened, export and import return 1 or 0. Texts are UTF-8 here and
// ANSI (the system code page) at the registry and the file boundaries; binary
// data is a byte string, one char per byte, and crosses the interface as hex
// text ("01 AB FF").
//
// Every operation parses its own path into locals and closes every key it
// opened before it returns. The export and the import reach the registry
// directly, one call per value as far as they can: the export opens each key
// once and writes the data it enumerated, the import opens each section's key
// once and writes each value with one call.
#pragma once

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

#include "platform/files.h"
#include "platform/registry.h"
#include "platform/registry_key.h"
#include "registry_access/progress.h"

class clsRegistryAccess {
 public:
  // A listed value: empty (types other than string, binary, DWORD), text
  // (string values, and binary values as hex text) or a 32-bit number.
  using Value = std::variant<std::monostate, std::string, std::int32_t>;

  explicit clsRegistryAccess(platform::Registry& registry = platform::default_registry());

  // Let/Get. Should key will be created if no exists (when writting data to registry)
  bool CreateKeyIfDoesntExists() const;
  // Let/Get. Should key will be created if no exists (when writting data to registry)
  void CreateKeyIfDoesntExists(bool offon);

  // Creates key in registry...
  std::int32_t CreateKey(std::string sPath);

  // Deletes key from registry...
  std::int32_t KillKey(std::string sPath);

  // Checks if some key exists...
  bool KeyExists(std::string sPath);

  // Enumerates subkeys of some key...
  std::int32_t EnumKeys(std::string sPath, std::vector<std::string>& Key);

  // Checks for subkeys in some key...
  bool HaveSubkey(std::string sPath);

  // Writes data of string type...
  std::int32_t WriteString(std::string sPath, std::string sName, std::string sValue);

  // Reads data of string type...
  std::string ReadString(std::string sPath, std::string sName, const std::string& sDefault = "");

  // Writes data of dword type...
  std::int32_t WriteDWORD(std::string sPath, std::string sName, std::int32_t lValue);

  // Reads data of dword type...
  std::int32_t ReadDWORD(std::string sPath, std::string sName, const std::int32_t& lDefault = -1);

  // Writes data of binary type...
  std::int32_t WriteBinary(std::string sPath, std::string sName, std::string sValue);

  // Reads data of binary type...
  std::string ReadBinary(std::string sPath, std::string sName, const std::string& sDefault = "");

  // Deletes value from registry...
  std::int32_t KillValue(std::string sPath, std::string sName);

  // Checks if some value exists in registry
  bool ValueExists(std::string sPath, std::string sName);

  // Enumerates all values from specified key...
  std::int32_t EnumValues(std::string sPath, std::vector<std::string>& sName, std::vector<Value>& sValue,
                          const std::int32_t& OnlyType = -1);

  // Exports contents of some key (and it's subkeys) to .reg file...
  std::int32_t ExportToReg(std::string sPath, std::string sRegFile, const bool& IncludeSubkeys = true,
                           const ExportProgress& Output = ExportProgress());

  // Imports .reg file into registry...
  std::int32_t ImportFromReg(std::string sRegFile);

  // Converts hex (string) into it's binary value...
  std::string StrToBin(std::string sBin);

  // Converts binary data into string...
  std::string BinToStr(const std::string& sStr);

  // Checks if given binary data is in valid hex format (used for writting binary)
  bool isBinValid(std::string sBin);

 private:
  struct ParsedPath {
    std::string sub_key;
    platform::Hkey root;
  };
  // The registry call that reaches a key, and so the access it is opened with.
  enum class Reach {
    open,       // RegOpenKeyA: no access mask
    open_ex,    // RegOpenKeyExA with a mask
    create,     // RegCreateKeyA: missing keys are made
    create_ex,  // RegCreateKeyExA with a mask: missing keys are made
  };

  // Splits a key path into its root handle (0 for an unknown root) and its
  // sub-key, without backslashes at its end; long root names anywhere in
  // sPath are shortened in place.
  static ParsedPath ParseKeyPath(std::string& sPath);
  // Opens or creates the key a parsed path names; an empty key on failure,
  // with the registry's answer in `result` when it is given.
  platform::RegistryKey reach(const ParsedPath& path, Reach how, std::uint32_t sam = 0, long* result = nullptr) const;
  // The common start of the three writes: false when the key is missing and
  // may not be made; otherwise the key exists or was made (or failed to be).
  bool prepare_write(const ParsedPath& path);
  // The end of the three writes: opens the key for writing, stores the value
  // and closes the key; the handle's number when stored, else 0.
  std::int32_t write_value(const ParsedPath& path, const std::string& sName, std::uint32_t type,
                           const std::uint8_t* data, std::uint32_t size);

  // The enumeration buffers of one export, shared by all its keys.
  struct ExportBuffers;
  // Writes the block of one key (full path in ANSI, the key opened for
  // reading) and, when asked, of every key below it. False when anything
  // listed could not be written so that the import reads it back exactly.
  bool ExportKey(const std::string& full_path, const platform::RegistryKey& key, platform::TextFile& file,
                 const bool& IncludeSubkeys, const ExportProgress& Output, ExportBuffers& buffers);

  // Applies what the import reads, one entry at a time.
  class ScriptApplier;

  platform::Registry& registry_;
  bool bCreateKeyIfDoesntExists_ = true;
};
