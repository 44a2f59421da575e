// The peak-area program: the dialogue, the data table, the interpolant and
// the area report.
//
// A run prints the banner, asks for the data file, reads up to 2000
// (time, concentration) pairs, integrates the piecewise-linear profile over
// [T(1), T(N)], and again from 0 when the first time is positive, prints the
// area under and above the curve, and ends with the pause and the stop.
#pragma once

#include <array>
#include <cstdint>

namespace zel::app {

inline constexpr int kMaxPairs = 2000;

// The data table: pair i of the file is (T(i), C(i)), i = 1..N, stored at
// index i - 1. Whoever changes the table calls NoteTableChanged() afterwards.
struct Table {
  std::array<float, kMaxPairs> t{};
  std::array<float, kMaxPairs> c{};
  std::int32_t n = 0;
  bool ascending = true;  // times never decrease: FPROF may bisect
};

Table& ProfileTable();

// Re-examines the table after a change (decides whether FPROF may bisect).
void NoteTableChanged();

// The piecewise-linear profile through the table at time x. The first entry
// in file order that lies within 1.0e-8 of x gives its concentration
// exactly; otherwise the first entry beyond x and the one before it are
// interpolated. Below the first entry: C(1); above every entry: C(N); an
// empty table: 0.0.
float FPROF(float x);

// The whole run, from the banner to the stop. Never returns.
[[noreturn]] void PeakArea();

}  // namespace zel::app
