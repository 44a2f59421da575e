// Wynn's epsilon algorithm over the sequence of partition sums: the best
// extrapolated value, an error estimate from the spread of the last
// results, and a table kept short by dropping old entries.
#include <algorithm>
#include <cmath>
#include <limits>

#include "integration/integration.h"
#include "integration/internal.h"

namespace zel::integration {
namespace {

constexpr std::int32_t kMaxEntries = 50;
// The single nearest to 1.0e-4: below it the table is irregular.
constexpr float kIrregular = 1.0e-4f;

// The smallest magnitude that rounds beyond the largest single.
constexpr double kOverflowing = 0x1p128 - 0x1p103;

bool BeyondSingles(double value) { return std::fabs(value) >= kOverflowing; }

// Quantities that meet the "infinitely large" entry starting each new
// diagonal (the largest single), or that are built from it, can lie beyond
// the single range when the sums are large: a difference with it, a new
// element, the spread of the last results. Such a value is stored as the
// largest single of its sign instead of overflowing; any value that fits is
// stored exactly as a plain rounding would store it.
float SingleSaturated(double value) {
  constexpr double kLargest = std::numeric_limits<float>::max();
  return Single(std::clamp(value, -kLargest, kLargest));
}

// The sum of the three reciprocals, rounded to a single as stored, except
// when it lies beyond the single range: differences near the bottom of that
// range (partition sums of about 1e-32 and below) have reciprocals that do
// not fit. It then keeps its double value instead of overflowing, and the
// new element comes out as close to the limit as for sums of ordinary size.
double ReciprocalSum(float delta1, float delta2, float delta3) {
  const double sum = 1.0 / delta1 + 1.0 / delta2 - 1.0 / delta3;
  return BeyondSingles(sum) ? sum : Wide(Single(sum));
}

// The difference below which two table entries agree to machine accuracy.
float AgreementTolerance(float x, float y, float epsm) {
  return Single(std::max(std::fabs(Wide(x)), std::fabs(Wide(y))) * epsm);
}

// No error estimate below the spacing of singles around the result.
float Floored(float xerr, float xres, float epsm) {
  return Single(std::max(Wide(xerr), 5.0 * epsm * std::fabs(Wide(xres))));
}


// What the computation of a new diagonal leaves.
struct Diagonal {
  bool converged = false;  // three entries agreed: xres and xerr are final, the table stays as it is
  std::int32_t kept = 0;   // entries to keep: all, or those before a breakdown
};

// Computes the new diagonal of the epsilon table from the newest entry
// (moved to count + 2, with the largest single in its place) down, and
// chooses in xres the new element with the smallest error, xerr. Stops
// early when three entries agree to machine accuracy (the limit is found)
// or when the scheme breaks down (two neighbours agree, or the table is
// irregular): then only the first 2i - 1 entries are kept.
Diagonal ComputeDiagonal(const OneBased<float>& xtab, std::int32_t count, float epsm, float& xres, float& xerr) {
  Diagonal diagonal{false, count};
  const std::int32_t m = (count - 1) / 2;
  std::int32_t k1 = count;
  for (std::int32_t i = 1; i <= m; ++i) {
    const float e0 = xtab(k1 - 2);
    const float e1 = xtab(k1 - 1);
    const float e2 = xtab(k1 + 2);
    const float delta2 = SingleSaturated(Wide(e2) - e1);
    const float err2 = std::fabs(delta2);
    const float tol2 = AgreementTolerance(e2, e1, epsm);
    const float delta3 = SingleSaturated(Wide(e1) - e0);
    const float err3 = std::fabs(delta3);
    const float tol3 = AgreementTolerance(e1, e0, epsm);

    if (err2 <= tol2 && err3 <= tol3) {
      // e0, e1 and e2 agree to machine accuracy: that is the limit.
      xres = e2;
      xerr = Single(Wide(err2) + err3);
      diagonal.converged = true;
      return diagonal;
    }

    const float e3 = xtab(k1);
    xtab(k1) = e1;
    const float delta1 = SingleSaturated(Wide(e1) - e3);
    const float err1 = std::fabs(delta1);
    const float tol1 = AgreementTolerance(e1, e3, epsm);

    // Two neighbours equal to machine accuracy, or an irregular
    // behaviour of the table: keep only the part computed so far.
    if (err1 <= tol1 || err2 <= tol2 || err3 <= tol3) {
      diagonal.kept = 2 * i - 1;
      return diagonal;
    }
    const double ss = ReciprocalSum(delta1, delta2, delta3);
    if (std::fabs(ss * e1) <= kIrregular) {
      diagonal.kept = 2 * i - 1;
      return diagonal;
    }

    const float r = SingleSaturated(e1 + 1.0 / ss);
    xtab(k1) = r;
    k1 -= 2;
    // An error beyond the single range exceeds every estimate: that
    // element is never the best.
    const double error = Wide(err2) + std::fabs(Wide(r) - e2) + err3;
    if (!BeyondSingles(error) && Single(error) <= xerr) {
      xerr = Single(error);
      xres = r;
    }
  }
  return diagonal;
}

// Shifts the lower diagonal (every other entry, ending at the newest sum,
// of a table of count entries) down by two places, then keeps only the
// newest n entries.
void ShiftTable(const OneBased<float>& xtab, std::int32_t count, std::int32_t n) {
  const std::int32_t m = (count - 1) / 2;
  std::int32_t p = count % 2 == 1 ? 1 : 2;
  for (std::int32_t i = 1; i <= m + 1; ++i) {
    xtab(p) = xtab(p + 2);
    p += 2;
  }
  if (count != n) {
    for (std::int32_t i = 1; i <= n; ++i) xtab(i) = xtab(count - n + i);
  }
}

// Files xres among the last three results and returns the error estimate:
// the spread of xres against those three, once there are three (from the
// fourth call of an integration on); the largest single before.
float NoteResult(const OneBased<float>& xlast3, std::int32_t xcalls, float xres, float ovrfl) {
  if (xcalls < 4) {
    xlast3(xcalls) = xres;
    return ovrfl;
  }
  const float spread = SingleSaturated(std::fabs(Wide(xres) - xlast3(3)) + std::fabs(Wide(xres) - xlast3(2)) +
                                       std::fabs(Wide(xres) - xlast3(1)));
  xlast3(1) = xlast3(2);
  xlast3(2) = xlast3(3);
  xlast3(3) = xres;
  return spread;
}

}  // namespace

std::array<float, 3>& LastExtrapolations() {
  static std::array<float, 3> last{};
  return last;
}

void QEXTRA(std::int32_t& xlen, std::span<float, kTableSize> xtab_elements, float& xres, float& xerr,
            std::span<float, 3> xlast3_elements, std::int32_t& xcalls) {
  const OneBased<float> xtab(xtab_elements);
  const OneBased<float> xlast3(xlast3_elements);
  float epsm = 0.0f, undfl = 0.0f, ovrfl = 0.0f;
  QMCONS(epsm, undfl, ovrfl);

  ++xcalls;
  xerr = ovrfl;
  xres = xtab(xlen);

  if (xlen >= 3) {
    // The newest sum moves two places up; its old place starts the new
    // diagonal as "infinitely large".
    const std::int32_t count = xlen;
    xtab(count + 2) = xtab(count);
    xtab(count) = ovrfl;

    const Diagonal diagonal = ComputeDiagonal(xtab, count, epsm, xres, xerr);
    if (diagonal.converged) {
      xerr = Floored(xerr, xres, epsm);
      return;
    }
    const std::int32_t n = diagonal.kept == kMaxEntries ? kMaxEntries - 1 : diagonal.kept;
    ShiftTable(xtab, count, n);
    xlen = n;
    // The error of the chosen element only chose it; the estimate
    // returned comes from the spread of the last results.
    xerr = NoteResult(xlast3, xcalls, xres, ovrfl);
  }

  xerr = Floored(xerr, xres, epsm);
}

}  // namespace zel::integration
