#pragma once
// The sign of life of a long computation at a terminal: one line on standard error,
// rewritten in place, saying what is being done and how far it is, and erased when the
// computation ends. Steps that end within a second show nothing; a run whose messages go
// to a file or a pipe never gets this object, so every byte it writes stays the same.
#include <chrono>
#include <cstddef>
#include <ostream>

#include "propagation/progress.hpp"

namespace elipses {

class ProgressLine : public Progress {
 public:
  explicit ProgressLine(std::ostream& err) : err_(err) {}
  ProgressLine(const ProgressLine&) = delete;
  ProgressLine& operator=(const ProgressLine&) = delete;
  ~ProgressLine() override { erase(); }

  void advance(ProgressStep step, std::uint64_t done, std::uint64_t total) override;
  // Clears the line, before anything else is said.
  void erase();

 private:
  using Clock = std::chrono::steady_clock;
  std::ostream& err_;
  bool started_ = false;
  ProgressStep step_ = ProgressStep::pairs;
  Clock::time_point step_began_{};
  Clock::time_point last_shown_{};
  std::size_t shown_width_ = 0;  // characters on the line now
};

}  // namespace elipses
