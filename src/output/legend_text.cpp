#include "output/legend_text.hpp"

#include "output/compact_numbers.hpp"
#include "output/ellipse_levels.hpp"

namespace elipses {

std::string decimal_figure(double value, int decimals) { return exact_decimals_text(value, decimals); }

std::string level_words(std::int32_t option) {
  if (!is_ellipse_option(option)) return "";
  // The legend title without its first word ("Elipses de "), "confianca" with its cedilla.
  std::string words = std::string(ellipse_level(option).legend_title).substr(11);
  const std::string plain = "confianca";
  if (words.compare(0, plain.size(), plain) == 0) words.replace(0, plain.size(), "confiança");
  return words;
}

std::string level_percent(std::int32_t option) {
  if (!is_ellipse_option(option)) return "";
  const std::string title = ellipse_level(option).legend_title;
  const std::size_t open = title.rfind('(');
  return title.substr(open + 1, title.size() - open - 2);
}

std::string distance_precision_text(const ObservationPrecision& precision) {
  return given_figure(precision.distance_fixed_mm) + " mm + " + given_figure(precision.distance_ppm) + " ppm";
}

std::string angle_precision_text(const ObservationPrecision& precision) {
  return given_figure(precision.angle_seconds) +
         (precision.angle_unit == AngleUnit::centesimal_seconds ? " cc" : "\"");
}

const char* angle_observation_words(ObservationMode mode) {
  return mode == ObservationMode::goniometric ? "das direções" : "dos rumos";
}

}  // namespace elipses
