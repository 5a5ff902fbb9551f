// The fixed columns of elipses.txt at the edges of their fields; whole tables are held byte
// for byte by the cases of tests/cases.
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
