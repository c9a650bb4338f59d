// Export of keys to registry scripts, on every registry backend. Value names
// are chosen so that creation order and alphabetical order agree: the
// emulated registry lists values as they were made, Wine's alphabetically.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <type_traits>
#include <vector>

#include "clsRegistryAccess_support.h"

namespace {

using namespace platform;
using access_test::AccessFixture;
using access_test::RecordingUi;
using telvora_test::BackendNames;
using telvora_test::RegistryBackends;

template <class Backend>
class AccessExport : public AccessFixture<Backend> {
 protected:
  telvora_test::ScratchFolder folder_{"access export"};
  // The full path of a key below the scratch key, as the export writes it.
  std::string full(const std::string& below = "") const { return this->base(below); }
  std::string block(const std::string& below, const std::string& lines = "") const {
    // Appended piece by piece: g++ 12 warns falsely about "[" + text at -O2.
    std::string b = "[";
    b += full(below);
    b += "]\r\n";
    b += lines;
    b += "\r\n";
    return b;
  }
};
TYPED_TEST_SUITE(AccessExport, RegistryBackends, BackendNames);

std::vector<std::string> header_lines(const std::string& file) {
  std::vector<std::string> headers;
  std::size_t start = 0;
  while (start < file.size()) {
    auto end = file.find("\r\n", start);
    if (end == std::string::npos) end = file.size();
    const std::string line = file.substr(start, end - start);
    if (!line.empty() && line.front() == '[') headers.push_back(line);
    start = end + 2;
  }
  return headers;
}

TYPED_TEST(AccessExport, WritesTheSampleKeyByteForByte) {
  auto& a = this->acc();
  a.WriteString(this->base("Sample"), "@", "Text");
  a.WriteString(this->base("Sample"), "Name", "Value");
  a.WriteBinary(this->base("Sample"), "Data", "01 AB FF");
  a.WriteDWORD(this->base("Sample"), "Count", 31);
  a.CreateKey(this->base("Sample\\Sub"));
  const std::string file = this->folder_.file("sample.reg");

  // Short root name in lower case: the file names the root in full.
  EXPECT_EQ(a.ExportToReg("hkcu\\" + this->scratch_path() + "\\Sample", file), 1);
  EXPECT_EQ(access_test::read_file(file), "REGEDIT4\r\n\r\n" +
                                              this->block("Sample",
                                                          "@=\"Text\"\r\n"
                                                          "\"Name\"=\"Value\"\r\n"
                                                          "\"Data\"=hex:01,AB,FF\r\n"
                                                          "\"Count\"=dword:0000001F\r\n") +
                                              this->block("Sample\\Sub"));
}

TYPED_TEST(AccessExport, WritesEachKindOfValueInItsOwnForm) {
  auto& a = this->acc();
  a.WriteString(this->base(), "s1", "say \"hi\" to C:\\temp");
  a.WriteString(this->base(), "s2", "");
  a.WriteBinary(this->base(), "b1", "00 0A FF");
  a.WriteBinary(this->base(), "b2", "");
  a.WriteDWORD(this->base(), "d1", 31);
  a.WriteDWORD(this->base(), "d2", 0);
  a.WriteDWORD(this->base(), "d3", -1);
  this->put("", "e_expand", reg::expand_sz, std::string("%TEMP%\0", 7));
  this->put("", "m_multi", reg::multi_sz, std::string("a\0b\0\0", 5));
  // A default value that is no text has only its own line, with an empty name.
  this->put("n", "", reg::dword, access_test::bytes({7, 0, 0, 0}));
  this->put("x", "", reg::binary, access_test::bytes({0, 1}));
  const std::string file = this->folder_.file("forms.reg");

  EXPECT_EQ(a.ExportToReg(this->base(), file), 1);
  EXPECT_EQ(access_test::read_file(file), "REGEDIT4\r\n\r\n" +
                                              this->block("",
                                                          "\"s1\"=hex(1):73,61,79,20,22,68,69,22,20,74,6F,20,"
                                                          "43,3A,5C,74,65,6D,70,00\r\n"
                                                          "\"s2\"=\"\"\r\n"
                                                          "\"b1\"=hex:00,0A,FF\r\n"
                                                          "\"b2\"=hex:\r\n"
                                                          "\"d1\"=dword:0000001F\r\n"
                                                          "\"d2\"=dword:00000000\r\n"
                                                          "\"d3\"=dword:FFFFFFFF\r\n"
                                                          "\"e_expand\"=hex(2):25,54,45,4D,50,25,00\r\n"
                                                          "\"m_multi\"=hex(7):61,00,62,00,00\r\n") +
                                              this->block("n", "\"\"=dword:00000007\r\n") +
                                              this->block("x", "\"\"=hex:00,01\r\n"));
}

TYPED_TEST(AccessExport, LongValuesAreWrittenWhole) {
  std::string text;
  for (int i = 0; i < 600; ++i) text += static_cast<char>('a' + i % 26);
  std::string data;
  std::string hex;
  for (int i = 0; i < 400; ++i) {
    data += static_cast<char>(i % 256);
    static const char* digits = "0123456789ABCDEF";
    if (i > 0) hex += ',';
    hex += digits[(i % 256) >> 4];
    hex += digits[(i % 256) & 15];
  }
  this->acc().WriteString(this->base(), "@", text);
  this->acc().WriteString(this->base(), "long_text", text);
  this->put("", "long_bin", reg::binary, data);
  const std::string file = this->folder_.file("long.reg");

  EXPECT_EQ(this->acc().ExportToReg(this->base(), file), 1);
  EXPECT_EQ(access_test::read_file(file),
            "REGEDIT4\r\n\r\n" + this->block("", "@=\"" + text + "\"\r\n\"long_text\"=\"" + text +
                                                     "\"\r\n\"long_bin\"=hex:" + hex + "\r\n"));
}

TYPED_TEST(AccessExport, VisitsKeysDepthFirstParentFirst) {
  for (const char* key : {"A", "A\\B", "A\\B\\C", "A\\D", "E"}) this->make_key(key);
  const std::string file = this->folder_.file("tree.reg");
  EXPECT_EQ(this->acc().ExportToReg(this->base(), file), 1);
  // Not "[" + full(): g++ 12 warns falsely (-Wrestrict) on that at -O2.
  const std::string top = this->full().insert(0, 1, '[');
  EXPECT_EQ(header_lines(access_test::read_file(file)),
            (std::vector<std::string>{top + "]", top + "\\A]", top + "\\A\\B]", top + "\\A\\B\\C]", top + "\\A\\D]",
                                      top + "\\E]"}));

  const std::string alone = this->folder_.file("alone.reg");
  EXPECT_EQ(this->acc().ExportToReg(this->base(), alone, false), 1);
  EXPECT_EQ(access_test::read_file(alone), "REGEDIT4\r\n\r\n" + this->block(""));
}

TYPED_TEST(AccessExport, ASubKeyNamedLikeAShortRootIsWrittenWithTheLongName) {
  this->acc().WriteDWORD(this->base("HKCC"), "n", 1);
  const std::string file = this->folder_.file("named.reg");
  EXPECT_EQ(this->acc().ExportToReg(this->base(), file), 1);
  // The reads go through the long name and still find the key's values.
  EXPECT_EQ(access_test::read_file(file), "REGEDIT4\r\n\r\n" + this->block("") + "[" + this->full() +
                                              "\\HKEY_CURRENT_CONFIG]\r\n" + "\"n\"=dword:00000001\r\n\r\n");
}

// A key that is not there has no block, so that its import makes none.
TYPED_TEST(AccessExport, AMissingKeyGivesNoBlock) {
  const std::string file = this->folder_.file("missing.reg");
  EXPECT_EQ(this->acc().ExportToReg(this->base("not there"), file), 1);
  EXPECT_EQ(access_test::read_file(file), "REGEDIT4\r\n\r\n");
}

TYPED_TEST(AccessExport, NeverTouchesAnExistingFile) {
  this->acc().WriteDWORD(this->base(), "n", 1);
  const std::string file = this->folder_.file("existing.reg");
  access_test::write_file(file, "keep me");
  EXPECT_EQ(this->acc().ExportToReg(this->base(), file), 0);
  EXPECT_EQ(access_test::read_file(file), "keep me");
}

TYPED_TEST(AccessExport, AFileThatCannotBeMadeFailsTheExport) {
  const std::string in_missing_folder = this->folder_.file("no such folder") + "\\x.reg";
  EXPECT_EQ(this->acc().ExportToReg(this->base(), in_missing_folder), 0);
  // A folder of that name is not an existing file, and cannot be written either.
  const std::string folder = this->folder_.file("a folder");
  std::filesystem::create_directory(telvora_test::path_of(folder));
  EXPECT_EQ(this->acc().ExportToReg(this->base(), folder), 0);
}

TYPED_TEST(AccessExport, HiddenFilesAreNeitherSeenNorReplaced) {
#ifdef _WIN32
  GTEST_SKIP() << "a hidden file needs its attribute set through the platform; the native build hides dot files";
#else
  this->acc().WriteDWORD(this->base(), "n", 1);
  const std::string hidden = this->folder_.file(".hidden.reg");
  access_test::write_file(hidden, "REGEDIT4\r\n[" + this->base("k") + "]\r\n\"v\"=\"x\"\r\n");
  // The existence test misses it, and the file may not be replaced either.
  EXPECT_EQ(this->acc().ExportToReg(this->base(), hidden), 0);
  EXPECT_EQ(access_test::read_file(hidden).substr(0, 10), "REGEDIT4\r\n");
  EXPECT_EQ(this->acc().ImportFromReg(hidden), 0);
  EXPECT_FALSE(this->key_exists("k"));
#endif
}

TYPED_TEST(AccessExport, ANameTheFormatCannotHoldEndsTheExportAndKeepsWhatWasWritten) {
  this->acc().WriteString(this->base("big"), "s", "before");
  this->acc().WriteString(this->base("big"), "t=u", "x");
  this->make_key("big\\never");
  const std::string file = this->folder_.file("unheld.reg");
  EXPECT_EQ(this->acc().ExportToReg(this->base(), file), 0);
  const std::string written = access_test::read_file(file);
  EXPECT_EQ(written, "REGEDIT4\r\n\r\n" + this->block("") + "[" + this->full("big") + "]\r\n\"s\"=\"before\"\r\n");
}

TYPED_TEST(AccessExport, WritesWhatThePublicMembersReadValueByValue) {
  auto& a = this->acc();
  const std::string long_name(300, 'u');
  a.WriteString(this->base("T"), "@", "kök değeri");
  a.WriteString(this->base("T"), "metin", "Türkçe tırnak C:\\yol");
  a.WriteString(this->base("T"), "boş", "");
  a.WriteString(this->base("T"), "uzun", std::string(700, 'y'));
  a.WriteString(this->base("T"), long_name, "uzun adlı");
  a.WriteBinary(this->base("T"), "ikili", "00 7F 80 FF");
  a.WriteBinary(this->base("T"), long_name + "b", "01");
  a.WriteDWORD(this->base("T"), "sayı", -2);
  a.WriteDWORD(this->base("T"), long_name + "d", 3);
  this->put("T", "genişletilir", reg::sz, std::string("%TEMP%\0", 7));
  a.WriteDWORD(this->base("T\\HKCC\\alt"), "@", 1);
  this->put("T\\sayı", "", reg::dword, access_test::bytes({9, 0, 0, 0}));
  this->put("T\\ikili", "", reg::binary, access_test::bytes({1, 2}));
  this->put("T\\genişletilir", "", reg::sz, std::string("%PATH%\0", 7));
  a.WriteString(this->base("T\\" + std::string(255, 'k') + "\\" + std::string(255, 'm')), "derin", "en alt");
  const std::string direct = this->folder_.file("direct.reg");
  const std::string reference = this->folder_.file("reference.reg");

  ASSERT_EQ(a.ExportToReg(this->base("T"), direct), 1);
  ASSERT_EQ(access_reference::export_to_reg(a, this->base("T"), reference), 1);
  EXPECT_EQ(access_test::read_file(direct), access_test::read_file(reference));
  EXPECT_EQ(header_lines(access_test::read_file(direct)).size(), 8U);
}

// A listing that fails, or a listed key that cannot be opened, fails the
// export; the file ends where the failure stood.
TYPED_TEST(AccessExport, AFailureInTheMiddleFailsTheExportAndNothingAfterItIsWritten) {
  auto& a = this->acc();
  a.WriteDWORD(this->base("A"), "a1", 1);
  a.WriteDWORD(this->base("A"), "a2", 2);
  a.WriteDWORD(this->base("A\\B"), "b", 3);
  a.WriteDWORD(this->base("C"), "c", 4);
  const std::string top = this->block("");
  const std::string a_header = "[" + this->full("A") + "]\r\n";
  const std::string a_block = this->block("A", "\"a1\"=dword:00000001\r\n\"a2\"=dword:00000002\r\n");
  const struct {
    const char* what;
    std::function<void(access_test::RecordingRegistry&)> fault;
    std::string written;
  } cases[] = {
      // The top key has no values (one call to list them); A's are listed by the next three.
      {"a value listing that fails once", [](auto& r) { r.fail_enum_value_call = 3; }, top + a_header},
      {"a value listing that keeps failing", [](auto& r) { r.fail_enum_values_from = 1; }, top + a_header},
      {"a sub-key listing that keeps failing", [](auto& r) { r.fail_enum_keys_from = 1; }, top},
      {"a listed key that cannot be opened", [](auto& r) { r.fail_open_of = "B"; }, top + a_block},
  };
  for (const auto& c : cases) {
    access_test::RecordingRegistry recorder(this->reg());
    clsRegistryAccess access(recorder);
    c.fault(recorder);
    const std::string file = this->folder_.file(std::string(c.what) + ".reg");
    EXPECT_EQ(access.ExportToReg(this->base(), file), 0) << c.what;
    EXPECT_EQ(access_test::read_file(file), "REGEDIT4\r\n\r\n" + c.written) << c.what;
  }
}

TYPED_TEST(AccessExport, ShowsEachKeyAfterLettingEventsRun) {
  this->make_key("A");
  this->make_key("B");
  RecordingUi ui;
  const std::string file = this->folder_.file("shown.reg");
  EXPECT_EQ(this->acc().ExportToReg(this->base(), file, true, window::TextBox{&ui, 1234}), 1);
  EXPECT_EQ(ui.log,
            (std::vector<std::string>{"events", this->full(), "events", this->full("A"), "events", this->full("B")}));
  EXPECT_EQ(ui.control_seen, 1234);
}

// A backup restores whole, or the export says it could not: each row lays a
// tree below "k", exports it (its path followed by `after`), and imports the
// file into the emptied key.
TYPED_TEST(AccessExport, ABackupRestoresWholeOrTheExportAnswers0) {
  using Self = std::remove_reference_t<decltype(*this)>;  // reaches the fixture's protected members
  const auto text = [](const std::string& t) { return t + '\0'; };
  const struct {
    const char* what;
    std::function<void(Self&)> lay;
    const char* after;
    std::int32_t result;
  } rows[] = {
      {"every type, and a key holding only others",
       [&](Self& t) {
         t.put("k", "", reg::expand_sz, text("%PATH%"));
         t.put("k", "expand", reg::expand_sz, text("%TEMP%"));
         t.put("k", "multi", reg::multi_sz, std::string("a\0b\0\0", 5));
         t.put("k", "qword", 11, "12345678");
         t.put("k", "none", reg::none, "\x01");
         t.put("k", "other", 0x12345, "xyz");
         t.put("k", "short dword", reg::dword, "\x01\x02");
         t.put("k\\only", "m", reg::multi_sz, std::string(2, '\0'));
       },
       "", 1},
      {"texts the plain form cannot carry",
       [&](Self& t) {
         std::string name = "t";  // t, tt, ttt...: not "t" + text, which g++ 12 warns about falsely
         for (const std::string& s :
              std::vector<std::string>{"hex:01", "HEX(2):x", "Dword:1", "-", "a\"b", "a\r\nb", " x", "x ", "a=b",
                                       std::string("a\0b", 3), std::string()}) {
           t.put("k", name, reg::sz, text(s));
           name += 't';
         }
         t.put("k", "", reg::sz, text(" x"));
       },
       "", 1},
      {"binaries past the hex conversion's limit",
       [&](Self& t) {
         t.put("k", "b1", reg::binary, std::string(20000, 'Z'));
         t.put("k", "b2", reg::binary, std::string(40000, '\x01'));
         t.put("k", "after", reg::sz, text("x"));
       },
       "", 1},
      {"empty keys and an empty default",
       [&](Self& t) {
         t.make_key("k\\e\\f");
         t.acc().WriteString(t.base("k"), "@", "");
       },
       "", 1},
      {"a binary called @", [&](Self& t) { t.put("k", "@", reg::binary, "\x01"); }, "", 1},
      {"a name with a blank at its end", [&](Self& t) { t.put("k", "a ", reg::sz, text("x")); }, "", 0},
      {"a path ending in a backslash", [&](Self& t) { t.acc().WriteDWORD(t.base("k\\s"), "n", 1); }, "\\", 1},
      {"a name of blanks only", [&](Self& t) { t.put("k", " ", reg::sz, text("x")); }, "", 0},
      {"a name with a quote", [&](Self& t) { t.put("k", "a\"b", reg::dword, "1234"); }, "", 0},
      {"a name with =", [&](Self& t) { t.put("k", "a=b", reg::binary, ""); }, "", 0},
      {"a name with a CR", [&](Self& t) { t.put("k", "a\rb", reg::binary, ""); }, "", 0},
      {"a name with a LF", [&](Self& t) { t.put("k", "\nb", reg::binary, ""); }, "", 0},
      {"a text called @", [&](Self& t) { t.put("k", "@", reg::sz, text("x")); }, "", 0},
      {"a name read as a key line", [&](Self& t) { t.put("k", "[x", reg::binary, ""); }, "", 0},
      {"a key name with a line feed", [&](Self& t) { t.make_key("k\\a\nb"); }, "", 0},
      {"a key name that the import shortens", [&](Self& t) { t.make_key("k\\HKEY_USERS"); }, "", 0},
  };
  int n = 0;
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    telvora_test::delete_tree(this->reg(), this->scratch(), "k");
    row.lay(*this);
    const std::string before = access_reference::dump_key(this->reg(), this->scratch(), "k");
    const std::string file = this->folder_.file("row" + std::to_string(n++) + ".reg");
    ASSERT_EQ(this->acc().ExportToReg(this->base("k") + row.after, file), row.result);
    if (row.result == 0) continue;
    ASSERT_EQ(telvora_test::delete_tree(this->reg(), this->scratch(), "k"), win::success);
    EXPECT_EQ(this->acc().ImportFromReg(file), 1);
    EXPECT_EQ(access_reference::dump_key(this->reg(), this->scratch(), "k"), before);
  }
}

}  // namespace
