#include "tests/support/child_run.h"

#include <sys/wait.h>
#include <unistd.h>

#include "recio/console.h"
#include "runtime/platform.h"
#include "tests/support/pipes.h"
#include "tests/support/seams.h"

namespace zel::test {

ChildRun RunInChild(const std::function<void()>& body, const ChildOptions& options) {
  Finished finished = RunWithPipes(
      [&] {
        static std::vector<std::string> args_storage;
        static std::vector<char*> argv;
        args_storage = {"zelvantor"};
        if (options.arguments) args_storage.insert(args_storage.end(), options.arguments->begin(), options.arguments->end());
        argv.clear();
        for (auto& a : args_storage) argv.push_back(a.data());
        argv.push_back(nullptr);
        platform::SetArguments(static_cast<int>(args_storage.size()), argv.data());
        recio::ResetConsole();  // decide terminal sharing for the child's own handles
        body();
        if (options.process_end) platform::Exit(0);
        recio::ConsoleFlush();
        _exit(0);
      },
      options.stdin_bytes);
  ChildRun run;
  run.out = std::move(finished.out);
  run.err = std::move(finished.err);
  if (WIFEXITED(finished.wait_status)) run.status = WEXITSTATUS(finished.wait_status);
  if (WIFSIGNALED(finished.wait_status)) run.signal = WTERMSIG(finished.wait_status);
  return run;
}

ChildRun RunUntilStop(const std::function<void()>& body) {
  return RunInChild([&body] {
    body();
    platform::Exit(10);
  });
}

}  // namespace zel::test
