// The fixed columns of elipses.txt.
#include <gtest/gtest.h>

#include <random>
#include <sstream>

#include "output/ellipse_table.hpp"

namespace elipses {
namespace {

std::string record(const std::string& name, double m, double p, double a, double b, double teta, double sm, double sp,
                   double smp) {
  std::ostringstream file;
  EllipseTableWriter table{file};
  write_table_record(table, name, m, p, a, b, teta, sm, sp, smp);
  table.text.flush();
  return file.str();
}

TEST(EllipseTable, HeaderIsEightySevenCharactersWithItsLabelsInPlace) {
  std::ostringstream file;
  EllipseTableWriter table{file};
  write_table_header(table);
  table.text.flush();
  const std::string header = file.str();
  ASSERT_EQ(header.size(), 89U);
  EXPECT_EQ(header.substr(87), "\r\n");
  const std::pair<const char*, std::size_t> labels[] = {{"nome", 1},  {"M(m)", 14},      {"P(m)", 26},
                                                        {"a(m)", 36}, {"b(m)", 46},      {"teta(gon)", 55},
                                                        {"sM(m)", 67}, {"sP(m)", 75},    {"sMP(m2)", 81}};
  for (const auto& [label, column] : labels) EXPECT_EQ(header.find(label), column - 1) << label;
}

TEST(EllipseTable, RecordOfTheWorkedExample) {
  EXPECT_EQ(record("B   ", 1100.0, 2050.0, 0.016415, 0.010462, 20.7458, 0.011218, 0.015908, 4.852782904e-5),
            "B           1100.000      2050.000        .016        .010     20.7458   gon   .011218   .015908   .000049\r\n");
  EXPECT_EQ(record("C   ", 1150.0, 2200.0, 0.017812, 0.016113, -22.5758, 0.016327, 0.017616, -1.876628223e-5),
            "C           1150.000      2200.000        .018        .016    -22.5758   gon   .016327   .017616  -.000019\r\n");
}

TEST(EllipseTable, ZeroCovarianceAndOverflowKeepTheColumns) {
  EXPECT_EQ(record("A   ", 0.0, -0.0, 0.0, 0.0, 0.0, 0.0, 0.0, -0.0),
            "A               .000          .000        .000        .000       .0000   gon   .000000   .000000   .000000\r\n");
  const std::string stars14(14, '*');
  const std::string stars12(12, '*');
  const std::string stars10(10, '*');
  EXPECT_EQ(record("HUGE", 1e11, -1e10, 1e8, 99999999.9994, 100.0, 1000.0, 999.9999994, -100.0),
            "HUGE  " + stars14 + stars14 + stars12 + "99999999.999    100.0000   gon" + stars10 + "999.999999" +
                stars10 + "\r\n");
  EXPECT_EQ(record("WIDE", 1e9, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0).substr(6, 14), "1000000000.000");
}

// Whatever the values, a record is 106 characters and holds no NaN text.
TEST(EllipseTable, EveryRecordIsOneHundredAndSixCharacters) {
  std::mt19937_64 random(7);
  std::uniform_real_distribution<double> exponent(-9.0, 12.0);
  std::bernoulli_distribution negative(0.3);
  auto draw = [&] { return (negative(random) ? -1.0 : 1.0) * std::pow(10.0, exponent(random)); };
  for (int i = 0; i < 20000; ++i) {
    const std::string line = record("P1  ", draw(), draw(), draw(), draw(), draw(), draw(), draw(), draw());
    ASSERT_EQ(line.size(), 108U) << line;
    ASSERT_EQ(line.substr(106), "\r\n");
    ASSERT_EQ(line.find("nan"), std::string::npos);
    ASSERT_EQ(line.find("inf"), std::string::npos);
  }
}

}  // namespace
}  // namespace elipses
