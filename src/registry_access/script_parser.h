// The reading of a registry script ("REGEDIT4"), apart from the registry:
// line by line, each line cleaned and told apart by its kind, into entries
// that say what to do (start a key's section, delete a key, set or delete a
// value). The import applies the entries as they come; the rules are the
// import's own, not the system's registry editor's.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace registry_access_detail {

struct ScriptEntry {
  enum class Kind {
    section,       // a key line: the key the value lines after it go to
    delete_key,    // a key line whose path begins with "-"
    set_value,     // a value line with data
    delete_value,  // a value line whose data is "-", and the default value after @=""
  };
  Kind kind = Kind::section;
  std::string path;         // section, delete_key: the key path text
  std::string name;         // set_value, delete_value: the value's name ("@" already read)
  std::uint32_t type = 0;   // set_value: REG_SZ, REG_BINARY or REG_DWORD
  std::string data;         // REG_SZ: the text; REG_BINARY: hex text, blanks between the bytes
  std::int32_t number = 0;  // REG_DWORD: the number
};

// Whether the first line of a script (up to its first CR LF) is the header,
// in any letter case.
bool is_script_header(std::string_view first_line);

// The lines after the header, in order, one at a time.
class ScriptParser {
 public:
  // Appends what one line (UTF-8, without its CR LF) asks for to `entries`:
  // nothing, one entry, or two for @="". A line that stops the import (a key
  // line that is only "[", a DWORD beyond 32 bits) raises the runtime's error.
  void parse(const std::string& line, std::vector<ScriptEntry>& entries);

 private:
  void key_line(const std::string& cleaned, std::vector<ScriptEntry>& entries);
  static void value_line(const std::string& cleaned, std::vector<ScriptEntry>& entries);

  // Between a key line and the next key line, unless the key line deleted its key.
  bool in_section_ = false;
};

}  // namespace registry_access_detail
