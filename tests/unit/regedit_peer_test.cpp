// clsRegistryAccess against a real peer: the registry editor of the Windows
// build's system (Wine's regedit.exe), started by the test itself. Only the
// Windows build has a peer to run, so natively this file is empty.
//
// regedit ends with exit code 0 even when it refused a file or a line, so
// every test looks at the registry afterwards. Each test works below its own
// key under HKEY_CURRENT_USER\Software\TelvoraPeerTest and removes it again.
#ifdef _WIN32

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "platform/codepage.h"
#include "platform/registry.h"
#include "registry_access/clsRegistryAccess.h"
#include "registry_backends.h"
#include "system/process_wait.h"

namespace {

namespace fs = std::filesystem;
using platform::Hkey;
using namespace std::string_view_literals;

constexpr char kParent[] = "Software\\TelvoraPeerTest";
constexpr unsigned long kRegeditTimeoutMs = 60000;

// A value as the registry holds it, with the type and the raw bytes (ANSI).
struct RawValue {
  std::uint32_t type = 0;
  std::string data;
  bool operator==(const RawValue&) const = default;
};

// Key path relative to the test key ("" for the test key itself, names in
// ANSI) -> value name -> value.
using KeyValues = std::map<std::string, RawValue>;
using Tree = std::map<std::string, KeyValues>;

// regedit stores a text with its terminating NUL, our WriteString without
// one; readers see the same text either way, so the comparison drops it.
std::string text_of(const RawValue& v) {
  std::string text = v.data;
  if (!text.empty() && text.back() == '\0') text.pop_back();
  return text;
}

RawValue normalised(RawValue v) {
  if (v.type == platform::reg::sz || v.type == platform::reg::expand_sz) v.data = text_of(v);
  return v;
}

// Each key is opened relative to its parent, so that keys whose full path
// is longer than one call takes are read too.
void read_tree(platform::Registry& reg, Hkey parent, const std::string& sub, const std::string& rel, Tree& out) {
  Hkey key = 0;
  if (reg.open_key_ex(parent, sub, 0, platform::access::read, &key) != platform::win::success) return;
  KeyValues& values = out[rel];
  std::vector<char> name(16384);
  std::vector<std::uint8_t> data(1 << 20);
  for (std::uint32_t i = 0;; ++i) {
    std::uint32_t name_len = static_cast<std::uint32_t>(name.size());
    std::uint32_t data_len = static_cast<std::uint32_t>(data.size());
    std::uint32_t type = 0;
    if (reg.enum_value(key, i, name.data(), &name_len, &type, data.data(), &data_len) != platform::win::success) break;
    values[std::string(name.data(), name_len)] =
        normalised({type, std::string(reinterpret_cast<const char*>(data.data()), data_len)});
  }
  std::vector<std::string> children;
  for (std::uint32_t i = 0;; ++i) {
    std::uint32_t name_len = static_cast<std::uint32_t>(name.size());
    if (reg.enum_key_ex(key, i, name.data(), &name_len) != platform::win::success) break;
    children.emplace_back(name.data(), name_len);
  }
  for (const std::string& child : children) read_tree(reg, key, child, rel.empty() ? child : rel + "\\" + child, out);
  reg.close_key(key);
}

void delete_tree(platform::Registry& reg, const std::string& sub) {
  telvora_test::delete_tree(reg, platform::hkey::current_user, sub);
}

std::string hex_of(const std::string& bytes) {
  static const char digits[] = "0123456789abcdef";
  std::string out;
  for (unsigned char c : bytes) {
    out += digits[c >> 4];
    out += digits[c & 15];
  }
  return out;
}

// One line per tree, readable in a failure message: "[key] name=value ...",
// with texts in UTF-8, the default value as "(default)", binaries as hex:...,
// DWORDs as dword:... in hex and other types as type N:hex.
std::string render(const Tree& tree) {
  std::string out;
  for (const auto& [rel, values] : tree) {
    if (!out.empty()) out += ' ';
    out += '[';
    out += platform::ansi_to_utf8(rel);
    out += ']';
    for (const auto& [name, v] : values) {
      out += ' ';
      out += name.empty() ? "(default)" : platform::ansi_to_utf8(name);
      out += '=';
      switch (v.type) {
        case platform::reg::sz: out += platform::ansi_to_utf8(v.data); break;
        case platform::reg::binary:
          out += "hex:";
          out += hex_of(v.data);
          break;
        case platform::reg::dword: {
          std::uint32_t n = 0;
          for (std::size_t i = v.data.size(); i-- > 0;) n = n << 8 | static_cast<unsigned char>(v.data[i]);
          char buf[16];
          std::snprintf(buf, sizeof buf, "dword:%x", n);
          out += buf;
          break;
        }
        default:
          out += "type";
          out += std::to_string(v.type);
          out += ':';
          out += hex_of(v.data);
      }
    }
  }
  return out;
}

// A value of every kind the export writes in its own form, in UTF-8 (the
// bytes of binary and typed data as they are), by key below the test key.
struct Laid {
  const char* key;
  const char* name;
  std::uint32_t type;
  std::string data;
};

std::string counting_bytes(std::size_t count) {
  std::string out;
  for (std::size_t i = 0; i < count; ++i) out += static_cast<char>(i % 256);
  return out;
}

const Laid kEveryType[] = {
    {"", "", platform::reg::expand_sz, std::string("%PATH%\0", 7)},
    {"", "Metin", platform::reg::sz, std::string("Türkçe metin\0", 15)},
    {"", "Genişletilir", platform::reg::expand_sz, std::string("%TEMP%\0", 7)},
    {"", "Çoklu", platform::reg::multi_sz, std::string("a\0b\0\0", 5)},
    {"", "Dörtlü", 11, "12345678"},
    {"", "Hiçbiri", platform::reg::none, "\x01\x02"},
    {"", "Başka", 0x12345, "xy"},
    {"", "Sayı", platform::reg::dword, "\x6e\0\0\0"},
    {"", "Uzun", platform::reg::binary, counting_bytes(20000)},
    {"Alt", "Kısa", platform::reg::dword, "\x01\x02"},
    {"Alt\\Boş", nullptr, 0, {}},  // a key without values
};

// A value line as the registry editor writes it in REGEDIT4 files: a text
// quoted, a number as dword:, other data as hex bytes in lines of at most 80
// characters, each but the last ending in a backslash and the next indented
// by two blanks.
std::string regedit4_line(const Laid& v) {
  std::string line = *v.name == '\0' ? "@=" : "\"" + std::string(v.name) + "\"=";
  char head[24];
  if (v.type == platform::reg::sz) return line + "\"" + v.data.substr(0, v.data.size() - 1) + "\"\r\n";
  if (v.type == platform::reg::binary) {
    line += "hex:";
  } else if (v.type == platform::reg::dword && v.data.size() == 4) {
    return line + "dword:" + hex_of(std::string(v.data.rbegin(), v.data.rend())) + "\r\n";
  } else {
    std::snprintf(head, sizeof head, "hex(%x):", static_cast<unsigned>(v.type));
    line += head;
  }
  std::string out;
  for (std::size_t i = 0; i < v.data.size(); ++i) {
    line += hex_of(v.data.substr(i, 1));
    if (i + 1 == v.data.size()) break;
    line += ',';
    if (line.size() > 76) {
      out += line + "\\\r\n";
      line = "  ";
    }
  }
  return out + line + "\r\n";
}

class RegeditPeer : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    sub_ = std::string(kParent) + "\\" + name;
    path_ = "HKEY_CURRENT_USER\\" + sub_;
    delete_tree(reg_, sub_);
    dir_ = fs::temp_directory_path() / ("telvora-peer-" + name);
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }

  void TearDown() override {
    delete_tree(reg_, sub_);
    reg_.delete_key(platform::hkey::current_user, kParent);  // refused while another test still has its key
    std::error_code ignored;
    fs::remove_all(dir_, ignored);
  }

  Tree snapshot() {
    Tree tree;
    read_tree(reg_, platform::hkey::current_user, sub_, "", tree);
    return tree;
  }

  void clean() { delete_tree(reg_, sub_); }

  std::string file(const std::string& leaf) const { return (dir_ / leaf).string(); }

  // Lays kEveryType below the test key's sub-key `below`, past the class.
  void lay_every_type(const std::string& below) {
    for (const Laid& v : kEveryType) {
      Hkey key = 0;
      std::string sub = sub_ + "\\" + below;
      if (*v.key != '\0') sub += std::string("\\") + v.key;
      ASSERT_EQ(reg_.create_key(platform::hkey::current_user, platform::utf8_to_ansi(sub), &key), 0);
      const bool text = v.type == platform::reg::sz;
      const std::string data = text ? platform::utf8_to_ansi(v.data) : v.data;
      if (v.name != nullptr) {
        EXPECT_EQ(reg_.set_value_ex(key, platform::utf8_to_ansi(v.name), v.type,
                                    reinterpret_cast<const std::uint8_t*>(data.data()),
                                    static_cast<std::uint32_t>(data.size())),
                  0);
      }
      reg_.close_key(key);
    }
  }

  // Writes a registry script whose text is given in UTF-8 with {K} standing
  // for the test key's full path; the file gets the ANSI bytes, as both
  // readers expect.
  std::string write_script(const std::string& leaf, std::string utf8_text) const {
    for (std::size_t at; (at = utf8_text.find("{K}")) != std::string::npos;) utf8_text.replace(at, 3, path_);
    const std::string bytes = platform::utf8_to_ansi(utf8_text);
    std::ofstream out(dir_ / leaf, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return file(leaf);
  }

  // regedit /s: applies the script silently. Its exit code says only that it
  // ran (0 even when it refused the file).
  void regedit_import(const std::string& reg_file) {
    ASSERT_EQ(sys::run_and_wait("regedit.exe /s \"" + reg_file + "\"", kRegeditTimeoutMs), 0)
        << "regedit did not run to its end";
  }

  platform::Registry& reg_ = platform::default_registry();
  clsRegistryAccess access_{reg_};
  std::string sub_;   // below HKEY_CURRENT_USER
  std::string path_;  // the class's full path of the test key
  fs::path dir_;
};

// Every byte value once, and more than the 255-byte read buffer holds.
std::string all_bytes_hex(std::size_t count) {
  std::string hex;
  static const char digits[] = "0123456789ABCDEF";
  for (std::size_t i = 0; i < count; ++i) {
    hex += ' ';
    hex += digits[(i % 256) >> 4];
    hex += digits[i % 16];
  }
  return hex;
}

TEST_F(RegeditPeer, ExportedTreeImportedByRegeditGivesEveryValueBack) {
  // Texts without backslashes and double quotes: the export writes them
  // unescaped, which regedit reads back unchanged only then.
  const std::string k = path_;
  ASSERT_NE(access_.WriteString(k, "@", "Kök değeri"), 0);
  access_.WriteString(k, "Ad", "Adınız Soyadınız");
  access_.WriteString(k, "Boş", "");
  access_.WriteString(k, "Eşittir", "a=b; c");
  access_.WriteString(k, "Uzun", std::string(600, 'x') + "son");
  access_.WriteBinary(k, "Bayt", "00 0A FF");
  access_.WriteBinary(k, "Hiç", "");
  access_.WriteBinary(k, "Tüm baytlar", all_bytes_hex(300));
  access_.WriteDWORD(k, "Sıfır", 0);
  access_.WriteDWORD(k, "Otuz bir", 31);
  access_.WriteDWORD(k, "Eksi bir", -1);
  access_.WriteDWORD(k, "POP3 Port", 110);
  access_.WriteString(k + "\\Alt", "İç", "değer");
  access_.WriteDWORD(k + "\\Alt", "Sayı", 0x7FFFFFFF);
  access_.WriteBinary(k + "\\Alt\\Derin", "Son", "01");
  access_.WriteString(k + "\\Alt\\Derin", "@", "derin varsayılan");
  access_.CreateKey(k + "\\Boş anahtar");
  access_.WriteDWORD(k + "\\Öteki", "Tek", 1);
  // Names at the registry's limits, a path longer than one call opens, and
  // default values that are no text.
  const std::string long_name(300, 'u');
  const std::string deep = k + "\\" + std::string(255, 'k') + "\\" + std::string(255, 'm');
  access_.WriteString(deep, long_name + "s", "uzun adlı metin");
  access_.WriteBinary(deep, long_name + "b", "01 02");
  access_.WriteDWORD(deep, long_name + "d", 9);
  access_.WriteDWORD(k + "\\Sayı varsayılan", "", 7);
  access_.WriteBinary(k + "\\İkili varsayılan", "", "00 22 0D 0A");
  // Every type, texts the export writes as hex(1): bytes, an empty default.
  lay_every_type("Türler");
  access_.WriteString(k + "\\Türler", "Tırnaklı", "a \"b\" c");
  access_.WriteString(k + "\\Türler", "Kenarlı", " x ");
  access_.WriteString(k + "\\Türler", "Komut", "hex(2):41");
  access_.WriteString(k + "\\Boş varsayılan", "@", "");

  const Tree original = snapshot();
  ASSERT_EQ(original.size(), 13U) << render(original);
  ASSERT_EQ(original.at("").size(), 12U) << render(original);

  const std::string reg_file = file("agac.reg");
  ASSERT_EQ(access_.ExportToReg(k, reg_file), 1);
  clean();
  ASSERT_TRUE(snapshot().empty());

  regedit_import(reg_file);
  const Tree imported = snapshot();
  EXPECT_TRUE(imported == original) << "original: " << render(original) << "\nregedit:  " << render(imported);
}

// A backup of every type and of a 20,000-byte binary, in the registry
// editor's REGEDIT4 form (Wine's regedit writes only its Unicode form, so the
// file is built here as the editor writes REGEDIT4: long data over lines that
// end in a backslash) and in our export's, each imported into the emptied key.
TEST_F(RegeditPeer, RegeditStyleFileAndOurExportBothRestoreEveryTypeWhole) {
  lay_every_type("");
  const Tree original = snapshot();
  ASSERT_EQ(original.size(), 3U) << render(original);
  ASSERT_EQ(original.at("").size(), 9U) << render(original);

  std::string script = "REGEDIT4\r\n";
  const char* section = "none";
  for (const Laid& v : kEveryType) {
    if (std::string_view(section) != v.key) script += std::string("\r\n[{K}") + (*v.key ? "\\" : "") + v.key + "]\r\n";
    section = v.key;
    if (v.name != nullptr) script += regedit4_line(v);
  }
  const std::string regedit4 = write_script("regedit4.reg", script);
  ASSERT_NE(script.find(",\\\r\n  "), std::string::npos) << "continuation lines";
  const std::string ours = file("ours.reg");
  ASSERT_EQ(access_.ExportToReg(path_, ours), 1);

  for (const std::string& backup : {regedit4, ours}) {
    SCOPED_TRACE(backup);
    clean();
    ASSERT_EQ(access_.ImportFromReg(backup), 1);
    const Tree restored = snapshot();
    EXPECT_TRUE(restored == original) << "original: " << render(original) << "\nrestored: " << render(restored);
  }
}

// A script in the part of the format where both readers agree: full root
// names, quoted names and texts without backslash, double quote or "=",
// lower-case hex: with two digits per byte, dword: with at most eight digits,
// deletion of values and of keys without sub-keys, comments, blank lines and
// lines before the first key. The two runs stand in for two fresh systems: the
// key is cleaned and the same starting state laid before each.
TEST_F(RegeditPeer, SameScriptAppliedByBothReadersGivesTheSameValues) {
  const std::string script = write_script("ortak.reg",
                                          "REGEDIT4\r\n"
                                          "\r\n"
                                          "\"Önce\"=\"ilk anahtardan önce: okunmaz\"\r\n"
                                          "; elle yazıldı\r\n"
                                          "[{K}]\r\n"
                                          "@=\"Kök\"\r\n"
                                          "\"Ad\"=\"Adınız Soyadınız\"\r\n"
                                          "\"Boş\"=\"\"\r\n"
                                          "\"Bayt\"=hex:00,0a,FF\r\n"
                                          "\"Hiç\"=hex:\r\n"
                                          "\"Sayı\"=dword:0000006e\r\n"
                                          "\"Eksi\"=dword:ffffffff\r\n"
                                          "\"Kısa\"=dword:ffff\r\n"
                                          "\"Silinecek\"=-\r\n"
                                          "\"Üzerine\"=\"ikinci\"\r\n"
                                          "\r\n"
                                          "  [{K}\\Alt]  \r\n"
                                          "  \"İç\"=\"değer\"\r\n"
                                          "\r\n"
                                          "[-{K}\\Eski]\r\n"
                                          "\"Yok\"=\"silinen anahtarın ardından: okunmaz\"\r\n"
                                          "\r\n"
                                          "[{K}\\Alt\\Derin]\r\n"
                                          "; yorum\r\n"
                                          "\"Son\"=dword:00000001\r\n");
  auto lay_start = [&] {
    clean();
    access_.WriteString(path_, "Silinecek", "x");
    access_.WriteString(path_, "Üzerine", "birinci");
    access_.WriteString(path_ + "\\Eski", "Eski", "y");
  };

  lay_start();
  ASSERT_EQ(access_.ImportFromReg(script), 1);
  const Tree ours = snapshot();

  lay_start();
  regedit_import(script);
  const Tree theirs = snapshot();

  EXPECT_EQ(render(ours),
            "[] (default)=Kök Ad=Adınız Soyadınız Bayt=hex:000aff Boş= Eksi=dword:ffffffff Hiç=hex: "
            "Kısa=dword:ffff Sayı=dword:6e Üzerine=ikinci [Alt] İç=değer [Alt\\Derin] Son=dword:1");
  EXPECT_TRUE(ours == theirs) << "ours:    " << render(ours) << "\nregedit: " << render(theirs);
}

// Where the format leaves the reading open, the two readers part ways. Each
// row is a script (with {K} for the test key), what our import makes of it
// and what regedit makes of it, as render() shows the key afterwards.
struct Divergence {
  const char* what;
  std::string_view script;
  std::int32_t ours_result;
  const char* ours;
  const char* regedit;
};

constexpr char kHead[] = "REGEDIT4\r\n\r\n[{K}]\r\n";

const Divergence kDivergences[] = {
    // Escape sequences: our reader has none, it keeps backslashes and drops
    // every double quote.
    {"unknown escape \\d", "\"v\"=\"x\\dy\"\r\n", 1, "[] v=x\\dy", "[] v=xdy"},
    {"escaped backslash", "\"v\"=\"x\\\\y\"\r\n", 1, "[] v=x\\\\y", "[] v=x\\y"},
    {"escaped quote", "\"v\"=\"x\\\"y\"\r\n", 1, "[] v=x\\y", "[] v=x\"y"},
    {"escape \\0 drops the rest of the key's values", "\"v\"=\"x\\0y\"\r\n\"w\"=\"2\"\r\n", 1, "[] v=x\\0y w=2", "[]"},
    // "=" cuts our value lines; regedit honours the quotes.
    {"= in data", "\"v\"=\"a=b\"\r\n", 1, "[] v=a", "[] v=a=b"},
    {"= in name", "\"a=b\"=\"c\"\r\n", 1, "[] a=b", "[] a=b=c"},
    {"blanks around =", "\"v\" = \"x\"\r\n", 1, "[] v = x", "[] v=x"},
    // Our lines are trimmed after their quotes are gone.
    {"blanks at the ends of a text", "\"v\"=\" x \"\r\n", 1, "[] v= x", "[] v= x "},
    // Binary data.
    {"continuation lines", "\"c\"=hex:01,02,\\\r\n  03,04\r\n", 1, "[] c=hex:01020304", "[] c=hex:01020304"},
    {"upper-case HEX: and Dword:", "\"c\"=HEX:05\r\n\"d\"=Dword:0000ffff\r\n", 1, "[] c=hex:05 d=dword:ffff", "[]"},
    {"typed hex(2):", "\"v\"=hex(2):41,00\r\n", 1, "[] v=type2:41", "[] v=type2:41"},
    {"odd number of hex digits", "\"c\"=hex:abc\r\n", 1, "[] c=hex:ab0c", "[]"},
    {"blanks between hex bytes", "\"c\"=hex:01 02\r\n", 1, "[] c=hex:0102", "[]"},
    {"a character that is no hex digit", "\"c\"=hex:0g,01\r\n", 1, "[] c=hex:0001", "[]"},
    // DWORD data. More than eight digits is the import's overflow: it ends
    // the import with 0, lines after it are not applied.
    {"more than eight dword digits", "\"d\"=dword:123456789\r\n\"w\"=\"2\"\r\n", 0, "[]", "[] w=2"},
    {"dword with a sign or 0x", "\"d\"=dword:-1\r\n\"e\"=dword:0x10\r\n", 1, "[] d=dword:0 e=dword:0", "[]"},
    // The default value.
    {"@=\"\"", "@=\"D\"\r\n@=\"\"\r\n", 1, "[]", "[] (default)="},
    {"@=- deletes a value named @ for us, the default for regedit", "@=\"D\"\r\n@=-\r\n", 1, "[] (default)=D", "[]"},
    {"\"@\" names the default for us", "\"@\"=\"at\"\r\n", 1, "[] (default)=at", "[] @=at"},
    // Lines regedit refuses and we take.
    {"unquoted name and text", "v=1\r\n", 1, "[] v=1", "[]"},
    {"unterminated text", "\"v\"=\"x\r\n", 1, "[] v=x", "[]"},
    {"text after the closing quote", "\"v\"=\"x\"junk\r\n", 1, "[] v=xjunk", "[]"},
    {"two values on one line", "\"v\"=\"1\" \"w\"=\"2\"\r\n", 1, "[] v=1 w", "[]"},
    {"lone CR inside a text", "\"v\"=\"a\rb\"\r\n", 1, "[] v=a\rb", "[]"},
    // NUL bytes in a text line (as our export once wrote for a default value
    // that is no text): our reader ends with the DWORD; regedit loses every
    // value of the key from that line on.
    {"NUL bytes in a text", "@=\"\x07\0\0\"\r\n\"\"=dword:00000007\r\n\"Tek\"=dword:00000001\r\n"sv, 1,
     "[] (default)=dword:7 Tek=dword:1", "[]"},
    // Key lines.
    {"key section without values", "[{K}\\Bos]\r\n", 1, "[] [Bos]", "[] [Bos]"},
    {"deleting a key that has sub-keys", "[{K}\\Eski\\Alt]\r\n\"x\"=\"1\"\r\n[-{K}\\Eski]\r\n", 1,
     "[] [Eski] [Eski\\Alt] x=1", "[]"},
    // A key line that is only "[" is an error that ends our import.
    {"[ alone", "\"v\"=\"1\"\r\n[\r\n\"w\"=\"2\"\r\n", 0, "[] v=1", "[] v=1 w=2"},
    // regedit passes over a key line it cannot read and goes on in the key
    // before it; we drop the line's last character, whatever it is.
    {"key line without ]", "[{K}\\Alt\r\n\"v\"=\"1\"\r\n", 1, "[] [Al] v=1", "[] v=1"},
    {"text after ]", "[{K}\\Alt]x\r\n\"v\"=\"1\"\r\n", 1, "[] [Alt]] v=1", "[] [Alt] v=1"},
};

// Whole files whose header or line ends differ: {K} names the test key.
const Divergence kFileDivergences[] = {
    {"header in lower case", "regedit4\r\n\r\n[{K}]\r\n\"v\"=\"1\"\r\n", 1, "[] v=1", "[]"},
    {"blank before the header", " REGEDIT4\r\n\r\n[{K}]\r\n\"v\"=\"1\"\r\n", 0, "[]", "[] v=1"},
    {"lines ended by LF alone", "REGEDIT4\n\n[{K}]\n\"v\"=\"1\"\n", 0, "[]", "[] v=1"},
};

TEST_F(RegeditPeer, ReadersPartWaysWhereTheFormatLeavesTheReadingOpen) {
  auto both_read = [&](const Divergence& row, const std::string& text) {
    SCOPED_TRACE(row.what);
    const std::string script = write_script("fark.reg", text);
    // The test key exists before each run, so that "[]" is a key left empty.
    clean();
    access_.CreateKey(path_);
    EXPECT_EQ(access_.ImportFromReg(script), row.ours_result);
    EXPECT_EQ(render(snapshot()), row.ours) << "our import";
    clean();
    access_.CreateKey(path_);
    regedit_import(script);
    EXPECT_EQ(render(snapshot()), row.regedit) << "regedit";
  };
  for (const Divergence& row : kDivergences) both_read(row, std::string(kHead) + std::string(row.script));
  for (const Divergence& row : kFileDivergences) both_read(row, std::string(row.script));
}

}  // namespace

#endif  // _WIN32
