// Reading a data file of 2000 pairs, from the connection to end of file.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <unistd.h>

#include "recio/connect.h"
#include "recio/input.h"
#include "tests/support/seams.h"

namespace {

using namespace zel::recio;

std::string WritePairs() {
  const std::string path = "/tmp/zel_read_bench_" + std::to_string(getpid()) + ".dat";
  std::ofstream file(path);
  for (int i = 0; i < 2000; ++i) file << i * 0.25 << "  " << 1.0 / (1 + i % 97) << "\r\n";
  return path;
}

void BM_Read2000Pairs(benchmark::State& state) {
  const std::string path = WritePairs();
  for (auto _ : state) {
    ResetConnections();
    ResetInput();
    Connect(kDataFileUnit, path);
    int n = 0;
    float t = 0, c = 0;
    while (BeginRead(Unit::Number(kDataFileUnit), true) == 0 && GetReal(t) == 0 && GetReal(c) == 0 && EndRead() == 0) {
      ++n;
    }
    benchmark::DoNotOptimize(n);
    benchmark::DoNotOptimize(c);
    if (n != 2000) state.SkipWithError("not every pair was read");
  }
  ResetConnections();
  std::remove(path.c_str());
}
BENCHMARK(BM_Read2000Pairs)->Unit(benchmark::kMicrosecond);

}  // namespace
