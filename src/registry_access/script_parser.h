// The reading of a registry script ("REGEDIT4"), apart from the registry:
// line by line, each line cleaned and told apart by its kind, into entries
// that say what to do (start a key's section, delete a key, set or delete a
// value). The import applies the entries as they come; the rules are the
// import's own, not the system's registry editor's.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace registry_access_detail {

struct ScriptEntry {
  enum class Kind {
    section,       // a key line: the key the value lines after it go to
    delete_key,    // a key line whose path begins with "-"
    set_value,     // a value line with data
    delete_value,  // a value line whose data is "-", and the default value after @=""
  };
  Kind kind = Kind::section;
  std::string path;         // section, delete_key: the key path text (UTF-8)
  std::string name;         // set_value, delete_value: the value's name ("@" already read), ANSI
  std::uint32_t type = 0;   // set_value: the value's type
  bool hex = false;         // set_value: `data` is hex text (hex: and hex(N): data), blanks between the bytes
  std::string data;         // set_value: the text, or the hex text; ANSI
  std::int32_t number = 0;  // set_value of dword: data: the number
};

// Whether the first line of a script (up to its first CR LF) is the header,
// in any letter case.
bool is_script_header(std::string_view first_line);

// The lines after the header, in order, one at a time.
class ScriptParser {
 public:
  // What one line (as the file holds it, in the ANSI code page, without its
  // CR LF) asks for: nothing, or one entry or two (@="" gives two; a key
  // line that ends a value's continuation lines adds one). The entries stay
  // as they are until the next call. Hex data whose line ends with a
  // backslash goes on in the lines after it, and is handed on once it ends. Value names and data stay in ANSI, as
  // the registry takes them: the rules look only at ASCII characters, which
  // no code page of the system uses as part of another character in a value
  // line. Key paths come in UTF-8, as key path texts do. A line that stops
  // the import (a key line that is only "[", a DWORD beyond 32 bits) raises
  // the runtime's error.
  std::span<const ScriptEntry> parse(std::string_view line);
  // What the end of the file asks for: the value whose last line ended
  // with a backslash, if any.
  std::span<const ScriptEntry> finish();

 private:
  void key_line();
  void value_line(std::string_view text);
  ScriptEntry& add(ScriptEntry::Kind kind);

  // The line as cleaned for its kind; the entries of the last line; a value
  // line joined with its continuation lines so far, without the last
  // backslash. All keep their room from line to line.
  std::string cleaned_;
  std::array<ScriptEntry, 3> entries_;
  std::string joined_;
  bool continued_ = false;
  std::size_t count_ = 0;
  // Between a key line and the next key line, unless the key line deleted its key.
  bool in_section_ = false;
};

}  // namespace registry_access_detail
