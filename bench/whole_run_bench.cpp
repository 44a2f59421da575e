// Whole runs of the program on generated profiles, side by side with a small
// C program that only reads the same file and prints its trapezoid sum.
// Each run is a fresh process, started as a shell would start it, with the
// file name and an empty pause reply piped to its standard input and its
// output discarded. For every run the benchmark takes the CPU time of the
// child (user + system, from wait4) and the wall time from the start of the
// spawn to the end of the wait. The two programs alternate run by run, so a
// busy machine slows both alike; the figures are medians.
//
// Usage: whole_run_bench [ROUNDS [PROGRAM [BASELINE]]]
//   ROUNDS: runs of each program per profile (default 400); PROGRAM and
//   BASELINE replace the built zelvantor and C yardstick, to compare builds.
// whole_run_bench --profiles DIR only writes the profiles into DIR (the
// runs that choose the executable's layout use them).
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

extern char** environ;

namespace {

struct Sample {
  double cpu_ms = 0;
  double wall_ms = 0;
};

struct Profile {
  int points;
  bool noisy;
  std::string path;
};

// A Gaussian peak over [0, 10], optionally with noise, as "t c" lines.
bool WriteProfile(Profile& profile, const std::string& dir) {
  profile.path = dir + "/peak-" + std::to_string(profile.points) + (profile.noisy ? "-noisy" : "-smooth") + ".dat";
  std::FILE* out = std::fopen(profile.path.c_str(), "w");
  if (out == nullptr) return false;
  std::mt19937 random(profile.points);
  std::normal_distribution<double> noise(0.0, 0.02);
  for (int i = 0; i < profile.points; ++i) {
    const double t = 10.0 * i / (profile.points - 1);
    double c = std::exp(-(t - 5.0) * (t - 5.0) / 2.0);
    if (profile.noisy) c += noise(random);
    std::fprintf(out, "%.4f %.6f\n", t, c);
  }
  return std::fclose(out) == 0;
}

double Ms(const timeval& t) { return t.tv_sec * 1e3 + t.tv_usec / 1e3; }

double NowMs() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

// One run of `program` with the file name and an empty reply on its input.
Sample RunOnce(const char* program, const std::string& file) {
  const std::string input = file + "\n\n";
  int in[2];
  if (pipe(in) != 0) std::exit(2);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, in[0], 0);
  posix_spawn_file_actions_addclose(&actions, in[0]);
  posix_spawn_file_actions_addclose(&actions, in[1]);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, 1, 2);
  // The child starts with the default action for SIGPIPE, which this
  // process ignores (a program may end without reading its input).
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  sigset_t pipe_signal;
  sigemptyset(&pipe_signal);
  sigaddset(&pipe_signal, SIGPIPE);
  posix_spawnattr_setsigdefault(&attributes, &pipe_signal);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF);
  char* argv[] = {const_cast<char*>(program), nullptr};

  const double start = NowMs();
  pid_t pid = -1;
  if (posix_spawn(&pid, program, &actions, &attributes, argv, environ) != 0) {
    std::fprintf(stderr, "cannot start %s\n", program);
    std::exit(2);
  }
  close(in[0]);
  // The few bytes fit the pipe's buffer, so this never waits for the child.
  [[maybe_unused]] auto written = write(in[1], input.data(), input.size());
  close(in[1]);
  int status = 0;
  rusage usage{};
  wait4(pid, &status, 0, &usage);
  const double end = NowMs();
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attributes);
  return {Ms(usage.ru_utime) + Ms(usage.ru_stime), end - start};
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const std::size_t n = values.size();
  return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

double LoadAverage() {
  double load[1] = {0};
  return getloadavg(load, 1) == 1 ? load[0] : -1;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<Profile> profiles = {{2000, false, {}}, {2000, true, {}}, {20, false, {}}, {20, true, {}}};
  if (argc == 3 && std::string(argv[1]) == "--profiles") {
    for (Profile& p : profiles)
      if (!WriteProfile(p, argv[2])) return 2;
    return 0;
  }
  signal(SIGPIPE, SIG_IGN);
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 400;
  const char* programs[2] = {argc > 2 ? argv[2] : ZELVANTOR_BINARY, argc > 3 ? argv[3] : BASELINE_BINARY};

  // The profiles go to a fresh directory under the system's temporary one.
  std::string dir_template = (std::filesystem::temp_directory_path() / "zel-bench-XXXXXX").string();
  const char* dir = mkdtemp(dir_template.data());
  if (dir == nullptr) return 2;
  for (Profile& p : profiles)
    if (!WriteProfile(p, dir)) return 2;

  std::printf("whole runs, %d of each program per profile, alternating; %ld CPUs, load average %.2f at start\n",
              rounds, sysconf(_SC_NPROCESSORS_ONLN), LoadAverage());
  std::printf("%-14s %-10s %10s %10s\n", "profile", "program", "CPU ms", "wall ms");
  bool met = true;
  for (const Profile& p : profiles) {
    std::vector<double> cpu[2], wall[2];
    for (int i = 0; i < 20; ++i)
      for (const char* program : programs) RunOnce(program, p.path);  // warm the caches
    for (int i = 0; i < rounds; ++i) {
      for (int k = 0; k < 2; ++k) {
        const int which = (i + k) % 2;  // alternate which program goes first
        Sample s = RunOnce(programs[which], p.path);
        cpu[which].push_back(s.cpu_ms);
        wall[which].push_back(s.wall_ms);
      }
    }
    const std::string name = std::to_string(p.points) + (p.noisy ? " noisy" : " smooth");
    const double cpu_z = Median(cpu[0]), cpu_b = Median(cpu[1]);
    const double wall_z = Median(wall[0]), wall_b = Median(wall[1]);
    std::printf("%-14s %-10s %10.3f %10.3f\n", name.c_str(), "zelvantor", cpu_z, wall_z);
    std::printf("%-14s %-10s %10.3f %10.3f\n", "", "C baseline", cpu_b, wall_b);
    std::printf("%-14s %-10s %10.2f %10.2f\n", "", "ratio", cpu_z / cpu_b, wall_z / wall_b);
    met = met && cpu_z <= 0.75 * cpu_b && wall_z <= wall_b;
  }
  std::printf("load average %.2f at end; target (CPU ratio <= 0.75, wall ratio <= 1.00) %s\n", LoadAverage(),
              met ? "met" : "missed");
  for (const Profile& p : profiles) std::remove(p.path.c_str());
  rmdir(dir);
  return 0;
}
