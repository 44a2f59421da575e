// The adaptive core on integrals with known values and outcomes: accuracy,
// the outcome codes, the evaluation count, the partition it leaves, and
// its edge cases.
#include <cmath>
#include <algorithm>
#include <array>
#include <cstdint>
#include <numbers>
#include <vector>

#include <gtest/gtest.h>

#include "errors/errors.h"
#include "integration/integration.h"
#include "tests/support/seams.h"

namespace zel::integration {
namespace {

constexpr float kEpsm = 1.1920929e-7f;

int g_calls = 0;

template <float (*F)(float)>
float Counted(float x) {
  ++g_calls;
  return F(x);
}

float Zero(float) { return 0.0f; }
float One(float) { return 1.0f; }
float Quintic(float x) { return x * x * x * x * x - 2.0f * x + 1.0f; }
float Exp(float x) { return std::exp(x); }
float InverseSqrt(float x) { return x > 0.0f ? 1.0f / std::sqrt(x) : 0.0f; }
float Log(float x) { return x > 0.0f ? std::log(x) : 0.0f; }
float LogOverSqrt(float x) { return x > 0.0f ? std::log(x) / std::sqrt(x) : 0.0f; }
float Power095(float x) { return x > 0.0f ? std::pow(x, -0.95f) : 0.0f; }
float Kink(float x) { return std::fabs(x - 1.0f / 3.0f); }
float StepAt03(float x) { return x < 0.3f ? 1.0f : 2.0f; }
float Oscillating(float x) { return std::sin(200.0f * x); }
float Runge(float x) { return 1.0f / (1.0f + 100.0f * x * x); }
float Peak(float x) { return std::exp(-4.0f * (x - 3.0f) * (x - 3.0f)); }
float InverseSquare(float x) { return x > 0.0f ? 1.0f / (x * x) : 0.0f; }
float PoleAt03(float x) {
  const float d = std::fabs(x - 0.3f);
  return d > 0.0f ? 1.0f / d : 0.0f;
}
float SqrtAbs(float x) { return std::sqrt(std::fabs(x)); }
float SqrtOneMinus(float x) { return std::sqrt(1.0f - x); }
float Sine204(float x) { return std::sin(0x1.97c3b6p+7f * x); }
float Sine198(float x) { return std::sin(0x1.8c5a34p+7f * x); }
float ScaledLog(float x) { return x > 0.0f ? std::log(x) * 0x1.06ab08p+0f : 0.0f; }

struct CoreRun {
  float result = -99.0f, absest = -99.0f;
  std::int32_t ncalls = -1, nparts = -1;
  Outcome icode = static_cast<Outcome>(-1);
  int calls = 0;
  std::vector<float> sublo, subhi, subint, suberr;
  std::vector<std::int32_t> errord;
};

// The core as Q2AGS calls it: from a routine on the service's stack.
CoreRun Core(Integrand f, float a, float b, float errabs, float errrel, std::int32_t maxsub = 500) {
  CoreRun run;
  const auto n = static_cast<std::size_t>(maxsub);
  run.sublo.assign(n, 0.0f);
  run.subhi.assign(n, 0.0f);
  run.subint.assign(n, 0.0f);
  run.suberr.assign(n, 0.0f);
  run.errord.assign(n, 0);
  errors::ResetService();
  errors::E1PSH("Q2AGS ");
  g_calls = 0;
  QCORE(f, a, b, errabs, errrel, maxsub, run.result, run.absest, run.ncalls, run.icode, run.sublo,
        run.subhi, run.subint, run.suberr, run.errord, run.nparts);
  run.calls = g_calls;
  errors::E1POP("Q2AGS ");
  return run;
}

TEST(IntegrationCoreTest, KnownIntegrals) {
  const double e = std::numbers::e;
  struct Row {
    const char* name;
    Integrand f;
    float a, b, errrel;
    double exact;
    bool one_application;  // exact enough for the first rule application
  };
  const Row rows[] = {
      {"quintic", Counted<Quintic>, 0.0f, 2.0f, 1.0e-4f, 64.0 / 6.0 - 2.0, true},
      {"exp", Counted<Exp>, 0.0f, 1.0f, 1.0e-4f, e - 1.0, true},
      {"exp backwards", Counted<Exp>, 1.0f, 0.0f, 1.0e-4f, 1.0 - e, true},
      {"x^-1/2", Counted<InverseSqrt>, 0.0f, 1.0f, 1.0e-4f, 2.0, false},
      {"log x", Counted<Log>, 0.0f, 1.0f, 1.0e-4f, -1.0, false},
      {"log x / sqrt x", Counted<LogOverSqrt>, 0.0f, 1.0f, 1.0e-4f, -4.0, false},
      {"x^-0.95", Counted<Power095>, 0.0f, 1.0f, 1.0e-4f, 20.0, false},
      {"kink at 1/3", Counted<Kink>, 0.0f, 1.0f, 1.0e-4f, 5.0 / 18.0, false},
      {"jump at 0.3", Counted<StepAt03>, 0.0f, 1.0f, 1.0e-4f, 1.7, false},
      {"Runge", Counted<Runge>, -1.0f, 1.0f, 1.0e-4f, 0.2 * std::atan(10.0), false},
      {"peak", Counted<Peak>, 0.0f, 10.0f, 1.0e-4f, std::sqrt(std::numbers::pi) / 4.0 * (std::erf(14.0) + std::erf(6.0)),
       false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const CoreRun run = Core(row.f, row.a, row.b, 0.0f, row.errrel);
    EXPECT_EQ(run.icode, Outcome::kConverged);
    const double tolerance = row.errrel * std::fabs(row.exact);
    EXPECT_NEAR(run.result, row.exact, tolerance);
    EXPECT_LE(run.absest, tolerance);
    // The estimate covers the actual error (up to the result's rounding).
    EXPECT_LE(std::fabs(run.result - row.exact), run.absest + 2.0 * kEpsm * std::fabs(row.exact));
    if (row.one_application) {
      EXPECT_EQ(run.nparts, 1);
    } else {
      EXPECT_GT(run.nparts, 1);
    }
    EXPECT_EQ(run.ncalls, 42 * run.nparts - 21);
    EXPECT_EQ(run.calls, run.ncalls);
  }
}

TEST(IntegrationCoreTest, BackwardsIsTheExactNegative) {
  for (Integrand f : {Counted<InverseSqrt>, Counted<Kink>, Counted<Oscillating>}) {
    const CoreRun forward = Core(f, 0.0f, 1.0f, 0.0f, 1.0e-4f);
    const CoreRun backward = Core(f, 1.0f, 0.0f, 0.0f, 1.0e-4f);
    EXPECT_EQ(backward.result, -forward.result);
    EXPECT_EQ(backward.absest, forward.absest);
    EXPECT_EQ(backward.nparts, forward.nparts);
  }
}

TEST(IntegrationCoreTest, Outcomes) {
  struct Row {
    const char* name;
    Integrand f;
    float a, b, errabs, errrel;
    std::int32_t maxsub;
    Outcome icode;
    std::int32_t nparts = 0;  // the partition it ends with, where pinned
  };
  const Row rows[] = {
      // The scan for a large subinterval before extrapolating looks at
      // every maintained position of the error ordering, and no further.
      {"0: the large subinterval found last", Counted<ScaledLog>, 0x1.d38cb4p-5f, 0x1.003dcep+0f, 0.0f, 1.0e-6f, 500,
       Outcome::kConverged, 4},
      {"1: the scan near the limit", Counted<Sine198>, 0x1.f5fd5ap-5f, 0x1.238dcep+1f, 0.0f, 1.0e-4f, 59,
       Outcome::kLimitReached, 59},
      {"1: subinterval limit", Counted<Oscillating>, 0.0f, 1.0f, 0.0f, 1.0e-6f, 10, Outcome::kLimitReached},
      {"1: a single subinterval allowed", Counted<Exp>, 0.0f, 1.0f, 0.0f, 1.0e-4f, 1, Outcome::kLimitReached},
      {"1: a single subinterval, zero estimate", Counted<Zero>, 0.0f, 1.0f, 0.0f, 1.0e-4f, 1, Outcome::kLimitReached},
      {"2: roundoff floor above the tolerance at once", Counted<One>, 0.0f, 1.0f, 0.0f, 1.0e-7f, 500,
       Outcome::kRoundoff},
      {"2: roundoff in the bisections", Counted<Oscillating>, 0.0f, 1.0f, 0.0f, 1.0e-6f, 500, Outcome::kRoundoff,
       60},
      {"2: ten stalled bisections", Counted<Log>, 0.0f, 1.0f, 0.0f, 1.0e-7f, 500, Outcome::kRoundoff, 32},
      {"2: stalls while extrapolating", Counted<InverseSqrt>, 0.0f, 1.0f, 0.0f, 1.0e-6f, 500, Outcome::kRoundoff, 12},
      {"2: growing errors count from the eleventh subinterval", Counted<Sine204>, 0x1.2fa5f2p-3f, 0x1.5a6d92p-1f,
       0.0f, 1.0e-6f, 500, Outcome::kRoundoff, 41},
      {"3: too fine a subdivision at a pole", Counted<PoleAt03>, 0.0f, 1.0f, 0.0f, 1.0e-4f, 500, Outcome::kTooFine},
      {"3: too fine a subdivision at a jump", Counted<StepAt03>, 0.0f, 1.0f, 0.0f, 1.0e-7f, 500, Outcome::kTooFine},
      {"4: extrapolation roundoff", Counted<InverseSqrt>, 0.0f, 1.0f, 0.0f, 1.0e-7f, 500,
       Outcome::kExtrapolationRoundoff, 18},
      {"5: divergent", Counted<InverseSquare>, 0.0f, 1.0f, 0.0f, 1.0e-4f, 500, Outcome::kDivergent},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const CoreRun run = Core(row.f, row.a, row.b, row.errabs, row.errrel, row.maxsub);
    EXPECT_EQ(run.icode, row.icode);
    if (row.nparts != 0) {
      EXPECT_EQ(run.nparts, row.nparts);
    }
    EXPECT_EQ(run.ncalls, 42 * run.nparts - 21);
    EXPECT_EQ(run.calls, run.ncalls);
    EXPECT_LE(run.nparts, row.maxsub);
  }
}

TEST(IntegrationCoreTest, OutcomeDetails) {
  {
    SCOPED_TRACE("zero integrand: done after one application");
    const CoreRun run = Core(Counted<Zero>, 0.0f, 1.0f, 0.0f, 1.0e-4f);
    EXPECT_EQ(run.result, 0.0f);
    EXPECT_EQ(run.absest, 0.0f);
    EXPECT_EQ(run.icode, Outcome::kConverged);
    EXPECT_EQ(run.nparts, 1);
    EXPECT_EQ(run.calls, 21);
  }
  {
    SCOPED_TRACE("a = b");
    const CoreRun run = Core(Counted<Exp>, 0.25f, 0.25f, 0.0f, 1.0e-4f);
    EXPECT_EQ(run.result, 0.0f);
    EXPECT_EQ(run.absest, 0.0f);
    EXPECT_EQ(run.icode, Outcome::kConverged);
    EXPECT_EQ(run.calls, 21);
  }
  {
    SCOPED_TRACE("maxsub 1: the single rule application is returned");
    float result = 0.0f, abserr = 0.0f, absint = 0.0f, devint = 0.0f;
    errors::E1PSH("Q2AGS ");
    QRULE21(Exp, 0.0f, 1.0f, result, abserr, absint, devint);
    errors::E1POP("Q2AGS ");
    const CoreRun run = Core(Counted<Exp>, 0.0f, 1.0f, 0.0f, 1.0e-4f, 1);
    EXPECT_EQ(run.result, result);
    EXPECT_EQ(run.absest, abserr);
    EXPECT_EQ(run.ncalls, 21);
  }
  {
    SCOPED_TRACE("both tolerances negative: nothing is evaluated");
    const CoreRun run = Core(Counted<Exp>, 0.0f, 1.0f, -1.0f, -1.0f);
    EXPECT_EQ(run.icode, Outcome::kNegativeTolerances);
    EXPECT_EQ(run.result, 0.0f);
    EXPECT_EQ(run.absest, 0.0f);
    EXPECT_EQ(run.ncalls, 0);
    EXPECT_EQ(run.nparts, 0);
    EXPECT_EQ(run.calls, 0);
    EXPECT_EQ(run.sublo[0], 0.0f);
    EXPECT_EQ(run.subhi[0], 1.0f);
  }
  {
    SCOPED_TRACE("too fine: the worst subinterval is around the pole");
    const CoreRun run = Core(Counted<PoleAt03>, 0.0f, 1.0f, 0.0f, 1.0e-4f);
    const std::int32_t worst = run.errord[0];
    EXPECT_LE(run.sublo[static_cast<std::size_t>(worst - 1)], 0.3f);
    EXPECT_GE(run.subhi[static_cast<std::size_t>(worst - 1)], 0.3f);
    EXPECT_LT(run.subhi[static_cast<std::size_t>(worst - 1)] - run.sublo[static_cast<std::size_t>(worst - 1)],
              1.0e-4f);
  }
}

TEST(IntegrationCoreTest, TheLastAllowedPassMeetingTheToleranceGivesThePlainSumWithCode1) {
  const CoreRun unlimited = Core(Counted<Runge>, -1.0f, 1.0f, 0.0f, 1.0e-4f);
  ASSERT_EQ(unlimited.icode, Outcome::kConverged);
  ASSERT_GT(unlimited.nparts, 2);
  const CoreRun limited = Core(Counted<Runge>, -1.0f, 1.0f, 0.0f, 1.0e-4f, unlimited.nparts);
  EXPECT_EQ(limited.icode, Outcome::kLimitReached);
  EXPECT_EQ(limited.nparts, unlimited.nparts);
  EXPECT_EQ(limited.result, unlimited.result);
  EXPECT_EQ(limited.absest, unlimited.absest);
}

TEST(IntegrationCoreTest, ThePartitionCoversTheIntervalAndSumsToTheResult) {
  // Met by the summed error, without extrapolation: the result is the
  // partition's sum.
  const CoreRun run = Core(Counted<Runge>, -1.0f, 1.0f, 0.0f, 1.0e-4f);
  ASSERT_EQ(run.icode, Outcome::kConverged);
  std::vector<std::pair<float, float>> pieces;
  float sum = 0.0f;
  for (std::size_t k = 0; k < static_cast<std::size_t>(run.nparts); ++k) {
    pieces.emplace_back(run.sublo[k], run.subhi[k]);
    sum = static_cast<float>(static_cast<double>(sum) + run.subint[k]);
  }
  std::sort(pieces.begin(), pieces.end());
  EXPECT_EQ(pieces.front().first, -1.0f);
  EXPECT_EQ(pieces.back().second, 1.0f);
  for (std::size_t k = 1; k < pieces.size(); ++k) EXPECT_EQ(pieces[k].first, pieces[k - 1].second);
  EXPECT_EQ(run.result, sum);  // the plain sum, in index order
}

TEST(IntegrationCoreTest, TheHalfWithTheLargerErrorStaysAtTheBisectedIndex) {
  {
    SCOPED_TRACE("equal errors: the left half stays");
    const CoreRun run = Core(Counted<SqrtAbs>, -1.0f, 1.0f, 0.0f, 1.0e-6f, 2);
    ASSERT_EQ(run.nparts, 2);
    EXPECT_EQ(run.suberr[0], run.suberr[1]);
    EXPECT_EQ(run.sublo[0], -1.0f);
    EXPECT_EQ(run.subhi[0], 0.0f);
    EXPECT_EQ(run.sublo[1], 0.0f);
    EXPECT_EQ(run.subhi[1], 1.0f);
  }
  {
    SCOPED_TRACE("larger error on the right: the right half stays");
    const CoreRun run = Core(Counted<SqrtOneMinus>, 0.0f, 1.0f, 0.0f, 1.0e-6f, 2);
    ASSERT_EQ(run.nparts, 2);
    EXPECT_GT(run.suberr[0], run.suberr[1]);
    EXPECT_EQ(run.sublo[0], 0.5f);
    EXPECT_EQ(run.subhi[0], 1.0f);
    EXPECT_EQ(run.sublo[1], 0.0f);
    EXPECT_EQ(run.subhi[1], 0.5f);
    EXPECT_EQ(run.errord[0], 1);
    EXPECT_EQ(run.errord[1], 2);
  }
}

TEST(IntegrationCoreTest, LastExtrapolationsSurviveFromOneIntegrationToTheNext) {
  LastExtrapolations() = {0.0f, 0.0f, 0.0f};
  const CoreRun extrapolated = Core(Counted<InverseSqrt>, 0.0f, 1.0f, 0.0f, 1.0e-4f);
  ASSERT_EQ(extrapolated.icode, Outcome::kConverged);
  const std::array<float, 3> kept = LastExtrapolations();
  EXPECT_NE(kept, (std::array<float, 3>{0.0f, 0.0f, 0.0f}));
  for (float value : kept) EXPECT_NEAR(value, 2.0f, 0.01f);
  // An integration that never extrapolates leaves them as they are.
  Core(Counted<Exp>, 0.0f, 1.0f, 0.0f, 1.0e-4f);
  EXPECT_EQ(LastExtrapolations(), kept);
}

}  // namespace
}  // namespace zel::integration
