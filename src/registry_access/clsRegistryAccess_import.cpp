// Import of a registry script ("REGEDIT4") into the registry: the file is
// read in pieces and line by line, each line parsed into entries
// (script_parser.h) and applied at once, so that memory holds the longest
// line and the current key, never the whole file.
#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/codepage.h"
#include "platform/files.h"
#include "registry_access/clsRegistryAccess.h"
#include "registry_access/script_parser.h"
#include "registry_access/text_util.h"

using namespace registry_access_detail;

namespace {

// The file is read this many bytes at a time.
constexpr std::size_t kPiece = std::size_t{1} << 16;

// The lines of a script file: a line ends at CR LF only, so a lone CR or LF
// stays inside its line.
class ScriptLines {
 public:
  explicit ScriptLines(platform::InputFile& file) : file_(file) {}

  // Reads the first line only, and tells whether it is the header: the file
  // begins with the header word and CR LF, or holds the word and nothing
  // else. A longer first line is not the header, so nothing more is read.
  bool header() {
    constexpr std::size_t word = 8;  // "REGEDIT4"
    std::string first(word + 2, '\0');
    first.resize(file_.read(first.data(), first.size()));
    if (first.size() == word + 2 && first.compare(word, 2, "\r\n") == 0) first.resize(word);
    return first.size() == word && is_script_header(first);
  }

  // The next line without its CR LF; false past the last one. The text after
  // the last CR LF is a line of its own (empty lines count for nothing).
  bool next(std::string& line) {
    for (;;) {
      const auto end = buffer_.find("\r\n", scan_);
      if (end != std::string::npos) {
        line.assign(buffer_, start_, end - start_);
        start_ = scan_ = end + 2;
        return true;
      }
      if (at_end_) {
        if (start_ >= buffer_.size()) return false;
        line.assign(buffer_, start_);
        start_ = scan_ = buffer_.size();
        return true;
      }
      // The unfinished line moves to the front and the next piece follows
      // it; the search goes on where it stopped (a CR may be the last byte).
      buffer_.erase(0, start_);
      scan_ = buffer_.empty() ? 0 : buffer_.size() - 1;
      start_ = 0;
      const std::size_t kept = buffer_.size();
      buffer_.resize(kept + kPiece);
      const std::size_t got = file_.read(buffer_.data() + kept, kPiece);
      buffer_.resize(kept + got);
      at_end_ = got < kPiece;
    }
  }

 private:
  platform::InputFile& file_;
  std::string buffer_;
  std::size_t start_ = 0;  // where the next line begins
  std::size_t scan_ = 0;   // where the search for its end goes on
  bool at_end_ = false;
};

}  // namespace

// Makes the current section's key and keeps it open to the section's end:
// one call per value.
class clsRegistryAccess::ScriptApplier {
 public:
  explicit ScriptApplier(clsRegistryAccess& access) : access_(access), key_(access.registry_) {}

  void apply(const ScriptEntry& entry) {
    switch (entry.kind) {
      case ScriptEntry::Kind::section: start_section(entry.path); break;
      case ScriptEntry::Kind::delete_key: delete_key(entry.path); break;
      case ScriptEntry::Kind::set_value: set_value(entry); break;
      case ScriptEntry::Kind::delete_value: delete_value(entry.name); break;
    }
  }

 private:
  void start_section(std::string path) {
    key_.close();
    // A section makes its key, also when no value line follows: a key
    // without values comes back too.
    path_ = ParseKeyPath(path);
    key_ = access_.reach(path_, Reach::create_ex, platform::access::write);
  }

  void delete_key(std::string path) {
    key_.close();
    access_.KillKey(std::move(path));
  }

  void set_value(const ScriptEntry& entry) {
    // Made, or opened when it exists, with the right to write; a key that
    // cannot be made is tried again by the next value, as each write of the
    // class would.
    if (!key_) key_ = access_.reach(path_, Reach::create_ex, platform::access::write);
    if (!key_) return;
    std::string_view data = entry.data;  // a text: no terminating character counted
    const auto u = static_cast<std::uint32_t>(entry.number);
    const char number[4] = {static_cast<char>(u), static_cast<char>(u >> 8), static_cast<char>(u >> 16),
                            static_cast<char>(u >> 24)};
    if (entry.hex) {
      // Hex data of any length, read as StrToBin reads hex text.
      binary_.clear();
      const bool ascii = std::all_of(entry.data.begin(), entry.data.end(),
                                     [](char c) { return static_cast<unsigned char>(c) < 0x80; });
      if (ascii) {
        append_bin(binary_, entry.data, digits_, HexLimit::none);
      } else {
        append_bin(binary_, platform::ansi_to_utf8(entry.data), digits_, HexLimit::none);
      }
      data = binary_;
    } else if (entry.type == platform::reg::dword) {
      data = std::string_view(number, sizeof number);
    }
    // No bytes: a one-byte buffer keeps the data address valid for size 0.
    const std::uint8_t none = 0;
    const auto* bytes = data.empty() ? &none : reinterpret_cast<const std::uint8_t*>(data.data());
    // Results are not examined: a refused write does not stop the import.
    access_.registry_.set_value_ex(key_.get(), entry.name, entry.type, bytes, static_cast<std::uint32_t>(data.size()));
  }

  void delete_value(const std::string& name) {
    // A key that could not be made has no value to delete.
    if (key_) access_.registry_.delete_value(key_.get(), name);
  }

  clsRegistryAccess& access_;
  ParsedPath path_{{}, 0};
  platform::RegistryKey key_;
  // Room for binary data, kept from value to value.
  std::string binary_;
  std::string digits_;
};

// The public members take their texts by value: each works on its own copy.
// NOLINTBEGIN(performance-unnecessary-value-param)
std::int32_t clsRegistryAccess::ImportFromReg(std::string sRegFile) {
  // The import makes missing keys; the property stays set afterwards.
  bCreateKeyIfDoesntExists_ = true;
  try {
    if (!platform::file_exists(sRegFile)) return 0;
    platform::InputFile file(sRegFile);
    ScriptLines lines(file);
    if (!lines.header()) return 0;

    ScriptParser parser;
    ScriptApplier applier(*this);
    std::string line;
    while (lines.next(line)) {
      for (const ScriptEntry& entry : parser.parse(line)) applier.apply(entry);
    }
    for (const ScriptEntry& entry : parser.finish()) applier.apply(entry);
    return 1;
  } catch (...) {
    // What was applied before the error stays applied.
    return 0;
  }
}
// NOLINTEND(performance-unnecessary-value-param)
