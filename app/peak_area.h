// The peak-area program: the dialogue, the data table, the interpolant and
// the area report.
#pragma once

#include <array>
#include <cstdint>

namespace zel::app {

inline constexpr int kMaxPairs = 2000;

// The data table: pair i of the file is (T(i), C(i)), 1-based; N pairs.
struct Table {
  std::array<float, kMaxPairs> t{};
  std::array<float, kMaxPairs> c{};
  std::int32_t n = 0;
};

Table& ProfileTable();

// The piecewise-linear profile through the table.
float FPROF(float x);

// The whole run, from the banner to the stop. Never returns.
[[noreturn]] void PeakArea();

}  // namespace zel::app
