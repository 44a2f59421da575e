// The platform layer: every operating-system call the program makes goes
// through here, so that another operating system is one more source file.
//
// Handles are small integers: kStdin, kStdout, kStderr and the handles that
// OpenExisting returns. Nothing here buffers; buffering is the record layer's.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace zel::platform {

inline constexpr int kStdin = 0;
inline constexpr int kStdout = 1;
inline constexpr int kStderr = 2;

// True when the handle is an interactive terminal.
bool IsTerminal(int handle);

// Writes every byte, retrying after interruptions and short writes. Returns
// true when every byte was written, false when the system refused a write.
// Async-signal-safe.
bool WriteAll(int handle, const char* data, std::size_t size);
inline bool WriteAll(int handle, std::string_view text) { return WriteAll(handle, text.data(), text.size()); }

// Reads at most `size` bytes. Returns the count (> 0), 0 at end of input,
// -1 when the system refuses the read. Interrupted reads are retried.
long Read(int handle, char* buffer, std::size_t size);

enum class OpenStatus { kOk, kNotFound, kAccessDenied, kExists, kTooManyFiles, kInvalidName, kOther };
struct OpenResult {
  int handle = -1;
  OpenStatus status = OpenStatus::kOther;
};

// Opens an existing file for reading and writing, falling back to reading
// only and then to writing only, without locking it against other
// processes. A missing file is never created (kNotFound); a directory is
// refused as kAccessDenied.
OpenResult OpenExisting(const std::string& path);

// Positions the handle at the start of its file.
bool Rewind(int handle);

// Closes a handle that OpenExisting returned.
void Close(int handle);

// Process start: a closed standard output must not kill the process (its
// writes simply go nowhere, like every failed console write), and a standard
// handle closed at start is opened on the null device, so that no file the
// program opens takes its place.
void PrepareProcess();

// The process's command-line arguments, program name excluded.
void SetArguments(int argc, char** argv);
int ArgumentCount();
std::string_view Argument(int index);  // 1-based; empty when out of range

// Hands a command line to the platform's command interpreter (the shell on
// POSIX, COMSPEC /c on Windows) and waits for it; its status is ignored.
void RunCommand(const std::string& command_line);

// Process end. The record layer registers a hook that flushes the console
// output and ends an open console line; it must be async-signal-safe, since
// a floating-point trap ends the process from a signal handler.
using EndHook = void (*)();
void SetProcessEndHook(EndHook hook);

// Runs the process-end hook, once per process whatever calls it.
void RunProcessEndHook();

// Runs the process-end hook (if it has not run) and ends the process.
[[noreturn]] void Exit(int status);

}  // namespace zel::platform
