#include "registry_source/ClsRegistry.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <stdexcept>
#include <vector>

#include "forwarding_registry.h"
#include "platform/codepage.h"
#include "platform/error.h"
#include "platform/registry_emulated.h"
#include "registry_backends.h"

namespace {

using platform::Hkey;
namespace win = platform::win;
namespace reg = platform::reg;
namespace access = platform::access;

constexpr std::uint32_t hkcu = 0x80000001;
constexpr std::uint32_t hklm = 0x80000002;

using Bytes = std::vector<std::uint8_t>;

Bytes bytes_of(const std::string& s) { return Bytes(s.begin(), s.end()); }

// Sits between ClsRegistry and a backend and watches it: which handles are
// open, whether one is closed twice, which access each open asked for. It can
// make one registry function throw (a function that cannot be called), and
// make one computer name reachable, connecting it to the local registry
// through a handle of its own.
class Spy : public telvora_test::ForwardingRegistry {
 public:
  enum class Fn { open, create, query, set, enum_key, enum_value, delete_key, delete_value, close, connect };

  using ForwardingRegistry::ForwardingRegistry;

  std::size_t open_handles() const { return open_.size(); }
  int bad_closes = 0;
  std::vector<std::uint32_t> open_masks;
  std::optional<Fn> throw_from;
  std::string reachable_computer;
  int connections = 0;

  long open_key_ex(Hkey root, const std::string& sub_key, std::uint32_t options, std::uint32_t sam,
                   Hkey* result) override {
    const long rc = ForwardingRegistry::open_key_ex(root, sub_key, options, sam, result);
    open_masks.push_back(sam);
    return track(rc, result);
  }
  long open_key(Hkey root, const std::string& sub_key, Hkey* result) override {
    const long rc = ForwardingRegistry::open_key(root, sub_key, result);
    // The same handle back for an empty sub-key is not a new one.
    return sub_key.empty() ? rc : track(rc, result);
  }
  long create_key(Hkey root, const std::string& sub_key, Hkey* result) override {
    return track(ForwardingRegistry::create_key(root, sub_key, result), result);
  }
  long create_key_ex(Hkey root, const std::string& sub_key, std::uint32_t options, std::uint32_t sam, Hkey* result,
                     std::uint32_t* disposition) override {
    return track(ForwardingRegistry::create_key_ex(root, sub_key, options, sam, result, disposition), result);
  }
  long close_key(Hkey key) override {
    const long rc = ForwardingRegistry::close_key(key);
    if (!platform::is_predefined_root(key)) {
      const auto it = open_.find(key);
      if (it == open_.end()) {
        ++bad_closes;
      } else {
        open_.erase(it);
      }
    }
    return rc;
  }
  long connect_registry(const std::string& machine_name, Hkey root, Hkey* result) override {
    note(ForwardingRegistry::Fn::connect_registry, root, machine_name, 0);
    ++connections;
    if (!reachable_computer.empty() && machine_name == reachable_computer) {
      return track(inner().open_key_ex(root, "", 0, access::all, result), result);
    }
    return track(inner().connect_registry(machine_name, root, result), result);
  }

 protected:
  // A function that cannot be called throws before it reaches the backend.
  void note(ForwardingRegistry::Fn which, Hkey /*key*/, std::string_view /*name*/, std::uint32_t /*number*/) override {
    using F = ForwardingRegistry::Fn;
    static constexpr Fn kinds[] = {Fn::open,       Fn::open,         Fn::create,   Fn::create,
                                   Fn::query,      Fn::set,          Fn::enum_key, Fn::enum_value,
                                   Fn::delete_key, Fn::delete_value, Fn::close,    Fn::connect};
    static_assert(std::size(kinds) == static_cast<std::size_t>(F::connect_registry) + 1);
    if (throw_from == kinds[static_cast<std::size_t>(which)]) {
      throw std::runtime_error("registry function cannot be called");
    }
  }

 private:
  long track(long rc, const Hkey* result) {
    if (rc == win::success && result != nullptr && *result != 0 && !platform::is_predefined_root(*result)) {
      open_.insert(*result);
    }
    return rc;
  }

  std::multiset<Hkey> open_;
};

// The numbered error an operation raised, or 0 when it raised none.
template <class Operation>
long error_of(Operation operation) {
  try {
    operation();
  } catch (const platform::RuntimeError& e) {
    EXPECT_EQ(e.source(), "clsRegistry");
    return e.number();
  }
  return 0;
}

// Each test works below the fixture's scratch key of HKEY_CURRENT_USER,
// through a Spy over the backend.
template <class Backend>
class ClsRegistryTest : public telvora_test::RegistryFixture<Backend> {
 protected:
  using Base = telvora_test::RegistryFixture<Backend>;

  void SetUp() override {
    Base::SetUp();
    spy = std::make_unique<Spy>(this->reg());
    cls = std::make_unique<ClsRegistry>(*spy);
  }

  void TearDown() override {
    EXPECT_EQ(spy->open_handles(), 0U) << "a handle was left open";
    EXPECT_EQ(spy->bad_closes, 0) << "a handle was closed twice, or one never opened";
    cls.reset();
    spy.reset();
    Base::TearDown();
  }

  // The scratch key's path below HKEY_CURRENT_USER, and a path below it.
  std::string key() const { return this->scratch_path(); }
  std::string key(const std::string& sub) const { return this->scratch_path() + "\\" + sub; }

  // Stores a value on the scratch key with exactly these bytes, bypassing
  // ClsRegistry (a text without its terminating zero included).
  void put(const std::string& name, std::uint32_t type, const Bytes& data) {
    if (auto* e = this->emulated()) {
      ASSERT_EQ(e->store_raw_value(this->scratch(), name, type, data), win::success);
    } else {
      // Wine looks at the byte after the data to decide whether a text
      // lacks its zero; a non-zero byte there keeps the data as given.
      Bytes buffer = data;
      buffer.push_back('X');
      ASSERT_EQ(
          this->reg().set_value_ex(this->scratch(), name, type, buffer.data(), static_cast<std::uint32_t>(data.size())),
          win::success);
    }
    ASSERT_EQ(stored(name).data, data) << "the backend did not store the bytes as given";
  }
  void put_text(const std::string& name, const std::string& text, std::uint32_t type = reg::sz) {
    Bytes data = bytes_of(text);
    data.push_back(0);
    put(name, type, data);
  }

  struct Stored {
    long rc = 0;
    std::uint32_t type = 0;
    Bytes data;
  };
  // A value of the scratch key as the backend holds it.
  Stored stored(const std::string& name) {
    Stored s;
    std::uint32_t size = 0;
    s.rc = this->reg().query_value_ex(this->scratch(), name, &s.type, nullptr, &size);
    if (s.rc == win::success) {
      s.data.resize(size);
      s.rc = this->reg().query_value_ex(this->scratch(), name, &s.type, s.data.data(), &size);
      s.data.resize(size);
    }
    return s;
  }

  std::unique_ptr<Spy> spy;
  std::unique_ptr<ClsRegistry> cls;
};

TYPED_TEST_SUITE(ClsRegistryTest, telvora_test::RegistryBackends, telvora_test::BackendNames);

// --- key names and roots ---

TYPED_TEST(ClsRegistryTest, OneLeadingBackslashIsDroppedAndOnlyOne) {
  auto& c = *this->cls;
  EXPECT_TRUE(c.CreateKey(hkcu, "\\" + this->key("A")));
  EXPECT_TRUE(c.KeyExists(hkcu, this->key("A")));
  EXPECT_TRUE(c.KeyExists(hkcu, "\\" + this->key("A")));
  // Two backslashes lose only the first; the key path then starts with one,
  // which names no key.
  EXPECT_FALSE(c.KeyExists(hkcu, "\\\\" + this->key("A")));
  EXPECT_TRUE(c.SetValue(hkcu, "\\" + this->key("A"), "v", std::string("x")));
  EXPECT_EQ(c.GetValue(hkcu, "\\" + this->key("A"), "v"), Variant(std::string("x")));
}

TYPED_TEST(ClsRegistryTest, AnInvalidRootBehavesAsAMissingKey) {
  auto& c = *this->cls;
  for (const std::uint32_t root : {0U, 0x80000010U}) {
    EXPECT_TRUE(is_empty(c.GetValue(root, "Software", "x")));
    EXPECT_EQ(c.ListSubKey(root, "Software", 0), "");
    EXPECT_EQ(c.ListSubValue(root, "Software", 0), "");
    EXPECT_FALSE(c.KeyExists(root, "Software"));
    EXPECT_FALSE(c.CreateKey(root, "Software\\Telvora"));
    EXPECT_FALSE(c.DeleteKey(root, "Software\\Telvora"));
    EXPECT_FALSE(c.DeleteValue(root, "Software", "x"));
    EXPECT_EQ(error_of([&] { c.SetValue(root, "Software", "x", std::string("y")); }), 11001);
  }
}

// --- GetValue ---

TYPED_TEST(ClsRegistryTest, GetValueReadsTextsUpTo254AnsiBytes) {
  std::string letters;
  for (int i = 0; i < 254; ++i) letters += "ş";  // one ANSI byte, two UTF-8 bytes each
  const struct {
    std::string text;
    bool readable;
  } cases[] = {
      {std::string(254, 'a'), true},
      {std::string(255, 'a'), false},
      {letters, true},
      {letters + "ş", false},
      {"", true},
      {"C:\\Program Files\\Microsoft Office\\Office\\", true},
  };
  for (const auto& c : cases) {
    this->put_text("v", platform::utf8_to_ansi(c.text));
    const Variant got = this->cls->GetValue(hkcu, this->key(), "v");
    if (c.readable) {
      EXPECT_EQ(got, Variant(c.text)) << c.text.size() << " bytes of UTF-8";
    } else {
      EXPECT_TRUE(is_empty(got)) << c.text.size() << " bytes of UTF-8";
    }
  }
}

TYPED_TEST(ClsRegistryTest, GetValueReadsAnExpandableTextUnexpanded) {
  this->put_text("Path", "%ProgramFiles%\\Microsoft Office\\Office12\\", reg::expand_sz);
  EXPECT_EQ(this->cls->GetValue(hkcu, this->key(), "Path"),
            Variant(std::string("%ProgramFiles%\\Microsoft Office\\Office12\\")));
  this->put_text("Path", std::string(255, 'x'), reg::expand_sz);
  EXPECT_TRUE(is_empty(this->cls->GetValue(hkcu, this->key(), "Path")));
}

TYPED_TEST(ClsRegistryTest, GetValueKeepsEveryCharacterOfTextStoredWithoutItsZero) {
  this->put("v", reg::sz, bytes_of("abc"));
  EXPECT_EQ(this->cls->GetValue(hkcu, this->key(), "v"), Variant(std::string("abc")));
  this->put("v", reg::sz, {});
  EXPECT_EQ(this->cls->GetValue(hkcu, this->key(), "v"), Variant(std::string()));
}

TYPED_TEST(ClsRegistryTest, GetValueReadsNumbersByType) {
  const struct {
    std::uint32_t type;
    Bytes data;
    Variant expected;
  } cases[] = {
      {reg::dword, {5, 0, 0, 0}, std::int32_t{5}},
      {reg::dword, {0xFF, 0xFF, 0xFF, 0xFF}, std::int32_t{-1}},
      {reg::dword, {0x0C, 0x01}, std::int32_t{0x10C}},  // short data fills the low bytes
      {reg::binary, {0x2A}, std::uint8_t{42}},
      {reg::binary, {0xFF, 0, 0, 0}, std::uint8_t{255}},
      {reg::binary, {}, std::uint8_t{0}},
      // Longer than the 4-byte integer: read as a failed second read.
      {reg::dword, {1, 0, 0, 0, 0, 0, 0, 0}, std::int16_t{0}},
      {reg::binary, {0x2A, 0, 0, 0, 0}, std::int16_t{0}},
      // Types that are not read.
      {reg::multi_sz, {'a', 0, 0}, Variant{}},
      {11 /*REG_QWORD*/, {1, 0, 0, 0, 0, 0, 0, 0}, Variant{}},
      {reg::none, {1}, Variant{}},
  };
  for (const auto& c : cases) {
    this->put("v", c.type, c.data);
    const Variant got = this->cls->GetValue(hkcu, this->key(), "v");
    EXPECT_EQ(got, c.expected) << "type " << c.type << ", " << c.data.size() << " bytes; got kind " << got.index();
  }
}

TYPED_TEST(ClsRegistryTest, GetValueOfBinaryBeyondAByteRaises11002) {
  for (const Bytes& data : {Bytes{0x01, 0x02}, Bytes{0, 1}, Bytes{0xFF, 0xFF, 0xFF, 0xFF}}) {
    this->put("v", reg::binary, data);
    EXPECT_EQ(error_of([&] { this->cls->GetValue(hkcu, this->key(), "v"); }), 11002) << data.size() << " bytes";
  }
}

TYPED_TEST(ClsRegistryTest, GetValueOfSomethingMissingIsEmptyWithoutError) {
  EXPECT_TRUE(is_empty(this->cls->GetValue(hkcu, this->key(), "missing")));
  EXPECT_TRUE(is_empty(this->cls->GetValue(hkcu, this->key("missing"), "v")));
  EXPECT_TRUE(is_empty(this->cls->GetValue(hkcu, this->key(), "")));  // no default value
}

TYPED_TEST(ClsRegistryTest, ValueAndKeyNamesIgnoreLetterCaseIncludingTurkishLetters) {
  // Letters without the dotted/dotless i, whose pairing is the locale's.
  this->put_text(platform::utf8_to_ansi("Güçlü Şöför"), "x");
  EXPECT_EQ(this->cls->GetValue(hkcu, this->key(), "GÜÇLÜ şÖFÖR"), Variant(std::string("x")));
  EXPECT_TRUE(this->cls->CreateKey(hkcu, this->key("Ağaç")));
  EXPECT_TRUE(this->cls->KeyExists(hkcu, this->key("AĞAÇ")));
  EXPECT_EQ(this->cls->ListSubKey(hkcu, this->key(), 0), "Ağaç");
}

// --- SetValue ---

TYPED_TEST(ClsRegistryTest, SetValueCreatesAMissingValueAsText) {
  auto& c = *this->cls;
  const struct {
    Variant value;
    std::string stored;
  } cases[] = {
      {std::int32_t{12}, "12"},
      {std::string("Adınız"), platform::utf8_to_ansi("Adınız")},
      {Variant{}, ""},
      {true, "True"},
      {1.5, "1,5"},
      {std::uint8_t{7}, "7"},
  };
  char name[] = "v0";
  for (const auto& cs : cases) {
    ++name[1];
    EXPECT_TRUE(c.SetValue(hkcu, this->key(), name, cs.value));
    const auto s = this->stored(name);
    ASSERT_EQ(s.rc, win::success) << name;
    EXPECT_EQ(s.type, reg::sz) << name;
    Bytes expected = bytes_of(cs.stored);
    expected.push_back(0);  // the number 12 is three bytes: '1', '2', 0
    EXPECT_EQ(s.data, expected) << name;
  }
}

TYPED_TEST(ClsRegistryTest, SetValueKeepsTheTypeOfAnExistingValue) {
  auto& c = *this->cls;
  const struct {
    std::uint32_t type;
    Bytes before;
    Variant value;
    Bytes after;
  } cases[] = {
      {reg::sz, bytes_of(std::string("old\0", 4)), std::int32_t{5}, {'5', 0}},
      {reg::dword, {1, 0, 0, 0}, std::string("12"), {12, 0, 0, 0}},
      {reg::dword, {1, 0, 0, 0}, std::int32_t{-2}, {0xFE, 0xFF, 0xFF, 0xFF}},
      {reg::dword, {1, 0, 0, 0}, std::string("2147483647"), {0xFF, 0xFF, 0xFF, 0x7F}},
      {reg::dword, {1, 0, 0, 0}, true, {0xFF, 0xFF, 0xFF, 0xFF}},
      {reg::binary, {1, 2, 3}, std::int32_t{200}, {200}},
      {reg::binary, {1}, std::string("42"), {42}},
      // Types that are neither read nor changed.
      {reg::expand_sz, bytes_of(std::string("%TEMP%\0", 7)), std::string("new"), bytes_of(std::string("%TEMP%\0", 7))},
      {reg::multi_sz, bytes_of(std::string("a\0b\0\0", 5)), std::string("new"), bytes_of(std::string("a\0b\0\0", 5))},
      {reg::multi_sz, bytes_of(std::string("a\0\0", 3)), Null{}, bytes_of(std::string("a\0\0", 3))},
  };
  for (const auto& cs : cases) {
    this->put("v", cs.type, cs.before);
    EXPECT_TRUE(c.SetValue(hkcu, this->key(), "v", cs.value)) << "type " << cs.type;
    const auto s = this->stored("v");
    EXPECT_EQ(s.type, cs.type);
    EXPECT_EQ(s.data, cs.after) << "type " << cs.type;
  }
}

TYPED_TEST(ClsRegistryTest, SetValueOfAByteReadsBackAsThatByte) {
  this->put("v", reg::binary, {0});
  EXPECT_TRUE(this->cls->SetValue(hkcu, this->key(), "v", std::int32_t{255}));
  EXPECT_EQ(this->cls->GetValue(hkcu, this->key(), "v"), Variant(std::uint8_t{255}));
}

TYPED_TEST(ClsRegistryTest, SetValueRaises11001ForValuesThatDoNotConvertAndChangesNothing) {
  auto& c = *this->cls;
  const struct {
    std::uint32_t type;
    Bytes before;
    Variant value;
  } cases[] = {
      {reg::dword, {1, 0, 0, 0}, std::int64_t{2147483648LL}},
      {reg::dword, {1, 0, 0, 0}, std::string("-2147483649")},
      {reg::dword, {1, 0, 0, 0}, 3e9},
      {reg::dword, {1, 0, 0, 0}, std::string("on iki")},
      {reg::dword, {1, 0, 0, 0}, Null{}},
      {reg::binary, {1}, std::int32_t{256}},
      {reg::binary, {1}, std::int32_t{-1}},
      {reg::sz, {'a', 0}, Null{}},
  };
  for (const auto& cs : cases) {
    this->put("v", cs.type, cs.before);
    EXPECT_EQ(error_of([&] { c.SetValue(hkcu, this->key(), "v", cs.value); }), 11001) << "type " << cs.type;
    EXPECT_EQ(this->stored("v").data, cs.before);
  }
  EXPECT_EQ(error_of([&] { c.SetValue(hkcu, this->key(), "new", Null{}); }), 11001);
  EXPECT_EQ(this->stored("new").rc, win::file_not_found);
}

TYPED_TEST(ClsRegistryTest, SetValueOnAMissingKeyRaises11001AndCreatesNothing) {
  EXPECT_EQ(error_of([&] { this->cls->SetValue(hkcu, this->key("missing"), "v", std::string("x")); }), 11001);
  EXPECT_FALSE(this->cls->KeyExists(hkcu, this->key("missing")));
}

TYPED_TEST(ClsRegistryTest, SetValueReplacesTextTooLongToProbeButKeepsOtherLongValuesTyped) {
  auto& c = *this->cls;
  this->put_text("text", std::string(300, 't'));
  EXPECT_TRUE(c.SetValue(hkcu, this->key(), "text", std::string("short")));
  EXPECT_EQ(this->stored("text").data, bytes_of(std::string("short\0", 6)));

  this->put("bin", reg::binary, Bytes(300, 0xAB));
  EXPECT_TRUE(c.SetValue(hkcu, this->key(), "bin", std::int32_t{7}));
  EXPECT_EQ(this->stored("bin").type, reg::binary);
  EXPECT_EQ(this->stored("bin").data, Bytes{7});

  const Bytes long_list = [] {
    Bytes b(300, 'm');
    b.push_back(0);
    b.push_back(0);
    return b;
  }();
  this->put("list", reg::multi_sz, long_list);
  EXPECT_TRUE(c.SetValue(hkcu, this->key(), "list", std::string("x")));
  EXPECT_EQ(this->stored("list").type, reg::multi_sz);
  EXPECT_EQ(this->stored("list").data, long_list);
}

TYPED_TEST(ClsRegistryTest, SetValueWritesTheDefaultValueForAnEmptyName) {
  EXPECT_TRUE(this->cls->SetValue(hkcu, this->key(), "", std::string("default")));
  EXPECT_EQ(this->cls->GetValue(hkcu, this->key(), ""), Variant(std::string("default")));
}

// --- the listings ---

TYPED_TEST(ClsRegistryTest, ListSubKeyWalksEverySubKeyAndEndsWithEmptyText) {
  auto& c = *this->cls;
  for (const char* name : {"Beta", "alpha", "Gamma"}) ASSERT_TRUE(c.CreateKey(hkcu, this->key(name)));
  ASSERT_TRUE(c.CreateKey(hkcu, this->key("alpha\\deeper")));
  // Sub-keys come sorted on both backends.
  EXPECT_EQ(c.ListSubKey(hkcu, this->key(), 0), "alpha");
  EXPECT_EQ(c.ListSubKey(hkcu, this->key(), 1), "Beta");
  EXPECT_EQ(c.ListSubKey(hkcu, this->key(), 2), "Gamma");
  EXPECT_EQ(c.ListSubKey(hkcu, this->key(), 3), "");  // index == count
  EXPECT_EQ(c.ListSubKey(hkcu, this->key(), -1), "");
  EXPECT_EQ(c.ListSubKey(hkcu, this->key("missing"), 0), "");
  EXPECT_EQ(c.ListSubKey(hkcu, "\\" + this->key("alpha"), 0), "deeper");
}

TYPED_TEST(ClsRegistryTest, ListSubKeyReadsNamesOfEveryAllowedLength) {
  // 254 characters fit the usual buffer; 255, the longest a key name may be,
  // is read again with more room instead of ending the listing there.
  const std::string a254 = std::string(254, 'a');
  const std::string b255 = std::string(255, 'b');
  for (const std::string& name : {a254, b255, std::string("c")}) {
    // Made relative to the scratch key: Wine's ANSI functions refuse a whole
    // path this long.
    Hkey made = 0;
    ASSERT_EQ(this->reg().create_key_ex(this->scratch(), name, 0, access::all, &made, nullptr), win::success);
    this->reg().close_key(made);
  }
  EXPECT_EQ(this->cls->ListSubKey(hkcu, this->key(), 0), a254);
  EXPECT_EQ(this->cls->ListSubKey(hkcu, this->key(), 1), b255);
  EXPECT_EQ(this->cls->ListSubKey(hkcu, this->key(), 2), "c");
  EXPECT_EQ(this->cls->ListSubKey(hkcu, this->key(), 3), "");
}

TYPED_TEST(ClsRegistryTest, ListSubValueNamesEveryValueAndTheDefaultAsEmptyText) {
  auto& c = *this->cls;
  this->put_text("first", "1");
  this->put_text(std::string(300, 'n'), "2");
  std::set<std::string> names;
  for (int i = 0; i < 2; ++i) names.insert(c.ListSubValue(hkcu, this->key(), i));
  // Value order is the backend's (creation order on Windows, sorted in Wine).
  EXPECT_EQ(names, (std::set<std::string>{"first", std::string(300, 'n')}));
  EXPECT_EQ(c.ListSubValue(hkcu, this->key(), 2), "");
  EXPECT_EQ(c.ListSubValue(hkcu, this->key("missing"), 0), "");

  ASSERT_TRUE(c.CreateKey(hkcu, this->key("d")));
  ASSERT_TRUE(c.SetValue(hkcu, this->key("d"), "", std::string("default")));
  EXPECT_EQ(c.ListSubValue(hkcu, this->key("d"), 0), "");
  EXPECT_EQ(c.ListSubValue(hkcu, this->key("d"), 1), "");
}

// --- the key operations ---

TYPED_TEST(ClsRegistryTest, CreateKeyMakesMissingParentsAndAcceptsAnExistingKey) {
  auto& c = *this->cls;
  EXPECT_TRUE(c.CreateKey(hkcu, this->key("a\\b\\c")));
  EXPECT_TRUE(c.KeyExists(hkcu, this->key("a\\b")));
  ASSERT_TRUE(c.SetValue(hkcu, this->key("a\\b\\c"), "v", std::string("kept")));
  EXPECT_TRUE(c.CreateKey(hkcu, this->key("a\\b\\c")));
  EXPECT_EQ(c.GetValue(hkcu, this->key("a\\b\\c"), "v"), Variant(std::string("kept")));
}

TYPED_TEST(ClsRegistryTest, DeleteKeyRemovesOnlyKeysWithoutSubKeys) {
  auto& c = *this->cls;
  ASSERT_TRUE(c.CreateKey(hkcu, this->key("a\\b")));
  EXPECT_FALSE(c.DeleteKey(hkcu, this->key("a")));
  EXPECT_TRUE(c.KeyExists(hkcu, this->key("a\\b")));
  EXPECT_TRUE(c.DeleteKey(hkcu, "\\" + this->key("a\\b")));
  EXPECT_FALSE(c.KeyExists(hkcu, this->key("a\\b")));
  EXPECT_TRUE(c.DeleteKey(hkcu, this->key("a")));
  EXPECT_FALSE(c.DeleteKey(hkcu, this->key("a")));
}

TYPED_TEST(ClsRegistryTest, DeleteValueReportsWhetherThereWasOne) {
  auto& c = *this->cls;
  this->put_text("v", "x");
  this->put_text("", "default");
  EXPECT_TRUE(c.DeleteValue(hkcu, this->key(), "V"));
  EXPECT_EQ(this->stored("v").rc, win::file_not_found);
  EXPECT_FALSE(c.DeleteValue(hkcu, this->key(), "v"));
  EXPECT_TRUE(c.DeleteValue(hkcu, this->key(), ""));
  EXPECT_TRUE(is_empty(c.GetValue(hkcu, this->key(), "")));
  EXPECT_FALSE(c.DeleteValue(hkcu, this->key("missing"), "v"));
}

TYPED_TEST(ClsRegistryTest, ReadsAskForReadAccessAndChangesForFullAccess) {
  auto& c = *this->cls;
  auto& masks = this->spy->open_masks;
  const struct {
    std::function<void()> operation;
    std::uint32_t mask;
  } cases[] = {
      {[&] { c.GetValue(hkcu, this->key(), "v"); }, access::read},
      {[&] { c.ListSubKey(hkcu, this->key(), 0); }, access::read},
      {[&] { c.ListSubValue(hkcu, this->key(), 0); }, access::read},
      {[&] { c.SetValue(hkcu, this->key(), "v", std::string()); }, access::all},
      {[&] { c.DeleteValue(hkcu, this->key(), "v"); }, access::all},
      {[&] { c.KeyExists(hkcu, this->key()); }, access::all},
  };
  for (const auto& cs : cases) {
    masks.clear();
    cs.operation();
    EXPECT_EQ(masks, std::vector<std::uint32_t>{cs.mask});
  }
}

// --- remote computers ---

TYPED_TEST(ClsRegistryTest, AnUnreachableComputerGivesTheResultsOfAMissingKey) {
  auto& c = *this->cls;
  const std::string far = "NO-SUCH-COMPUTER-TELVORA";
  this->put_text("v", "x");
  EXPECT_TRUE(is_empty(c.GetValue(hkcu, this->key(), "v", far)));
  EXPECT_EQ(error_of([&] { c.SetValue(hkcu, this->key(), "v", std::string("y"), far); }), 11001);
  EXPECT_EQ(c.ListSubKey(hkcu, "Software", 0, far), "");
  EXPECT_EQ(c.ListSubValue(hkcu, this->key(), 0, far), "");
  EXPECT_FALSE(c.KeyExists(hkcu, this->key(), far));
  EXPECT_FALSE(c.CreateKey(hkcu, this->key("r"), far));
  EXPECT_FALSE(c.DeleteKey(hkcu, this->key(), far));
  EXPECT_FALSE(c.DeleteValue(hkcu, this->key(), "v", far));
  EXPECT_EQ(this->stored("v").data, bytes_of(std::string("x\0", 2)));
  EXPECT_EQ(this->spy->connections, 8);
}

TYPED_TEST(ClsRegistryTest, AReachableComputerIsWorkedOnThroughItsConnectionWhichIsClosed) {
  auto& c = *this->cls;
  auto& spy = *this->spy;
  spy.reachable_computer = "\\\\YAKIN";
  EXPECT_TRUE(c.CreateKey(hkcu, this->key("r"), "\\\\YAKIN"));
  EXPECT_TRUE(c.KeyExists(hkcu, this->key("r"), "\\\\YAKIN"));
  EXPECT_TRUE(c.SetValue(hkcu, this->key("r"), "v", std::int32_t{3}, "\\\\YAKIN"));
  EXPECT_EQ(c.GetValue(hkcu, this->key("r"), "v", "\\\\YAKIN"), Variant(std::string("3")));
  EXPECT_EQ(c.ListSubKey(hkcu, this->key(), 0, "\\\\YAKIN"), "r");
  EXPECT_EQ(c.ListSubValue(hkcu, this->key("r"), 0, "\\\\YAKIN"), "v");
  EXPECT_TRUE(c.DeleteValue(hkcu, this->key("r"), "v", "\\\\YAKIN"));
  EXPECT_TRUE(c.DeleteKey(hkcu, this->key("r"), "\\\\YAKIN"));
  EXPECT_FALSE(c.KeyExists(hkcu, this->key("r")));
  EXPECT_EQ(spy.connections, 8);
  // TearDown checks that every connection handle was closed, once.
}

TYPED_TEST(ClsRegistryTest, ThisComputersOwnNameReachesTheLocalRegistry) {
  const char* name = std::getenv("COMPUTERNAME");
  if (this->is_emulated() || name == nullptr) GTEST_SKIP() << "the emulated registry knows no computer names";
  auto& c = *this->cls;
  for (const std::string& computer : {std::string(name), "\\\\" + std::string(name)}) {
    EXPECT_TRUE(c.SetValue(hkcu, this->key(), "v", std::string("yerel"), computer));
    EXPECT_EQ(c.GetValue(hkcu, this->key(), "v", computer), Variant(std::string("yerel")));
    EXPECT_TRUE(c.KeyExists(hkcu, this->key(), computer));
  }
}

// --- numbered errors ---

TYPED_TEST(ClsRegistryTest, EachOperationRaisesItsOwnNumberWhenAPlatformCallFails) {
  auto& c = *this->cls;
  auto& spy = *this->spy;
  ASSERT_TRUE(c.CreateKey(hkcu, this->key("sub")));
  this->put_text("v", "x");
  // Through a reachable remote computer, so that the error path must also
  // close the connection.
  spy.reachable_computer = "UZAK";
  const struct {
    Spy::Fn failing;
    std::function<void()> operation;
    long number;
    const char* description;
  } cases[] = {
      {Spy::Fn::query, [&] { c.SetValue(hkcu, this->key(), "v", std::string("y"), "UZAK"); }, 11001, "SetValue"},
      {Spy::Fn::set, [&] { c.SetValue(hkcu, this->key(), "v", std::string("y"), "UZAK"); }, 11001, "SetValue"},
      {Spy::Fn::query, [&] { c.GetValue(hkcu, this->key(), "v", "UZAK"); }, 11002, "GetValue"},
      {Spy::Fn::enum_key, [&] { c.ListSubKey(hkcu, this->key(), 0, "UZAK"); }, 11003, "ListSubKey"},
      {Spy::Fn::delete_value, [&] { c.DeleteValue(hkcu, this->key(), "v", "UZAK"); }, 11004, "DeleteValue"},
      {Spy::Fn::create, [&] { c.CreateKey(hkcu, this->key("new"), "UZAK"); }, 11005, "CreateKey"},
      {Spy::Fn::delete_key, [&] { c.DeleteKey(hkcu, this->key("sub"), "UZAK"); }, 11006, "DeleteKey"},
      {Spy::Fn::enum_value, [&] { c.ListSubValue(hkcu, this->key(), 0, "UZAK"); }, 11007, "ListSubValue"},
      {Spy::Fn::open, [&] { c.KeyExists(hkcu, this->key(), "UZAK"); }, 11008, "KeyExists"},
      {Spy::Fn::connect, [&] { c.KeyExists(hkcu, this->key()); }, 0, ""},  // the local registry needs no connection
  };
  for (const auto& cs : cases) {
    spy.throw_from = cs.failing;
    try {
      cs.operation();
      EXPECT_EQ(cs.number, 0) << cs.description << " raised nothing";
    } catch (const platform::RuntimeError& e) {
      EXPECT_EQ(e.number(), cs.number);
      EXPECT_EQ(e.source(), "clsRegistry");
      EXPECT_EQ(e.description(), cs.description);
    }
    spy.throw_from.reset();
    EXPECT_EQ(spy.open_handles(), 0U) << cs.description << " left a handle open";
  }
  EXPECT_EQ(this->stored("v").data, bytes_of(std::string("x\0", 2)));
}

TYPED_TEST(ClsRegistryTest, DataBindingPropertiesStoreNothing) {
  ClsRegistry& c = *this->cls;
  c.DataSource(std::make_shared<int>(1));
  c.DataMember("Hesaplar");
  EXPECT_EQ(c.DataSource(), nullptr);
  EXPECT_EQ(c.DataMember(), "");
}

// --- cases only the emulated registry can reach ---

TYPED_TEST(ClsRegistryTest, AStandardUserFindsOutlookUnderAReadOnlyLocalMachine) {
  auto* emulated = this->emulated();
  if (emulated == nullptr) GTEST_SKIP() << "advapi32 under Wine always runs as an administrator";
  auto& c = *this->cls;
  const std::string app_paths = "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\OUTLOOK.EXE";
  ASSERT_TRUE(c.CreateKey(hklm, app_paths));
  ASSERT_TRUE(c.SetValue(hklm, app_paths, "Path", std::string("C:\\Program Files\\Microsoft Office\\OFFICE11\\")));
  ASSERT_TRUE(c.CreateKey(hklm, app_paths + "\\Sub"));
  emulated->set_read_only(platform::hkey::local_machine, true);

  EXPECT_EQ(c.GetValue(hklm, app_paths, "Path"),
            Variant(std::string("C:\\Program Files\\Microsoft Office\\OFFICE11\\")));
  EXPECT_EQ(c.ListSubKey(hklm, app_paths, 0), "Sub");
  EXPECT_EQ(c.ListSubValue(hklm, app_paths, 0), "Path");
  EXPECT_FALSE(c.KeyExists(hklm, app_paths));
  EXPECT_FALSE(c.DeleteValue(hklm, app_paths, "Path"));
  EXPECT_FALSE(c.CreateKey(hklm, app_paths + "\\New"));
  EXPECT_FALSE(c.DeleteKey(hklm, app_paths + "\\Sub"));
  EXPECT_EQ(error_of([&] { c.SetValue(hklm, app_paths, "Path", std::string("x")); }), 11001);

  emulated->set_read_only(platform::hkey::local_machine, false);
  EXPECT_EQ(c.GetValue(hklm, app_paths, "Path"),
            Variant(std::string("C:\\Program Files\\Microsoft Office\\OFFICE11\\")));
  EXPECT_TRUE(c.DeleteKey(hklm, app_paths + "\\Sub"));
  EXPECT_TRUE(c.DeleteKey(hklm, app_paths));
}

TYPED_TEST(ClsRegistryTest, AFailedSecondReadGivesTheShortZeroForANumberAndEmptyTextForAText) {
  auto* emulated = this->emulated();
  if (emulated == nullptr) GTEST_SKIP() << "needs fault injection";
  using Call = platform::EmulatedRegistry::Call;
  for (const auto type : {reg::dword, reg::binary}) {
    this->put("v", type, {9, 0, 0, 0});
    emulated->fail_call(Call::query_value_ex, 1 /*ERROR_INVALID_FUNCTION*/, 2);
    EXPECT_EQ(this->cls->GetValue(hkcu, this->key(), "v"), Variant(std::int16_t{0})) << "type " << type;
    emulated->clear_faults();
  }
  for (const auto type : {reg::sz, reg::expand_sz}) {
    this->put("t", type, {'a', 'b', 0});
    emulated->fail_call(Call::query_value_ex, 1 /*ERROR_INVALID_FUNCTION*/, 2);
    EXPECT_EQ(this->cls->GetValue(hkcu, this->key(), "t"), Variant(std::string())) << "type " << type;
    emulated->clear_faults();
    EXPECT_EQ(this->cls->GetValue(hkcu, this->key(), "t"), Variant(std::string("ab"))) << "type " << type;
  }
}

TYPED_TEST(ClsRegistryTest, AFailedWriteIsReportedAsFalse) {
  auto* emulated = this->emulated();
  if (emulated == nullptr) GTEST_SKIP() << "needs fault injection";
  using Call = platform::EmulatedRegistry::Call;
  this->put_text("v", "old");
  emulated->fail_call(Call::set_value_ex, 1021 /*ERROR_CANTWRITE*/);
  EXPECT_FALSE(this->cls->SetValue(hkcu, this->key(), "v", std::string("new")));
  EXPECT_EQ(this->stored("v").data, bytes_of(std::string("old\0", 4)));
  emulated->clear_faults();
}

TYPED_TEST(ClsRegistryTest, AFailedProbeLeadsToATextWrite) {
  auto* emulated = this->emulated();
  if (emulated == nullptr) GTEST_SKIP() << "needs fault injection";
  using Call = platform::EmulatedRegistry::Call;
  this->put("v", reg::dword, {1, 0, 0, 0});
  emulated->fail_call(Call::query_value_ex, 1 /*ERROR_INVALID_FUNCTION*/);
  EXPECT_TRUE(this->cls->SetValue(hkcu, this->key(), "v", std::int32_t{12}));
  EXPECT_EQ(this->stored("v").type, reg::sz);
  EXPECT_EQ(this->stored("v").data, bytes_of(std::string("12\0", 3)));
  emulated->clear_faults();
}

TYPED_TEST(ClsRegistryTest, AnEnumerationRetriesAPassingFailureAndEndsOnAPersistentOne) {
  auto* emulated = this->emulated();
  if (emulated == nullptr) GTEST_SKIP() << "needs fault injection";
  using Call = platform::EmulatedRegistry::Call;
  auto& c = *this->cls;
  ASSERT_TRUE(c.CreateKey(hkcu, this->key("k")));
  this->put_text("v", "x");
  const struct {
    Call call;
    std::function<std::string()> list;
    std::string name;
  } cases[] = {
      {Call::enum_key_ex, [&] { return c.ListSubKey(hkcu, this->key(), 0); }, "k"},
      {Call::enum_value, [&] { return c.ListSubValue(hkcu, this->key(), 0); }, "v"},
  };
  for (const auto& cs : cases) {
    const auto before = emulated->calls(cs.call);
    emulated->fail_call(cs.call, win::key_deleted, 1);
    EXPECT_EQ(cs.list(), cs.name);  // one failure is tried again
    EXPECT_EQ(emulated->calls(cs.call) - before, 2U);

    emulated->fail_every_call(cs.call, win::key_deleted);
    const auto stuck = emulated->calls(cs.call);
    EXPECT_EQ(cs.list(), "");  // a failure that persists ends the listing
    EXPECT_EQ(emulated->calls(cs.call) - stuck, 3U);
    emulated->clear_faults();
  }
}

}  // namespace

namespace {

TEST(ClsRegistryDefault, WorksOnTheProcessRegistry) {
  // advapi32 in the Windows build, the process-wide emulated registry natively.
  const ClsRegistry c;
  const std::string path = "Software\\TelvoraTest\\ClsRegistryDefault";
  ASSERT_TRUE(c.CreateKey(hkcu, path));
  platform::Hkey key = 0;
  EXPECT_EQ(platform::default_registry().open_key_ex(hkcu, path, 0, access::read, &key), win::success);
  platform::default_registry().close_key(key);
  EXPECT_TRUE(c.DeleteKey(hkcu, path));
  EXPECT_FALSE(c.KeyExists(hkcu, path));
  c.DeleteKey(hkcu, "Software\\TelvoraTest");  // refused while other tests' keys remain
}

}  // namespace
