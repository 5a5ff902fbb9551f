#pragma once
// Every file a run writes, from its one pre-analysis, in the order the run names them:
// elipses.txt and elipses.scr, then each further result asked for.
#include <cstddef>
#include <ostream>
#include <string>

#include "output/presentation.hpp"
#include "propagation/analysis.hpp"

namespace elipses {

// Where the files go: a stream for each file name, which the caller completes and puts in
// place once every file is written.
class FileSink {
 public:
  virtual ~FileSink() = default;
  virtual std::ostream& file(const std::string& name) = 0;
};

// The values written as asterisks, which the run tells of.
struct WrittenCounts {
  std::size_t table_records = 0;     // elipses.txt
  std::size_t script_lines = 0;      // elipses.scr
  std::size_t adjusted_records = 0;  // elipses-ajustada.txt
  std::size_t relative_records = 0;  // elipses-relativas.txt
  std::size_t height_records = 0;    // elipses-alturas.txt
};

WrittenCounts write_results(const PreAnalysis& analysis, const Presentation& presentation, FileSink& files);

}  // namespace elipses
