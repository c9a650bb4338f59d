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

std::int32_t from_le_bytes(const std::uint8_t (&b)[4]) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(b[0]) | (static_cast<std::uint32_t>(b[1]) << 8) |
                                   (static_cast<std::uint32_t>(b[2]) << 16) | (static_cast<std::uint32_t>(b[3]) << 24));
}

std::uint8_t* bytes_of(std::string& s) { return reinterpret_cast<std::uint8_t*>(s.data()); }

}  // namespace

// The public members take their texts by value: each works on its own copy.
// NOLINTBEGIN(performance-unnecessary-value-param)
bool clsRegistryAccess::prepare_write(std::string& sPath) {
  if (!KeyExists(sPath)) {
    if (!bCreateKeyIfDoesntExists_) return false;
    CreateKey(sPath);
  }
  // KeyExists and CreateKey overwrote the working fields.
  parse_into_fields(sPath);
  return true;
}

bool clsRegistryAccess::open_current(std::uint32_t sam) {
  return registry_.open_key_ex(hRootKey, platform::utf8_to_ansi(sSubKey), 0, sam, &hCurrentKey) == win::success;
}

std::int32_t clsRegistryAccess::write_current(const std::string& sName, std::uint32_t type, const std::uint8_t* data,
                                              std::uint32_t size) {
  if (!open_current(platform::access::write)) return 0;
  KeyGuard guard(registry_, hCurrentKey);
  const long result = registry_.set_value_ex(hCurrentKey, platform::utf8_to_ansi(sName), type, data, size);
  guard.close();
  return result == win::success ? handle_result(hCurrentKey) : 0;
}

std::int32_t clsRegistryAccess::WriteString(std::string sPath, std::string sName, std::string sValue) {
  if (!prepare_write(sPath)) return 0;
  if (sName == "@") sName.clear();  // only this write takes "@" for the default value
  std::string data = platform::utf8_to_ansi(sValue);
  // No terminating character is counted in the size.
  return write_current(sName, platform::reg::sz, bytes_of(data), static_cast<std::uint32_t>(data.size()));
}

std::string clsRegistryAccess::ReadString(std::string sPath, std::string sName, const std::string& sDefault) {
  parse_into_fields(sPath);
  if (!open_current(platform::access::read)) {
    return sDefault;
  }
  KeyGuard guard(registry_, hCurrentKey);
  const std::string name = platform::utf8_to_ansi(sName);
  std::string buffer(kBuffer, ' ');
  std::uint32_t size = kBuffer;
  std::uint32_t type = platform::reg::sz;
  long result = registry_.query_value_ex(hCurrentKey, name, &type, bytes_of(buffer), &size);
  if (result == win::more_data) {
    // A longer text is read whole, with one byte more than reported so that
    // the registry has room for the terminating character that the trimming
    // below drops; without it the text's last character would go instead.
    buffer.assign(static_cast<std::size_t>(size) + 1, ' ');
    size = static_cast<std::uint32_t>(buffer.size());
    type = platform::reg::sz;
    result = registry_.query_value_ex(hCurrentKey, name, &type, bytes_of(buffer), &size);
  }
  guard.close();
  if (result != win::success) return sDefault;
  // The text's end is found from the blanks that fill the rest of the buffer,
  // not from the reported size: leading blanks of a stored text are lost.
  std::string text = trim_blanks(buffer);
  if (text.empty()) return {};  // a zero-length value with no terminator written
  text.pop_back();              // the terminating character
  return platform::ansi_to_utf8(text);
}

std::int32_t clsRegistryAccess::WriteDWORD(std::string sPath, std::string sName, std::int32_t lValue) {
  if (!prepare_write(sPath)) return 0;
  const auto u = static_cast<std::uint32_t>(lValue);
  const std::uint8_t bytes[4] = {static_cast<std::uint8_t>(u), static_cast<std::uint8_t>(u >> 8),
                                 static_cast<std::uint8_t>(u >> 16), static_cast<std::uint8_t>(u >> 24)};
  return write_current(sName, platform::reg::dword, bytes, 4);  // "@" is a value called "@" here
}

std::int32_t clsRegistryAccess::ReadDWORD(std::string sPath, std::string sName, const std::int32_t& lDefault) {
  parse_into_fields(sPath);
  if (!open_current(platform::access::read)) {
    return lDefault;
  }
  KeyGuard guard(registry_, hCurrentKey);
  // Data of any type up to four bytes reads as a number; bytes not filled stay 0.
  std::uint8_t bytes[4] = {0, 0, 0, 0};
  std::uint32_t size = 4;
  std::uint32_t type = platform::reg::dword;
  const long result = registry_.query_value_ex(hCurrentKey, platform::utf8_to_ansi(sName), &type, bytes, &size);
  guard.close();
  return result == win::success ? from_le_bytes(bytes) : lDefault;
}

std::int32_t clsRegistryAccess::WriteBinary(std::string sPath, std::string sName, std::string sValue) {
  if (!prepare_write(sPath)) return 0;
  sValue = StrToBin(sValue);  // before the key is opened; bad hex gives 0 bytes, not an error
  // No bytes: a one-byte buffer keeps the data address valid for size 0.
  std::uint8_t none = 0;
  return write_current(sName, platform::reg::binary, sValue.empty() ? &none : bytes_of(sValue),
                       static_cast<std::uint32_t>(sValue.size()));
}

std::string clsRegistryAccess::ReadBinary(std::string sPath, std::string sName, const std::string& sDefault) {
  parse_into_fields(sPath);
  if (!open_current(platform::access::read)) {
    return sDefault;
  }
  KeyGuard guard(registry_, hCurrentKey);
  const std::string name = platform::utf8_to_ansi(sName);
  // First query for the size only; its result does not matter, the size does.
  std::uint8_t probe = '0';
  std::uint32_t size = 1;
  std::uint32_t type = platform::reg::binary;
  registry_.query_value_ex(hCurrentKey, name, &type, &probe, &size);
  std::string buffer(size, ' ');
  type = platform::reg::binary;
  std::uint8_t none = 0;
  const long result =
      registry_.query_value_ex(hCurrentKey, name, &type, buffer.empty() ? &none : bytes_of(buffer), &size);
  guard.close();
  if (result != win::success) return sDefault;
  buffer.resize(std::min<std::size_t>(size, buffer.size()));
  return trim_blanks(BinToStr(buffer));
}

std::int32_t clsRegistryAccess::KillValue(std::string sPath, std::string sName) {
  parse_into_fields(sPath);
  if (!open_current(platform::access::all)) {
    return 0;
  }
  // The empty name is the default value; "@" is a value called "@".
  registry_.delete_value(hCurrentKey, platform::utf8_to_ansi(sName));
  registry_.close_key(hCurrentKey);
  return handle_result(hCurrentKey);
}

bool clsRegistryAccess::ValueExists(std::string sPath, std::string sName) {
  parse_into_fields(sPath);
  if (!open_current(platform::access::read)) {
    return false;
  }
  KeyGuard guard(registry_, hCurrentKey);
  // Without a data buffer only the size is asked for: any type and size counts.
  std::uint32_t type = 0;
  std::uint32_t size = 1;
  const long result = registry_.query_value_ex(hCurrentKey, platform::utf8_to_ansi(sName), &type, nullptr, &size);
  guard.close();
  return result == win::success;
}

std::int32_t clsRegistryAccess::EnumValues(std::string sPath, std::vector<std::string>& sName,
                                           std::vector<Value>& sValue, const std::int32_t& OnlyType) {
  parse_into_fields(sPath);  // sPath keeps the short root names for the nested reads
  // A handle of its own: the nested reads below overwrite hCurrentKey.
  platform::Hkey hEnumKey = 0;
  if (registry_.open_key(hRootKey, platform::utf8_to_ansi(sSubKey), &hEnumKey) != win::success) return -1;
  KeyGuard guard(registry_, hEnumKey);
  sName.clear();
  sValue.clear();
  std::int32_t count = 0;
  for (std::uint32_t index = 0;; ++index) {
    std::string name(kBuffer, ' ');
    std::string data(kBuffer, ' ');
    std::uint32_t name_length = kBuffer;
    std::uint32_t data_size = kBuffer;
    std::uint32_t type = platform::reg::none;
    long result = registry_.enum_value(hEnumKey, index, name.data(), &name_length, &type, bytes_of(data), &data_size);
    // A value longer than the data buffer is read again at the same index
    // with a buffer of the size reported, so that a long binary value is
    // listed whole (the name and type of such a first answer are not to be
    // relied on either). The value may grow in between: a few tries.
    for (int attempt = 0; attempt < 3 && result == win::more_data && data_size > data.size(); ++attempt) {
      name.assign(kBuffer, ' ');
      data.assign(data_size, ' ');
      name_length = kBuffer;
      result = registry_.enum_value(hEnumKey, index, name.data(), &name_length, &type, bytes_of(data), &data_size);
    }
    if (result == win::no_more_items) break;
    // An error other than a short buffer does not go away for later indices
    // (the key was deleted while listed, the handle went bad): listing on
    // would add a bogus entry per index without end, so the listing ends.
    if (result != win::success && result != win::more_data) break;
    if (OnlyType != -1 && static_cast<std::uint32_t>(OnlyType) != type) continue;
    // Data still not read whole is not listed as if it were the value's.
    const bool whole = result == win::success;

    const std::string listed_name = trim_blanks(platform::ansi_to_utf8(name.substr(0, std::min(name_length, kBuffer))));
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
  guard.close();
  return count;
}
// NOLINTEND(performance-unnecessary-value-param)
