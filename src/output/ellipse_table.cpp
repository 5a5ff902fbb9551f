#include "output/ellipse_table.hpp"

#include <cmath>
#include <algorithm>
#include <cstring>

#include "output/compact_numbers.hpp"

namespace elipses {

void write_table_header(EllipseTableWriter& table) { table.text.put_line(table_header); }

void write_table_record(EllipseTableWriter& table, std::string_view name, double m, double p, double a, double b,
                        double teta_gon, double sigma_m, double sigma_p, double cov_mp) {
  char* const record = table.text.room(160);
  char* at = record;
  const std::size_t name_size = std::min<std::size_t>(name.size(), 16);  // four characters, up to 16 bytes
  at = std::copy_n(name.data(), name_size, at);
  *at++ = ' ';
  *at++ = ' ';
  bool fits = true;
  at = put_fixed_point_field(at, m, 14, 3, fits);
  at = put_fixed_point_field(at, p, 14, 3, fits);
  at = put_fixed_point_field(at, a, 12, 3, fits);
  at = put_fixed_point_field(at, b, 12, 3, fits);
  at = put_fixed_point_field(at, teta_gon, 12, 4, fits);
  constexpr std::string_view unit = "   gon";
  at = std::copy(unit.begin(), unit.end(), at);
  at = put_fixed_point_field(at, sigma_m, 10, 6, fits);
  at = put_fixed_point_field(at, sigma_p, 10, 6, fits);
  at = put_fixed_point_field(at, cov_mp, 10, 6, fits);
  if (!fits) ++table.records_not_fitting;
  at[0] = '\r';
  at[1] = '\n';
  table.text.advance(at + 2);
}

void write_point_record(EllipseTableWriter& table, const Point& point, const Covariance2& covariance,
                        const EllipseParams& ellipse) {
  write_table_record(table, point.name, point.m, point.p, ellipse.a, ellipse.b, gon_from_radians(ellipse.teta),
                     std::sqrt(covariance.var_m), std::sqrt(covariance.var_p), covariance.cov_mp);
}

std::size_t write_ellipse_table(std::ostream& file, const PreAnalysis& analysis) {
  EllipseTableWriter table(file);
  write_table_header(table);
  for (const Pass& pass : analysis.passes) {
    const PointList& walked = analysis.walked(pass);
    for (std::size_t i = 0; i < pass.ellipses.size(); ++i) {
      write_point_record(table, walked.at(Chain::position_of(i)), pass.chain.computed[i], pass.ellipses[i]);
    }
  }
  table.text.flush();
  return table.records_not_fitting;
}

void write_table_of_no_points(std::ostream& file) {
  EllipseTableWriter table(file);
  write_table_header(table);
  table.text.flush();
}

std::size_t write_adjusted_table(std::ostream& file, const PreAnalysis& analysis) {
  EllipseTableWriter table(file);
  write_table_header(table);
  const PointList& points = analysis.points.forward;
  for (std::int32_t i = 2; i < points.n; ++i) {
    const auto at = static_cast<std::size_t>(i - 1);
    write_point_record(table, points.at(i), analysis.joint.points[at], analysis.joint_ellipses[at]);
  }
  table.text.flush();
  return table.records_not_fitting;
}

}  // namespace elipses
