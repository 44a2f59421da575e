// POSIX implementation of the platform layer.
#include "runtime/platform.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace zel::platform {
namespace {

int g_argc = 0;
char** g_argv = nullptr;
EndHook g_end_hook = nullptr;
volatile std::sig_atomic_t g_end_hook_ran = 0;

OpenStatus StatusFromErrno(int error) {
  switch (error) {
    case ENOENT:
    case ENOTDIR:
      return OpenStatus::kNotFound;
    case EACCES:
    case EPERM:
    case EISDIR:
    case EROFS:
      return OpenStatus::kAccessDenied;
    case EEXIST:
      return OpenStatus::kExists;
    case EMFILE:
    case ENFILE:
      return OpenStatus::kTooManyFiles;
    case EINVAL:
    case ENAMETOOLONG:
    case EILSEQ:
      return OpenStatus::kInvalidName;
    default:
      return OpenStatus::kOther;
  }
}

}  // namespace

bool IsTerminal(int handle) { return isatty(handle) == 1; }

bool WriteAll(int handle, const char* data, std::size_t size) {
  while (size > 0) {
    ssize_t n = write(handle, data, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

long Read(int handle, char* buffer, std::size_t size) {
  for (;;) {
    ssize_t n = read(handle, buffer, size);
    if (n >= 0) return static_cast<long>(n);
    if (errno != EINTR) return -1;
  }
}

OpenResult OpenExisting(const std::string& path) {
  if (path.find('\0') != std::string::npos) return {-1, OpenStatus::kInvalidName};
  struct stat info {};
  if (stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) return {-1, OpenStatus::kAccessDenied};
  int last_error = 0;
  for (int mode : {O_RDWR, O_RDONLY, O_WRONLY}) {
    int fd = open(path.c_str(), mode | O_CLOEXEC | O_NOCTTY);
    if (fd >= 0) return {fd, OpenStatus::kOk};
    last_error = errno;
    // Only a refusal of the access mode is worth another try.
    if (last_error != EACCES && last_error != EPERM && last_error != EROFS && last_error != ETXTBSY) break;
  }
  return {-1, StatusFromErrno(last_error)};
}

bool Rewind(int handle) { return lseek(handle, 0, SEEK_SET) == 0; }

void Close(int handle) {
  if (handle > platform::kStderr) close(handle);
}

void PrepareProcess() {
  // A standard handle closed at start is opened on the null device, so that
  // the data file, opened later, cannot take its number and receive console
  // output or an error report.
  for (int handle : {kStdin, kStdout, kStderr}) {
    if (fcntl(handle, F_GETFD) == -1 && errno == EBADF) open("/dev/null", O_RDWR | O_NOCTTY);
  }
  std::signal(SIGPIPE, SIG_IGN);
}

void SetArguments(int argc, char** argv) {
  g_argc = argc;
  g_argv = argv;
}

int ArgumentCount() { return g_argc > 1 ? g_argc - 1 : 0; }

std::string_view Argument(int index) {
  if (index < 1 || index >= g_argc || g_argv == nullptr || g_argv[index] == nullptr) return {};
  return g_argv[index];
}

void RunCommand(const std::string& command_line) {
  // system() runs /bin/sh -c; its status is of no interest to the caller.
  // The command gets the default broken-pipe behaviour, not ours.
  auto previous = std::signal(SIGPIPE, SIG_DFL);
  [[maybe_unused]] int status = std::system(command_line.c_str());
  std::signal(SIGPIPE, previous);
}

void SetProcessEndHook(EndHook hook) {
  g_end_hook = hook;
  g_end_hook_ran = 0;
}

void RunProcessEndHook() {
  if (g_end_hook_ran) return;
  g_end_hook_ran = 1;
  if (g_end_hook != nullptr) g_end_hook();
}

void Exit(int status) {
  RunProcessEndHook();
  _exit(status);
}

}  // namespace zel::platform
