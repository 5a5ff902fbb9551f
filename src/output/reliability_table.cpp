#include "output/reliability_table.hpp"

#include <cmath>
#include <string>

#include "output/record_text.hpp"

namespace elipses {

double angle_in_unit(double radians, AngleUnit unit) {
  return unit == AngleUnit::centesimal_seconds ? radians * 200.0 / pi * 10000.0 : radians * 180.0 / pi * 3600.0;
}

void write_reliability_table(std::ostream& file, const PointList& points, const TraverseReliability& reliability,
                             AngleUnit unit) {
  TextOutput text(file);
  const std::string angle_unit = unit == AngleUnit::centesimal_seconds ? "cc" : "segundos";
  text.put_line("# tipo (A ângulo, D distância, R rumo), pontos (A: atrás estação frente; D e R: de para; REF: "
                "direção de referência), sigma, r (número de redundância), nabla (menor erro grosseiro detetável, "
                "alfa0 = 0.1 %, beta0 = 80 %), desvio(m) (maior deslocamento de um ponto por esse erro), ponto "
                "deslocado, fraca se r < 0.1; sigma e nabla em m nas distâncias e em " +
                angle_unit + " nos ângulos e rumos");
  if (!reliability.shifts) {
    text.put_line("# desvio e ponto deslocado não calculados (-): com " + std::to_string(points.n) +
                  " pontos, uma resolução por observação levaria horas");
  }
  const auto name = [&](std::int32_t point) {
    return point == reference_direction ? std::string("REF") : record_name(points.at(point).name);
  };
  for (const ObservationReliability& item : reliability.observations) {
    const bool length = item.kind == ObservationKind::distance;
    std::string record = item.kind == ObservationKind::angle ? "A " + name(item.back) + ' ' : length ? "D " : "R ";
    record += name(item.station) + ' ' + name(item.forward) + ' ';
    record += length ? plain_fixed(item.sigma, 4) : plain_fixed(angle_in_unit(item.sigma, unit), 2);
    record += ' ' + plain_fixed(item.redundancy, 3) + ' ';
    if (std::isfinite(item.minimal_bias)) {
      record += length ? plain_fixed(item.minimal_bias, 4) : plain_fixed(angle_in_unit(item.minimal_bias, unit), 1);
      if (reliability.shifts) {
        record += ' ' + plain_fixed(item.largest_shift, 4) + ' ';
        record += item.shifted_point > 0 ? name(item.shifted_point) : std::string("-");
      } else {
        record += " - -";
      }
    } else {
      record += "- - -";  // no redundancy at all: no blunder in it could be found
    }
    if (item.weak()) record += " fraca";
    text.put_line(record);
  }
  text.flush();
}

}  // namespace elipses
