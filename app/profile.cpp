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

// Entry j decides the value at x (given as a double): it matches x, or lies
// beyond it. The scan stops at the first such entry. With d = x - T(j)
// rounded to a double, "|d| < tolerance or T(j) > x" is "d < tolerance":
// the rounding never takes a difference across zero, and a NaN fails both.
bool Decides(const Table& table, int j, double x) { return x - static_cast<double>(table.t[j]) < kMatchTolerance; }

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

// The entry the last search found. The integrand is evaluated 21 times
// inside one subinterval at a time, so the next answer is usually close.
int g_last_entry = 0;

// A first guess for ascending tables whose last time lies beyond the first:
// the entry just beyond x if the times were evenly spaced, which for most
// measured profiles is the answer or next to it. Times strictly between the
// first and the last take the guess (never NaN); others start from the
// last entry found.
double g_guess_first = 0.0;
double g_guess_last = 0.0;
double g_guess_entries_per_time = 0.0;

// The first deciding entry, or n when none decides. With times that never
// decrease, "decides" is false up to some entry and true from there on (an
// entry beyond x is followed only by entries beyond x, and an entry within
// the tolerance below x only by entries within it or beyond x), so a search
// that brackets the change finds the same entry as the scan from the start.
// The bracket grows in doubling steps from the guess or the entry found
// last, and is then bisected.
int FirstDecidingEntry(const Table& table, float single_x) {
  const double x = single_x;
  const int n = table.n;
  if (!table.ascending) {
    for (int j = 0; j < n; ++j) {
      if (Decides(table, j, x)) return j;
    }
    return n;
  }
  // The answer lies in [low, high]: no entry below low decides, and high is
  // n or an entry that decides.
  int low = 0, high = n;
  int start = 0;
  if (x > g_guess_first && x < g_guess_last) {
    // Below (n - 1) plus a rounding, so within the int range; kept below n.
    const int guess = static_cast<int>((x - g_guess_first) * g_guess_entries_per_time) + 1;
    start = guess < n ? guess : n - 1;
  } else {
    start = g_last_entry < n ? g_last_entry : n - 1;
  }
  if (Decides(table, start, x)) {
    // Most often the entry before it does not decide: then start is the answer.
    if (start == 0 || !Decides(table, start - 1, x)) {
      g_last_entry = start;
      return start;
    }
    high = start - 1;
    for (int step = 1; high > 0; step *= 2) {
      const int probe = high > step ? high - step : 0;
      if (!Decides(table, probe, x)) {
        low = probe + 1;
        break;
      }
      high = probe;
    }
  } else {
    low = start + 1;
    for (int step = 1; low < n; step *= 2) {
      const int probe = n - low > step ? low + step - 1 : n - 1;
      if (Decides(table, probe, x)) {
        high = probe;
        break;
      }
      low = probe + 1;
    }
  }
  while (low < high) {
    const int mid = low + (high - low) / 2;
    if (Decides(table, mid, x)) high = mid;
    else low = mid + 1;
  }
  g_last_entry = low;
  return low;
}

}  // namespace

Table& ProfileTable() { return g_table; }

void NoteTableChanged() {
  bool ascending = true;
  for (int j = 1; j < g_table.n && ascending; ++j) ascending = !(g_table.t[j] < g_table.t[j - 1]);
  g_table.ascending = ascending;
  g_guess_first = g_guess_last = g_guess_entries_per_time = 0.0;
  if (ascending && g_table.n >= 2 && g_table.t[g_table.n - 1] > g_table.t[0]) {
    const double first = g_table.t[0];
    const double last = g_table.t[g_table.n - 1];
    if (std::isfinite(last - first)) {  // an infinite time would make the guess NaN
      g_guess_first = first;
      g_guess_last = last;
      g_guess_entries_per_time = (g_table.n - 1) / (last - first);
    }
  }
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
