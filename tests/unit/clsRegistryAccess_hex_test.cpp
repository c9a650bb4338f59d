// Hex text <-> binary data. These conversions touch no registry.
#include <gtest/gtest.h>

#include <string>

#include "clsRegistryAccess_support.h"
#include "platform/error.h"
#include "platform/registry_emulated.h"
#include "registry_access/clsRegistryAccess.h"

namespace {

using access_test::bytes;

class HexText : public ::testing::Test {
 protected:
  platform::EmulatedRegistry registry_;
  clsRegistryAccess acc_{registry_};
};

struct StrToBinCase {
  const char* hex;
  std::string expected;
};

TEST_F(HexText, StrToBinReadsDigitPairsIgnoringBlanksAndCase) {
  const StrToBinCase cases[] = {
      {"01 AB FF", bytes({0x01, 0xAB, 0xFF})},
      {" 01abff ", bytes({0x01, 0xAB, 0xFF})},
      {"0 1 A B", bytes({0x01, 0xAB})},
      {"00", bytes({0x00})},
      {"0a", bytes({0x0A})},
      // An odd count of digits: n/2 pieces rounded half to even.
      {"A", ""},
      {"ABC", bytes({0xAB, 0x0C})},
      {"ABCDE", bytes({0xAB, 0xCD})},
      {"ABCDEF1", bytes({0xAB, 0xCD, 0xEF, 0x01})},
      {"ABCDEF123", bytes({0xAB, 0xCD, 0xEF, 0x12})},
      // Separators are not recognised: the piece ",A" reads as 0, the last B is dropped.
      {"01,AB", bytes({0x01, 0x00})},
      {"0x1F", bytes({0x00, 0x1F})},
      {"A,", bytes({0x0A})},
      {"\tF", bytes({0x0F})},
      {"   ", ""},
      {"", ""},
  };
  for (const StrToBinCase& c : cases) EXPECT_EQ(acc_.StrToBin(c.hex), c.expected) << '"' << c.hex << '"';
}

TEST_F(HexText, BinToStrWritesABlankAndTwoUpperCaseDigitsPerByte) {
  EXPECT_EQ(acc_.BinToStr(bytes({0x01, 0xAB, 0xFF})), " 01 AB FF");
  EXPECT_EQ(acc_.BinToStr(bytes({0x00, 0x0A, 0x10})), " 00 0A 10");
  EXPECT_EQ(acc_.BinToStr(""), "");
}

TEST_F(HexText, EveryByteValueSurvivesTheRoundTrip) {
  std::string all;
  for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
  const std::string hex = acc_.BinToStr(all);
  EXPECT_EQ(hex.size(), 256U * 3);
  EXPECT_EQ(acc_.StrToBin(hex), all);
  EXPECT_TRUE(acc_.isBinValid(hex));
}

TEST_F(HexText, IsBinValidAcceptsOnlyHexDigitsAndBlanks) {
  const struct {
    const char* text;
    bool valid;
  } cases[] = {
      {"01 ab FF", true}, {"ABC", true},  {"FFF", true}, {"  0 1  ", true}, {"01,AB", false},
      {"0x1F", false},    {"   ", false}, {"", false},   {"G0", false},     {"01\tAB", false},
  };
  for (const auto& c : cases) EXPECT_EQ(acc_.isBinValid(c.text), c.valid) << '"' << c.text << '"';
}

TEST_F(HexText, ConversionsOverflowPast32766) {
  EXPECT_EQ(acc_.StrToBin(std::string(32766, 'A')).size(), 16383U);
  // Blanks do not count towards the limit.
  EXPECT_EQ(acc_.StrToBin(std::string(32766, 'A') + "    ").size(), 16383U);
  try {
    acc_.StrToBin(std::string(32767, 'A'));
    ADD_FAILURE() << "no overflow";
  } catch (const platform::RuntimeError& e) {
    EXPECT_EQ(e.number(), 6);
    EXPECT_EQ(e.description(), "Overflow");
  }

  EXPECT_EQ(acc_.BinToStr(std::string(32766, '\x5A')).size(), 32766U * 3);
  EXPECT_THROW(acc_.BinToStr(std::string(32767, '\x5A')), platform::RuntimeError);

  // isBinValid has no such limit.
  EXPECT_TRUE(acc_.isBinValid(std::string(70000, 'F')));
}

}  // namespace
