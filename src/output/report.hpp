#pragma once
// elipses-relatorio.html: the one-page report a surveyor hands over. One self-contained
// HTML5 file (styles, drawing and its switches inline; no link to any other file or
// address), for the screen, a phone and A4 paper: the verdict first, what was computed,
// the drawing written as SVG from the computation itself, how the plan would pass (the
// design sheet as a person reads it), and the tables.
//
// report_of() gathers plain sections from the pre-analysis; write_report() lays them out
// and computes nothing but the ellipse of each covariance at the level's factor.
#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "output/presentation.hpp"
#include "propagation/analysis.hpp"

namespace elipses {

// One line of "what was computed": a label and its value, both plain text.
struct ReportFact {
  std::string label;
  std::string value;
};

// A point of a computation (its place 1..n in file order) with its covariance, m^2.
struct ReportEllipse {
  std::int32_t point = 0;
  Covariance2 covariance;
};

// Which rows of a long list a report shows (a table's, or the drawing's ellipses), so that
// the page stays small whatever the traverse: all of them unless `abridged`, and then the
// places in `kept`, in order.
struct Selection {
  bool abridged = false;
  std::vector<std::size_t> kept;
};

// One computation's absolute ellipses: a layer of the drawing and a table.
struct ReportComputation {
  std::string title;  // "Cálculo a partir do ponto inicial (elipses.txt)"
  std::string whole;  // where every one of them is: "elipses.txt"
  std::vector<ReportEllipse> ellipses;
  Selection table;    // the rows of its table
  Selection drawn;    // the ellipses drawn
};

// A leg's relative ellipse (legs i -> i+1 in file order, i = 1..n-1) and its tolerance test.
struct ReportLeg {
  std::int32_t from = 0;
  Covariance2 relative;  // m^2
  std::optional<LegTest> tolerance;
};

// A table a further result brings (reliability, pairs): plain text cells; a cell reading
// "cumpre" or "excede" is coloured by its verdict.
struct ReportTable {
  std::string title;
  std::string note;  // a sentence under the title, or empty
  std::vector<std::string> headers;
  std::vector<std::vector<std::string>> rows;
};

// The box above everything: the verdict with a tolerance, or what the plan's worst point
// and leg are without one.
struct ReportVerdict {
  bool given = false;  // a tolerance was given
  bool meets = true;
  std::vector<std::string> lines;
};

// A pair of points that exceeds the relative tolerance, drawn as a line between them.
struct ReportPair {
  std::int32_t from = 0;
  std::int32_t to = 0;
  double ratio = 0.0;
};

// One row of the design sheet's limits: the precision, its limit with the rest as given
// (or why there is none) and what the plan uses.
struct ReportLimit {
  std::string precision;
  std::string limit;
  std::string plan;
  bool found = true;
};

// Where a variance comes from, in % by source, for a bar chart: each source named.
struct ReportBudget {
  std::string title;
  std::vector<std::pair<std::string, double>> percent;
};

// One source among the largest, named as a surveyor would ("ângulo em E06").
struct ReportSource {
  std::string name;
  double percent = 0.0;
};

// One class of the catalogue: its precisions, its worst ratio over every tolerance.
struct ReportClass {
  double seconds = 0.0;
  double mm = 0.0;
  double ppm = 0.0;
  double ratio = 0.0;
  bool passes = false;
  bool cheapest = false;
  bool plan = false;  // the plan's own instrument
};

// The heights: the profile along the traverse with each point's interval as a band, and
// the tables of the points and the legs.
struct ReportHeights {
  std::vector<double> along;          // m: the distance along the traverse to each point
  std::vector<double> height;         // m: the planned height of each point
  std::vector<double> half_interval;  // m: at the level
  std::vector<double> sigma;          // m
  double factor = 1.0;                // the half-interval's factor
  std::string level;                  // "95% (k = 2.447): semi-intervalo = 1.959 sigma"
  std::vector<HeightPairTest> legs;   // with the tolerance's verdicts when one is given
  std::vector<double> leg_sigma;      // m, of each leg's height difference
  std::vector<double> leg_rise;       // m
  bool tested = false;                // a vertical tolerance was given
  Selection points_table;
  Selection legs_table;
  std::size_t vertex_every = 1;
};

struct ReportDesign {
  std::vector<ReportLimit> limits;  // with a tolerance
  std::vector<ReportBudget> budgets;  // the worst point's and pair's, and the worst height's
  std::vector<ReportSource> largest_sources;
  std::vector<ReportClass> catalogue;  // by seconds, then by distance class
  std::string plan_note;               // where the plan's instrument is not a class
};

struct Report {
  std::string title = "Pré-análise da poligonal";
  std::string coordinate_file;  // the file's name alone, without its folder
  std::string folder;           // where the results were written, its last name ("." the working folder)
  ReportVerdict verdict;
  std::vector<ReportFact> facts;
  PointList points;             // file order
  double k = 1.0;               // the level's factor
  std::string level;            // "confiança 2.447 sigma (95%)"
  double scale = 1000.0;        // the ellipses are drawn this many times larger than the ground
  std::vector<ReportComputation> computations;
  std::string relative_title;   // the computation the relative ellipses come from
  std::vector<ReportLeg> legs;  // empty: no relative ellipses
  std::string legs_whole;      // where every leg is
  Selection legs_table;
  Selection legs_drawn;
  std::size_t label_every = 1;     // every how many points a name is written in the drawing
  std::size_t vertex_every = 1;    // every how many points the traverse's line takes a vertex
  std::vector<ReportPair> exceeding_pairs;  // drawn, worst first
  std::uint64_t exceeding_not_drawn = 0;
  std::vector<std::string> misclosure;  // the lines of elipses-fecho.txt, or empty
  std::optional<ReportDesign> design;
  std::optional<ReportHeights> heights;
  std::vector<ReportTable> tables;
};

// Text as it may stand in HTML or SVG content or in a quoted attribute: & < > " ' as
// references, bytes that are not UTF-8 read as Windows-1252 (older editors), control
// characters as U+FFFD.
std::string html_text(std::string_view text);

// A point's name without the blanks that fill it to four characters.
std::string shown_name(std::string_view name);

// The last name of a path, without the folders before it (either kind of slash): a report
// is handed to others and says nothing of the machine it was made on.
std::string last_name(std::string_view path);

// The reliability's section: the redundancy, and the weakly checked observations with
// their smallest detectable blunder and its largest effect, as elipses-fiabilidade.txt
// writes them.
ReportTable reliability_section(const PointList& points, const TraverseReliability& reliability, AngleUnit unit);

// The pairs of points against the relative tolerance: the counts, and the pairs that
// exceed, worst first (the first hundred; elipses-pares.txt lists up to a thousand).
ReportTable pairs_section(const PointList& points, const PairSweep& sweep);

// The design sheet as a person reads it: the limits in sentences, the budgets, the largest
// sources named, and the catalogue as a matrix.
ReportDesign design_section(const PreAnalysis& analysis);

// The heights' section.
ReportHeights heights_section(const PreAnalysis& analysis, std::int32_t ellipse_option);

// "What was computed": the coordinate file, the points and the length, the mode and the
// traverse, every precision as given, the centring and the sets, the known ends, the
// tolerances, the level with its factor and the probability that factor really gives, and
// the drawing's scale modulus.
std::vector<ReportFact> report_facts(const PreAnalysis& analysis, const Presentation& presentation);

// Every section of the report of a run.
Report report_of(const PreAnalysis& analysis, const Presentation& presentation);

// The whole document.
void write_report(std::ostream& file, const Report& report);

// At most this many exceeding pairs are drawn, the worst.
constexpr std::size_t drawn_exceeding_pairs = 30;

// A long traverse's report is abridged: tables of more rows than this show the first and
// the worst ones; drawings of more points than this draw the worst ellipses and every
// n-th, the names of every n-th point and the traverse through every n-th vertex.
constexpr std::size_t longest_table = 400;
constexpr std::size_t first_rows_shown = 100;
constexpr std::size_t worst_rows_shown = 200;
constexpr std::int32_t fullest_drawing = 2000;
constexpr std::size_t worst_ellipses_drawn = 300;
constexpr std::size_t ellipses_drawn = 1000;
constexpr std::size_t names_written = 500;
constexpr std::size_t vertices_drawn = 5000;

}  // namespace elipses
