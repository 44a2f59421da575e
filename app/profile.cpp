// The data table and the profile interpolant FPROF.
#include <bit>
#include <cmath>
#include <cstdint>

#include "app/peak_area.h"
#include "app/test_seam.h"

namespace zel::app {
namespace {

// The single nearest to 1.0e-8: a time this close to a measured time takes
// the measured concentration.
constexpr float kMatchTolerance = std::bit_cast<float>(std::uint32_t{0x322BCC77});

Table g_table;

// Entry j (0-based) lies within the tolerance of x.
bool Matches(const Table& table, int j, float x) {
  return std::fabs(static_cast<double>(x) - static_cast<double>(table.t[j])) < kMatchTolerance;
}

// Entry j decides the value at x: it matches x, or lies beyond it. The scan
// stops at the first such entry.
bool Decides(const Table& table, int j, float x) { return Matches(table, j, x) || table.t[j] > x; }

// The value once entry j has decided it.
float ValueAt(const Table& table, int j, float x) {
  if (Matches(table, j, x)) return table.c[j];
  // Below the first entry there is nothing to interpolate from.
  if (j == 0) return table.c[0];
  // T(j-1) < x < T(j) here, so the divisor is positive.
  double slope = (static_cast<double>(table.c[j]) - static_cast<double>(table.c[j - 1])) /
                 (static_cast<double>(table.t[j]) - static_cast<double>(table.t[j - 1]));
  double value = slope * (static_cast<double>(x) - static_cast<double>(table.t[j - 1])) +
                 static_cast<double>(table.c[j - 1]);
  return static_cast<float>(value);
}

// The first deciding entry, or n when none decides. With times that never
// decrease, "decides" is false up to some entry and true from there on (an
// entry beyond x is followed only by entries beyond x, and an entry within
// the tolerance below x only by entries within it or beyond x), so bisection
// finds the same entry as the scan from the start.
int FirstDecidingEntry(const Table& table, float x) {
  if (table.ascending) {
    int low = 0, high = table.n;
    while (low < high) {
      int mid = low + (high - low) / 2;
      if (Decides(table, mid, x)) high = mid;
      else low = mid + 1;
    }
    return low;
  }
  for (int j = 0; j < table.n; ++j) {
    if (Decides(table, j, x)) return j;
  }
  return table.n;
}

}  // namespace

Table& ProfileTable() { return g_table; }

void NoteTableChanged() {
  bool ascending = true;
  for (int j = 1; j < g_table.n && ascending; ++j) ascending = !(g_table.t[j] < g_table.t[j - 1]);
  g_table.ascending = ascending;
}

void ResetTable() { g_table = Table{}; }

float FPROF(float x) {
  const Table& table = g_table;
  if (table.n == 0) return 0.0f;
  int j = FirstDecidingEntry(table, x);
  if (j == table.n) return table.c[table.n - 1];
  return ValueAt(table, j, x);
}

}  // namespace zel::app
