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
#include <string_view>

namespace zel::app {

inline constexpr int kMaxPairs = 2000;

// The data table: pair i of the file is (T(i), C(i)), i = 1..N, stored at
// index i - 1. Whoever changes the table calls NoteTableChanged() afterwards.
struct Table {
  // The count first: a short table is then read from two pages, not three.
  std::int32_t n = 0;
  bool ascending = true;  // times never decrease: FPROF may bisect
  std::array<float, kMaxPairs> t{};
  std::array<float, kMaxPairs> c{};
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

// The steps of a run after the dialogue, in order; a batch run of one file
// takes the same steps, so its numbers are the interactive run's.
//
// Connects unit 4 to the named file (a failure ends the run with the
// run-time error report).
void ConnectDataFile(std::string_view name);
// Reads the pairs of unit 4 into the table; a pair beyond the limit prints
// the too-many-points warnings and stops the run.
void ReadTable();
// The last time of the table; 0.0 for an empty one.
float LastTime(const Table& table);
// The area under the profile over [T(1), T(N)]. `result` keeps its value
// when the integration is skipped.
void IntegrateOverTable(float& result);
// The first time is positive: the profile is integrated again from 0.
bool StartsAfterZero();
// T(1) becomes 0.0: the first pair moves to t = 0.
void MoveFirstTimeToZero();
// The area under the profile over [0, T(N)], once the first time is 0.
void IntegrateFromZero(float& result);
// The last time minus `result`, rounded to single.
float AreaAbove(float result);

}  // namespace zel::app
