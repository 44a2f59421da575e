#include "runtime/report.h"

#include <charconv>
#include <cstring>

#include "runtime/platform.h"

namespace zel::runtime {
namespace {

// Appends without ever passing the end of the buffer.
struct Sink {
  char* out;
  std::size_t capacity;
  std::size_t size = 0;
  void Put(std::string_view text) {
    for (char c : text) {
      if (size < capacity) out[size++] = c;
    }
  }
};

}  // namespace

std::size_t FormatRuntimeError(char* out, std::size_t capacity, char kind, int number, std::string_view statement,
                               std::string_view name, std::string_view description, bool has_name) {
  Sink sink{out, capacity};
  sink.Put("\r\nrun-time error ");
  // The kind letter and the number in four digits, leading zeros included.
  char code[5] = {kind, '0', '0', '0', '0'};
  char digits[4];
  const unsigned value = number < 0 ? 0u : static_cast<unsigned>(number) % 10000u;
  const std::size_t count = static_cast<std::size_t>(std::to_chars(digits, digits + 4, value).ptr - digits);
  std::memcpy(code + 5 - count, digits, count);
  sink.Put(std::string_view(code, 5));
  sink.Put(statement);
  if (has_name) {
    sink.Put(name);
    sink.Put(")");
  }
  sink.Put("\r\n");
  if (!description.empty()) {
    sink.Put("- ");
    sink.Put(description);
  }
  sink.Put("\r\n");
  return sink.size;
}

void RuntimeErrorExit(char kind, int number, std::string_view statement, std::string_view name,
                      std::string_view description, bool has_name) {
  platform::RunProcessEndHook();
  char buffer[1024];
  std::size_t size = FormatRuntimeError(buffer, sizeof buffer, kind, number, statement, name, description, has_name);
  // A report that standard error refuses is lost; the exit status still tells.
  platform::WriteAll(platform::kStderr, buffer, size);
  platform::Exit(1);
}

void RuntimeErrorExit(RuntimeError error, Statement statement, std::string_view name) {
  RuntimeErrorExit('F', static_cast<int>(error), StatementText(statement), name, Description(error));
}

void RuntimeErrorExit(ErrorCase error_case, std::string_view name, std::string_view detail) {
  const RuntimeErrorEntry& entry = Entry(error_case);
  char description[256];
  Sink sink{description, sizeof description};
  sink.Put(entry.description);
  sink.Put(": ");
  sink.Put(detail);
  RuntimeErrorExit(entry.kind, entry.number, StatementText(entry.statement), name,
                   std::string_view(description, sink.size));
}

void RuntimeErrorExit(MathError error) {
  const RuntimeErrorEntry& entry = Entry(error);
  RuntimeErrorExit(entry.kind, entry.number, StatementText(entry.statement), {}, entry.description,
                   /*has_name=*/false);
}

}  // namespace zel::runtime
