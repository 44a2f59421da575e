// The two entry routines: QDAGS with its own work arrays, and Q2AGS, which
// checks the arguments, runs the core and posts its outcome.
#include <memory>
#include <new>
#include <string_view>

#include "errors/errors.h"
#include "integration/integration.h"
#include "integration/internal.h"
#include "integration/test_seam.h"

namespace zel::integration {
namespace {

constexpr std::int32_t kWorkLength = 500;

// 0: every request succeeds; k: requests k, k + 1, ... fail.
int g_fail_from = 0;

template <typename T>
std::unique_ptr<T[]> RequestArray(int request) {
  if (g_fail_from != 0 && request >= g_fail_from) return nullptr;
  return std::unique_ptr<T[]>(new (std::nothrow) T[kWorkLength]());
}

// Argument checks (terminal errors).
constexpr std::string_view kMaxsubTooSmall =
    "The maximum number of subintervals MAXSUB = %(I1).  It must be at least 1.";
constexpr std::string_view kErrabsNegative = "The absolute error desired ERRABS = %(R1).  It must be at least zero.";
constexpr std::string_view kErrrelNegative = "The relative error desired ERRREL = %(R1).  It must be at least zero.";
constexpr std::string_view kBothZero =
    "The error tolerance arguments ERRABS and ERRREL are both equal to zero.  At least one of them must be "
    "greater than zero.";
constexpr std::string_view kErrrelTooLarge =
    "The relative error desired ERRREL = %(R1).  When ERRREL is greater than or equal to one, zero can always "
    "be returned as an answer.";

// Outcomes of the core.
constexpr std::string_view kLimitReached =
    "The maximum number of subintervals allowed MAXSUB = %(I1) has been reached.  Use Q2AGS and increase "
    "MAXSUB.  Dimension adjustments may be necessary.";
constexpr std::string_view kRoundoff =
    "Roundoff error has been detected.  The requested tolerances, ERRABS = %(R1) and ERRREL = %(R2), cannot be "
    "reached.";
constexpr std::string_view kTooFine =
    "Precision is degraded due to too fine a subdivision relative to the requested tolerance.  This may be due "
    "to bad integrand behavior in the interval (%(R1),%(R2)).  Higher precision may alleviate this problem.";
constexpr std::string_view kExtrapolationRoundoff =
    "Roundoff error has been detected in the extrapolation table.  The requested tolerances, ERRABS = %(R1) "
    "and ERRREL = %(R2) cannot be reached.";
constexpr std::string_view kDivergent = "Integral is probably divergent or slowly convergent.";

static_assert(kMaxsubTooSmall.size() == 74 && kErrabsNegative.size() == 69 && kErrrelNegative.size() == 69 &&
              kBothZero.size() == 120 && kErrrelTooLarge.size() == 130);
static_assert(kLimitReached.size() == 148 && kRoundoff.size() == 114 && kTooFine.size() == 208 &&
              kExtrapolationRoundoff.size() == 140 && kDivergent.size() == 52);

using errors::ErrorType;

// Posts the message of an outcome; its error code is the outcome's number.
void PostOutcome(ErrorType type, Outcome outcome, std::string_view text) {
  errors::E1MES(type, static_cast<std::int32_t>(outcome), text);
}

}  // namespace

void FailAllocationsFrom(int request) { g_fail_from = request; }

void QDAGS(Integrand f, float a, float b, float errabs, float errrel, float& result, float& absest) {
  errors::E1PSH("QDAGS ");
  {
    auto sublo = RequestArray<float>(1);
    auto subhi = RequestArray<float>(2);
    auto subint = RequestArray<float>(3);
    auto suberr = RequestArray<float>(4);
    auto errord = RequestArray<std::int32_t>(5);
    // Without the work arrays the integration is skipped silently.
    if (sublo && subhi && subint && suberr && errord) {
      std::int32_t ncalls = 0;
      std::int32_t nparts = 0;
      Q2AGS(f, a, b, errabs, errrel, result, absest, kWorkLength, ncalls, nparts, {sublo.get(), kWorkLength},
            {subhi.get(), kWorkLength}, {subint.get(), kWorkLength}, {suberr.get(), kWorkLength},
            {errord.get(), kWorkLength});
    }
  }  // the arrays are released here, before the pop, which may stop the program
  errors::E1POP("QDAGS ");
}

void Q2AGS(Integrand f, float a, float b, float errabs, float errrel, float& result, float& absest,
           std::int32_t maxsub, std::int32_t& ncalls, std::int32_t& nparts, std::span<float> sublo,
           std::span<float> subhi, std::span<float> subint, std::span<float> suberr,
           std::span<std::int32_t> errord) {
  errors::E1PSH("Q2AGS ");

  // Every check is made; each failure is reported.
  if (maxsub < 1) {
    errors::E1PRMI(1, maxsub);
    errors::E1MES(ErrorType::kTerminal, 1, kMaxsubTooSmall);
  }
  if (errabs < 0.0f) {
    errors::E1PRMR(1, errabs);
    errors::E1MES(ErrorType::kTerminal, 2, kErrabsNegative);
  }
  if (errrel < 0.0f) {
    errors::E1PRMR(1, errrel);
    errors::E1MES(ErrorType::kTerminal, 3, kErrrelNegative);
  }
  if (errabs == 0.0f && errrel == 0.0f) errors::E1MES(ErrorType::kTerminal, 4, kBothZero);
  if (errrel >= 1.0f) {
    errors::E1PRMR(1, errrel);
    errors::E1MES(ErrorType::kTerminal, 5, kErrrelTooLarge);
  }

  if (errors::N1RTY(0) == errors::TypeNumber(ErrorType::kNone)) {
    Outcome outcome = Outcome::kConverged;
    QCORE(f, a, b, errabs, errrel, maxsub, result, absest, ncalls, outcome, sublo, subhi, subint, suberr, errord,
          nparts);
    switch (outcome) {
      case Outcome::kConverged:
      case Outcome::kNegativeTolerances:  // cannot pass the checks above
        break;
      case Outcome::kLimitReached:
        errors::E1PRMI(1, maxsub);
        PostOutcome(ErrorType::kFatal, outcome, kLimitReached);
        break;
      case Outcome::kRoundoff:
        errors::E1PRMR(1, errabs);
        errors::E1PRMR(2, errrel);
        PostOutcome(ErrorType::kWarning, outcome, kRoundoff);
        break;
      case Outcome::kTooFine: {
        // The subinterval with the largest error estimate.
        const std::int32_t worst = OneBased<std::int32_t>(errord)(1);
        errors::E1PRMR(1, OneBased<float>(sublo)(worst));
        errors::E1PRMR(2, OneBased<float>(subhi)(worst));
        PostOutcome(ErrorType::kWarning, outcome, kTooFine);
        break;
      }
      case Outcome::kExtrapolationRoundoff:
        errors::E1PRMR(1, errabs);
        errors::E1PRMR(2, errrel);
        PostOutcome(ErrorType::kWarning, outcome, kExtrapolationRoundoff);
        break;
      case Outcome::kDivergent:
        PostOutcome(ErrorType::kFatal, outcome, kDivergent);
        break;
    }
  }

  errors::E1POP("Q2AGS ");
}

}  // namespace zel::integration
