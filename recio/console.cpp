#include "recio/console.h"

#include <cstring>

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
      platform::WriteAll(platform::kStdout, bytes.data(), bytes.size());
      return;
    }
  }
  std::memcpy(g_buffer + g_size, bytes.data(), bytes.size());
  g_size += bytes.size();
}

void ConsoleFlush() {
  std::size_t size = g_size;
  g_size = 0;
  platform::WriteAll(platform::kStdout, g_buffer, size);
}

void EndOpenLine() {
  if (Console().line_open) ConsoleWrite("\r\n");
}

void ResetConsole() {
  g_size = 0;
  g_marks = ConsoleMarks{};
  g_shared = -1;
  RegisterHookOnce();
}

}  // namespace zel::recio
