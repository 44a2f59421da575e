// QDAGS and Q2AGS as a program sees them: the argument checks, the message
// of each outcome on the console, the stops, the silent skip without work
// arrays, and a run with floating-point traps enabled.
#include <bit>
#include <cmath>
#include <cstdint>
#include <string>

#include <gtest/gtest.h>

#include "app/peak_area.h"
#include "errors/errors.h"
#include "integration/integration.h"
#include "runtime/fpenv.h"
#include "runtime/platform.h"
#include "tests/support/child_run.h"
#include "tests/support/seams.h"

namespace zel::integration {
namespace {

using test::ChildRun;
using test::RunInChild;

// The stop, and the line end that the process end owes the open line.
const std::string kStop = "Stop - Program terminated.\r\n\r\n";
const std::string kTraceHeader =
    "    Here is a traceback of subprogram calls in reverse order:\r\n"
    "    Routine name                    Error type  Error code\r\n"
    "    ------------                    ----------  ----------\r\n";

std::string Traceback(int code) {
  return kTraceHeader + "    Q2AGS                                5           " + std::to_string(code) +
         "    (Called internally)\r\n"
         "    QDAGS                                0           0\r\n"
         "    USER                                 0           0\r\n";
}

// Leaves a mark on standard error: the core ran.
float Marking(float) {
  platform::WriteAll(platform::kStderr, "f");
  return 1.0f;
}
float One(float) { return 1.0f; }
float InverseSqrt(float x) { return x > 0.0f ? 1.0f / std::sqrt(x) : 0.0f; }
float InverseSquare(float x) { return x > 0.0f ? 1.0f / (x * x) : 0.0f; }
float StepAt03(float x) { return x < 0.3f ? 1.0f : 2.0f; }
float Oscillating(float x) { return std::sin(200.0f * x); }
// Deterministic noise of relative size 1e-3: no tolerance of 1e-7 is met.
float Noise(float x) {
  const std::uint32_t hash = std::bit_cast<std::uint32_t>(x) * 2654435761u;
  return 1.0f + static_cast<float>(hash % 1000u) * 1.0e-6f;
}

// Runs QDAGS in a child as user code; anything after a stop is not reached.
ChildRun RunQdags(Integrand f, float a, float b, float errabs, float errrel) {
  return RunInChild([=] {
    errors::ResetService();
    float result = 0.0f, absest = 0.0f;
    QDAGS(f, a, b, errabs, errrel, result, absest);
    platform::WriteAll(platform::kStderr, "returned");
  });
}

TEST(IntegrationEntryTest, TheProgramsTolerancesPassTheChecks) {
  float result = 0.0f, absest = 0.0f;
  errors::ResetService();
  QDAGS(One, 0.0f, 3.0f, 0.0f, 1.0e-4f, result, absest);
  EXPECT_EQ(result, 3.0f);
  EXPECT_EQ(errors::State().level, 1);
  EXPECT_EQ(errors::State().levtyp[1], 0);
}

TEST(IntegrationEntryTest, MaxsubBelowOneIsTerminalWithThreeLevelTraceback) {
  ChildRun run = RunInChild([] {
    errors::ResetService();
    float result = 0.0f, absest = 0.0f, work[1] = {};
    std::int32_t order[1] = {}, ncalls = -7, nparts = -7;
    errors::E1PSH("QDAGS ");
    Q2AGS(Marking, 0.0f, 1.0f, 0.0f, 1.0e-4f, result, absest, 0, ncalls, nparts, work, work, work, work, order);
    platform::WriteAll(platform::kStderr, "returned");
  });
  EXPECT_EQ(run.out,
            "\r\n"
            "*** TERMINAL ERROR 1 from Q2AGS.  The maximum number of subintervals MAXSUB\r\n"
            "***          = 0.  It must be at least 1.\r\n" +
                Traceback(1) + kStop);
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(run.status, 2);
}

TEST(IntegrationEntryTest, ToleranceChecksPrintEachFailureAndStopAtThePop) {
  struct Row {
    const char* name;
    float errabs, errrel;
    std::string out;
  };
  const Row rows[] = {
      {"both zero", 0.0f, 0.0f,
       "\r\n"
       "*** TERMINAL ERROR 4 from Q2AGS.  The error tolerance arguments ERRABS and\r\n"
       "***          ERRREL are both equal to zero.  At least one of them must be \r\n"
       "***          greater than zero.\r\n" +
           Traceback(4)},
      {"errrel one", 0.0f, 1.0f,
       "\r\n"
       "*** TERMINAL ERROR 5 from Q2AGS.  The relative error desired ERRREL =\r\n"
       "***          1.000000E+00.  When ERRREL is greater than or equal to one, \r\n"
       "***          zero can always be returned as an answer.\r\n" +
           Traceback(5)},
      {"errrel negative", 1.0f, -0.5f,
       "\r\n"
       "*** TERMINAL ERROR 3 from Q2AGS.  The relative error desired ERRREL =\r\n"
       "***          -5.000000E-01.  It must be at least zero.\r\n" +
           Traceback(3)},
      {"two failures, in order", -1.0f, 2.0f,
       "\r\n"
       "*** TERMINAL ERROR 2 from Q2AGS.  The absolute error desired ERRABS =\r\n"
       "***          -1.000000E+00.  It must be at least zero.\r\n" +
           Traceback(2) +
           "\r\n"
           "*** TERMINAL ERROR 5 from Q2AGS.  The relative error desired ERRREL =\r\n"
           "***          2.000000E+00.  When ERRREL is greater than or equal to one, \r\n"
           "***          zero can always be returned as an answer.\r\n" +
           Traceback(5)},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    ChildRun run = RunQdags(Marking, 0.0f, 1.0f, row.errabs, row.errrel);
    EXPECT_EQ(run.out, row.out + kStop);
    EXPECT_EQ(run.err, "");  // the core did not run; stopped at the pop of Q2AGS
    EXPECT_EQ(run.status, 2);
  }
}

TEST(IntegrationEntryTest, OutcomeMessagesFromQdags) {
  struct Row {
    const char* name;
    Integrand f;
    float errrel;
    std::string out;
    int status;
    bool returns;
  };
  const Row rows[] = {
      {"1: subinterval limit (fatal)", Noise, 1.0e-7f,
       "\r\n"
       "*** FATAL    ERROR 1 from QDAGS.  The maximum number of subintervals allowed\r\n"
       "***          MAXSUB = 500 has been reached.  Use Q2AGS and increase MAXSUB.  \r\n"
       "***          Dimension adjustments may be necessary.\r\n" +
           kStop,
       2, false},
      {"2: roundoff at once", One, 1.0e-7f,
       "\r\n"
       "*** WARNING  ERROR 2 from QDAGS.  Roundoff error has been detected.  The\r\n"
       "***          requested tolerances, ERRABS = .000000E+00 and ERRREL = \r\n"
       "***          1.000000E-07, cannot be reached.\r\n",
       0, true},
      {"3: too fine a subdivision at a jump", StepAt03, 1.0e-7f,
       "\r\n"
       "*** WARNING  ERROR 3 from QDAGS.  Precision is degraded due to too fine a\r\n"
       "***          subdivision relative to the requested tolerance.  This may be \r\n"
       "***          due to bad integrand behavior in the interval \r\n"
       "***          (2.999878E-01,3.000183E-01).  Higher precision may alleviate \r\n"
       "***          this problem.\r\n",
       0, true},
      {"4: extrapolation roundoff", InverseSqrt, 1.0e-7f,
       "\r\n"
       "*** WARNING  ERROR 4 from QDAGS.  Roundoff error has been detected in the\r\n"
       "***          extrapolation table.  The requested tolerances, ERRABS = \r\n"
       "***          .000000E+00 and ERRREL = 1.000000E-07 cannot be reached.\r\n",
       0, true},
      {"5: divergent (fatal)", InverseSquare, 1.0e-4f,
       "\r\n"
       "*** FATAL    ERROR 5 from QDAGS.  Integral is probably divergent or slowly\r\n"
       "***          convergent.\r\n" +
           kStop,
       2, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    ChildRun run = RunQdags(row.f, 0.0f, 1.0f, 0.0f, row.errrel);
    EXPECT_EQ(run.out, row.out);
    EXPECT_EQ(run.err, row.returns ? "returned" : "");
    EXPECT_EQ(run.status, row.status);
  }
}

TEST(IntegrationEntryTest, FatalOutcomeOfQ2agsCalledByUserCodeNamesQ2ags) {
  ChildRun run = RunInChild([] {
    errors::ResetService();
    float result = 0.0f, absest = 0.0f, lo[10], hi[10], in[10], er[10];
    std::int32_t order[10], ncalls = 0, nparts = 0;
    Q2AGS(Oscillating, 0.0f, 1.0f, 0.0f, 1.0e-6f, result, absest, 10, ncalls, nparts, lo, hi, in, er, order);
    platform::WriteAll(platform::kStderr, "returned");
  });
  EXPECT_EQ(run.out,
            "\r\n"
            "*** FATAL    ERROR 1 from Q2AGS.  The maximum number of subintervals allowed\r\n"
            "***          MAXSUB = 10 has been reached.  Use Q2AGS and increase MAXSUB.  \r\n"
            "***          Dimension adjustments may be necessary.\r\n" +
                kStop);
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(run.status, 2);
}

int g_calls = 0;
float CountedOne(float) {
  ++g_calls;
  return 1.0f;
}

TEST(IntegrationEntryTest, WithoutWorkArraysTheIntegrationIsSkippedSilently) {
  for (int request = 1; request <= 5; ++request) {
    SCOPED_TRACE(request);
    ChildRun run = RunInChild([request] {
      errors::ResetService();
      FailAllocationsFrom(request);
      float result = 7.0f, absest = 8.0f;
      g_calls = 0;
      QDAGS(CountedOne, 0.0f, 1.0f, 0.0f, 1.0e-4f, result, absest);
      const bool untouched = result == 7.0f && absest == 8.0f && g_calls == 0 && errors::State().level == 1;
      platform::WriteAll(platform::kStderr, untouched ? "untouched" : "changed");
    });
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "untouched");
    EXPECT_EQ(run.status, 0);
  }
  FailAllocationsFrom(0);
  float result = 0.0f, absest = 0.0f;
  errors::ResetService();
  QDAGS(CountedOne, 0.0f, 1.0f, 0.0f, 1.0e-4f, result, absest);
  EXPECT_EQ(result, 1.0f);
}

// Piecewise-linear profiles as the program integrates them, with every
// floating-point trap armed: nothing in the integrator may trap.
TEST(IntegrationEntryTest, PiecewiseLinearProfilesDoNotTrap) {
  struct Row {
    const char* name;
    std::vector<std::pair<float, float>> points;
    bool reaches_limit = false;  // ends with the fatal limit message and the stop
  };
  std::vector<std::pair<float, float>> peak, jagged;
  for (int i = 0; i < app::kMaxPairs; ++i) {
    const float t = static_cast<float>(i) * 0.01f;
    peak.emplace_back(t, std::exp(-(t - 7.0f) * (t - 7.0f)));
    jagged.emplace_back(t, std::fabs(std::sin(static_cast<float>(i) * 0.37f)) * 1.0e3f);
  }
  const Row rows[] = {
      {"triangle", {{0.0f, 0.0f}, {1.0f, 1.0f}, {2.0f, 0.0f}}},
      {"late start", {{5.0f, 0.2f}, {6.0f, 0.9f}, {9.0f, 0.1f}}},
      {"vertical step", {{0.0f, 0.0f}, {1.0f, 0.0f}, {1.0f, 5.0f}, {2.0f, 5.0f}}},
      {"negative and zero", {{0.0f, -3.0f}, {1.0f, 0.0f}, {2.0f, 0.0f}, {3.0f, 4.0f}}},
      {"all zero", {{0.0f, 0.0f}, {10.0f, 0.0f}}},
      {"single point", {{2.0f, 1.0f}}},
      {"huge values", {{0.0f, 1.0e30f}, {1.0f, -1.0e30f}, {2.0f, 1.0e30f}}},
      {"tiny values", {{0.0f, 1.0e-30f}, {1.0f, 0.0f}, {2.0f, 1.0e-38f}}},
      {"2000-point peak", peak},
      {"2000 jagged points: 500 subintervals", jagged, true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    ChildRun run = RunInChild([&row] {
      errors::ResetService();
      app::ResetTable();
      app::Table& table = app::ProfileTable();
      for (const auto& [t, c] : row.points) {
        table.t[table.n] = t;
        table.c[table.n] = c;
        ++table.n;
      }
      app::NoteTableChanged();
      fpenv::EnableTraps();
      float result = 0.0f, absest = 0.0f;
      QDAGS(app::FPROF, table.t[0], table.t[table.n - 1], 0.0f, 1.0e-4f, result, absest);
      QDAGS(app::FPROF, 0.0f, table.t[table.n - 1], 0.0f, 1.0e-4f, result, absest);
      QDAGS(app::FPROF, table.t[table.n - 1], 0.0f, 0.0f, 1.0e-4f, result, absest);
      fpenv::DisableTraps();
      platform::WriteAll(platform::kStderr, "done");
    });
    EXPECT_EQ(run.err, row.reaches_limit ? "" : "done") << run.out;
    EXPECT_EQ(run.status, row.reaches_limit ? 2 : 0);
    EXPECT_EQ(run.signal, 0);
    if (row.reaches_limit) {
      EXPECT_NE(run.out.find("FATAL    ERROR 1 from QDAGS"), std::string::npos);
    }
  }
}

}  // namespace
}  // namespace zel::integration
