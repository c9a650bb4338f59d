// The value operations of clsRegistryAccess.
#include <algorithm>
#include <string>
#include <vector>

#include "platform/codepage.h"
#include "registry_access/clsRegistryAccess.h"
#include "registry_access/text_util.h"

using namespace registry_access_detail;
namespace win = platform::win;

namespace {

// Read buffers of ReadString and EnumValues: 255 bytes, filled with blanks.
constexpr std::uint32_t kBuffer = 255;
// Tries at one enumeration index while the value keeps outgrowing the buffer.
constexpr int kReadAttempts = 3;

std::int32_t from_le_bytes(const std::uint8_t (&b)[4]) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(b[0]) | (static_cast<std::uint32_t>(b[1]) << 8) |
                                   (static_cast<std::uint32_t>(b[2]) << 16) | (static_cast<std::uint32_t>(b[3]) << 24));
}

std::uint8_t* bytes_of(std::string& s) { return reinterpret_cast<std::uint8_t*>(s.data()); }

}  // namespace

// The public members take their texts by value: each works on its own copy.
// NOLINTBEGIN(performance-unnecessary-value-param)
std::int32_t clsRegistryAccess::WriteString(std::string sPath, std::string sName, std::string sValue) {
  const ParsedPath path = ParseKeyPath(sPath);
  if (!prepare_write(path)) return 0;
  if (sName == "@") sName.clear();  // only this write takes "@" for the default value
  std::string data = platform::utf8_to_ansi(sValue);
  // No terminating character is counted in the size.
  return write_value(path, sName, platform::reg::sz, bytes_of(data), static_cast<std::uint32_t>(data.size()));
}

std::string clsRegistryAccess::ReadString(std::string sPath, std::string sName, const std::string& sDefault) {
  platform::RegistryKey key = reach(ParseKeyPath(sPath), Reach::open_ex, platform::access::read);
  if (!key) return sDefault;
  const std::string name = platform::utf8_to_ansi(sName);
  std::string buffer(kBuffer, ' ');
  std::uint32_t size = kBuffer;
  std::uint32_t type = platform::reg::sz;
  long result = registry_.query_value_ex(key.get(), name, &type, bytes_of(buffer), &size);
  if (result == win::more_data) {
    // A longer text is read whole, with one byte more than reported so that
    // the registry has room for the terminating character that the trimming
    // below drops; without it the text's last character would go instead.
    buffer.assign(static_cast<std::size_t>(size) + 1, ' ');
    size = static_cast<std::uint32_t>(buffer.size());
    type = platform::reg::sz;
    result = registry_.query_value_ex(key.get(), name, &type, bytes_of(buffer), &size);
  }
  key.close();
  if (result != win::success) return sDefault;
  // The text's end is found from the blanks that fill the rest of the buffer,
  // not from the reported size: leading blanks of a stored text are lost.
  std::string text = trim_blanks(buffer);
  if (text.empty()) return {};  // a zero-length value with no terminator written
  text.pop_back();              // the terminating character
  return platform::ansi_to_utf8(text);
}

std::int32_t clsRegistryAccess::WriteDWORD(std::string sPath, std::string sName, std::int32_t lValue) {
  const ParsedPath path = ParseKeyPath(sPath);
  if (!prepare_write(path)) return 0;
  const auto u = static_cast<std::uint32_t>(lValue);
  const std::uint8_t bytes[4] = {static_cast<std::uint8_t>(u), static_cast<std::uint8_t>(u >> 8),
                                 static_cast<std::uint8_t>(u >> 16), static_cast<std::uint8_t>(u >> 24)};
  return write_value(path, sName, platform::reg::dword, bytes, 4);  // "@" is a value called "@" here
}

std::int32_t clsRegistryAccess::ReadDWORD(std::string sPath, std::string sName, const std::int32_t& lDefault) {
  platform::RegistryKey key = reach(ParseKeyPath(sPath), Reach::open_ex, platform::access::read);
  if (!key) return lDefault;
  // Data of any type up to four bytes reads as a number; bytes not filled stay 0.
  std::uint8_t bytes[4] = {0, 0, 0, 0};
  std::uint32_t size = 4;
  std::uint32_t type = platform::reg::dword;
  const long result = registry_.query_value_ex(key.get(), platform::utf8_to_ansi(sName), &type, bytes, &size);
  key.close();
  return result == win::success ? from_le_bytes(bytes) : lDefault;
}

std::int32_t clsRegistryAccess::WriteBinary(std::string sPath, std::string sName, std::string sValue) {
  const ParsedPath path = ParseKeyPath(sPath);
  if (!prepare_write(path)) return 0;
  sValue = StrToBin(sValue);  // before the key is opened; bad hex gives 0 bytes, not an error
  // No bytes: a one-byte buffer keeps the data address valid for size 0.
  std::uint8_t none = 0;
  return write_value(path, sName, platform::reg::binary, sValue.empty() ? &none : bytes_of(sValue),
                     static_cast<std::uint32_t>(sValue.size()));
}

std::string clsRegistryAccess::ReadBinary(std::string sPath, std::string sName, const std::string& sDefault) {
  platform::RegistryKey key = reach(ParseKeyPath(sPath), Reach::open_ex, platform::access::read);
  if (!key) return sDefault;
  const std::string name = platform::utf8_to_ansi(sName);
  // First query for the size only; its result does not matter, the size does.
  std::uint8_t probe = '0';
  std::uint32_t size = 1;
  std::uint32_t type = platform::reg::binary;
  registry_.query_value_ex(key.get(), name, &type, &probe, &size);
  std::string buffer(size, ' ');
  type = platform::reg::binary;
  std::uint8_t none = 0;
  const long result =
      registry_.query_value_ex(key.get(), name, &type, buffer.empty() ? &none : bytes_of(buffer), &size);
  key.close();
  if (result != win::success) return sDefault;
  buffer.resize(std::min<std::size_t>(size, buffer.size()));
  return trim_blanks(BinToStr(buffer));
}

std::int32_t clsRegistryAccess::KillValue(std::string sPath, std::string sName) {
  platform::RegistryKey key = reach(ParseKeyPath(sPath), Reach::open_ex, platform::access::all);
  if (!key) return 0;
  // The empty name is the default value; "@" is a value called "@".
  registry_.delete_value(key.get(), platform::utf8_to_ansi(sName));
  const platform::Hkey handle = key.get();
  key.close();
  return handle_result(handle);
}

bool clsRegistryAccess::ValueExists(std::string sPath, std::string sName) {
  const platform::RegistryKey key = reach(ParseKeyPath(sPath), Reach::open_ex, platform::access::read);
  if (!key) return false;
  // Without a data buffer only the size is asked for: any type and size counts.
  std::uint32_t type = 0;
  std::uint32_t size = 1;
  return registry_.query_value_ex(key.get(), platform::utf8_to_ansi(sName), &type, nullptr, &size) == win::success;
}

std::int32_t clsRegistryAccess::EnumValues(std::string sPath, std::vector<std::string>& sName,
                                           std::vector<Value>& sValue, const std::int32_t& OnlyType) {
  // sPath keeps the short root names for the nested reads below.
  const platform::RegistryKey key = reach(ParseKeyPath(sPath), Reach::open);
  if (!key) return -1;
  sName.clear();
  sValue.clear();
  std::int32_t count = 0;
  for (std::uint32_t index = 0;; ++index) {
    std::string name(kBuffer, ' ');
    std::string data(kBuffer, ' ');
    std::uint32_t name_length = kBuffer;
    std::uint32_t data_size = kBuffer;
    std::uint32_t type = platform::reg::none;
    long result = registry_.enum_value(key.get(), index, name.data(), &name_length, &type, bytes_of(data), &data_size);
    // A value that did not fit is read again at the same index, with room
    // for the longest name (the registry does not tell the name's length)
    // and a data buffer of the size reported. The value may grow in
    // between: a few tries.
    for (int attempt = 0; attempt < kReadAttempts && result == win::more_data; ++attempt) {
      const bool data_fitted = data_size <= data.size();
      if (data_fitted && name.size() >= kLongestName) break;  // nothing left to grow
      if (name.size() < kLongestName) name.assign(kLongestName, ' ');
      if (!data_fitted) data.assign(data_size, ' ');
      name_length = static_cast<std::uint32_t>(name.size());
      data_size = static_cast<std::uint32_t>(data.size());
      result = registry_.enum_value(key.get(), index, name.data(), &name_length, &type, bytes_of(data), &data_size);
    }
    if (result == win::no_more_items) break;
    // An error other than a short buffer does not go away for later indices
    // (the key was deleted while listed, the handle went bad): listing on
    // would add a bogus entry per index without end, so the listing ends.
    if (result != win::success && result != win::more_data) break;
    if (OnlyType != -1 && static_cast<std::uint32_t>(OnlyType) != type) continue;
    // A value still not read whole is listed with its type, without data.
    const bool whole = result == win::success;

    const std::string listed_name =
        trim_blanks(platform::ansi_to_utf8(name.substr(0, std::min<std::size_t>(name_length, name.size()))));
    sName.push_back(listed_name);
    sValue.emplace_back();
    switch (type) {
      case platform::reg::binary:
        if (whole) {
          data.resize(std::min<std::size_t>(data_size, data.size()));
          sValue.back() = data.empty() ? std::string() : trim_blanks(BinToStr(data));
        }
        break;
      case platform::reg::dword:
        // Read again by the trimmed name, not taken from the buffer.
        sValue.back() = ReadDWORD(sPath, listed_name, 0);
        break;
      case platform::reg::sz: sValue.back() = ReadString(sPath, listed_name, ""); break;
      default: break;
    }
    ++count;
  }
  return count;
}
// NOLINTEND(performance-unnecessary-value-param)
