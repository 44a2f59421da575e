// The error ordering: where the two halves of a bisection are filed, the
// tie-breaks, the shrinking maintained length, and the order it keeps over
// a long run of bisections.
#include <algorithm>
#include <cstdint>
#include <numeric>
#include <vector>

#include <gtest/gtest.h>

#include "integration/integration.h"

namespace zel::integration {
namespace {

struct Row {
  const char* name;
  std::int32_t maxsub;
  std::vector<float> suberr;  // subintervals 1..nparts; the newest is last
  std::vector<std::int32_t> errord_in;
  std::int32_t maxidx_in, ordpos_in;
  std::vector<std::int32_t> errord_out;
  std::int32_t maxidx_out, ordpos_out;
};

TEST(IntegrationOrderTest, FilesBothHalves) {
  const Row rows[] = {
      {"two subintervals: (1, 2) whatever the errors", 500, {3, 7}, {1, 0}, 1, 1, {1, 2}, 1, 1},
      {"larger half stays first", 500, {5, 4, 1}, {1, 2, 0}, 1, 1, {1, 2, 3}, 1, 1},
      {"larger half moves below a larger error", 500, {3, 4, 1}, {1, 2, 0}, 1, 1, {2, 1, 3}, 2, 1},
      {"new half between two others", 500, {9, 6, 2, 3}, {2, 1, 3, 0}, 2, 1, {1, 2, 4, 3}, 1, 1},
      {"larger half goes before an equal error", 500, {4, 4, 1}, {1, 2, 0}, 1, 1, {1, 2, 3}, 1, 1},
      {"new half goes before an equal error", 500, {5, 2, 2}, {1, 2, 0}, 1, 1, {1, 3, 2}, 1, 1},
      // Extrapolation phase: subinterval 3 at position 3 was bisected and
      // climbs over 2 (error 8 < 8.5) but not over 1 (9).
      {"climbs from ordpos", 500, {9, 8, 8.5f, 0.5f, 0.2f}, {1, 2, 3, 4, 0}, 3, 3, {1, 3, 2, 4, 5}, 3, 2},
      {"climbs from ordpos to the head", 500, {5, 4, 9, 0.5f, 0.2f}, {1, 2, 3, 4, 0}, 3, 3, {3, 1, 2, 4, 5}, 3, 1},
      {"equal error above ordpos stays before", 500, {9, 8.5f, 8.5f, 0.5f, 0.2f}, {1, 2, 3, 4, 0}, 3, 3,
       {1, 2, 3, 4, 5}, 3, 3},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    std::vector<std::int32_t> errord = row.errord_in;
    std::int32_t maxidx = row.maxidx_in, ordpos = row.ordpos_in;
    const auto nparts = static_cast<std::int32_t>(row.suberr.size());
    float errbig = -1.0f;
    QORDER(row.maxsub, nparts, maxidx, errbig, row.suberr, errord, ordpos);
    EXPECT_EQ(errord, row.errord_out);
    EXPECT_EQ(maxidx, row.maxidx_out);
    EXPECT_EQ(ordpos, row.ordpos_out);
    EXPECT_EQ(errbig, row.suberr[static_cast<std::size_t>(maxidx - 1)]);
  }
}

TEST(IntegrationOrderTest, OnlyTheLeadingPositionsAreKeptNearTheLimit) {
  // maxsub 10: with 9 subintervals only 4 positions are kept in order,
  // with 10 only 3. Halves smaller than everything kept take the last two
  // kept positions; what lies beyond is left alone.
  const std::vector<float> suberr9 = {0.5f, 8, 7, 6, 5, 4, 3, 2, 0.1f};
  std::vector<std::int32_t> errord = {1, 2, 3, 4, 5, 6, 7, 8, 0};
  std::int32_t maxidx = 1, ordpos = 1;
  float errbig = 0.0f;
  QORDER(10, 9, maxidx, errbig, suberr9, errord, ordpos);
  EXPECT_EQ(errord, (std::vector<std::int32_t>{2, 3, 1, 9, 5, 6, 7, 8, 0}));
  EXPECT_EQ(maxidx, 2);
  EXPECT_EQ(errbig, 8.0f);

  // Subinterval 2 bisected next: halves 2 (error 1) and 10 (error 0.9).
  std::vector<float> suberr10 = suberr9;
  suberr10[1] = 1.0f;
  suberr10.push_back(0.9f);
  errord.push_back(0);
  QORDER(10, 10, maxidx, errbig, suberr10, errord, ordpos);
  EXPECT_EQ(errord, (std::vector<std::int32_t>{3, 2, 10, 9, 5, 6, 7, 8, 0, 0}));
  EXPECT_EQ(maxidx, 3);
}

// Bisects the head of the list again and again, with halves of
// pseudo-random errors, and checks the list after each step.
TEST(IntegrationOrderTest, KeepsTheMaintainedPositionsInDecreasingOrder) {
  constexpr std::int32_t kMaxsub = 200;
  std::vector<float> suberr(kMaxsub, 0.0f);
  std::vector<std::int32_t> errord(kMaxsub, 0);
  std::uint32_t state = 2024;
  auto next = [&state] {
    state = state * 1664525u + 1013904223u;
    return static_cast<float>(state >> 20) / 4096.0f;  // 0 to 1, ties likely
  };
  suberr[0] = 1.0f;
  errord[0] = 1;
  std::int32_t maxidx = 1, ordpos = 1;
  float errbig = suberr[0];
  for (std::int32_t nparts = 2; nparts <= kMaxsub; ++nparts) {
    SCOPED_TRACE(nparts);
    const float a = next() * errbig, b = next() * errbig;
    suberr[static_cast<std::size_t>(maxidx - 1)] = std::max(a, b);
    suberr[static_cast<std::size_t>(nparts - 1)] = std::min(a, b);
    QORDER(kMaxsub, nparts, maxidx, errbig, suberr, errord, ordpos);

    const std::int32_t kept = nparts > kMaxsub / 2 + 2 ? kMaxsub + 3 - nparts : nparts;
    for (std::int32_t p = 1; p < kept; ++p) {
      ASSERT_GE(suberr[static_cast<std::size_t>(errord[p - 1] - 1)], suberr[static_cast<std::size_t>(errord[p] - 1)])
          << "position " << p;
    }
    if (kept == nparts) {
      std::vector<std::int32_t> sorted(errord.begin(), errord.begin() + nparts);
      std::sort(sorted.begin(), sorted.end());
      std::vector<std::int32_t> all(static_cast<std::size_t>(nparts));
      std::iota(all.begin(), all.end(), 1);
      ASSERT_EQ(sorted, all);  // every subinterval exactly once
    }
    ASSERT_EQ(maxidx, errord[0]);
    ASSERT_EQ(errbig, suberr[static_cast<std::size_t>(maxidx - 1)]);
  }
}

}  // namespace
}  // namespace zel::integration
