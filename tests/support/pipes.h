// Starts a child process with its standard input, output and error on
// pipes, feeds it its input, collects everything it writes, and waits for
// it. Shared by the in-process child runner and the transcript runner.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace zel::test {

struct Finished {
  std::string out;
  std::string err;
  int wait_status = 0;  // as waitpid reports it
};

// `child` runs in the forked process with the pipes as its standard handles;
// it must end the process itself (exec, exit or _exit). An empty `input`
// gives the child an empty, closed standard input. With a positive
// `timeout_ms`, a child that stays silent that long is killed.
Finished RunWithPipes(const std::function<void()>& child, std::string_view input, int timeout_ms = -1);

}  // namespace zel::test
