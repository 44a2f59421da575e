// The adaptive core: bisection of the subinterval with the largest error
// estimate, roundoff watch, and epsilon-algorithm extrapolation of the
// partition sums once the subintervals to bisect become small.
#include <algorithm>
#include <array>
#include <cmath>
#include <span>

#include "integration/integration.h"
#include "integration/internal.h"

namespace zel::integration {
namespace {

// Constants of the core, as singles.
constexpr float kSameArea = 1.0e-5f;     // relative change of a bisected area seen as none
constexpr float kSameError = 0.99f;      // share of the old error the halves keep without gain
constexpr float kNoGainRatio = 0.001f;   // extrapolation error small against the partition error
constexpr float kSmallWidth = 0.375f;    // first width below which a subinterval is small
constexpr float kDivergence = 0.01f;     // result/area ratios outside [0.01, 100] diverge

// How the passes end: the summed error meets the tolerance (the plain sum
// is the result), or they stop for another reason (the extrapolated value
// competes with the plain sum).
enum class PassesEnd { kToleranceMet, kStopped };

// The two halves of one bisection, as the rule evaluated them.
struct Halves {
  float a1, b1, a2, b2;       // [a1, b1] the left half, [a2, b2] the right; b1 = a2
  float area1, error1, dev1;  // integral, error estimate, integral of |f - mean|
  float area2, error2, dev2;
  float area12, erro12;       // the sums of the two
};

// One call's working state, and the steps that share it.
struct Core {
  // Arguments.
  Integrand f;
  float a, b, errabs, errrel;
  std::int32_t maxsub;
  float& result;
  float& absest;
  Outcome& icode;
  std::int32_t& nparts;
  OneBased<float> sublo, subhi, subint, suberr;
  OneBased<std::int32_t> errord;
  std::span<const float> suberr_elements;
  std::span<std::int32_t> errord_elements;

  float epsm = 0.0f, undfl = 0.0f, ovrfl = 0.0f;
  // Running sums of subint and suberr over the partition, and the tolerance.
  float area = 0.0f, errtot = 0.0f, tolbnd = 0.0f;
  // The subinterval to bisect next, its error, and its position in errord.
  std::int32_t maxidx = 1;
  float errbig = 0.0f;
  std::int32_t ordpos = 1;
  float errprv = 0.0f;  // error of the subinterval bisected in this pass
  // Integrals of |f| and |f - mean| from the first rule application; +1
  // when the integrand is essentially of one sign.
  float absint = 0.0f, devint = 0.0f;
  std::int32_t signf = -1;
  // The roundoff watch. A bisection stalls when it changes the area by
  // (almost) nothing and keeps (almost) all of the error; stalls are
  // counted apart outside and inside the extrapolation phase. Ten stalls in
  // all, or twenty bisections whose halves carry more error than the whole
  // (from the eleventh subinterval on), end the passes with roundoff.
  std::int32_t rndct1 = 0;  // stalls outside the extrapolation phase
  std::int32_t rndct2 = 0;  // stalls inside the extrapolation phase
  std::int32_t rndct3 = 0;  // bisections whose halves carry more error than the whole
  // Five stalls in the extrapolation phase: roundoff limits what the
  // extrapolation can reach. From then on the large subintervals are no
  // longer bisected first, and the finish widens the extrapolated error.
  bool xflag = false;  // extrapolation limited by roundoff
  // Subintervals no wider than minwid are small; widerr sums the errors of
  // the others.
  float minwid = 0.0f, widerr = 0.0f;
  // The extrapolation phase: the next subinterval to bisect was small, so
  // the large ones are bisected first and then the sums extrapolated.
  bool xmode = false;  // in the extrapolation phase
  // The table collapsed to one entry: no more extrapolation in this call.
  bool xoff = false;  // extrapolation switched off
  // The table, the last value and error, the tolerance an extrapolated
  // value must meet, widerr at the last gain, and the calls since then.
  std::array<float, kTableSize> xtab{};
  std::int32_t xlen = 0;
  float xres = 0.0f, xerr = 0.0f;
  std::int32_t xcalls = 0;
  float xtol = 0.0f, xcorr = 0.0f;
  std::int32_t nogain = 0;

  float Tolerance(float value) const { return Single(std::max(Wide(errabs), Wide(errrel) * std::fabs(value))); }
  bool Large(std::int32_t k) const { return std::fabs(Wide(subhi(k)) - sublo(k)) > minwid; }

  PassesEnd Passes();
  Halves Bisect();
  void WatchRoundoff(const Halves& halves);
  void JudgePass(const Halves& halves);
  void StoreHalves(const Halves& halves);
  void UpdateWideError(const Halves& halves);
  bool ReturnLargeFirst();
  bool ExtrapolationEnds();
  void ResumeBisectingTheLargestError();
  bool PlainSumIsBetter();
};

// The passes, for nparts = 2, 3, ... up to maxsub; the pass at maxsub
// always leaves, since it sets an outcome.
PassesEnd Core::Passes() {
  for (nparts = 2;; ++nparts) {
    const Halves halves = Bisect();
    WatchRoundoff(halves);
    tolbnd = Tolerance(area);
    JudgePass(halves);
    StoreHalves(halves);
    QORDER(maxsub, nparts, maxidx, errbig, suberr_elements, errord_elements, ordpos);

    if (errtot <= tolbnd) return PassesEnd::kToleranceMet;
    if (icode != Outcome::kConverged) return PassesEnd::kStopped;

    if (nparts == 2) {
      // After the first bisection: the first notion of small, and the
      // second entry of the extrapolation table.
      minwid = Single(std::fabs(Wide(b) - a) * kSmallWidth);
      widerr = errtot;
      xtol = tolbnd;
      xtab[1] = area;
      continue;
    }
    if (xoff) continue;

    UpdateWideError(halves);
    if (!xmode) {
      if (Large(maxidx)) continue;
      xmode = true;
      ordpos = 2;
    }
    if (!xflag && widerr > xtol && ReturnLargeFirst()) continue;
    if (ExtrapolationEnds()) return PassesEnd::kStopped;
    ResumeBisectingTheLargestError();
  }
}

// Bisects the subinterval with the largest error (or the one the
// extrapolation phase picked), applies the rule to both halves, and updates
// the running sums by differences: the partition is never re-summed.
Halves Core::Bisect() {
  Halves h{};
  h.a1 = sublo(maxidx);
  h.b2 = subhi(maxidx);
  h.b1 = Single((Wide(h.b2) + h.a1) * 0.5);
  h.a2 = h.b1;
  errprv = errbig;

  float abs1 = 0.0f, abs2 = 0.0f;  // not used
  QRULE21(f, h.a1, h.b1, h.area1, h.error1, abs1, h.dev1);
  QRULE21(f, h.a2, h.b2, h.area2, h.error2, abs2, h.dev2);

  h.area12 = Single(Wide(h.area1) + h.area2);
  h.erro12 = Single(Wide(h.error1) + h.error2);
  errtot = Single(Wide(errtot) + h.erro12 - errbig);
  area = Single(Wide(area) + h.area12 - subint(maxidx));
  return h;
}

// Counts stalls and error growths (see the counters). Estimates capped at
// the deviation integral say nothing about roundoff.
void Core::WatchRoundoff(const Halves& h) {
  if (h.dev1 == h.error1 || h.dev2 == h.error2) return;
  if (std::fabs(Wide(subint(maxidx)) - h.area12) <= kSameArea * std::fabs(Wide(h.area12)) &&
      h.erro12 >= kSameError * Wide(errbig)) {
    if (xmode) {
      ++rndct2;
    } else {
      ++rndct1;
    }
  }
  if (nparts > 10 && h.erro12 > errbig) ++rndct3;
}

// The outcomes a pass can set, in this order, each later one overriding an
// earlier: roundoff, the subinterval limit, too fine a subdivision.
void Core::JudgePass(const Halves& h) {
  if (rndct1 + rndct2 >= 10 || rndct3 >= 20) icode = Outcome::kRoundoff;
  if (rndct2 >= 5) xflag = true;
  if (nparts == maxsub) icode = Outcome::kLimitReached;
  // The halves can no longer be told apart from the ends in single
  // precision.
  if (std::max(std::fabs(h.a1), std::fabs(h.b2)) <=
      (1.0 + 1000.0 * epsm) * (std::fabs(Wide(h.a2)) + 1000.0 * undfl)) {
    icode = Outcome::kTooFine;
  }
}

// The half with the larger error stays at maxidx (the left one on a tie);
// the other becomes subinterval nparts.
void Core::StoreHalves(const Halves& h) {
  if (h.error2 > h.error1) {
    sublo(maxidx) = h.a2;
    sublo(nparts) = h.a1;
    subhi(nparts) = h.b1;
    subint(maxidx) = h.area2;
    subint(nparts) = h.area1;
    suberr(maxidx) = h.error2;
    suberr(nparts) = h.error1;
  } else {
    sublo(nparts) = h.a2;
    subhi(maxidx) = h.b1;
    subhi(nparts) = h.b2;
    subint(maxidx) = h.area1;
    subint(nparts) = h.area2;
    suberr(maxidx) = h.error1;
    suberr(nparts) = h.error2;
  }
}

// widerr: the error of the subintervals wider than minwid. The bisected
// one leaves the sum; its halves join it while they are large.
void Core::UpdateWideError(const Halves& h) {
  widerr = Single(Wide(widerr) - errprv);
  if (std::fabs(Wide(h.b1) - h.a1) > minwid) widerr = Single(Wide(widerr) + h.erro12);
}

// Extrapolates the sequence of partition sums and keeps the value when its
// error is the best so far. True when the passes end here: the value meets
// its tolerance, or the extrapolation has stopped gaining.
bool Core::ExtrapolationEnds() {
  ++xlen;
  xtab[static_cast<std::size_t>(xlen - 1)] = area;
  QEXTRA(xlen, xtab, xres, xerr, LastExtrapolations(), xcalls);
  ++nogain;
  if (nogain > 5 && absest < kNoGainRatio * Wide(errtot)) icode = Outcome::kExtrapolationRoundoff;
  if (xerr < absest) {
    nogain = 0;
    absest = xerr;
    result = xres;
    xcorr = widerr;
    xtol = Tolerance(xres);
    if (absest <= xtol) return true;
  }
  if (xlen == 1) xoff = true;
  return icode == Outcome::kExtrapolationRoundoff;
}

// Back to bisecting the largest error, with a smaller notion of small.
void Core::ResumeBisectingTheLargestError() {
  maxidx = errord(1);
  errbig = suberr(maxidx);
  ordpos = 1;
  xmode = false;
  minwid = Single(Wide(minwid) * 0.5);
  widerr = errtot;
}

// In the extrapolation phase, looks down the error ordering from ordpos
// for a subinterval that is still large. When one is found it becomes the
// next to bisect (true); otherwise the extrapolation goes ahead (false).
bool Core::ReturnLargeFirst() {
  const std::int32_t last = MaintainedLength(maxsub, nparts);
  const std::int32_t repetitions = last - ordpos + 1;
  for (std::int32_t k = 0; k < repetitions; ++k) {
    maxidx = errord(ordpos);
    errbig = suberr(maxidx);
    if (Large(maxidx)) return true;
    ++ordpos;
  }
  return false;
}

// After passes that stopped: true when the plain sum of the partition is
// the better result; false to keep the extrapolated value. Also tests the
// kept result for divergence.
bool Core::PlainSumIsBetter() {
  if (absest == ovrfl) return true;  // no extrapolation improved the error

  if (icode != Outcome::kConverged || xflag) {
    if (xflag) absest = Single(Wide(absest) + xcorr);
    if (icode == Outcome::kConverged) icode = Outcome::kRoundoff;
    if (result != 0.0f && area != 0.0f) {
      // Keep whichever of the two has the smaller relative error.
      if (Wide(absest) / std::fabs(result) > Wide(errtot) / std::fabs(area)) return true;
    } else if (absest > errtot) {
      return true;
    } else if (area == 0.0f) {
      return false;
    }
  }

  // Divergence test, skipped when the integrand changes sign and both
  // values are small against the integral of |f|.
  if (signf == -1 && std::max(std::fabs(result), std::fabs(area)) <= kDivergence * Wide(absint)) {
    return false;
  }
  if (area == 0.0f) {
    icode = Outcome::kDivergent;
  } else {
    const double q = Wide(result) / area;
    if (q < kDivergence || q > 100.0 || errtot > std::fabs(area)) icode = Outcome::kDivergent;
  }
  return false;
}

}  // namespace

void QCORE(Integrand f, float a, float b, float errabs, float errrel, std::int32_t maxsub, float& result,
           float& absest, std::int32_t& ncalls, Outcome& icode, std::span<float> sublo, std::span<float> subhi,
           std::span<float> subint, std::span<float> suberr, std::span<std::int32_t> errord,
           std::int32_t& nparts) {
  Core core{f, a, b, errabs, errrel, maxsub, result, absest, icode, nparts,
            OneBased<float>(sublo), OneBased<float>(subhi), OneBased<float>(subint), OneBased<float>(suberr),
            OneBased<std::int32_t>(errord), suberr, errord};
  QMCONS(core.epsm, core.undfl, core.ovrfl);

  icode = Outcome::kConverged;
  ncalls = 0;
  nparts = 0;
  result = 0.0f;
  absest = 0.0f;
  core.sublo(1) = a;
  core.subhi(1) = b;
  core.subint(1) = 0.0f;
  core.suberr(1) = 0.0f;
  if (errabs < 0.0f && errrel < 0.0f) {
    icode = Outcome::kNegativeTolerances;
    return;
  }

  // The first application of the rule, over the whole interval.
  QRULE21(f, a, b, result, absest, core.absint, core.devint);
  core.tolbnd = core.Tolerance(result);
  nparts = 1;
  core.subint(1) = result;
  core.suberr(1) = absest;
  core.errord(1) = 1;
  if (absest <= 100.0 * core.epsm * core.absint && absest > core.tolbnd) icode = Outcome::kRoundoff;
  if (maxsub == 1) icode = Outcome::kLimitReached;
  // An estimate capped at the deviation integral does not count as met.
  if (icode != Outcome::kConverged || (absest <= core.tolbnd && absest != core.devint) || absest == 0.0f) {
    ncalls = 42 * nparts - 21;
    return;
  }

  // The passes start from the whole interval (the other counters and
  // switches start as Core declares them); until an extrapolation gains,
  // absest stands at the largest single.
  core.xtab[0] = result;
  core.errbig = absest;
  core.area = result;
  core.errtot = absest;
  absest = core.ovrfl;
  core.xlen = 2;
  // +1 for an integrand of essentially one sign.
  core.signf = std::fabs(Wide(result)) >= (1.0 - 50.0 * core.epsm) * core.absint ? 1 : -1;

  const bool plain_sum = core.Passes() == PassesEnd::kToleranceMet || core.PlainSumIsBetter();
  if (plain_sum) {
    float sum = 0.0f;
    for (std::int32_t k = 1; k <= nparts; ++k) sum = Single(Wide(sum) + core.subint(k));
    result = sum;
    absest = core.errtot;
  }
  ncalls = 42 * nparts - 21;
}

}  // namespace zel::integration
