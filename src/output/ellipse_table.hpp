#pragma once
// elipses.txt: one 106-character record per computed point under an 87-character header,
// fixed columns, CR LF line ends.
#include <cstddef>
#include <ostream>
#include <string>
#include <string_view>

#include "output/text_output.hpp"
#include "propagation/analysis.hpp"

namespace elipses {

struct EllipseTableWriter {
  explicit EllipseTableWriter(std::ostream& file) : text(file) {}
  TextOutput text;
  std::size_t records_not_fitting = 0;  // records with a field written as asterisks
};

inline constexpr std::string_view table_header =
    "nome         M(m)        P(m)      a(m)      b(m)     teta(gon)   sM(m)   sP(m) sMP(m2)";

void write_table_header(EllipseTableWriter& table);

// name: 4 characters; m, p, a, b in metres; teta in gon; sigma_m, sigma_p in metres;
// cov_mp in square metres (the covariance itself, not a root).
void write_table_record(EllipseTableWriter& table, std::string_view name, double m, double p, double a, double b,
                        double teta_gon, double sigma_m, double sigma_p, double cov_mp);

// A record for one point with its covariance (m^2) and its ellipse.
void write_point_record(EllipseTableWriter& table, const Point& point, const Covariance2& covariance,
                        const EllipseParams& ellipse);

// elipses.txt: the header, then the records of every computed point of every pass, in the
// order the passes computed them. Returns the records written with asterisks.
std::size_t write_ellipse_table(std::ostream& file, const PreAnalysis& analysis);

// The table of a run stopped before any computation: the header alone.
void write_table_of_no_points(std::ostream& file);

// elipses-ajustada.txt: the header, then the adjusted points 2..n-1 of a closed traverse.
std::size_t write_adjusted_table(std::ostream& file, const PreAnalysis& analysis);

}  // namespace elipses
