#include "propagation/network_adjustment.hpp"

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <utility>

namespace elipses {

namespace {

// A pivot this small against its diagonal means the block is singular to working
// precision: an observation (or a combination) with no error at all.
constexpr double singular_pivot = 1e-12;

}  // namespace

bool invert_setup_block(const SetupMatrix& covariance, std::size_t count, SetupMatrix& weight) {
  weight = SetupMatrix{};
  bool diagonal = true;
  for (std::size_t x = 0; x < count; ++x) {
    for (std::size_t y = 0; y < count; ++y) diagonal = diagonal && (x == y || covariance[x][y] == 0.0);
  }
  if (diagonal) {
    // Uncorrelated observations: each weight 1/sigma^2, exactly.
    for (std::size_t x = 0; x < count; ++x) {
      const double variance = covariance[x][x];
      if (!(variance > 0.0) || !std::isfinite(1.0 / variance)) return false;
      weight[x][x] = 1.0 / variance;
    }
    return true;
  }
  // Cholesky, Sigma = R^T R, then P = R^-1 R^-T.
  SetupMatrix r{};
  for (std::size_t j = 0; j < count; ++j) {
    double pivot = covariance[j][j];
    for (std::size_t k = 0; k < j; ++k) pivot -= square(r[k][j]);
    if (!(pivot > singular_pivot * covariance[j][j]) || !std::isfinite(pivot)) return false;
    r[j][j] = std::sqrt(pivot);
    for (std::size_t i = j + 1; i < count; ++i) {
      double s = covariance[j][i];
      for (std::size_t k = 0; k < j; ++k) s -= r[k][j] * r[k][i];
      r[j][i] = s / r[j][j];
    }
  }
  SetupMatrix inverse_r{};  // upper triangular
  for (std::size_t j = 0; j < count; ++j) {
    inverse_r[j][j] = 1.0 / r[j][j];
    for (std::size_t i = j; i-- > 0;) {
      double s = 0.0;
      for (std::size_t k = i + 1; k <= j; ++k) s += r[i][k] * inverse_r[k][j];
      inverse_r[i][j] = -s / r[i][i];
    }
  }
  for (std::size_t x = 0; x < count; ++x) {
    for (std::size_t y = 0; y < count; ++y) {
      double s = 0.0;
      for (std::size_t k = std::max(x, y); k < count; ++k) s += inverse_r[x][k] * inverse_r[y][k];
      weight[x][y] = s;
    }
  }
  return true;
}

NetworkAdjustment::NetworkAdjustment(const ObservationModel& model, AdjustmentPlan plan)
    : model_(model), plan_(std::move(plan)) {
  const std::int32_t unknowns = plan_.last_unknown - plan_.first_unknown + 1;
  size_ = unknowns > 0 ? 2 * static_cast<std::size_t>(unknowns) : 0;
  factor_.assign(size_, {});
  by_known_.assign(size_, {});
  inverse_.assign(size_, {});
  weighted_.reserve(model_.setups.size());
  for (std::size_t s = 0; s < model_.setups.size(); ++s) {
    const StationSetup& setup = model_.setups[s];
    const UsedObservations used = plan_.used.empty() ? UsedObservations{} : plan_.used[s];
    WeightedSetup weighted;
    weighted.setup = s;
    for (std::size_t k = 0; k < setup.count; ++k) {
      if (used.uses(setup.observations[k])) weighted.used[weighted.count++] = k;
    }
    if (weighted.count == 0) continue;
    const SetupMatrix full = setup.covariance();
    SetupMatrix covariance{};
    for (std::size_t x = 0; x < weighted.count; ++x) {
      for (std::size_t y = 0; y < weighted.count; ++y) covariance[x][y] = full[weighted.used[x]][weighted.used[y]];
    }
    if (!invert_setup_block(covariance, weighted.count, weighted.weight)) {
      throw std::domain_error("the observations of a setup have no error: their weight would be infinite");
    }
    add_setup(setup, weighted);
    weighted_.push_back(weighted);
  }
  factorise();
  invert_band();
  solve_for_known_points();
}

UnknownTerms NetworkAdjustment::unknown_terms(const Observation& observation) const {
  UnknownTerms row;
  for (std::size_t d = 0; d < observation.derivative_count; ++d) {
    const PointDerivative& derivative = observation.derivatives[d];
    if (!is_unknown(derivative.point)) continue;
    row.terms[row.count++] = UnknownTerm{derivative.point, row_of(derivative.point), derivative.by_m, derivative.by_p};
  }
  return row;
}

// Adds A_s^T P_s A_s to N and A_s^T P_s B_s to A^T P B: every pair of used observations
// (x, y) adds p_xy a_x^T a_y, a the derivatives by the unknowns, b those by the known points.
void NetworkAdjustment::add_setup(const StationSetup& setup, const WeightedSetup& weighted) {
  for (std::size_t x = 0; x < weighted.count; ++x) {
    const Observation& ox = setup.observations[weighted.used[x]];
    for (std::size_t y = 0; y < weighted.count; ++y) {
      const double w = weighted.weight[x][y];
      if (w == 0.0) continue;
      const Observation& oy = setup.observations[weighted.used[y]];
      for (const UnknownTerm& tx : unknown_terms(ox)) {
        const std::size_t rx = tx.row;
        const std::array<double, 2> ax{w * tx.by_m, w * tx.by_p};
        for (std::size_t ty = 0; ty < oy.derivative_count; ++ty) {
          const PointDerivative& dy = oy.derivatives[ty];
          const std::array<double, 2> ay{dy.by_m, dy.by_p};
          if (is_unknown(dy.point)) {
            const std::size_t ry = row_of(dy.point);
            for (std::size_t cx = 0; cx < 2; ++cx) {
              for (std::size_t cy = 0; cy < 2; ++cy) {
                // Only the upper band is kept: N is symmetric.
                if (ry + cy >= rx + cx) factor_[rx + cx][ry + cy - (rx + cx)] += ax[cx] * ay[cy];
              }
            }
          } else if (dy.point == plan_.first_unknown - 1 || dy.point == plan_.last_unknown + 1) {
            const std::size_t column = dy.point == plan_.first_unknown - 1 ? 0 : 2;
            for (std::size_t cx = 0; cx < 2; ++cx) {
              for (std::size_t cy = 0; cy < 2; ++cy) by_known_[rx + cx][column + cy] += ax[cx] * ay[cy];
            }
          }
        }
      }
    }
  }
}

// N = L D L^T in place, band by band: factor_[j][0] becomes d_j and factor_[j][k] becomes
// L(j + k, j). N is positive definite (the observations of an open chain alone fix every
// unknown), so every d_j is positive.
void NetworkAdjustment::factorise() {
  for (std::size_t j = 0; j < size_; ++j) {
    const std::size_t first = j > band ? j - band : 0;
    double pivot = factor_[j][0];
    for (std::size_t k = first; k < j; ++k) pivot -= square(lower(j, k)) * factor_[k][0];
    factor_[j][0] = pivot;
    const std::size_t last = std::min(j + band, size_ - 1);
    for (std::size_t i = j + 1; i <= last; ++i) {
      double s = factor_[j][i - j];
      for (std::size_t k = i > band ? i - band : 0; k < j; ++k) s -= lower(i, k) * lower(j, k) * factor_[k][0];
      factor_[j][i - j] = s / pivot;
    }
  }
}

// The band of N^-1 from the factor, last row first (selected inversion): for j >= i,
// Z(i, j) = [i == j] / d_i - sum over k = i+1 .. i+5 of L(k, i) Z(k, j), where every Z
// needed lies in the band rows below i already hold.
void NetworkAdjustment::invert_band() {
  for (std::size_t ii = size_; ii-- > 0;) {
    const std::size_t reach = std::min(band, size_ - 1 - ii);
    for (std::size_t t = reach + 1; t-- > 0;) {
      double z = t == 0 ? 1.0 / factor_[ii][0] : 0.0;
      for (std::size_t s = 1; s <= reach; ++s) z -= factor_[ii][s] * inverse(ii + s, ii + t);
      inverse_[ii][t] = z;
    }
  }
}

// G = -N^-1 A^T P B by the factor, one column of the known points at a time.
void NetworkAdjustment::solve_for_known_points() {
  std::vector<double> column(size_);
  for (std::size_t c = 0; c < 4; ++c) {
    for (std::size_t j = 0; j < size_; ++j) column[j] = -by_known_[j][c];
    solve(column);
    for (std::size_t j = 0; j < size_; ++j) by_known_[j][c] = column[j];
  }
}

void NetworkAdjustment::solve(std::vector<double>& b) const {
  std::size_t start = 0;
  while (start < size_ && b[start] == 0.0) ++start;
  for (std::size_t j = start; j < size_; ++j) {
    double y = b[j];
    for (std::size_t k = std::max(j > band ? j - band : 0, start); k < j; ++k) y -= lower(j, k) * b[k];
    b[j] = y;
  }
  for (std::size_t j = start; j < size_; ++j) b[j] /= factor_[j][0];
  for (std::size_t j = size_; j-- > 0;) {
    double x = b[j];
    const std::size_t last = std::min(j + band, size_ - 1);
    for (std::size_t i = j + 1; i <= last; ++i) x -= lower(i, j) * b[i];
    b[j] = x;
  }
}

Matrix2 NetworkAdjustment::cofactor(std::int32_t a, std::int32_t b) const {
  const std::size_t r = row_of(a);
  const std::size_t c = row_of(b);
  return Matrix2{inverse(r, c), inverse(r, c + 1), inverse(r + 1, c), inverse(r + 1, c + 1)};
}

Matrix2 NetworkAdjustment::gain(std::int32_t point, bool after) const {
  const std::size_t r = row_of(point);
  const std::size_t c = after ? 2 : 0;
  return Matrix2{by_known_[r][c], by_known_[r][c + 1], by_known_[r + 1][c], by_known_[r + 1][c + 1]};
}

Matrix2 NetworkAdjustment::covariance(std::int32_t a, std::int32_t b, const KnownPointsCovariance& known) const {
  const Matrix2 before_a = gain(a, false);
  const Matrix2 after_a = gain(a, true);
  const Matrix2 before_b = transposed(gain(b, false));
  const Matrix2 after_b = transposed(gain(b, true));
  // G Sigma_c G^T with Sigma_c = [[before, shared], [shared^T, after]].
  Matrix2 carried = product(product(before_a, known.before), before_b);
  carried = sum(carried, product(product(after_a, known.after), after_b));
  carried = sum(carried, product(product(before_a, known.shared), after_b));
  carried = sum(carried, product(product(after_a, transposed(known.shared)), before_b));
  return sum(cofactor(a, b), carried);
}

}  // namespace elipses
