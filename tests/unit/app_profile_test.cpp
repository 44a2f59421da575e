// The profile interpolant: matches, brackets, steps at repeated times,
// unsorted tables, the ends, and bisection agreeing with the scan bit for bit.
#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <random>
#include <utility>
#include <vector>

#include "app/peak_area.h"
#include "tests/support/seams.h"

namespace zel::app {
namespace {

void Load(const std::vector<std::pair<float, float>>& pairs) {
  ResetTable();
  Table& table = ProfileTable();
  for (auto [t, c] : pairs) {
    table.t[table.n] = t;
    table.c[table.n] = c;
    ++table.n;
  }
  NoteTableChanged();
}

// The match tolerance: the single nearest to 1.0e-8.
const float kTolerance = std::bit_cast<float>(std::uint32_t{0x322BCC77});

struct Case {
  const char* name;
  std::vector<std::pair<float, float>> table;
  float x;
  float expected;
};

TEST(Fprof, WorkedValues) {
  const std::vector<Case> cases = {
      {"midpoint of a rising segment", {{0, 0}, {4, 1}, {6, 1}}, 2.0f, 0.5f},
      {"measured time", {{0, 0}, {4, 1}, {6, 1}}, 4.0f, 1.0f},
      {"flat segment", {{0, 0}, {4, 1}, {6, 1}}, 5.0f, 1.0f},
      {"quarter of a segment", {{0, 0}, {4, 1}, {6, 1}}, 1.0f, 0.25f},
      {"first time", {{0, 7}, {4, 1}}, 0.0f, 7.0f},
      {"last time", {{0, 7}, {4, 1}}, 4.0f, 1.0f},
      {"repeated time takes the earlier entry", {{0, 0}, {2, 1}, {2, 3}, {4, 3}}, 2.0f, 1.0f},
      {"left of a repeated time", {{0, 0}, {2, 1}, {2, 3}, {4, 3}}, 1.0f, 0.5f},
      {"right of a repeated time", {{0, 0}, {2, 1}, {2, 3}, {4, 3}}, 3.0f, 3.0f},
      {"unsorted: first entry beyond x decides", {{0, 0}, {10, 10}, {5, 0}}, 3.0f, 3.0f},
      {"within the tolerance of a time", {{0, 42}, {1, 0}}, 5.0e-9f, 42.0f},
      {"just outside the tolerance", {{0, 0}, {1, 1}}, 2.0e-8f, 2.0e-8f},
      {"exactly the tolerance away", {{0, 0}, {1, 1}}, kTolerance, kTolerance},
      {"below the first entry", {{2, 5}, {4, 1}}, 1.0f, 5.0f},
      {"above every entry", {{2, 5}, {4, 1}}, 9.0f, 1.0f},
      {"empty table", {}, 3.0f, 0.0f},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Load(c.table);
    EXPECT_EQ(std::bit_cast<std::uint32_t>(FPROF(c.x)), std::bit_cast<std::uint32_t>(c.expected))
        << FPROF(c.x) << " vs " << c.expected;
  }
}

TEST(Fprof, InterpolatesInDoubleAndRoundsOnce) {
  // (x - T(j-1)) and the slope in double: 1/3 of the way along [0, 3] from
  // 0 to 1 is the single nearest to 1/3, not a product of rounded singles.
  Load({{0, 0}, {3, 1}});
  EXPECT_EQ(FPROF(1.0f), static_cast<float>(1.0 / 3.0));
  Load({{1, 0.1f}, {1.7f, 0.9f}});
  const double slope = (double{0.9f} - double{0.1f}) / (double{1.7f} - double{1.0f});
  EXPECT_EQ(FPROF(1.3f), static_cast<float>(slope * (double{1.3f} - 1.0) + double{0.1f}));
}

TEST(Fprof, SortednessIsNotedWhenTheTableChanges) {
  Load({{0, 0}, {1, 1}, {1, 2}, {3, 3}});
  EXPECT_TRUE(ProfileTable().ascending);
  Load({{0, 0}, {10, 10}, {5, 0}});
  EXPECT_FALSE(ProfileTable().ascending);
}

// Bisection is only an optimisation: on every non-decreasing table it must
// pick exactly the entry the scan from the start picks.
TEST(Fprof, BisectionAgreesWithTheScanBitForBit) {
  std::mt19937 random(20261209);
  std::uniform_real_distribution<float> step(0.0f, 2.0f);
  std::uniform_real_distribution<float> level(-5.0f, 5.0f);
  for (int round = 0; round < 200; ++round) {
    std::vector<std::pair<float, float>> pairs;
    float t = level(random);
    const int n = 1 + static_cast<int>(random() % 60);
    for (int i = 0; i < n; ++i) {
      // Some repeated times and some times closer than the tolerance.
      const unsigned kind = random() % 5;
      if (kind == 0) t = std::nextafter(t, 100.0f);
      else if (kind != 1) t += step(random);
      pairs.emplace_back(t, level(random));
    }
    Load(pairs);
    ASSERT_TRUE(ProfileTable().ascending);
    std::uniform_real_distribution<float> where(pairs.front().first - 1.0f, pairs.back().first + 1.0f);
    for (int k = 0; k < 200; ++k) {
      float x = k % 4 == 0 ? pairs[random() % pairs.size()].first : where(random);
      if (k % 8 == 1) x = std::nextafter(x, -100.0f);
      ProfileTable().ascending = true;
      const float bisected = FPROF(x);
      ProfileTable().ascending = false;
      const float scanned = FPROF(x);
      ASSERT_EQ(std::bit_cast<std::uint32_t>(bisected), std::bit_cast<std::uint32_t>(scanned))
          << "round " << round << " x " << x;
    }
  }
}

}  // namespace
}  // namespace zel::app
