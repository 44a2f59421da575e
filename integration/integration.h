// Adaptive integration in single precision: a 21-point Gauss-Kronrod rule,
// bisection of the subinterval with the largest error estimate, and
// epsilon-algorithm extrapolation.
//
//   float result = 0, absest = 0;
//   QDAGS(f, 0.0f, 1.0f, 0.0f, 1.0e-4f, result, absest);
//
// Problems are posted on the error service (warnings, fatal and terminal
// errors), never returned.
#pragma once

#include <array>
#include <cstdint>
#include <span>

namespace zel::integration {

// The integrand: a function of one single-precision real.
using Integrand = float (*)(float x);

// How an integration ended: the outcome code of QCORE, which Q2AGS posts
// on the error service under the same number.
enum class Outcome : std::int32_t {
  kConverged = 0,               // the requested accuracy is assumed reached
  kLimitReached = 1,            // maxsub subintervals are in use
  kRoundoff = 2,                // roundoff keeps the requested tolerance out of reach
  kTooFine = 3,                 // too fine a subdivision: bad integrand behaviour at some point
  kExtrapolationRoundoff = 4,   // roundoff in the extrapolation table: it does not converge
  kDivergent = 5,               // the integral is probably divergent or slowly convergent
  kNegativeTolerances = 6,      // errabs < 0 and errrel < 0: nothing was integrated
};

// QDAGS(f, a, b, errabs, errrel, result, absest)
//
// Takes the integrand f, the limits a and b (b < a gives the signed
// integral) and the absolute and relative accuracy desired, errabs and
// errrel. Returns in result an approximation of the integral of f from a to
// b and in absest an estimate of its absolute error, aiming at
// |integral - result| <= max(errabs, errrel * |integral|). Uses up to 500
// subintervals in work arrays it obtains and releases itself; when they
// cannot be obtained the integration is skipped silently, result and absest
// untouched.
//
// Nothing is returned as a status: the argument checks of Q2AGS and its
// outcome messages go to the error service, which prints a warning and goes
// on, or prints a fatal or terminal error and stops the program. For the
// caller of QDAGS an outcome reads (code, type, message):
//   kLimitReached           1  fatal    "The maximum number of subintervals allowed MAXSUB = 500 ..."
//   kRoundoff               2  warning  "Roundoff error has been detected.  ..."
//   kTooFine                3  warning  "Precision is degraded ... in the interval (lo,hi).  ..."
//   kExtrapolationRoundoff  4  warning  "Roundoff error has been detected in the extrapolation table.  ..."
//   kDivergent              5  fatal    "Integral is probably divergent or slowly convergent."
// kConverged posts nothing; a warning leaves the core's best result and
// absest in place.
//
//   float result = 0, absest = 0;
//   QDAGS(f, 0.0f, 1.0f, 0.0f, 1.0e-4f, result, absest);   // f(x) = 1/sqrt(x), x > 0
//   // result 2.0 to within 1e-4 relative, absest <= 2e-4, nothing printed
//   QDAGS(f, 0.0f, 1.0f, 0.0f, 1.0e-7f, result, absest);
//   // prints WARNING ERROR 4 from QDAGS (extrapolation roundoff) and goes on
void QDAGS(Integrand f, float a, float b, float errabs, float errrel, float& result, float& absest);

// Q2AGS(f, a, b, errabs, errrel, result, absest, maxsub, ncalls, nparts,
//       sublo, subhi, subint, suberr, errord)
//
// QDAGS with the caller's limit maxsub and work arrays, each holding at
// least maxsub elements. Checks the arguments first, every check and in
// this order, each failure a terminal error whose code is its number: 1
// maxsub < 1, 2 errabs < 0, 3 errrel < 0, 4 errabs = errrel = 0, 5 errrel
// >= 1. After a failed check nothing else is touched. Otherwise runs QCORE
// and posts its outcome as QDAGS lists it (with "MAXSUB = maxsub"), and
// returns besides result and absest the number of integrand calls ncalls
// (42 * nparts - 21), the number of subintervals nparts, and the partition:
// subinterval k is [sublo[k-1], subhi[k-1]] with integral subint[k-1] and
// error suberr[k-1]; errord lists subintervals by decreasing error, the
// largest first.
//
//   std::array<float, 10> lo, hi, in, er;  std::array<std::int32_t, 10> order;
//   Q2AGS(f, 0, 1, 0, 1.0e-6f, result, absest, 10, ncalls, nparts, lo, hi, in, er, order);
//   // f(x) = sin(200 x) needs more than 10 subintervals: called from user
//   // code, this prints FATAL ERROR 1 from Q2AGS with "MAXSUB = 10" and stops
void Q2AGS(Integrand f, float a, float b, float errabs, float errrel, float& result, float& absest,
           std::int32_t maxsub, std::int32_t& ncalls, std::int32_t& nparts, std::span<float> sublo,
           std::span<float> subhi, std::span<float> subint, std::span<float> suberr,
           std::span<std::int32_t> errord);

// The routines below count array elements from 1 in their own terms
// (element k is span[k - 1]).

// The adaptive core, with its outcome in icode. The work arrays hold
// maxsub >= 1 elements; ncalls = 42 * nparts - 21.
void QCORE(Integrand f, float a, float b, float errabs, float errrel, std::int32_t maxsub, float& result,
           float& absest, std::int32_t& ncalls, Outcome& icode, std::span<float> sublo, std::span<float> subhi,
           std::span<float> subint, std::span<float> suberr, std::span<std::int32_t> errord,
           std::int32_t& nparts);

// One application of the 21-point rule over [a, b] (b < a allowed): the
// integral, its error estimate, the integral of |f| and of |f - mean|.
// Calls f exactly 21 times, as user code.
void QRULE21(Integrand f, float a, float b, float& result, float& abserr, float& absint, float& devint);

// Relative spacing, smallest normal and largest finite single.
void QMCONS(float& epsm, float& undfl, float& ovrfl);

// Files the two halves of the subinterval maxidx just bisected (the larger
// half at maxidx, the other at nparts) in errord, and returns in maxidx and
// errbig the subinterval at position ordpos.
void QORDER(std::int32_t maxsub, std::int32_t nparts, std::int32_t& maxidx, float& errbig,
            std::span<const float> suberr, std::span<std::int32_t> errord, std::int32_t& ordpos);

// One step of the epsilon algorithm over xtab(1..xlen), newest last, with
// xlen <= 50 on entry; the two positions beyond the entries serve as
// scratch, hence the table's size.
inline constexpr int kTableSize = 52;
void QEXTRA(std::int32_t& xlen, std::span<float, kTableSize> xtab, float& xres, float& xerr,
            std::span<float, 3> xlast3, std::int32_t& xcalls);

// The three last extrapolated values, kept from one integration to the next.
std::array<float, 3>& LastExtrapolations();

}  // namespace zel::integration
