#include "registry_source/Variant.h"

#include <gtest/gtest.h>

#include <limits>
#include <optional>
#include <vector>

#include "platform/error.h"
#include "platform/locale.h"

namespace {

constexpr long overflow = 6;
constexpr long type_mismatch = 13;
constexpr long invalid_use_of_null = 94;

// The runtime error a conversion raised, or nothing.
template <class Convert>
std::optional<long> error_of(Convert convert) {
  try {
    convert();
  } catch (const platform::RuntimeError& e) {
    return e.number();
  }
  return std::nullopt;
}

TEST(VariantText, EveryKindWithATextFormConvertsAsTheRuntimeShowsIt) {
  const std::string sep = platform::decimal_separator();
  const struct {
    Variant value;
    std::string text;
  } cases[] = {
      {Variant{}, ""},
      {std::string("Adınız"), "Adınız"},
      {std::uint8_t{42}, "42"},  // a number, not the character '*'
      {std::int16_t{-7}, "-7"},
      {std::int32_t{12}, "12"},
      {std::int64_t{3000000000}, "3000000000"},
      {true, "True"},
      {false, "False"},
      {12.0, "12"},
      {1.5, "1" + sep + "5"},
      {-0.25, "-0" + sep + "25"},
      {0.1 + 0.2, "0" + sep + "3"},  // fifteen significant digits hide the binary noise
  };
  for (const auto& c : cases) {
    EXPECT_EQ(to_text(c.value), c.text) << "kind " << c.value.index();
  }
}

TEST(VariantText, UserRegionalSettingsAreTurkish) {
  // The program runs with Turkish regional settings in both builds.
  EXPECT_EQ(platform::decimal_separator(), ",");
  EXPECT_EQ(to_text(2.5), "2,5");
}

TEST(VariantText, NullHasNoTextForm) {
  EXPECT_EQ(error_of([] { to_text(Null{}); }), invalid_use_of_null);
}

TEST(VariantLong, ConvertsNumbersTextAndBooleans) {
  const std::string sep = platform::decimal_separator();
  const struct {
    Variant value;
    std::int32_t expected;
  } cases[] = {
      {Variant{}, 0},
      {std::string("12"), 12},
      {std::string("  -12 "), -12},
      {std::string("+7"), 7},
      {std::string("1e3"), 1000},
      {std::string("1" + sep + "5"), 2},
      {std::string("2" + sep + "5"), 2},  // half to even
      {std::string("-2147483648"), INT32_MIN},
      {std::string("2147483647"), INT32_MAX},
      {2.5, 2},
      {3.5, 4},
      {-0.5, 0},
      {std::uint8_t{255}, 255},
      {std::int16_t{-3}, -3},
      {std::int64_t{INT32_MAX}, INT32_MAX},
      {true, -1},
      {false, 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(to_long(c.value), c.expected) << "text '" << (c.value.index() == 8 ? to_text(c.value) : "") << "'";
  }
}

TEST(VariantLong, ValuesThatDoNotFitOrAreNoNumbersRaise) {
  const struct {
    Variant value;
    long error;
  } cases[] = {
      {std::string("2147483648"), overflow},
      {std::string("-2147483649"), overflow},
      {std::int64_t{2147483648LL}, overflow},
      {std::int64_t{-2147483649LL}, overflow},
      {3e9, overflow},
      {2147483647.5, overflow},  // rounds to the even 2147483648
      {std::numeric_limits<double>::quiet_NaN(), overflow},
      {std::string(""), type_mismatch},
      {std::string("abc"), type_mismatch},
      {std::string("12abc"), type_mismatch},
      {std::string("1 2"), type_mismatch},
      {std::string("e5"), type_mismatch},
      {std::string("0x10"), type_mismatch},
      {std::string("inf"), type_mismatch},
      {Null{}, invalid_use_of_null},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(error_of([&] { to_long(c.value); }), c.error) << "kind " << c.value.index();
  }
}

TEST(VariantByte, AcceptsZeroTo255Only) {
  EXPECT_EQ(to_byte(std::int32_t{0}), 0);
  EXPECT_EQ(to_byte(std::int32_t{255}), 255);
  EXPECT_EQ(to_byte(std::string("42")), 42);
  EXPECT_EQ(to_byte(254.5), 254);
  EXPECT_EQ(to_byte(false), 0);
  const std::vector<Variant> too_big = {std::int32_t{256}, std::int32_t{-1}, 255.5, std::string("300"), true};
  for (const auto& v : too_big) {
    EXPECT_EQ(error_of([&] { to_byte(v); }), overflow) << "kind " << v.index();
  }
}

TEST(VariantEmpty, OnlyTheEmptyKindIsEmpty) {
  EXPECT_TRUE(is_empty(Variant{}));
  EXPECT_FALSE(is_empty(std::string()));
  EXPECT_FALSE(is_empty(std::int16_t{0}));
  EXPECT_FALSE(is_empty(Null{}));
}

}  // namespace
