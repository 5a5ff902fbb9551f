#include "output/misclosure_text.hpp"

#include <algorithm>
#include <cmath>

#include "output/ellipse_levels.hpp"
#include "output/legend_text.hpp"
#include "output/reliability_table.hpp"
#include "propagation/ellipse.hpp"

namespace elipses {

namespace {

// The two-dimensional level's probability for a single quantity (the angular
// misclosure): the normal quantile of the same percentage; level 1 is 1 sigma.
constexpr double one_dimensional_factor[8] = {1.0, 0.674, 0.900, 1.645, 1.960, 2.241, 2.576, 3.090};

}  // namespace

std::vector<std::string> misclosure_lines(const PredictedMisclosure& closure, ObservationMode mode,
                                          std::int32_t ellipse_option, AngleUnit unit) {
  const double k = ellipse_level(ellipse_option).k;
  const std::string percent = level_percent(ellipse_option);
  const bool beyond_one_sigma = ellipse_option > 1;
  std::vector<std::string> lines;
  lines.push_back("fecho previsto da poligonal, de " + decimal_figure(closure.traverse_length, 1) + " m:");
  lines.push_back("  nível: " + level_words(ellipse_option));
  if (mode == ObservationMode::goniometric) {
    const double seconds = angle_in_unit(std::sqrt(closure.angular_variance), unit);
    const char* sign = unit == AngleUnit::centesimal_seconds ? " cc" : "\"";
    std::string angular = "  angular: " + decimal_figure(seconds, 1) + sign + " a 1 sigma";
    if (beyond_one_sigma) {
      angular += ", " + decimal_figure(seconds * one_dimensional_factor[ellipse_option - 1], 1) + sign + " a " + percent;
    }
    lines.push_back(angular);
  }
  // The linear misclosure as the field computation meets it: after the angular one has
  // been spread over the angles.
  const Covariance2& linear = closure.linear_after_angular;
  const EllipseParams one_sigma = ellipse_parameters(linear, 1.0);
  const auto ratio = [&](double a) {
    return a > 0.0 ? "1:" + decimal_figure(std::floor(closure.traverse_length / a), 0) : std::string("exato");
  };
  std::string line = std::string("  linear") +
                     (mode == ObservationMode::goniometric ? " (depois de distribuído o erro angular)" : "") + ": sM " +
                     decimal_figure(std::sqrt(std::max(0.0, linear.var_m)), 3) + " m, sP " +
                     decimal_figure(std::sqrt(std::max(0.0, linear.var_p)), 3) + " m; elipse a 1 sigma " +
                     decimal_figure(one_sigma.a, 3) + " x " + decimal_figure(one_sigma.b, 3) + " m (" +
                     ratio(one_sigma.a) + ")";
  if (beyond_one_sigma) {
    line += ", a " + percent + " " + decimal_figure(k * one_sigma.a, 3) + " x " + decimal_figure(k * one_sigma.b, 3) +
            " m (" + ratio(k * one_sigma.a) + ")";
  }
  lines.push_back(line);
  return lines;
}

void write_misclosure_file(std::ostream& file, const std::vector<std::string>& lines) {
  for (const std::string& line : lines) file << line << "\r\n";
}

}  // namespace elipses
