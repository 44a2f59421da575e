// Isolated runs: a piece of work done in a process of its own, so that
// nothing it changes, and no way it ends (a stop, a run-time error report, a
// trap, a crash), reaches the caller or the next piece of work.
//
// Each run starts with standard input on the null device and its standard
// output and standard error captured; it may also write a result record to
// a channel of its own. The caller receives all three and how the run ended.
//
//   RunIsolated(names, ProcessorCount(), RunOne, [&](std::size_t i, IsolatedRun&& run) { ... });
//
// On POSIX a run is a copy of the calling process (fork, no exec), so the
// body must find the state it needs untouched in the caller. Where there is
// no fork, a run is the program started again with a command line that
// IsolatedRunRequested recognises; the program then hands its body to
// RunAsIsolated. The body therefore receives only its argument text.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace zel::platform {

struct IsolatedRun {
  std::string out;     // what the run wrote to standard output
  std::string err;     // ... to standard error
  std::string result;  // ... to its result channel
  bool exited = false; // it ended with an exit status (else a signal ended it)
  int status = 0;      // the exit status, or the number of the signal
  bool started = true; // false when no process could be started
};

// The body of a run: works on `argument`, may send its result record with
// SendIsolatedResult, and ends the process itself or returns (which ends it
// with exit status 0).
using IsolatedBody = void (*)(std::string_view argument);

// Appends bytes to the result channel of the run this process is; sent at
// once, so that nothing is lost however the run ends.
void SendIsolatedResult(std::string_view bytes);

// This process was started as an isolated run (never on POSIX).
bool IsolatedRunRequested();

// Runs the body for the argument this process was started with, then ends.
[[noreturn]] void RunAsIsolated(IsolatedBody body);

// Runs `body` once per argument, at most `parallel` runs at a time, and
// calls `done` in the calling process as each run ends (in any order).
void RunIsolated(const std::vector<std::string>& arguments, int parallel, IsolatedBody body,
                 const std::function<void(std::size_t, IsolatedRun&&)>& done);

// The number of processors online (at least 1).
int ProcessorCount();

// True when both paths name one existing file (links followed).
bool SameFile(const std::string& a, const std::string& b);

// Writes `bytes` as the whole content of the file at `path`, created or
// replaced. Returns an empty text, or why it failed.
std::string WriteWholeFile(const std::string& path, std::string_view bytes);

}  // namespace zel::platform
