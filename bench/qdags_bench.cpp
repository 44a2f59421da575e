// QDAGS on a few typical integrands, with the program's tolerances: smooth
// (one rule application), kinked and singular (bisection and
// extrapolation), and the piecewise-linear profile of a 2000-point table
// as the peak-area program integrates it.
#include <benchmark/benchmark.h>

#include <cmath>

#include "app/peak_area.h"
#include "errors/errors.h"
#include "integration/integration.h"
#include "tests/support/seams.h"

namespace {

using zel::integration::Integrand;

long g_evaluations = 0;

float Smooth(float x) {
  ++g_evaluations;
  return std::exp(-x) * std::cos(x);
}
float Kinked(float x) {
  ++g_evaluations;
  return std::fabs(x - 1.0f / 3.0f);
}
float SqrtSingularity(float x) {
  ++g_evaluations;
  return x > 0.0f ? 1.0f / std::sqrt(x) : 0.0f;
}
float Profile(float x) {
  ++g_evaluations;
  return zel::app::FPROF(x);
}

void Integrate(benchmark::State& state, Integrand f, float a, float b) {
  zel::errors::ResetService();
  g_evaluations = 0;
  float result = 0.0f, absest = 0.0f;
  for (auto _ : state) {
    zel::integration::QDAGS(f, a, b, 0.0f, 1.0e-4f, result, absest);
    benchmark::DoNotOptimize(result);
  }
  state.counters["evaluations"] =
      benchmark::Counter(static_cast<double>(g_evaluations), benchmark::Counter::kAvgIterations);
}

void BM_Smooth(benchmark::State& state) { Integrate(state, Smooth, 0.0f, 2.0f); }
void BM_Kinked(benchmark::State& state) { Integrate(state, Kinked, 0.0f, 1.0f); }
void BM_SqrtSingularity(benchmark::State& state) { Integrate(state, SqrtSingularity, 0.0f, 1.0f); }

// A Gaussian peak sampled at 2000 times over [0, 20).
void BM_Profile2000(benchmark::State& state) {
  zel::app::ResetTable();
  zel::app::Table& table = zel::app::ProfileTable();
  for (int i = 0; i < zel::app::kMaxPairs; ++i) {
    const float t = static_cast<float>(i) * 0.01f;
    table.t[static_cast<std::size_t>(i)] = t;
    table.c[static_cast<std::size_t>(i)] = std::exp(-(t - 7.0f) * (t - 7.0f));
  }
  table.n = zel::app::kMaxPairs;
  zel::app::NoteTableChanged();
  Integrate(state, Profile, table.t[0], table.t[zel::app::kMaxPairs - 1]);
}

BENCHMARK(BM_Smooth);
BENCHMARK(BM_Kinked);
BENCHMARK(BM_SqrtSingularity);
BENCHMARK(BM_Profile2000);

}  // namespace
