#include "runtime/os_calls.h"

#include <fcntl.h>
#include <unistd.h>

namespace zel::platform {
namespace {

// Wrappers rather than the functions' own addresses: open is variadic, and
// the others may be inline wrappers in the system headers.
constexpr OsCalls kSystemCalls = {
    [](const char* path, int flags) { return ::open(path, flags); },
    [](int fd) { return ::close(fd); },
    [](int fd, void* buffer, std::size_t size) { return ::read(fd, buffer, size); },
    [](int fd, const void* data, std::size_t size) { return ::write(fd, data, size); },
    [](int fd, off_t offset, int whence) { return ::lseek(fd, offset, whence); },
    [](const char* path, struct stat* info) { return ::stat(path, info); },
    [](int fd) { return ::isatty(fd); },
};

OsCalls g_calls = kSystemCalls;

}  // namespace

const OsCalls& SystemCalls() { return kSystemCalls; }

OsCalls& OsCallTable() { return g_calls; }

}  // namespace zel::platform
