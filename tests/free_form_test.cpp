// The free-form number notations shared by the coordinate file and the console answers.
#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <optional>
#include <random>
#include <string>

#include "input/free_form.hpp"

namespace elipses {
namespace {

struct RealCase {
  const char* text;
  std::optional<double> value;
};

class ParseRealTest : public ::testing::TestWithParam<RealCase> {};

TEST_P(ParseRealTest, ReadsOrRefuses) {
  const RealCase& c = GetParam();
  const std::optional<double> got = parse_real(c.text);
  ASSERT_EQ(got.has_value(), c.value.has_value()) << c.text;
  if (c.value) {
    EXPECT_EQ(*got, *c.value) << c.text;
  }
}

INSTANTIATE_TEST_SUITE_P(Notations, ParseRealTest,
                         ::testing::Values(RealCase{"523456.789", 523456.789}, RealCase{"100", 100.0},
                                           RealCase{"+7", 7.0}, RealCase{"-0.5", -0.5}, RealCase{".5", 0.5},
                                           RealCase{"5.", 5.0}, RealCase{"1E3", 1000.0}, RealCase{"1e-3", 0.001},
                                           RealCase{"2.5D2", 250.0}, RealCase{"2.5d+2", 250.0},
                                           RealCase{"-.25E1", -2.5}, RealCase{"0", 0.0},
                                           RealCase{"1e-400", 0.0}, RealCase{"4.9e-324", 4.9e-324}));

INSTANTIATE_TEST_SUITE_P(NotNumbers, ParseRealTest,
                         ::testing::Values(RealCase{"", std::nullopt}, RealCase{".", std::nullopt},
                                           RealCase{"-", std::nullopt}, RealCase{"1e", std::nullopt},
                                           RealCase{"1e+", std::nullopt}, RealCase{"1.5+3", std::nullopt},
                                           RealCase{"nan", std::nullopt}, RealCase{"inf", std::nullopt},
                                           RealCase{"0x10", std::nullopt}, RealCase{"1,5", std::nullopt},
                                           RealCase{"12abc", std::nullopt}, RealCase{"--1", std::nullopt},
                                           RealCase{"1e400", std::nullopt}, RealCase{"1.2.3", std::nullopt}));

TEST(ParseWhole, ThirtyTwoBitsAndDigitsOnly) {
  EXPECT_EQ(parse_whole("3"), 3);
  EXPECT_EQ(parse_whole("+15"), 15);
  EXPECT_EQ(parse_whole("-1"), -1);
  EXPECT_EQ(parse_whole("2147483647"), 2147483647);
  EXPECT_EQ(parse_whole("-2147483648"), -2147483647 - 1);
  EXPECT_EQ(parse_whole("2147483648"), std::nullopt);
  EXPECT_EQ(parse_whole("-2147483649"), std::nullopt);
  EXPECT_EQ(parse_whole("99999999999999999999"), std::nullopt);
  EXPECT_EQ(parse_whole("2.5"), std::nullopt);
  EXPECT_EQ(parse_whole("3.0"), std::nullopt);
  EXPECT_EQ(parse_whole("1e2"), std::nullopt);
  EXPECT_EQ(parse_whole(""), std::nullopt);
  EXPECT_EQ(parse_whole("+"), std::nullopt);
}

}  // namespace
}  // namespace elipses

namespace elipses {
namespace {

// Coordinates are read by a short path (a whole number divided by a power of ten); it
// must give the very double the exact conversion gives, for every length of number.
TEST(FreeForm, ShortDecimalsReadAsTheExactConversion) {
  std::mt19937_64 random(11);
  for (int i = 0; i < 200000; ++i) {
    std::string text = random() % 4 == 0 ? "-" : "";
    const int whole_digits = static_cast<int>(random() % 10);
    const int decimals = static_cast<int>(random() % 12);
    text += std::to_string(random() % 10);
    for (int k = 1; k < whole_digits; ++k) text += static_cast<char>('0' + random() % 10);
    if (decimals > 0) {
      text += '.';
      for (int k = 0; k < decimals; ++k) text += static_cast<char>('0' + random() % 10);
    }
    double exact = 0.0;
    std::from_chars(text.data(), text.data() + text.size(), exact);
    const std::optional<double> read = parse_real(text);
    ASSERT_TRUE(read.has_value()) << text;
    ASSERT_EQ(std::signbit(*read), std::signbit(exact)) << text;
    ASSERT_EQ(*read, exact) << text;
  }
}

}  // namespace
}  // namespace elipses

#include "common/text_encoding.hpp"

namespace elipses {
namespace {

TEST(TextEncoding, MessagesQuoteWholeCharactersAndShowControlBytes) {
  EXPECT_EQ(quote_for_message("a\tb\r"), "a\\x09b\\x0D");
  // 39 letters then a two-byte one: cut before it, never in the middle.
  const std::string long_name = std::string(39, 'a') + "\xC3\x89vora";
  EXPECT_EQ(quote_for_message(long_name), std::string(39, 'a') + "...");
  EXPECT_EQ(quote_for_message("\xC3\x89vora"), "\xC3\x89vora");
}

}  // namespace
}  // namespace elipses
