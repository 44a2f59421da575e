// Isolated runs on POSIX: one forked copy of this process per run, with
// pipes for its standard output, standard error and result channel.
#include "runtime/isolate.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "runtime/platform.h"

namespace zel::platform {
namespace {

enum Channel { kOut, kErr, kResult, kChannels };

int g_result_handle = -1;  // in a run: the write end of its result channel

struct Live {
  std::size_t index = 0;
  pid_t pid = -1;
  int fds[kChannels] = {-1, -1, -1};  // read ends, -1 once at end of input
  IsolatedRun run;

  std::string& Sink(int channel) { return channel == kOut ? run.out : channel == kErr ? run.err : run.result; }
  bool Drained() const { return fds[kOut] < 0 && fds[kErr] < 0 && fds[kResult] < 0; }
};

void CloseAll(int (&fds)[kChannels][2]) {
  for (auto& pair : fds) {
    for (int fd : pair) {
      if (fd >= 0) close(fd);
    }
  }
}

// In the new process: standard input from the null device, output and error
// into the pipes, no descriptor of another run kept open (its pipes would
// then never report their end).
[[noreturn]] void BecomeRun(int (&fds)[kChannels][2], const std::vector<Live>& others, IsolatedBody body,
                            std::string_view argument) {
  for (const Live& other : others) {
    for (int fd : other.fds) {
      if (fd >= 0) close(fd);
    }
  }
  int null = open("/dev/null", O_RDONLY | O_NOCTTY);
  if (null >= 0 && null != kStdin) {
    dup2(null, kStdin);
    close(null);
  }
  dup2(fds[kOut][1], kStdout);
  dup2(fds[kErr][1], kStderr);
  g_result_handle = fds[kResult][1];
  for (int channel = 0; channel < kChannels; ++channel) {
    close(fds[channel][0]);
    if (channel != kResult) close(fds[channel][1]);
  }
  body(argument);
  Exit(0);
}

bool Start(Live& live, std::vector<Live>& others, IsolatedBody body, std::string_view argument) {
  int fds[kChannels][2] = {{-1, -1}, {-1, -1}, {-1, -1}};
  for (auto& pair : fds) {
    if (pipe2(pair, O_CLOEXEC) != 0) {
      CloseAll(fds);
      return false;
    }
  }
  const pid_t pid = fork();
  if (pid < 0) {
    CloseAll(fds);
    return false;
  }
  if (pid == 0) BecomeRun(fds, others, body, argument);
  live.pid = pid;
  for (int channel = 0; channel < kChannels; ++channel) {
    close(fds[channel][1]);
    live.fds[channel] = fds[channel][0];
  }
  return true;
}

// Reads what one descriptor has; closes it at end of input.
void Drain(Live& live, int channel) {
  char buffer[65536];
  const ssize_t n = read(live.fds[channel], buffer, sizeof buffer);
  if (n < 0 && errno == EINTR) return;
  if (n <= 0) {
    close(live.fds[channel]);
    live.fds[channel] = -1;
    return;
  }
  live.Sink(channel).append(buffer, static_cast<std::size_t>(n));
}

void Reap(Live& live) {
  int status = 0;
  while (waitpid(live.pid, &status, 0) < 0 && errno == EINTR) {
  }
  live.run.exited = WIFEXITED(status);
  live.run.status = WIFEXITED(status) ? WEXITSTATUS(status) : WIFSIGNALED(status) ? WTERMSIG(status) : 0;
}

}  // namespace

void RunIsolated(const std::vector<std::string>& arguments, int parallel, IsolatedBody body,
                 const std::function<void(std::size_t, IsolatedRun&&)>& done) {
  if (parallel < 1) parallel = 1;
  std::vector<Live> live;
  std::vector<pollfd> polled;
  std::size_t next = 0;
  while (next < arguments.size() || !live.empty()) {
    while (live.size() < static_cast<std::size_t>(parallel) && next < arguments.size()) {
      Live run;
      run.index = next;
      if (Start(run, live, body, arguments[next])) {
        live.push_back(std::move(run));
      } else {
        run.run.started = false;
        done(next, std::move(run.run));
      }
      ++next;
    }
    if (live.empty()) continue;

    polled.clear();
    for (const Live& run : live) {
      for (int fd : run.fds) {
        if (fd >= 0) polled.push_back({fd, POLLIN, 0});
      }
    }
    if (poll(polled.data(), polled.size(), -1) < 0) continue;  // interrupted: poll again
    std::size_t k = 0;
    for (Live& run : live) {
      for (int channel = 0; channel < kChannels; ++channel) {
        if (run.fds[channel] < 0) continue;
        if (polled[k++].revents != 0) Drain(run, channel);
      }
    }
    for (std::size_t i = 0; i < live.size();) {
      if (!live[i].Drained()) {
        ++i;
        continue;
      }
      Reap(live[i]);
      done(live[i].index, std::move(live[i].run));
      live.erase(live.begin() + static_cast<std::ptrdiff_t>(i));
    }
  }
}

void SendIsolatedResult(std::string_view bytes) {
  if (g_result_handle >= 0) WriteAll(g_result_handle, bytes.data(), bytes.size());
}

// A forked run needs no command line of its own.
bool IsolatedRunRequested() { return false; }

void RunAsIsolated(IsolatedBody) { Exit(2); }

int ProcessorCount() {
  const long count = sysconf(_SC_NPROCESSORS_ONLN);
  return count < 1 ? 1 : static_cast<int>(count);
}

bool SameFile(const std::string& a, const std::string& b) {
  struct stat sa {}, sb {};
  return stat(a.c_str(), &sa) == 0 && stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

std::string WriteWholeFile(const std::string& path, std::string_view bytes) {
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOCTTY, 0666);
  if (fd < 0) return std::strerror(errno);
  if (!WriteAll(fd, bytes)) {
    const std::string why = std::strerror(errno);  // WriteAll's failed write set it
    close(fd);
    return why;
  }
  if (close(fd) != 0) return std::strerror(errno);
  return {};
}

}  // namespace zel::platform
