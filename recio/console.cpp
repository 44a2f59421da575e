#include "recio/console.h"

#include <cstring>

#include "recio/report.h"
#include "recio/test_seam.h"
#include "runtime/platform.h"

namespace zel::recio {
namespace {

// A fixed buffer, so the process-end hook can flush it from a signal handler.
constexpr std::size_t kBufferSize = 8192;
char g_buffer[kBufferSize];
std::size_t g_size = 0;

ConsoleMarks g_marks;
int g_shared = -1;  // -1 not yet decided
bool g_output_lost = false;  // a write to standard output has failed

// Results that cannot be shown must not pass for a success: the first failed
// write ends the run with a report on standard error. Nothing is written to
// standard output after that, so the report's own flush of the console
// cannot fail again.
void WriteOut(const char* data, std::size_t size) {
  if (g_output_lost || platform::WriteAll(platform::kStdout, data, size)) return;
  g_output_lost = true;
  IoError(RuntimeError::kConsoleWriteFailed, "CON");
}

// Process end: write the line end that an open line still owes, and flush.
void AtProcessEnd() {
  EndOpenLine();
  ConsoleFlush();
}

void RegisterHookOnce() {
  static bool registered = false;
  if (!registered) {
    registered = true;
    platform::SetProcessEndHook(AtProcessEnd);
  }
}

}  // namespace

ConsoleMarks& Console() {
  RegisterHookOnce();
  return g_marks;
}

bool ConsoleShared() {
  if (g_shared < 0) {
    g_shared = platform::IsTerminal(platform::kStdin) && platform::IsTerminal(platform::kStdout) ? 1 : 0;
  }
  return g_shared == 1;
}

void ConsoleWrite(std::string_view bytes) {
  RegisterHookOnce();
  if (g_size + bytes.size() > kBufferSize) {
    ConsoleFlush();
    if (bytes.size() > kBufferSize) {
      WriteOut(bytes.data(), bytes.size());
      return;
    }
  }
  std::memcpy(g_buffer + g_size, bytes.data(), bytes.size());
  g_size += bytes.size();
}

void ConsoleFlush() {
  std::size_t size = g_size;
  g_size = 0;
  WriteOut(g_buffer, size);
}

void EndOpenLine() {
  if (Console().line_open) ConsoleWrite("\r\n");
}

void ResetConsole() {
  g_size = 0;
  g_marks = ConsoleMarks{};
  g_shared = -1;
  g_output_lost = false;
  RegisterHookOnce();
}

}  // namespace zel::recio
