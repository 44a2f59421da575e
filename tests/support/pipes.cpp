#include "tests/support/pipes.h"

#include <cerrno>
#include <csignal>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

namespace zel::test {
namespace {

void CloseIfOpen(int& fd) {
  if (fd >= 0) close(fd);
  fd = -1;
}

}  // namespace

Finished RunWithPipes(const std::function<void()>& child, std::string_view input, int timeout_ms) {
  Finished finished;
  int in[2], out[2], err[2];
  if (pipe(in) != 0 || pipe(out) != 0 || pipe(err) != 0) return finished;
  signal(SIGPIPE, SIG_IGN);  // a child that stops reading early must not kill us
  pid_t pid = fork();
  if (pid == 0) {
    dup2(in[0], 0);
    dup2(out[1], 1);
    dup2(err[1], 2);
    for (int fd : {in[0], in[1], out[0], out[1], err[0], err[1]}) close(fd);
    child();
    _exit(127);
  }
  close(in[0]);
  close(out[1]);
  close(err[1]);

  std::size_t written = 0;
  int in_fd = in[1], out_fd = out[0], err_fd = err[0];
  if (input.empty()) CloseIfOpen(in_fd);
  while (out_fd >= 0 || err_fd >= 0) {
    pollfd fds[3];
    int n = 0;
    if (out_fd >= 0) fds[n++] = {out_fd, POLLIN, 0};
    if (err_fd >= 0) fds[n++] = {err_fd, POLLIN, 0};
    if (in_fd >= 0) fds[n++] = {in_fd, POLLOUT, 0};
    const int ready = poll(fds, static_cast<nfds_t>(n), timeout_ms);
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) {
      kill(pid, SIGKILL);
      break;
    }
    for (int i = 0; i < n; ++i) {
      if (fds[i].revents == 0) continue;
      if (fds[i].fd == in_fd) {
        ssize_t w = write(in_fd, input.data() + written, input.size() - written);
        if (w > 0) written += static_cast<std::size_t>(w);
        if (w < 0 || written == input.size()) CloseIfOpen(in_fd);
        continue;
      }
      const bool is_out = fds[i].fd == out_fd;
      char buffer[4096];
      ssize_t r = read(fds[i].fd, buffer, sizeof buffer);
      if (r > 0) {
        (is_out ? finished.out : finished.err).append(buffer, static_cast<std::size_t>(r));
      } else if (r == 0 || errno != EINTR) {
        CloseIfOpen(is_out ? out_fd : err_fd);
      }
    }
  }
  CloseIfOpen(in_fd);
  CloseIfOpen(out_fd);
  CloseIfOpen(err_fd);
  waitpid(pid, &finished.wait_status, 0);
  return finished;
}

}  // namespace zel::test
