// Fixed-point fields and the blank-free numbers of the drawing script.
#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <sstream>
#include <vector>

#include "output/compact_numbers.hpp"

namespace elipses {
namespace {

struct FieldCase {
  double value;
  int width;
  int decimals;
  const char* text;
};

class FixedFieldTest : public ::testing::TestWithParam<FieldCase> {};

TEST_P(FixedFieldTest, Writes) {
  const FieldCase& c = GetParam();
  EXPECT_EQ(fixed_point_field(c.value, c.width, c.decimals), c.text) << c.value;
}

INSTANTIATE_TEST_SUITE_P(
    TableFields, FixedFieldTest,
    ::testing::Values(FieldCase{0.0123, 10, 6, "   .012300"}, FieldCase{0.014142, 10, 6, "   .014142"},
                      FieldCase{-0.000015, 10, 6, "  -.000015"}, FieldCase{-0.0000001, 10, 6, "   .000000"},
                      FieldCase{100.0, 12, 4, "    100.0000"}, FieldCase{-12.5, 12, 4, "    -12.5000"},
                      FieldCase{0.0, 12, 4, "       .0000"}, FieldCase{-0.0, 12, 4, "       .0000"},
                      FieldCase{0.0, 12, 3, "        .000"}, FieldCase{523456.789, 14, 3, "    523456.789"},
                      FieldCase{0.5, 4, 3, ".500"}, FieldCase{0.99996, 4, 3, "****"},
                      FieldCase{999.9999994, 10, 6, "999.999999"}, FieldCase{999.9999996, 10, 6, "**********"},
                      FieldCase{-99.9999994, 10, 6, "-99.999999"}, FieldCase{-100.0, 10, 6, "**********"},
                      FieldCase{1.5, 10, 6, "  1.500000"}, FieldCase{-1.5, 6, 3, "-1.500"},
                      FieldCase{99999999.9994, 12, 3, "99999999.999"}, FieldCase{1e8, 12, 3, "************"}));

INSTANTIATE_TEST_SUITE_P(
    NotFinite, FixedFieldTest,
    ::testing::Values(FieldCase{std::numeric_limits<double>::quiet_NaN(), 10, 6, "**********"},
                      FieldCase{std::numeric_limits<double>::infinity(), 12, 3, "************"},
                      FieldCase{-std::numeric_limits<double>::infinity(), 14, 3, "**************"},
                      FieldCase{1e300, 14, 3, "**************"}));

struct CompactCase {
  double value;
  const char* text;
};

class CompactNumberTest : public ::testing::TestWithParam<CompactCase> {};

TEST_P(CompactNumberTest, Writes) { EXPECT_EQ(compact_number(GetParam().value), GetParam().text) << GetParam().value; }

INSTANTIATE_TEST_SUITE_P(
    EveryClassAndBoundary, CompactNumberTest,
    ::testing::Values(
        CompactCase{0.0, "0.000"}, CompactCase{-0.0, "0.000"}, CompactCase{-0.0004, "-0.000"},
        CompactCase{0.5, "0.500"}, CompactCase{-0.5, "-0.500"}, CompactCase{1.0, "1.000"},
        CompactCase{-1.0, "-1.000"}, CompactCase{9.5, "9.500"}, CompactCase{10.0, "10.000"},
        CompactCase{-10.0, "-10.000"}, CompactCase{99.5, "99.500"}, CompactCase{100.0, "100.000"},
        CompactCase{-100.0, "-100.000"}, CompactCase{999.0, "999.000"}, CompactCase{1000.0, "1000.000"},
        CompactCase{-1000.0, "-1000.000"}, CompactCase{10000.0, "10000.000"}, CompactCase{-10000.0, "-10000.000"},
        CompactCase{-99999.5, "-99999.500"}, CompactCase{100000.0, "100000.000"},
        CompactCase{-100000.0, "-100000.000"}, CompactCase{999999.999, "999999.999"},
        CompactCase{-999999.999, "-999999.999"}, CompactCase{2.5, "2.500"}, CompactCase{0.0005, "0.001"}));

INSTANTIATE_TEST_SUITE_P(
    RoundingOverflow, CompactNumberTest,
    ::testing::Values(CompactCase{9.9996, "*****"}, CompactCase{0.99996, "0****"}, CompactCase{-0.99996, "-0****"},
                      CompactCase{99999.9996, "*********"}, CompactCase{-99999.9996, "**********"},
                      CompactCase{-9.9996, "******"}, CompactCase{1234567.0, "**********"},
                      CompactCase{-1000000.0, "***********"}, CompactCase{999999.9996, "**********"},
                      CompactCase{std::numeric_limits<double>::infinity(), "**********"},
                      CompactCase{-std::numeric_limits<double>::infinity(), "***********"},
                      CompactCase{std::numeric_limits<double>::quiet_NaN(), "**********"}));

// Every compact number is either three decimals with no blank or asterisks only, and
// reads back within half a unit of its third decimal.
TEST(CompactNumber, PropertiesOverRandomMagnitudes) {
  std::mt19937_64 random(20261208);
  std::uniform_real_distribution<double> exponent(-6.0, 6.5);
  std::bernoulli_distribution negative(0.5);
  for (int i = 0; i < 200000; ++i) {
    const double x = (negative(random) ? -1.0 : 1.0) * std::pow(10.0, exponent(random));
    const std::string text = compact_number(x);
    ASSERT_EQ(text.find(' '), std::string::npos) << x;
    if (text.find('*') != std::string::npos) {
      ASSERT_GE(std::fabs(x), 0.9995) << x;
      continue;
    }
    const std::size_t point = text.find('.');
    ASSERT_NE(point, std::string::npos) << x;
    ASSERT_EQ(text.size() - point - 1, 3U) << x;
    ASSERT_NEAR(std::stod(text), x, 0.0005 + 1e-9 * std::fabs(x)) << x;
  }
}

TEST(TextField, RightJustifiesAndKeepsALongerTextWhole) {
  EXPECT_EQ(text_field("gon", 6), "   gon");
  EXPECT_EQ(text_field("abc", 3), "abc");
  EXPECT_EQ(text_field("abcd", 3), "abcd");
}

}  // namespace
}  // namespace elipses

namespace elipses {
namespace {

// The whole-number rounding of the writers agrees with the C library's exact conversion
// on every width and number of decimals the files use, ties and neighbours of ties
// included; and that conversion agrees with std::to_chars, where the C++ library has it.
TEST(FixedPointField, FastRoundingAgreesWithTheExactConversion) {
  std::mt19937_64 random(5);
  std::uniform_real_distribution<double> exponent(-12.0, 13.0);
  const std::pair<int, int> fields[] = {{14, 3}, {12, 3}, {12, 4}, {10, 6}, {4, 3}, {5, 3}, {11, 3}};
  auto check = [](double x, int width, int decimals) {
    char fast[number_room];
    char general[number_room];
    bool fast_fits = true;
    bool general_fits = true;
    const std::string a(fast, put_fixed_point_field(fast, x, width, decimals, fast_fits));
    const std::string b(general, put_fixed_point_field_general(general, x, width, decimals, general_fits));
    ASSERT_EQ(a, b) << x << " in " << width << "." << decimals;
    ASSERT_EQ(fast_fits, general_fits);
  };
  const auto check_reference = [](double x, int decimals) {
#if defined(__cpp_lib_to_chars)
    char reference[number_room * 2];
    const auto to_chars = std::to_chars(reference, reference + sizeof reference, x, std::chars_format::fixed, decimals);
    ASSERT_EQ(exact_decimals_text(x, decimals), std::string(reference, to_chars.ptr)) << x;
#endif
  };
  for (int i = 0; i < 300000; ++i) {
    const double x = (i % 2 == 0 ? -1.0 : 1.0) * std::pow(10.0, exponent(random));
    for (const auto& [width, decimals] : fields) check(x, width, decimals);
    if (i % 10 == 0) check_reference(x, 3 + i % 4);
  }
  // Exact ties: (2k + 1) / 2^(d+1) is k + 1/2 units of the d-th decimal times 5^d, a
  // binary value exactly halfway; and its neighbours on either side.
  for (int decimals = 0; decimals <= 6; ++decimals) {
    for (int k = 0; k < 4000; ++k) {
      const double tie = (2.0 * k + 1.0) / std::pow(2.0, decimals + 1);
      for (const double x : {tie, std::nextafter(tie, 0.0), std::nextafter(tie, 1e300), -tie}) {
        check(x, 30, decimals);
        check_reference(x, decimals);
      }
    }
  }
}

#if defined(__cpp_lib_to_chars)
// The shortest text of a message is std::to_chars's, on doubles of every magnitude and on
// the powers of two, where the doubles below lie closer than those above.
TEST(ShortestText, AgreesWithToChars) {
  std::mt19937_64 random(11);
  std::uniform_real_distribution<double> exponent(-30.0, 30.0);
  std::vector<double> values = {0.0, -0.0, 0.1, 100.0, 1e20, 1e21, 1.5e-7, 123456.789, 5e-324, 1.7976931348623157e308};
  for (int i = 0; i < 20000; ++i) values.push_back(std::pow(10.0, exponent(random)) * (i % 3 == 0 ? -1.0 : 1.0));
  for (int e = -1074; e <= 1023; ++e) values.push_back(std::ldexp(1.0, e));
  for (int i = 0; i < 20000; ++i) {
    const std::uint64_t bits = (random() & ~(std::uint64_t{0x7FF} << 52)) | (std::uint64_t{random() % 2046 + 1} << 52);
    double x = 0.0;
    std::memcpy(&x, &bits, sizeof x);
    values.push_back(x);
  }
  for (const double x : values) {
    char reference[64];
    const auto to_chars = std::to_chars(reference, reference + sizeof reference, x);
    ASSERT_EQ(shortest_round_trip_text(x), std::string(reference, to_chars.ptr)) << x;
  }
}
#endif

}  // namespace
}  // namespace elipses
