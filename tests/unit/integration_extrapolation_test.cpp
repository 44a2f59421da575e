// The epsilon algorithm: its early exits, the table shifting and cut, the
// error estimate from the last three results, and its acceleration of a
// slowly converging sequence.
#include <array>
#include <random>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include <gtest/gtest.h>

#include "errors/errors.h"
#include "integration/integration.h"
#include "runtime/fpenv.h"
#include "tests/support/child_run.h"
#include "tests/support/seams.h"

namespace zel::integration {
namespace {

constexpr float kEpsm = 1.1920929e-7f;
constexpr float kOvrfl = 3.40282347e+38f;

struct Table {
  std::array<float, kTableSize> xtab{};
  std::int32_t xlen = 0;
  float xres = -1.0f, xerr = -1.0f;
  std::array<float, 3> xlast3 = {-7.0f, -8.0f, -9.0f};
  std::int32_t xcalls = 0;

  explicit Table(const std::vector<float>& entries) {
    for (float e : entries) xtab[static_cast<std::size_t>(xlen++)] = e;
  }
  void Extrapolate() { QEXTRA(xlen, xtab, xres, xerr, xlast3, xcalls); }
};

TEST(IntegrationExtrapolationTest, FewerThanThreeEntries) {
  Table t({1.0f, 2.0f});
  t.Extrapolate();
  EXPECT_EQ(t.xres, 2.0f);
  EXPECT_EQ(t.xerr, kOvrfl);
  EXPECT_EQ(t.xcalls, 1);
  EXPECT_EQ(t.xlen, 2);
  EXPECT_EQ(t.xtab[0], 1.0f);
  EXPECT_EQ(t.xtab[1], 2.0f);
  EXPECT_EQ(t.xlast3, (std::array<float, 3>{-7.0f, -8.0f, -9.0f}));
}

// The largest single below 4: it differs from 4 by exactly the agreement
// tolerance of the two, 4 * 2^-23.
constexpr float kBelow4 = 0x1.fffffcp+1f;

TEST(IntegrationExtrapolationTest, ThreeAgreeingEntriesAreTheLimit) {
  const std::vector<float> rows[] = {{0.5f, 0.5f, 0.5f}, {4.0f, 4.0f, kBelow4}, {kBelow4, 4.0f, 4.0f}};
  for (const std::vector<float>& entries : rows) {
    SCOPED_TRACE(entries[0]);
    Table t(entries);
    t.Extrapolate();
    EXPECT_EQ(t.xres, entries[2]);
    EXPECT_EQ(t.xerr, static_cast<float>(5.0 * kEpsm * entries[2]));
    EXPECT_EQ(t.xlen, 3);
    EXPECT_EQ(t.xtab[2], kOvrfl);  // left as the step wrote it
    EXPECT_EQ(t.xtab[4], entries[2]);
    EXPECT_EQ(t.xlast3, (std::array<float, 3>{-7.0f, -8.0f, -9.0f}));
  }
}

TEST(IntegrationExtrapolationTest, AgreeingNeighboursOrAnIrregularTableCollapseItToTheNewestSum) {
  struct Row {
    const char* name;
    std::vector<float> entries;
  };
  const Row rows[] = {
      {"newest equals the one before", {1.0f, 3.0f, 3.0f}},
      {"the two before are equal", {1.0f, 1.0f, 3.0f}},
      {"newest within exactly the tolerance", {1.0f, kBelow4, 4.0f}},
      {"the two before within exactly the tolerance", {kBelow4, 4.0f, 8.0f}},
      // 1/delta1 + 1/delta2 - 1/delta3 rounds to exactly 1.0e-4: irregular.
      {"irregular at exactly the threshold", {-0x1.0017fcp+0f, 1.0f, 0x1.7ffee2p+1f}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Table t(row.entries);
    t.Extrapolate();
    const float newest = row.entries.back();
    EXPECT_EQ(t.xlen, 1);
    EXPECT_EQ(t.xtab[0], newest);
    EXPECT_EQ(t.xres, newest);
    EXPECT_EQ(t.xerr, kOvrfl);  // first call: no spread yet
    EXPECT_EQ(t.xlast3[0], newest);
  }
}

TEST(IntegrationExtrapolationTest, ABreakdownAtTheSecondElementKeepsThreeEntries) {
  // The first element is 3; at the second, the neighbours kBelow4 and 4
  // agree to exactly their tolerance.
  Table t({1.0f, kBelow4, 4.0f, 5.0f, 7.0f});
  t.Extrapolate();
  EXPECT_EQ(t.xlen, 3);
  EXPECT_EQ(t.xres, 3.0f);
}

TEST(IntegrationExtrapolationTest, GeometricSequenceIsExtrapolatedExactly) {
  Table t({0.5f, 0.75f, 0.875f});  // 1 - 2^-k
  t.Extrapolate();
  EXPECT_EQ(t.xres, 1.0f);
  EXPECT_EQ(t.xerr, kOvrfl);
  EXPECT_EQ(t.xlen, 3);
  // The new element went down the lower diagonal; the newest sum stays last.
  EXPECT_EQ(t.xtab[0], 1.0f);
  EXPECT_EQ(t.xtab[1], 0.75f);
  EXPECT_EQ(t.xtab[2], 0.875f);
  EXPECT_EQ(t.xlast3[0], 1.0f);
}

TEST(IntegrationExtrapolationTest, FromTheFourthCallTheErrorIsTheSpreadOfTheLastResults) {
  Table t({0.5f, 0.75f, 0.875f});
  t.xcalls = 3;
  t.xlast3 = {0.9f, 0.95f, 0.99f};
  t.Extrapolate();
  EXPECT_EQ(t.xres, 1.0f);
  const double spread = (1.0 - 0.99f) + (1.0 - 0.95f) + (1.0 - 0.9f);
  EXPECT_EQ(t.xerr, static_cast<float>(spread));
  EXPECT_EQ(t.xlast3, (std::array<float, 3>{0.95f, 0.99f, 1.0f}));
}

TEST(IntegrationExtrapolationTest, AFullTableIsCutTo49Entries) {
  std::vector<float> entries;
  std::uint32_t state = 7919;
  for (int i = 0; i < 50; ++i) {
    state = state * 1103515245u + 12345u;
    entries.push_back(static_cast<float>((state >> 8) % 100000u) / 100000.0f);
  }
  Table t(entries);
  t.Extrapolate();
  EXPECT_EQ(t.xlen, 49);
  EXPECT_EQ(t.xtab[48], entries[49]);  // the newest sum is the last entry
}

TEST(IntegrationExtrapolationTest, AcceleratesTheAlternatingHarmonicSeries) {
  // Partial sums of 1 - 1/2 + 1/3 - ..., one appended per call as the core
  // does: the table grows by one entry per call, the first three calls
  // report no error estimate, and the limit ln 2 is reached to single
  // precision after ten calls, while the last partial sum is still 0.05 off.
  Table t({1.0f, 0.5f});
  float partial = 0.5f;
  for (int k = 3; k <= 12; ++k) {
    SCOPED_TRACE(k);
    partial = static_cast<float>(partial + (k % 2 == 1 ? 1.0 : -1.0) / k);
    t.xtab[static_cast<std::size_t>(t.xlen++)] = partial;
    const std::int32_t before = t.xlen;
    t.Extrapolate();
    if (k <= 10) {
      EXPECT_EQ(t.xlen, before);
    }
    if (k <= 5) {
      EXPECT_EQ(t.xerr, kOvrfl);
    } else {
      EXPECT_LT(t.xerr, 0.01f);
    }
  }
  EXPECT_NEAR(t.xres, 0.69314718f, 2.0f * kEpsm);
  EXPECT_LT(t.xerr, 1.0e-6f);
  EXPECT_GT(std::fabs(partial - 0.69314718f), 0.03f);
}


// The first difference of each call is taken with the largest single, which
// starts the new diagonal; for large negative sums it lies beyond the single
// range. It must not end the run with an overflow trap, and the result must
// mirror that of the same sums with the opposite sign.
TEST(IntegrationExtrapolationTest, LargeNegativeSumsDoNotOverflow) {
  const std::vector<float> sums = {-1.0e33f, -1.5e33f, -1.75e33f, -1.875e33f};
  auto run = test::RunInChild([&] {
    fpenv::EnableTraps();
    Table negative(sums);
    negative.Extrapolate();
    std::vector<float> mirrored;
    for (float s : sums) mirrored.push_back(-s);
    Table positive(mirrored);
    positive.Extrapolate();
    fpenv::DisableTraps();
    // The mirrored table meets a difference that just fits, so the two may
    // differ in the last place.
    const double spread = std::fabs(double{negative.xres} + positive.xres);
    if (spread > 1.0e-6 * positive.xres || negative.xlen != positive.xlen) _exit(3);
  });
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(run.status, 0) << run.out;
}

// Near the bottom of the single range the differences of the sums are so
// small that their reciprocals do not fit in a single. The table must still
// be extrapolated without an overflow trap, to the limit that the same sums
// at ordinary size give.
TEST(IntegrationExtrapolationTest, TinySumsDoNotOverflow) {
  const std::vector<float> sums = {1.0f, 1.5f, 1.75f, 1.875f};  // limit 2
  constexpr double kScale = 1.0e-38;
  auto run = test::RunInChild([&] {
    fpenv::EnableTraps();
    Table ordinary(sums);
    ordinary.Extrapolate();
    std::vector<float> scaled;
    for (float s : sums) scaled.push_back(static_cast<float>(s * kScale));
    Table tiny(scaled);
    tiny.Extrapolate();
    fpenv::DisableTraps();
    const double expected = ordinary.xres * kScale;
    if (ordinary.xres != 2.0f || std::fabs(tiny.xres - expected) > 1.0e-6 * expected || tiny.xlen != ordinary.xlen) {
      _exit(3);
    }
  });
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(run.status, 0) << run.out;
}

// Profiles of huge concentrations: the new elements built against the
// largest-single entry, their errors and the spread of the last results
// can lie beyond the single range although the integral itself fits. No
// run may end with an overflow trap for that.
float g_knots[64];
float HugeKinkedProfile(float x) {
  const double position = std::clamp(static_cast<double>(x), 0.0, 62.999);
  const int i = static_cast<int>(position);
  return static_cast<float>(g_knots[i] + (position - i) * (double{g_knots[i + 1]} - g_knots[i]));
}

TEST(IntegrationExtrapolationTest, HugeProfilesDoNotOverflow) {
  auto run = test::RunInChild([] {
    fpenv::EnableTraps();
    std::mt19937 random(33);
    std::uniform_real_distribution<float> level(-1.0f, 1.0f);
    const float scales[] = {1.0e33f, 1.0e34f, 1.0e35f, 2.0e36f};
    for (int profile = 0; profile < 800; ++profile) {
      for (float& knot : g_knots) knot = level(random) * scales[profile % 4];
      errors::ResetService();
      float result = 0.0f, absest = 0.0f;
      std::int32_t ncalls = 0, nparts = 0;
      std::vector<float> sublo(500), subhi(500), subint(500), suberr(500);
      std::vector<std::int32_t> errord(500);
      Outcome icode = Outcome::kConverged;
      QCORE(HugeKinkedProfile, 0.0f, 63.0f, 0.0f, 1.0e-4f, 500, result, absest, ncalls, icode, sublo,
            subhi, subint, suberr, errord, nparts);
    }
  });
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(run.status, 0);
}

}  // namespace
}  // namespace zel::integration
