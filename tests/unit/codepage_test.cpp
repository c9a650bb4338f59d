#include "platform/codepage.h"

#include <gtest/gtest.h>

namespace {

TEST(CodePage, TurkishLettersRoundTripThroughTheAnsiCodePage) {
  const std::string turkish = "Adınız - Soyadınız : ğüşöçİĞÜŞÖÇ";
  EXPECT_EQ(platform::ansi_code_page(), 1254U);
  const std::string ansi = platform::utf8_to_ansi(turkish);
  EXPECT_EQ(ansi.size(), 32U);  // one byte per letter
  EXPECT_EQ(platform::ansi_to_utf8(ansi), turkish);
}

}  // namespace
