#pragma once
// elipses.txt: one 106-character record per computed point under an 87-character header,
// fixed columns, CR LF line ends.
#include <ostream>
#include <string>

namespace elipses {

struct EllipseTableWriter {
  std::ostream& file;
  std::size_t records_not_fitting = 0;  // records with a field written as asterisks
};

inline constexpr const char* table_header =
    "nome         M(m)        P(m)      a(m)      b(m)     teta(gon)   sM(m)   sP(m) sMP(m2)";

void write_table_header(EllipseTableWriter& table);

// name: 4 characters; m, p, a, b in metres; teta in gon; sigma_m, sigma_p in metres;
// cov_mp in square metres (the covariance itself, not a root).
void write_table_record(EllipseTableWriter& table, const std::string& name, double m, double p, double a, double b,
                        double teta_gon, double sigma_m, double sigma_p, double cov_mp);

}  // namespace elipses
