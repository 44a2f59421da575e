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

void QDAGS(Integrand f, float a, float b, float errabs, float errrel, float& result, float& absest);

void Q2AGS(Integrand f, float a, float b, float errabs, float errrel, float& result, float& absest,
           std::int32_t maxsub, std::int32_t& ncalls, std::int32_t& nparts, float* sublo, float* subhi,
           float* subint, float* suberr, std::int32_t* errord);

// Arrays below are passed as pointers to their first element and indexed
// from 1 in the routines' own terms (element k is ptr[k - 1]).

// The adaptive core, with its outcome in icode. The work arrays hold
// maxsub >= 1 elements; ncalls = 42 * nparts - 21.
void QCORE(Integrand f, float a, float b, float errabs, float errrel, std::int32_t maxsub, float& result,
           float& absest, std::int32_t& ncalls, Outcome& icode, float* sublo, float* subhi, float* subint,
           float* suberr, std::int32_t* errord, std::int32_t& nparts);

// One application of the 21-point rule over [a, b] (b < a allowed): the
// integral, its error estimate, the integral of |f| and of |f - mean|.
// Calls f exactly 21 times, as user code.
void QRULE21(Integrand f, float a, float b, float& result, float& abserr, float& absint, float& devint);

// Relative spacing, smallest normal and largest finite single.
void QMCONS(float& epsm, float& undfl, float& ovrfl);

// Files the two halves of the subinterval maxidx just bisected (the larger
// half at maxidx, the other at nparts) in errord, and returns in maxidx and
// errbig the subinterval at position ordpos.
void QORDER(std::int32_t maxsub, std::int32_t nparts, std::int32_t& maxidx, float& errbig, const float* suberr,
            std::int32_t* errord, std::int32_t& ordpos);

// One step of the epsilon algorithm over xtab(1..xlen), newest last; up
// to two positions beyond xlen are written.
inline constexpr int kTableSize = 52;
void QEXTRA(std::int32_t& xlen, float* xtab, float& xres, float& xerr, float* xlast3, std::int32_t& xcalls);

// The three last extrapolated values, kept from one integration to the next.
std::array<float, 3>& LastExtrapolations();

// Tests: make the work-array requests of QDAGS fail from the given request
// on (1 to 5), or never (0).
void FailAllocationsFrom(int request);

}  // namespace zel::integration
