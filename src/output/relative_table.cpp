#include "output/relative_table.hpp"

#include <cmath>
#include <algorithm>
#include <string>

#include "output/compact_numbers.hpp"
#include "output/record_text.hpp"

namespace elipses {

// Each value right-aligned under its label, a blank before every column.
const std::string_view relative_table_header =
    "de   para        D(m)      a(m)      b(m) teta(gon)      sM(m)      sP(m)    sMP(m2)  a/D(ppm)";

std::size_t write_relative_table(std::ostream& file, const PointList& points, const LegTests& legs,
                                 bool with_tolerance) {
  TextOutput text(file);
  text.put_line(with_tolerance ? std::string(relative_table_header) + " tolerancia(m) razao cumpre|excede"
                               : std::string(relative_table_header));
  std::size_t records_not_fitting = 0;
  for (std::int32_t i = 1; i < points.n; ++i) {
    const Point& from = points.at(i);
    const Point& to = points.at(i + 1);
    const LegEllipse& leg = legs.legs[static_cast<std::size_t>(i - 1)];
    const EllipseParams& params = leg.ellipse;
    char* const record = text.room(200);
    char* at = record;
    const auto put_name = [&](const std::string& name) {
      const std::size_t size = std::min<std::size_t>(name.size(), 16);
      at = std::copy_n(name.data(), size, at);
    };
    bool fits = true;
    const auto put_field = [&](double value, int width, int decimals) {
      *at++ = ' ';
      at = put_fixed_point_field(at, value, width, decimals, fits);
    };
    put_name(from.name);
    *at++ = ' ';
    put_name(to.name);
    put_field(leg.length, 11, 3);
    put_field(params.a, 9, 4);
    put_field(params.b, 9, 4);
    put_field(gon_from_radians(params.teta), 9, 4);
    put_field(std::sqrt(leg.relative.var_m), 10, 6);
    put_field(std::sqrt(leg.relative.var_p), 10, 6);
    put_field(leg.relative.cov_mp, 10, 6);
    put_field(params.a / leg.length * 1e6, 9, 1);
    if (with_tolerance && leg.test) {
      const std::string verdict = ' ' + plain_fixed(leg.test->tolerance, 4) + ' ' + plain_fixed(leg.test->ratio, 3) +
                                  (leg.test->passes ? " cumpre" : " excede");
      at = std::copy(verdict.begin(), verdict.end(), at);
    }
    if (!fits) ++records_not_fitting;
    at[0] = '\r';
    at[1] = '\n';
    text.advance(at + 2);
  }
  text.flush();
  return records_not_fitting;
}

}  // namespace elipses
