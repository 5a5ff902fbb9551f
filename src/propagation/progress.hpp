#pragma once
// A long computation says how far it has come, so that a person waiting sees a sign of
// life. The computation calls `advance` now and then with what it is doing and how much of
// it is done; whoever asked decides whether, when and how to show it (nothing at all when
// the messages go to a file or a pipe).
#include <cstdint>

namespace elipses {

enum class ProgressStep {
  pairs,        // every pair of points against the relative tolerance
  design,       // the design sheet's limits and catalogue
  reliability,  // each observation's largest shift of the points
  height_pairs, // every pair of points against the vertical tolerance
};

class Progress {
 public:
  virtual ~Progress() = default;
  // `done` of `total` units of `step` (pairs, trials, observations); `total` > 0.
  virtual void advance(ProgressStep step, std::uint64_t done, std::uint64_t total) = 0;
};

// Calls `advance` on a progress that may be absent: at the start, then at most every
// `stride` units, and at the end, so that the counting costs nothing next to the work.
class ProgressCounter {
 public:
  ProgressCounter(Progress* progress, ProgressStep step, std::uint64_t total, std::uint64_t stride = 1)
      : progress_(progress), step_(step), total_(total), stride_(stride == 0 ? 1 : stride) {
    if (progress_ != nullptr && total_ > 0) progress_->advance(step_, 0, total_);
  }
  void add(std::uint64_t units) {
    done_ += units;
    if (progress_ != nullptr && (done_ - shown_ >= stride_ || done_ >= total_)) {
      shown_ = done_;
      progress_->advance(step_, done_, total_);
    }
  }

 private:
  Progress* progress_;
  ProgressStep step_;
  std::uint64_t total_;
  std::uint64_t stride_;
  std::uint64_t done_ = 0;
  std::uint64_t shown_ = 0;
};

}  // namespace elipses
