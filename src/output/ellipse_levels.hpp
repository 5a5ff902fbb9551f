#pragma once
// The eight ellipse levels: the factor k that scales both semi-axes (fixed constants,
// not computed from the percentages), the line of the menu and the title of the legend.
// Option 3's 63.2 % has always been shown so, though k = 1.41 gives about 63.0 %.
#include <cstdint>
#include <string>

namespace elipses {

struct EllipseLevel {
  double k;
  const char* menu_line;     // its first character is the console's control column
  const char* legend_title;
};

inline constexpr EllipseLevel ellipse_levels[8] = {
    {1.0, " 1. Elipse de erro 1 sigma (39.4%)", "Elipses de erro 1 sigma (39.4%)"},
    {1.177, " 2. Elipse de confianca 1.177 sigma (50%)", "Elipses de confianca 1.177 sigma (50%)"},
    {1.41, " 3. Elipse de confianca 1.410 sigma (63.2%)", "Elipses de confianca 1.410 sigma (63.2%)"},
    {2.146, " 4. Elipse de confianca 2.146 sigma (90%)", "Elipses de confianca 2.146 sigma (90%)"},
    {2.447, " 5. Elipse de confianca 2.447 sigma (95%)", "Elipses de confianca 2.447 sigma (95%)"},
    {2.76, " 6. Elipse de confianca 2.760 sigma (97.5%)", "Elipses de confianca 2.760 sigma (97.5%)"},
    {3.035, " 7. Elipse de confianca 3.035 sigma (99%)", "Elipses de confianca 3.035 sigma (99%)"},
    {3.5, " 8. Elipse de confianca 3.500 sigma (99.8%): ", "Elipses de confianca 3.500 sigma (99.8%)"},
};

constexpr bool is_ellipse_option(std::int32_t option) { return option >= 1 && option <= 8; }

// The level of a menu option 1..8.
constexpr const EllipseLevel& ellipse_level(std::int32_t option) { return ellipse_levels[option - 1]; }

// The level as the further files and messages name it: "95% (k = 2.447)".
inline std::string level_and_factor(std::int32_t option) {
  const std::string title = ellipse_level(option).legend_title;
  const std::size_t open = title.rfind('(');
  const std::string percent = title.substr(open + 1, title.size() - open - 2);
  const std::string sigma = title.substr(0, title.find(" sigma"));
  return percent + " (k = " + sigma.substr(sigma.rfind(' ') + 1) + ")";
}

}  // namespace elipses
