// Runs a piece of the program in a child process and captures what it
// writes to standard output and standard error, byte for byte, with its exit
// status. Stops, run-time error reports and traps end the child, not the
// test.
//
//   ChildRun run = RunInChild([] { zel::recio::Stop(); });
//   EXPECT_EQ(run.out, "Stop - Program terminated.\r\n");
//   EXPECT_EQ(run.status, 0);
#pragma once

#include <functional>
#include <optional>
#include <vector>
#include <string>

namespace zel::test {

struct ChildRun {
  std::string out;
  std::string err;
  int status = -1;  // exit status, or -1 when the child was killed by a signal
  int signal = 0;
};

struct ChildOptions {
  // Bytes piped to standard input; none means standard input is empty.
  std::string stdin_bytes;
  // When the body returns: end the process as a real run does (flush and
  // end an open console line) rather than flush only.
  bool process_end = true;
  // Arguments the child's command line holds after the program name.
  std::optional<std::vector<std::string>> arguments;
};

ChildRun RunInChild(const std::function<void()>& body, const ChildOptions& options = {});

// The same with only stdin given.
inline ChildRun RunInChild(const std::function<void()>& body, std::string stdin_bytes) {
  ChildOptions options;
  options.stdin_bytes = std::move(stdin_bytes);
  return RunInChild(body, options);
}

// Runs `body`, which is expected to end the process itself (a stop, a
// report); a body that returns instead ends the child with exit status 10,
// which no stop or report uses, so the test sees the difference.
ChildRun RunUntilStop(const std::function<void()>& body);

}  // namespace zel::test
