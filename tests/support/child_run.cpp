#include "tests/support/child_run.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include "recio/console.h"
#include "runtime/platform.h"

namespace zel::test {
namespace {

void CloseIfOpen(int& fd) {
  if (fd >= 0) close(fd);
  fd = -1;
}

}  // namespace

ChildRun RunInChild(const std::function<void()>& body, const ChildOptions& options) {
  int in[2], out[2], err[2];
  if (pipe(in) != 0 || pipe(out) != 0 || pipe(err) != 0) return {};
  pid_t pid = fork();
  if (pid == 0) {
    dup2(in[0], 0);
    dup2(out[1], 1);
    dup2(err[1], 2);
    for (int fd : {in[0], in[1], out[0], out[1], err[0], err[1]}) close(fd);
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
  }
  close(in[0]);
  close(out[1]);
  close(err[1]);
  signal(SIGPIPE, SIG_IGN);

  ChildRun run;
  std::size_t written = 0;
  int in_fd = in[1], out_fd = out[0], err_fd = err[0];
  if (options.stdin_bytes.empty()) CloseIfOpen(in_fd);
  while (out_fd >= 0 || err_fd >= 0) {
    pollfd fds[3];
    int n = 0;
    if (out_fd >= 0) fds[n++] = {out_fd, POLLIN, 0};
    if (err_fd >= 0) fds[n++] = {err_fd, POLLIN, 0};
    if (in_fd >= 0) fds[n++] = {in_fd, POLLOUT, 0};
    if (poll(fds, n, -1) < 0) {
      if (errno == EINTR) continue;
      break;
    }
    for (int i = 0; i < n; ++i) {
      if (fds[i].revents == 0) continue;
      if (fds[i].fd == in_fd) {
        ssize_t w = write(in_fd, options.stdin_bytes.data() + written, options.stdin_bytes.size() - written);
        if (w > 0) written += static_cast<std::size_t>(w);
        if (w < 0 || written == options.stdin_bytes.size()) CloseIfOpen(in_fd);
        continue;
      }
      char buffer[4096];
      ssize_t r = read(fds[i].fd, buffer, sizeof buffer);
      if (r > 0) {
        (fds[i].fd == out_fd ? run.out : run.err).append(buffer, static_cast<std::size_t>(r));
      } else if (r == 0 || errno != EINTR) {
        CloseIfOpen(fds[i].fd == out_fd ? out_fd : err_fd);
      }
    }
  }
  CloseIfOpen(in_fd);
  int wstatus = 0;
  waitpid(pid, &wstatus, 0);
  if (WIFEXITED(wstatus)) run.status = WEXITSTATUS(wstatus);
  if (WIFSIGNALED(wstatus)) run.signal = WTERMSIG(wstatus);
  return run;
}

}  // namespace zel::test
