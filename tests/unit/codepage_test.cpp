#include "platform/codepage.h"

#include <gtest/gtest.h>

#include <string>

#include "setup_test_support.h"

namespace {

TEST(CodePage, TurkishLettersRoundTripThroughTheAnsiCodePage) {
  const std::string turkish = "Adınız - Soyadınız : ğüşöçİĞÜŞÖÇ";
  EXPECT_EQ(platform::ansi_code_page(), 1254U);
  const std::string ansi = platform::utf8_to_ansi(turkish);
  EXPECT_EQ(ansi.size(), 32U);  // one byte per letter
  EXPECT_EQ(platform::ansi_to_utf8(ansi), turkish);
}

TEST(CodePage, ConvertsWhatItCanHoldAndSaysWhatItCannot) {
  struct Case {
    unsigned code_page;
    std::string text;
    bool holds;
    std::string ansi;
  };
  const Case cases[] = {
      {1254, "ğüş İı", true, "\xF0\xFC\xFE \xDD\xFD"},
      {1254, "张伟", false, "??"},
      {1254, "ofis＼ali", false, "ofis?ali"},  // no best fit: never a real backslash
      {1254, "a?b", true, "a?b"},
      {1254, "", true, ""},
      {65001, "张伟😀 ğüş", true, "张伟😀 ğüş"},
      {65001, "ofis＼ali", true, "ofis＼ali"},
      {65001, "", true, ""},
      {65001, "bad \xFF byte", false, "bad \xEF\xBF\xBD byte"},  // malformed text is not held either
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.code_page) + ": " + c.text);
    telvora_test::CodePageInForce in_force(c.code_page);
    if (!in_force.available()) continue;
    EXPECT_EQ(platform::ansi_can_hold(c.text), c.holds);
    EXPECT_EQ(platform::utf8_to_ansi(c.text), c.ansi);
    if (c.holds) {
      EXPECT_EQ(platform::ansi_to_utf8(c.ansi), c.text);
    }
  }
}

}  // namespace
