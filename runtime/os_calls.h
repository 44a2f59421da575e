// The operating-system calls of the POSIX platform layer, gathered in one
// table. The platform layer makes these calls only through OsCallTable(), so
// a test can replace an entry and have the system answer as it cannot be made
// to on demand (an open refused for one access mode, a failing read), then
// put SystemCalls() back.
//
// Not part of the platform interface: only platform_posix.cpp and tests
// include this header.
#pragma once

#include <cstddef>
#include <sys/stat.h>
#include <sys/types.h>

namespace zel::platform {

struct OsCalls {
  int (*open)(const char* path, int flags);
  int (*close)(int fd);
  ssize_t (*read)(int fd, void* buffer, std::size_t size);
  ssize_t (*write)(int fd, const void* data, std::size_t size);
  off_t (*lseek)(int fd, off_t offset, int whence);
  int (*stat)(const char* path, struct stat* info);
  int (*isatty)(int fd);
};

// The real calls.
const OsCalls& SystemCalls();

// The table in use; SystemCalls() unless a test replaced entries. A plain
// global, so it can be used from a signal handler.
OsCalls& OsCallTable();

}  // namespace zel::platform
