#include "output/record_text.hpp"

#include <cmath>

#include "output/compact_numbers.hpp"

namespace elipses {

std::string record_name(std::string_view name) {
  while (!name.empty() && name.back() == ' ') name.remove_suffix(1);
  if (!name.empty() && name.find_first_of(" \t\"") == std::string_view::npos) return std::string(name);
  std::string quoted = "\"";
  for (const char c : name) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + '"';
}

std::string plain_fixed(double value, int decimals) {
  std::string field = fixed_point_field(value, 30, decimals);
  field.erase(0, field.find_first_not_of(' '));
  if (field.rfind('.', 0) == 0) field.insert(0, 1, '0');
  if (field.rfind("-.", 0) == 0) field.insert(1, 1, '0');
  return field;
}

std::string given_figure(double value) {
  // A length worked out from an absurd answer (a scale modulus of 1e-320) can overflow:
  // asterisks, as every number written that is not finite.
  if (!std::isfinite(value)) return exact_decimals_text(value, 0);
  std::string figure = shortest_round_trip_text(value);
  // A value typed as 0.0001 reads better so than as 1e-04.
  if (figure.find('e') != std::string::npos && value != 0.0 && std::abs(value) >= 1e-6 && std::abs(value) < 1e15) {
    figure = exact_decimals_text(value, 10);
    while (figure.back() == '0') figure.pop_back();
    if (figure.back() == '.') figure.pop_back();
  }
  return figure;
}

}  // namespace elipses
