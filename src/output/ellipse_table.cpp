#include "output/ellipse_table.hpp"

#include "output/compact_numbers.hpp"

namespace elipses {

void write_table_header(EllipseTableWriter& table) { table.file << table_header << "\r\n"; }

void write_table_record(EllipseTableWriter& table, const std::string& name, double m, double p, double a, double b,
                        double teta_gon, double sigma_m, double sigma_p, double cov_mp) {
  std::string record;
  record.reserve(110);
  record += name;
  record += "  ";
  record += fixed_point_field(m, 14, 3);
  record += fixed_point_field(p, 14, 3);
  record += fixed_point_field(a, 12, 3);
  record += fixed_point_field(b, 12, 3);
  record += fixed_point_field(teta_gon, 12, 4);
  record += text_field("gon", 6);
  record += fixed_point_field(sigma_m, 10, 6);
  record += fixed_point_field(sigma_p, 10, 6);
  record += fixed_point_field(cov_mp, 10, 6);
  if (record.find('*') != std::string::npos) ++table.records_not_fitting;
  record += "\r\n";
  table.file << record;
}

}  // namespace elipses
