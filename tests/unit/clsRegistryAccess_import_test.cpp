// Import of registry scripts, on every registry backend. What was applied is
// checked in the registry itself.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "clsRegistryAccess_support.h"
#include "platform/codepage.h"

namespace {

using namespace platform;
using access_test::AccessFixture;
using access_test::bytes;
using telvora_test::BackendNames;
using telvora_test::RegistryBackends;

template <class Backend>
class AccessImport : public AccessFixture<Backend> {
 protected:
  telvora_test::ScratchFolder folder_{"access import"};

  // A key line for a key below the scratch key.
  std::string key(const std::string& below = "") const {
    // Appended piece by piece: g++ 12 warns falsely about "[" + text at -O2.
    std::string k = "[";
    k += this->base(below);
    k += "]";
    return k;
  }

  // Writes the lines, each ending CR LF, and imports them.
  std::int32_t import_lines(const std::vector<std::string>& lines) {
    std::string content;
    for (const std::string& line : lines) content += line + "\r\n";
    return import_text(content);
  }
  std::int32_t import_text(const std::string& content) {
    const std::string file = folder_.file("in.reg");
    access_test::write_file(file, content);
    return this->acc().ImportFromReg(file);
  }

  bool has(const std::string& sub, const std::string& name) { return this->raw(sub, name).rc == win::success; }
  std::int32_t dword(const std::string& sub, const std::string& name) {
    const std::string b = this->raw(sub, name).bytes;
    EXPECT_EQ(b.size(), 4U) << name;
    if (b.size() != 4) return 0;
    return static_cast<std::int32_t>(static_cast<std::uint8_t>(b[0]) | static_cast<std::uint8_t>(b[1]) << 8 |
                                     static_cast<std::uint8_t>(b[2]) << 16 |
                                     static_cast<std::uint32_t>(static_cast<std::uint8_t>(b[3])) << 24);
  }
};
TYPED_TEST_SUITE(AccessImport, RegistryBackends, BackendNames);

TYPED_TEST(AccessImport, AnExportedTreeComesBackValueForValue) {
  auto& a = this->acc();
  a.WriteString(this->base("tree"), "@", "default");
  a.WriteString(this->base("tree"), "text", "Türkçe metin, C:\\yol");
  a.WriteString(this->base("tree"), "empty", "");
  a.WriteBinary(this->base("tree"), "bin", "00 01 7F 80 FF");
  a.WriteBinary(this->base("tree"), "nothing", "");
  a.WriteDWORD(this->base("tree\\sub"), "minus", -1);
  a.WriteDWORD(this->base("tree\\sub"), "port", 587);
  // Names at the registry's limits, a path longer than one call opens, and
  // default values that are no text.
  const std::string long_name(300, 'n');
  const std::string deep = "tree\\" + std::string(255, 'k') + "\\" + std::string(255, 'm');
  a.WriteString(this->base(deep), long_name + "s", "long named text");
  a.WriteBinary(this->base(deep), long_name + "b", "0A 0B");
  a.WriteDWORD(this->base(deep), long_name + "d", 300);
  this->put("tree\\number", "", reg::dword, bytes({7, 0, 0, 0}));
  this->put("tree\\bytes", "", reg::binary, bytes({0, 0x22, 0x0D, 0x0A}));
  const std::string file = this->folder_.file("tree.reg");
  ASSERT_EQ(a.ExportToReg(this->base("tree"), file), 1);

  const auto before = [&] {
    std::vector<access_test::RawValue> v;
    for (const auto& [sub, name] : std::vector<std::pair<std::string, std::string>>{{"tree", ""},
                                                                                    {"tree", "text"},
                                                                                    {"tree", "empty"},
                                                                                    {"tree", "bin"},
                                                                                    {"tree", "nothing"},
                                                                                    {"tree\\sub", "minus"},
                                                                                    {"tree\\sub", "port"},
                                                                                    {deep, long_name + "s"},
                                                                                    {deep, long_name + "b"},
                                                                                    {deep, long_name + "d"},
                                                                                    {"tree\\number", ""},
                                                                                    {"tree\\bytes", ""}}) {
      v.push_back(this->raw(sub, name));
    }
    return v;
  };
  const auto original = before();
  ASSERT_EQ(telvora_test::delete_tree(this->reg(), this->scratch(), "tree"), win::success);
  ASSERT_FALSE(this->key_exists("tree"));

  EXPECT_EQ(a.ImportFromReg(file), 1);
  const auto restored = before();
  for (std::size_t i = 0; i < original.size(); ++i) {
    EXPECT_EQ(restored[i].rc, win::success) << i;
    EXPECT_EQ(restored[i].type, original[i].type) << i;
    EXPECT_EQ(restored[i].bytes, original[i].bytes) << i;
  }
}

TYPED_TEST(AccessImport, RecognisesTheDataKindsInAnyLetterCase) {
  EXPECT_EQ(this->import_lines({"REGEDIT4", "", this->key("k"), "\"lower\"=hex:01,02", "\"upper\"=HEX:0a,0B",
                                "\"mixed\"=Dword:0000001f", "\"DW\"=DWORD:FFFFFFFF", "\"short\"=dword:ffff",
                                "\"typed\"=hex(2):41,00", "\"text\"=\"plain\""}),
            1);
  EXPECT_EQ(this->raw("k", "lower").type, reg::binary);
  EXPECT_EQ(this->raw("k", "lower").bytes, bytes({1, 2}));
  EXPECT_EQ(this->raw("k", "upper").bytes, bytes({0x0A, 0x0B}));
  EXPECT_EQ(this->dword("k", "mixed"), 31);
  EXPECT_EQ(this->dword("k", "DW"), -1);
  // Fewer than eight digits are the number they spell, not a sign-extended one.
  EXPECT_EQ(this->dword("k", "short"), 65535);
  EXPECT_EQ(this->raw("k", "typed").type, reg::expand_sz);
  EXPECT_EQ(this->raw("k", "typed").bytes, bytes({0x41, 0}));
  EXPECT_EQ(this->raw_text("k", "text"), "plain");
}

TYPED_TEST(AccessImport, CleansQuotesAndCutsAtEqualSigns) {
  EXPECT_EQ(this->import_lines({"REGEDIT4", this->key("k"), "\"eq\"=\"a=b=c\"", "\"q\"=\"say \"hi\"\"",
                                "\"n \" = \"v\"", "  \"padded\"=\"x\"  ", "\"back\"=\"C:\\\\dir\""}),
            1);
  EXPECT_EQ(this->raw_text("k", "eq"), "a");
  EXPECT_EQ(this->raw_text("k", "q"), "say hi");
  // Blanks around "=" stay part of the name and of the data.
  EXPECT_EQ(this->raw_text("k", "n  "), " v");
  EXPECT_EQ(this->raw_text("k", "padded"), "x");
  // Backslashes are taken as they stand: a doubled one stays doubled.
  EXPECT_EQ(this->raw_text("k", "back"), "C:\\\\dir");
}

TYPED_TEST(AccessImport, AnEmptyDefaultValueLineRemovesTheDefault) {
  this->acc().WriteString(this->base("k"), "@", "old default");
  ASSERT_TRUE(this->has("k", ""));
  EXPECT_EQ(this->import_lines({"REGEDIT4", this->key("k"), "@=\"\""}), 1);
  EXPECT_FALSE(this->has("k", ""));

  EXPECT_EQ(this->import_lines({"REGEDIT4", this->key("k"), "@=\"new default\""}), 1);
  EXPECT_EQ(this->raw_text("k", ""), "new default");
}

TYPED_TEST(AccessImport, DeletesKeysAndValuesMarkedWithAMinus) {
  this->acc().WriteString(this->base("gone"), "v", "x");
  this->acc().WriteString(this->base("k"), "v", "x");
  this->acc().WriteString(this->base("k"), "@", "default");
  this->acc().WriteDWORD(this->base("k"), "@", 1);
  this->acc().WriteDWORD(this->base("k"), "kept", 2);
  EXPECT_EQ(this->import_lines({"REGEDIT4", "[-" + this->base("gone") + "]", "\"ignored\"=\"after deletion\"",
                                this->key("k"), "\"v\"=-", "\"@\"= - ", "[-" + this->base("never was") + "]"}),
            1);
  EXPECT_FALSE(this->key_exists("gone"));
  EXPECT_FALSE(this->has("k", "v"));
  // "@"=- is a value called "@", not the default value.
  EXPECT_FALSE(this->has("k", "@"));
  EXPECT_EQ(this->raw_text("k", ""), "default");
  EXPECT_TRUE(this->has("k", "kept"));
}

TYPED_TEST(AccessImport, PassesOverWhatIsNoValueLine) {
  EXPECT_EQ(this->import_lines({"REGEDIT4", "\"before\"=\"first key\"", this->key("k"), "; \"comment\"=\"x\"",
                                "no equal sign", "", "\"bin\"=hex:01,02,\\", "  03,04", this->key("no values")}),
            1);
  EXPECT_FALSE(this->has("", "before"));
  EXPECT_FALSE(this->has("k", "; comment"));
  EXPECT_FALSE(this->has("k", "comment"));
  // Continuation lines are joined, their leading blanks gone.
  EXPECT_EQ(this->raw("k", "bin").bytes, bytes({1, 2, 3, 4}));
  // A key section makes its key, also without value lines.
  EXPECT_TRUE(this->key_exists("no values"));
  EXPECT_TRUE(this->acc().CreateKeyIfDoesntExists());
}

TYPED_TEST(AccessImport, RefusesFilesWithoutTheHeaderLine) {
  const std::string body = this->key("k") + "\r\n\"v\"=\"x\"\r\n";
  const struct {
    const char* what;
    std::string content;
  } refused[] = {
      {"empty file", ""},
      {"another header", "Windows Registry Editor Version 5.00\r\n" + body},
      {"blank before the header", " REGEDIT4\r\n" + body},
      {"line feeds only", "REGEDIT4\n" + this->key("k") + "\n\"v\"=\"x\"\n"},
      {"two-byte text", std::string("R\0E\0G\0E\0D\0I\0T\0004\0\r\0\n\0", 20)},
  };
  for (const auto& c : refused) {
    EXPECT_EQ(this->import_text(c.content), 0) << c.what;
    EXPECT_FALSE(this->key_exists("k")) << c.what;
  }
  EXPECT_EQ(this->acc().ImportFromReg(this->folder_.file("no such file.reg")), 0);

  EXPECT_EQ(this->import_text("regedit4\r\n" + body), 1);
  EXPECT_EQ(this->raw_text("k", "v"), "x");
}

TYPED_TEST(AccessImport, AHeaderAloneChangesNothing) {
  for (const char* content : {"REGEDIT4", "REGEDIT4\r\n", "REGEDIT4\r\n\r\n"}) {
    EXPECT_EQ(this->import_text(content), 1) << content;
  }
  std::vector<std::string> keys;
  std::vector<std::string> names;
  std::vector<clsRegistryAccess::Value> values;
  EXPECT_EQ(this->acc().EnumKeys(this->base(), keys), 0);
  EXPECT_EQ(this->acc().EnumValues(this->base(), names, values), 0);
}

TYPED_TEST(AccessImport, AnErrorStopsTheImportAndKeepsWhatWasApplied) {
  const struct {
    const char* what;
    std::string bad_line;
  } cases[] = {
      {"key line without a path", "["},
      {"DWORD beyond 32 bits", "\"big\"=dword:100000000"},
  };
  for (const auto& c : cases) {
    telvora_test::delete_tree(this->reg(), this->scratch(), "k");
    EXPECT_EQ(this->import_lines(
                  {"REGEDIT4", this->key("k"), "\"applied\"=\"yes\"", c.bad_line, this->key("k"), "\"after\"=\"no\""}),
              0)
        << c.what;
    EXPECT_EQ(this->raw_text("k", "applied"), "yes") << c.what;
    EXPECT_FALSE(this->has("k", "after")) << c.what;
  }
}

TYPED_TEST(AccessImport, ReadsLinesOfAnyLengthWherePiecesOfTheFileEnd) {
  // The file is read 64 KiB at a time: a line end that straddles two pieces
  // still ends its line, and a line longer than a piece is read whole.
  const std::string head = "REGEDIT4\r\n" + this->key("k") + "\r\n";
  std::string pad = ";";
  // Its CR is the last byte of the first piece, which follows the header
  // line: the header is read on its own first.
  pad.resize(std::string("REGEDIT4\r\n").size() + 65536 - head.size() - 1, 'x');
  const std::string text(200000, 't');
  EXPECT_EQ(this->import_text(head + pad + "\r\n\"after\"=\"1\"\r\n\"long\"=\"" + text + "\"\r\n\"last\"=\"2\""), 1);
  EXPECT_EQ(this->raw_text("k", "after"), "1");
  EXPECT_EQ(this->raw_text("k", "long"), text);
  EXPECT_EQ(this->raw_text("k", "last"), "2");
}

TYPED_TEST(AccessImport, MakesEachSectionsKeyOnceAndWritesEachValueWithOneCall) {
  this->recorder().calls.clear();
  EXPECT_EQ(this->import_lines({"REGEDIT4", this->key("k"), "\"a\"=\"1\"", "\"b\"=hex:02", "\"c\"=dword:3", "\"a\"=-",
                                this->key("none"), "\"x\"=-"}),
            1);
  std::vector<std::string> sequence;
  for (const auto& c : this->recorder().calls) sequence.push_back(c.function);
  EXPECT_EQ(sequence,
            (std::vector<std::string>{"create_key_ex", "set_value_ex", "set_value_ex", "set_value_ex", "delete_value",
                                      "close_key", "create_key_ex", "delete_value", "close_key"}));
  EXPECT_EQ(this->recorder().calls[0].sam_or_type, access::write);
  EXPECT_EQ(this->raw("k", "b").bytes, bytes({2}));
  EXPECT_FALSE(this->has("k", "a"));
  EXPECT_TRUE(this->key_exists("none"));
}

// The import and the same script applied line by line through the public
// members leave the registry alike.
TEST(AccessImportAlike, DoesWhatThePublicMembersDoLineByLine) {
  const telvora_test::ScratchFolder folder("access import alike");
  const std::string script =
      "REGEDIT4\r\n[HKCU\\s]\r\n\"v\"=\"1\"\r\n@=\"\"\r\n\"@\"=hex:01\r\n\"@\"=\"d\"\r\n"
      "[HKCU\\s\\t]\r\n\"w\"=-\r\n[-HKCU\\s\\t]\r\n\"x\"=\"y\"\r\n [HKCU\\u] \r\n\"=a\"=b\r\n"
      "\"n \" = dword:ffff\r\n\"[x\"=\"1\"\r\n\"z\"=\"2\"\r\n[HKCU\\" +
      std::string(255, 'p') + "\\" + std::string(255, 'q') + "]\r\n\"deep\"=\"1\"\r\n";
  const std::string file = folder.file("same.reg");
  access_test::write_file(file, script);
  EmulatedRegistry direct_registry;
  EmulatedRegistry reference_registry;
  clsRegistryAccess direct(direct_registry);
  clsRegistryAccess reference(reference_registry);
  EXPECT_EQ(direct.ImportFromReg(file), 1);
  EXPECT_EQ(access_reference::import_from_reg(reference, reference_registry, file), 1);
  EXPECT_EQ(access_reference::dump(direct_registry), access_reference::dump(reference_registry));
  EXPECT_NE(access_reference::dump(direct_registry).find("deep"), std::string::npos);
}

TYPED_TEST(AccessImport, ReadsTheFileInTheAnsiCodePage) {
  EXPECT_EQ(
      this->import_text("REGEDIT4\r\n" + this->key("k") + "\r\n\"ad\"=\"" + utf8_to_ansi("Şükrü Güneş") + "\"\r\n"), 1);
  EXPECT_EQ(this->acc().ReadString(this->base("k"), "ad"), "Şükrü Güneş");
}

}  // namespace
