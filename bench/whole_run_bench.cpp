// Whole runs of the program on generated profiles, side by side with a
// minimal program that only reads the same file and prints its trapezoid
// sum. Each run is a fresh process with piped input, as a user would start
// it; the figure of interest is the ratio of the two wall times.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

namespace fs = std::filesystem;

namespace {

fs::path ProfileFile(int points, bool noisy) {
  fs::path path = fs::temp_directory_path() /
                  ("zel-bench-" + std::to_string(points) + (noisy ? "-noisy" : "-smooth") + ".dat");
  std::ofstream out(path);
  std::mt19937 random(points);
  std::normal_distribution<double> noise(0.0, 0.02);
  for (int i = 0; i < points; ++i) {
    const double t = 10.0 * i / (points - 1);
    double c = std::exp(-(t - 5.0) * (t - 5.0) / 2.0);
    if (noisy) c += noise(random);
    char line[64];
    std::snprintf(line, sizeof line, "%.4f %.6f\n", t, c);
    out << line;
  }
  return path;
}

// Runs `program` with the file name and an empty pause reply on its
// standard input, output discarded, and waits for it.
void RunOnce(const char* program, const fs::path& file) {
  const std::string input = file.string() + "\n\n";
  int in[2];
  if (pipe(in) != 0) return;
  pid_t pid = fork();
  if (pid == 0) {
    dup2(in[0], 0);
    int null = open("/dev/null", O_WRONLY);
    dup2(null, 1);
    dup2(null, 2);
    close(in[0]);
    close(in[1]);
    execl(program, program, static_cast<char*>(nullptr));
    _exit(127);
  }
  close(in[0]);
  [[maybe_unused]] auto n = write(in[1], input.data(), input.size());
  close(in[1]);
  waitpid(pid, nullptr, 0);
}

void BM_WholeRun(benchmark::State& state, const char* program, int points, bool noisy) {
  const fs::path file = ProfileFile(points, noisy);
  for (auto _ : state) RunOnce(program, file);
}

#define ZEL_SIDE_BY_SIDE(points, noisy, label)                                                     \
  BENCHMARK_CAPTURE(BM_WholeRun, zelvantor_##label, ZELVANTOR_BINARY, points, noisy)->UseRealTime(); \
  BENCHMARK_CAPTURE(BM_WholeRun, baseline_##label, BASELINE_BINARY, points, noisy)->UseRealTime();

ZEL_SIDE_BY_SIDE(2000, false, 2000_smooth)
ZEL_SIDE_BY_SIDE(2000, true, 2000_noisy)
ZEL_SIDE_BY_SIDE(200, false, 200_smooth)
ZEL_SIDE_BY_SIDE(200, true, 200_noisy)
ZEL_SIDE_BY_SIDE(20, false, 20_smooth)
ZEL_SIDE_BY_SIDE(20, true, 20_noisy)

}  // namespace
