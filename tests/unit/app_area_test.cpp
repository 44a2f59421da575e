// The integration of the profile, checked against the exact area of the
// piecewise-linear profile (its trapezoid sum): for ascending tables the
// integrator's result agrees to the relative tolerance of the program.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "app/peak_area.h"
#include "errors/errors.h"
#include "integration/integration.h"
#include "recio/console.h"
#include "tests/support/seams.h"

namespace zel::app {
namespace {

constexpr float kErrRel = 1.0e-4f;

long double TrapezoidSum(const Table& table) {
  long double area = 0;
  for (int i = 1; i < table.n; ++i) {
    area += (static_cast<long double>(table.t[i]) - table.t[i - 1]) *
            (static_cast<long double>(table.c[i]) + table.c[i - 1]) / 2;
  }
  return area;
}

void LoadProfile(int points, double noise, unsigned seed) {
  ResetTable();
  Table& table = ProfileTable();
  std::mt19937 random(seed);
  std::normal_distribution<double> jitter(0.0, noise);
  std::uniform_real_distribution<double> spacing(0.5, 1.5);
  double t = 0;
  for (int i = 0; i < points; ++i) {
    table.t[i] = static_cast<float>(t);
    const double x = 10.0 * i / (points - 1);
    table.c[i] = static_cast<float>(std::exp(-(x - 5) * (x - 5) / 2) + (noise > 0 ? std::fabs(jitter(random)) : 0));
    t += spacing(random) * 10.0 / points;
  }
  table.n = points;
  NoteTableChanged();
}

TEST(ProfileArea, AgreesWithTheTrapezoidSumOfAscendingTables) {
  struct Row {
    int points;
    double noise;
  };
  const Row rows[] = {{2, 0}, {3, 0}, {5, 0}, {20, 0}, {20, 0.01}, {50, 0}, {50, 0.02}, {120, 0}, {120, 0.005}};
  for (const Row& row : rows) {
    for (unsigned seed = 1; seed <= 5; ++seed) {
      SCOPED_TRACE(::testing::Message() << row.points << " points, noise " << row.noise << ", seed " << seed);
      errors::ResetService();
      LoadProfile(row.points, row.noise, seed);
      const Table& table = ProfileTable();
      float result = 0, absest = 0;
      integration::QDAGS(FPROF, table.t[0], table.t[table.n - 1], 0.0f, kErrRel, result, absest);
      // A warning may be printed (roundoff on a kinked profile); the run
      // would go on and print this result.
      EXPECT_LT(errors::N1RTY(1), 4) << "the integration stopped the run";
      recio::ResetConsole();
      const long double exact = TrapezoidSum(table);
      EXPECT_LE(std::fabs(static_cast<long double>(result) - exact), kErrRel * std::fabs(exact))
          << "result " << result << " exact " << static_cast<double>(exact);
    }
  }
}

TEST(ProfileArea, ExactForSegmentsThatTheRuleIntegratesExactly) {
  // A single straight segment: one rule application, the exact area.
  ResetTable();
  Table& table = ProfileTable();
  table.t[0] = 0.0f;
  table.c[0] = 1.0f;
  table.t[1] = 4.0f;
  table.c[1] = 3.0f;
  table.n = 2;
  NoteTableChanged();
  errors::ResetService();
  float result = 0, absest = 0;
  integration::QDAGS(FPROF, 0.0f, 4.0f, 0.0f, kErrRel, result, absest);
  EXPECT_FLOAT_EQ(result, 8.0f);
}

}  // namespace
}  // namespace zel::app
