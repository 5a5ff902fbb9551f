#include "output/relative_table.hpp"

#include <cmath>
#include <algorithm>
#include <string>

#include "output/compact_numbers.hpp"
#include "output/record_text.hpp"
#include "propagation/ellipse.hpp"

namespace elipses {

// Each value right-aligned under its label, a blank before every column.
const std::string_view relative_table_header =
    "de   para        D(m)      a(m)      b(m) teta(gon)      sM(m)      sP(m)    sMP(m2)  a/D(ppm)";

void write_relative_header(RelativeTableWriter& table, bool with_tolerance) {
  if (!with_tolerance) {
    table.text.put_line(relative_table_header);
    return;
  }
  table.text.put_line(std::string(relative_table_header) + " tolerancia(m) razao cumpre|excede");
}

void write_relative_records(RelativeTableWriter& table, const PointList& points, const TraverseCovariance& joint,
                            double k, const Tolerances* tolerances) {
  for (std::int32_t i = 1; i < points.n; ++i) {
    const Point& from = points.at(i);
    const Point& to = points.at(i + 1);
    const Leg leg = leg_geometry(points, i);
    const Covariance2 relative = relative_covariance(joint, i);
    const EllipseParams params = ellipse_parameters(relative, k);
    char* const record = table.text.room(200);
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
    put_field(std::sqrt(relative.var_m), 10, 6);
    put_field(std::sqrt(relative.var_p), 10, 6);
    put_field(relative.cov_mp, 10, 6);
    put_field(params.a / leg.length * 1e6, 9, 1);
    if (tolerances != nullptr) {
      const double tolerance = tolerances->relative_limit(leg.length);
      const double ratio = tolerance_ratio(params.a, tolerance);
      const std::string verdict =
          ' ' + plain_fixed(tolerance, 4) + ' ' + plain_fixed(ratio, 3) + (ratio <= 1.0 ? " cumpre" : " excede");
      at = std::copy(verdict.begin(), verdict.end(), at);
      if (ratio > 1.0) ++table.legs_exceeding;
      if (table.worst_leg.from == 0 || ratio > table.worst_leg.ratio) {
        table.worst_leg = PairTest{i, i + 1, leg.length, params.a, tolerance, ratio};
      }
    }
    if (!fits) ++table.records_not_fitting;
    at[0] = '\r';
    at[1] = '\n';
    table.text.advance(at + 2);
  }
}

}  // namespace elipses
