#pragma once
// elipses.txt: one 106-character record per computed point under an 87-character header,
// fixed columns, CR LF line ends.
#include <cstddef>
#include <ostream>
#include <string>
#include <string_view>

#include "output/text_output.hpp"
#include "propagation/chain.hpp"

namespace elipses {

struct EllipseTableWriter {
  explicit EllipseTableWriter(std::ostream& file) : text(file) {}
  TextOutput text;
  std::size_t records_not_fitting = 0;  // records with a field written as asterisks
  double largest_a = -1.0;              // the largest semi-major axis written (m), for the summary
  std::string largest_a_name;           // and its point
};

inline constexpr std::string_view table_header =
    "nome         M(m)        P(m)      a(m)      b(m)     teta(gon)   sM(m)   sP(m) sMP(m2)";

void write_table_header(EllipseTableWriter& table);

// name: 4 characters; m, p, a, b in metres; teta in gon; sigma_m, sigma_p in metres;
// cov_mp in square metres (the covariance itself, not a root).
void write_table_record(EllipseTableWriter& table, std::string_view name, double m, double p, double a, double b,
                        double teta_gon, double sigma_m, double sigma_p, double cov_mp);

// A record for one point of `points` with its covariance (m^2) and the level's factor k.
void write_point_record(EllipseTableWriter& table, const Point& point, const Covariance2& covariance, double k);

// The records of every computed point of a pass, in the order it computed them.
void write_chain_records(EllipseTableWriter& table, const PointList& walked, const Chain& chain, double k);

}  // namespace elipses
