// The value operations of clsRegistryAccess, on every registry backend. What
// the class stored is checked past the class, in the registry itself.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <variant>
#include <vector>

#include "clsRegistryAccess_support.h"
#include "platform/codepage.h"
#include "platform/error.h"

namespace {

using namespace platform;
using access_test::AccessFixture;
using access_test::bytes;
using telvora_test::BackendNames;
using telvora_test::RegistryBackends;
using Value = clsRegistryAccess::Value;

template <class Backend>
class AccessValues : public AccessFixture<Backend> {};
TYPED_TEST_SUITE(AccessValues, RegistryBackends, BackendNames);

TYPED_TEST(AccessValues, WritingADwordToAnExistingKeyMakesExactlyTheseCalls) {
  this->make_key("account");
  this->recorder().calls.clear();
  EXPECT_NE(this->acc().WriteDWORD(this->base("account"), "POP3 Port", 110), 0);
  const auto& calls = this->recorder().calls;
  ASSERT_EQ(calls.size(), 5U);
  const std::string sub = this->scratch_path() + "\\account";
  EXPECT_EQ(calls[0].function, "open_key_ex");
  EXPECT_EQ(calls[0].key, hkey::current_user);
  EXPECT_EQ(calls[0].text, sub);
  EXPECT_EQ(calls[0].sam_or_type, access::all);
  EXPECT_EQ(calls[1].function, "close_key");
  EXPECT_EQ(calls[2].function, "open_key_ex");
  EXPECT_EQ(calls[2].text, sub);
  EXPECT_EQ(calls[2].sam_or_type, access::write);
  EXPECT_EQ(calls[3].function, "set_value_ex");
  EXPECT_EQ(calls[3].text, "POP3 Port");
  EXPECT_EQ(calls[3].sam_or_type, reg::dword);
  EXPECT_EQ(calls[3].data, bytes({0x6E, 0, 0, 0}));
  EXPECT_EQ(calls[4].function, "close_key");
}

TYPED_TEST(AccessValues, WritingToAMissingKeyCreatesItBetweenTheTestAndTheWrite) {
  this->recorder().calls.clear();
  EXPECT_NE(this->acc().WriteString(this->base("new account"), "Account Name", "x"), 0);
  std::vector<std::string> sequence;
  for (const auto& c : this->recorder().calls) sequence.push_back(c.function);
  // The failed test closes nothing; the created key is closed before the write opens it again.
  EXPECT_EQ(sequence, (std::vector<std::string>{"open_key_ex", "create_key", "close_key", "open_key_ex", "set_value_ex",
                                                "close_key"}));
  const auto& calls = this->recorder().calls;
  ASSERT_EQ(calls.size(), 6U);
  EXPECT_EQ(calls[1].key, hkey::current_user);
  EXPECT_EQ(calls[1].text, this->scratch_path() + "\\new account");
  EXPECT_EQ(calls[4].sam_or_type, reg::sz);
  EXPECT_EQ(calls[4].data, "x");  // no terminating character counted
}

TYPED_TEST(AccessValues, AWriteToAMissingKeyCreatesItOnlyWhenAllowed) {
  this->acc().CreateKeyIfDoesntExists(false);
  EXPECT_EQ(this->acc().WriteString(this->base("a\\b"), "s", "x"), 0);
  EXPECT_EQ(this->acc().WriteDWORD(this->base("a\\b"), "d", 1), 0);
  EXPECT_EQ(this->acc().WriteBinary(this->base("a\\b"), "b", "01"), 0);
  EXPECT_FALSE(this->key_exists("a"));

  this->acc().CreateKeyIfDoesntExists(true);
  EXPECT_NE(this->acc().WriteString(this->base("a\\b"), "s", "x"), 0);
  EXPECT_EQ(this->raw_text("a\\b", "s"), "x");
  EXPECT_NE(this->acc().WriteDWORD(this->base("c\\d"), "d", 7), 0);
  EXPECT_EQ(this->raw("c\\d", "d").bytes, bytes({7, 0, 0, 0}));
  EXPECT_NE(this->acc().WriteBinary(this->base("e"), "b", "0102"), 0);
  EXPECT_EQ(this->raw("e", "b").bytes, bytes({1, 2}));
}

TYPED_TEST(AccessValues, WriteStringStoresTheAnsiText) {
  ASSERT_NE(this->acc().WriteString(this->base(), "plain", "Hesap ayarları ğüşöçİ"), 0);
  const auto stored = this->raw("", "plain");
  EXPECT_EQ(stored.type, reg::sz);
  EXPECT_EQ(this->raw_text("", "plain"), utf8_to_ansi("Hesap ayarları ğüşöçİ"));
  EXPECT_EQ(this->acc().ReadString(this->base(), "plain"), "Hesap ayarları ğüşöçİ");

  ASSERT_NE(this->acc().WriteString(this->base(), "empty", ""), 0);
  const auto empty = this->raw("", "empty");
  EXPECT_EQ(empty.rc, win::success);
  EXPECT_EQ(empty.type, reg::sz);
  EXPECT_EQ(empty.bytes, "");
  EXPECT_EQ(this->acc().ReadString(this->base(), "empty", "default"), "");
}

TYPED_TEST(AccessValues, OnlyWriteStringTakesTheAtSignForTheDefaultValue) {
  this->acc().WriteString(this->base(), "@", "default text");
  EXPECT_EQ(this->raw_text("", ""), "default text");
  EXPECT_NE(this->raw("", "@").rc, win::success);
  EXPECT_EQ(this->acc().ReadString(this->base(), "", "none"), "default text");
  EXPECT_EQ(this->acc().ReadString(this->base(), "@", "none"), "none");

  this->acc().WriteDWORD(this->base(), "@", 5);
  this->acc().WriteBinary(this->base(), "@", "AA");
  EXPECT_EQ(this->raw("", "@").type, reg::binary);  // a value really called "@"
  EXPECT_TRUE(this->acc().ValueExists(this->base(), "@"));
  EXPECT_EQ(this->raw_text("", ""), "default text");

  // KillValue: "@" is that value, the empty name the default value.
  this->acc().KillValue(this->base(), "@");
  EXPECT_NE(this->raw("", "@").rc, win::success);
  EXPECT_EQ(this->raw("", "").rc, win::success);
  this->acc().KillValue(this->base(), "");
  EXPECT_NE(this->raw("", "").rc, win::success);
}

TYPED_TEST(AccessValues, ReadStringTrimsLeadingBlanksAndKeepsTrailingOnes) {
  this->acc().WriteString(this->base(), "padded", "  both  ");
  EXPECT_EQ(this->acc().ReadString(this->base(), "padded"), "both  ");
  this->acc().WriteString(this->base(), "blanks", "   ");
  EXPECT_EQ(this->acc().ReadString(this->base(), "blanks", "default"), "");
}

TYPED_TEST(AccessValues, ReadStringReadsATextOfAnyLengthWhole) {
  for (const std::size_t length : {253U, 254U, 255U, 256U, 300U, 5000U}) {
    std::string text;
    for (std::size_t i = 0; i < length; ++i) text += static_cast<char>('a' + i % 26);
    text.back() = 'Z';  // the last character must survive
    this->acc().WriteString(this->base(), "long", text);
    EXPECT_EQ(this->acc().ReadString(this->base(), "long", "default"), text) << length;
  }
  // Stored with its terminator by another program: the same text.
  this->put("", "terminated", reg::sz, std::string(400, 'q') + '\0');
  EXPECT_EQ(this->acc().ReadString(this->base(), "terminated"), std::string(400, 'q'));
}

TYPED_TEST(AccessValues, ReadsReturnTheCallersDefaultWhenNothingCanBeRead) {
  EXPECT_EQ(this->acc().ReadString(this->base(), "missing", "def"), "def");
  EXPECT_EQ(this->acc().ReadString(this->base(), "missing"), "");
  EXPECT_EQ(this->acc().ReadString(this->base("no key"), "x", "def"), "def");
  EXPECT_EQ(this->acc().ReadDWORD(this->base(), "missing", 42), 42);
  EXPECT_EQ(this->acc().ReadDWORD(this->base(), "missing"), -1);
  EXPECT_EQ(this->acc().ReadBinary(this->base(), "missing", "def"), "def");
  EXPECT_EQ(this->acc().ReadBinary(this->base("no key"), "missing"), "");
  EXPECT_FALSE(this->acc().ValueExists(this->base(), "missing"));
  EXPECT_FALSE(this->acc().ValueExists(this->base("no key"), "missing"));
}

TYPED_TEST(AccessValues, DwordsRoundTripWithTheirSign) {
  for (const std::int32_t n : {0, 1, 110, -1, INT32_MIN, INT32_MAX}) {
    ASSERT_NE(this->acc().WriteDWORD(this->base(), "n", n), 0);
    EXPECT_EQ(this->acc().ReadDWORD(this->base(), "n", 12345), n);
  }
  this->acc().WriteDWORD(this->base(), "minus", -1);
  EXPECT_EQ(this->raw("", "minus").bytes, bytes({0xFF, 0xFF, 0xFF, 0xFF}));
  EXPECT_EQ(this->raw("", "minus").type, reg::dword);
}

TYPED_TEST(AccessValues, ReadDwordTakesShortDataOfAnyTypeAndRefusesLongData) {
  this->put("", "two", reg::binary, bytes({0x34, 0x12}));
  EXPECT_EQ(this->acc().ReadDWORD(this->base(), "two", 0), 0x1234);
  this->put("", "five", reg::binary, bytes({1, 2, 3, 4, 5}));
  EXPECT_EQ(this->acc().ReadDWORD(this->base(), "five", 77), 77);
}

TYPED_TEST(AccessValues, BinaryValuesTravelAsHexText) {
  ASSERT_NE(this->acc().WriteBinary(this->base(), "b", " 01 ab FF"), 0);
  EXPECT_EQ(this->raw("", "b").type, reg::binary);
  EXPECT_EQ(this->raw("", "b").bytes, bytes({0x01, 0xAB, 0xFF}));
  EXPECT_EQ(this->acc().ReadBinary(this->base(), "b"), "01 AB FF");

  ASSERT_NE(this->acc().WriteBinary(this->base(), "none", ""), 0);
  EXPECT_EQ(this->raw("", "none").rc, win::success);
  EXPECT_EQ(this->raw("", "none").bytes, "");
  EXPECT_EQ(this->acc().ReadBinary(this->base(), "none", "def"), "");

  // Every byte value, and more than fits the enumeration's buffer.
  std::string all;
  for (int i = 0; i < 1000; ++i) all += static_cast<char>(i % 256);
  this->put("", "big", reg::binary, all);
  EXPECT_EQ(this->acc().StrToBin(this->acc().ReadBinary(this->base(), "big")), all);

  // A string value reads as the hex text of its stored bytes.
  this->acc().WriteString(this->base(), "s", "AB");
  EXPECT_EQ(this->acc().StrToBin(this->acc().ReadBinary(this->base(), "s")), this->raw("", "s").bytes);
  EXPECT_EQ(this->acc().ReadBinary(this->base(), "s").substr(0, 5), "41 42");
}

TYPED_TEST(AccessValues, BinaryValuesBeyondTheConversionLimitOverflow) {
  EXPECT_THROW(this->acc().WriteBinary(this->base(), "b", std::string(32767, 'A')), RuntimeError);
  this->put("", "huge", reg::binary, std::string(32767, '\x01'));
  try {
    this->acc().ReadBinary(this->base(), "huge");
    ADD_FAILURE() << "no overflow";
  } catch (const RuntimeError& e) {
    EXPECT_EQ(e.number(), 6);
  }
}

TYPED_TEST(AccessValues, KillValueReportsWhetherTheKeyOpened) {
  this->put("", "v", reg::sz, "x");
  EXPECT_NE(this->acc().KillValue(this->base(), "v"), 0);
  EXPECT_NE(this->raw("", "v").rc, win::success);
  EXPECT_NE(this->acc().KillValue(this->base(), "never there"), 0);
  EXPECT_EQ(this->acc().KillValue(this->base("no key"), "v"), 0);
}

TYPED_TEST(AccessValues, ValueExistsForAnyTypeAndSize) {
  this->put("", "s", reg::sz, "x");
  this->put("", "e", reg::expand_sz, std::string("%TEMP%\0", 7));
  this->put("", "b", reg::binary, std::string(1000, '\x7F'));
  this->put("", "z", reg::binary, "");
  this->acc().WriteDWORD(this->base(), "d", 0);
  for (const char* name : {"s", "e", "b", "z", "d"}) EXPECT_TRUE(this->acc().ValueExists(this->base(), name)) << name;
}

// Sorted by name, so that the checks hold for every backend's listing order.
std::vector<std::pair<std::string, Value>> listing(const std::vector<std::string>& names,
                                                   const std::vector<Value>& values) {
  std::vector<std::pair<std::string, Value>> out;
  for (std::size_t i = 0; i < names.size(); ++i) out.emplace_back(names[i], values[i]);
  std::sort(out.begin(), out.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  return out;
}

TYPED_TEST(AccessValues, EnumValuesListsEveryValueInItsOwnForm) {
  this->acc().WriteString(this->base(), "a_text", "hello");
  this->acc().WriteBinary(this->base(), "b_bin", "00 0a ff");
  this->acc().WriteBinary(this->base(), "c_empty", "");
  this->acc().WriteDWORD(this->base(), "d_num", -5);
  this->put("", "e_expand", reg::expand_sz, std::string("%TEMP%\0", 7));
  this->put("", "f_multi", reg::multi_sz, std::string("a\0b\0\0", 5));
  this->acc().WriteString(this->base(), "@", "dflt");

  std::vector<std::string> names;
  std::vector<Value> values;
  ASSERT_EQ(this->acc().EnumValues(this->base(), names, values), 7);
  ASSERT_EQ(values.size(), 7U);
  const auto list = listing(names, values);
  EXPECT_EQ(list[0].first, "");
  EXPECT_EQ(list[0].second, Value(std::string("dflt")));
  EXPECT_EQ(list[1].second, Value(std::string("hello")));
  EXPECT_EQ(list[2].second, Value(std::string("00 0A FF")));
  EXPECT_EQ(list[3].second, Value(std::string("")));
  EXPECT_EQ(list[4].second, Value(std::int32_t{-5}));
  EXPECT_EQ(list[5].first, "e_expand");
  EXPECT_TRUE(std::holds_alternative<std::monostate>(list[5].second));
  EXPECT_TRUE(std::holds_alternative<std::monostate>(list[6].second));

  ASSERT_EQ(this->acc().EnumValues(this->base(), names, values, 4), 1);
  EXPECT_EQ(names, std::vector<std::string>{"d_num"});
  EXPECT_EQ(values[0], Value(std::int32_t{-5}));
  ASSERT_EQ(this->acc().EnumValues(this->base(), names, values, 3), 2);
  ASSERT_EQ(this->acc().EnumValues(this->base(), names, values, 1), 2);
}

TYPED_TEST(AccessValues, EnumValuesOnAMissingKeyLeavesTheArraysAlone) {
  std::vector<std::string> names = {"kept"};
  std::vector<Value> values = {Value(std::int32_t{1})};
  EXPECT_EQ(this->acc().EnumValues(this->base("no key"), names, values), -1);
  EXPECT_EQ(names, std::vector<std::string>{"kept"});
  EXPECT_EQ(values.size(), 1U);

  this->make_key("no values");
  EXPECT_EQ(this->acc().EnumValues(this->base("no values"), names, values), 0);
  EXPECT_TRUE(names.empty());
  EXPECT_TRUE(values.empty());
}

TYPED_TEST(AccessValues, EnumValuesListsLongValuesWhole) {
  std::string data;
  for (int i = 0; i < 700; ++i) data += static_cast<char>(i * 7 % 256);
  this->put("", "long_bin", reg::binary, data);
  const std::string text(600, 'x');
  this->acc().WriteString(this->base(), "long_text", text);

  std::vector<std::string> names;
  std::vector<Value> values;
  ASSERT_EQ(this->acc().EnumValues(this->base(), names, values), 2);
  const auto list = listing(names, values);
  ASSERT_TRUE(std::holds_alternative<std::string>(list[0].second));
  EXPECT_EQ(this->acc().StrToBin(std::get<std::string>(list[0].second)), data);
  EXPECT_EQ(list[1].second, Value(text));
}

TYPED_TEST(AccessValues, EnumValuesListsNamesOfEveryAllowedLengthWhole) {
  const std::string name300 = std::string(299, 'a') + "Z";
  const std::string longest = std::string(16382, 'd') + "Z";
  this->acc().WriteString(this->base(), name300, "text");
  this->acc().WriteBinary(this->base(), name300 + "b", "01");
  this->acc().WriteDWORD(this->base(), name300 + "d", 5);
  this->acc().WriteDWORD(this->base(), longest, 6);
  std::vector<std::string> names;
  std::vector<Value> values;
  ASSERT_EQ(this->acc().EnumValues(this->base(), names, values), 4);
  const auto list = listing(names, values);
  EXPECT_EQ(list[0], std::make_pair(name300, Value(std::string("text"))));
  EXPECT_EQ(list[1], std::make_pair(name300 + "b", Value(std::string("01"))));
  EXPECT_EQ(list[2], std::make_pair(name300 + "d", Value(std::int32_t{5})));
  EXPECT_EQ(list[3], std::make_pair(longest, Value(std::int32_t{6})));
}

TYPED_TEST(AccessValues, EnumValuesEndsWhenTheRegistryKeepsFailing) {
  for (const char* name : {"v1", "v2", "v3", "v4"}) this->acc().WriteDWORD(this->base(), name, 1);
  this->recorder().fail_enum_values_from = 1;
  std::vector<std::string> names;
  std::vector<Value> values;
  EXPECT_EQ(this->acc().EnumValues(this->base(), names, values), 1);
  EXPECT_EQ(names.size(), 1U);
  EXPECT_EQ(values.size(), 1U);
  EXPECT_LT(this->recorder().enum_calls, 10U);
}

TYPED_TEST(AccessValues, ALongBinaryThatCannotBeReadAgainIsListedWithoutData) {
  this->put("", "long_bin", reg::binary, std::string(400, '\x11'));
  this->put("", "short_bin", reg::binary, std::string(4, '\x22'));
  // Every read again with a larger buffer finds the value larger still.
  this->recorder().starve_enum_values_over = 255;
  std::vector<std::string> names;
  std::vector<Value> values;
  ASSERT_EQ(this->acc().EnumValues(this->base(), names, values), 2);
  // Whatever name and type the registry reports for the unread value, no
  // bytes are listed for it; the short one is listed as usual.
  const auto list = listing(names, values);
  EXPECT_EQ(list.size(), 2U);
  const auto short_one = std::find_if(list.begin(), list.end(), [](const auto& v) { return v.first == "short_bin"; });
  ASSERT_NE(short_one, list.end());
  EXPECT_EQ(short_one->second, Value(std::string("22 22 22 22")));
  for (const auto& v : list) {
    if (v.first != "short_bin") {
      EXPECT_TRUE(std::holds_alternative<std::monostate>(v.second)) << v.first;
    }
  }
}

}  // namespace
