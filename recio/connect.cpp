// The data-file connection of unit 4: the name (typed, taken from the
// command line, or asked for again), the open, and the stream that reads it.
#include "recio/connect.h"

#include <string>

#include "recio/console.h"
#include "recio/end.h"
#include "recio/report.h"
#include "recio/stream.h"
#include "recio/test_seam.h"
#include "runtime/platform.h"

namespace zel::recio {
namespace {

// The longest name a command-line argument or a typed reply can give.
constexpr std::size_t kNameLimit = 259;
// A longer name is shown in its report up to this length, then marked as cut.
constexpr std::size_t kShownNameLimit = 500;

struct Connection {
  bool connected = false;
  std::int32_t unit = 0;
  std::string name;
  ByteStream stream;
};

struct ConnectionState {
  Connection data_file;
  int next_argument = 1;  // the first command-line argument not yet used as a name
};

ConnectionState g_state;

// Strips leading and trailing spaces; a tab stays part of the name.
std::string Strip(std::string_view name) {
  const std::size_t first = name.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  const std::size_t last = name.find_last_not_of(' ');
  return std::string(name.substr(first, last - first + 1));
}

RuntimeError OpenError(platform::OpenStatus status) {
  switch (status) {
    case platform::OpenStatus::kNotFound: return RuntimeError::kFileNotFound;
    case platform::OpenStatus::kAccessDenied: return RuntimeError::kAccessDenied;
    case platform::OpenStatus::kTooManyFiles: return RuntimeError::kTooManyFiles;
    case platform::OpenStatus::kInvalidName: return RuntimeError::kInvalidName;
    case platform::OpenStatus::kOk:
    case platform::OpenStatus::kOther: break;
  }
  return RuntimeError::kCannotOpen;
}

// Asks on the console until a non-blank name comes. End of input here can
// never give a name, so it ends the run.
std::string AskForName(std::int32_t unit) {
  const std::string prompt =
      "File name missing or blank - please enter file name\r\nUNIT " + std::to_string(unit) + "? ";
  std::string name;
  while (name.empty()) {
    ConsoleWrite(prompt);
    std::string reply;
    if (!ReadConsoleLine(reply, std::string::npos)) IoError(RuntimeError::kUnexpectedEndOfFile, IoStatement::kOpen, "");
    name = Strip(reply);
  }
  return name;
}

// A name is never cut to fit, or another file would be opened: a name too
// long is refused, shown whole up to a length a report line can carry.
[[noreturn]] void NameTooLong(const std::string& name) {
  std::string shown = name.substr(0, kShownNameLimit);
  if (shown.size() < name.size()) shown += "...";
  IoError(runtime::ErrorCase::kNameTooLong, shown,
          std::to_string(name.size()) + " characters, at most " + std::to_string(kNameLimit));
}

}  // namespace

void Connect(std::int32_t unit, std::string_view typed_name) {
  std::string name = Strip(typed_name);
  if (name.empty()) {
    if (g_state.next_argument <= platform::ArgumentCount()) {
      // A blank argument goes straight on to the prompt.
      name = Strip(platform::Argument(g_state.next_argument++));
    } else {
      EndOpenLine();
    }
    if (name.empty()) name = AskForName(unit);
  }

  if (name.size() > kNameLimit) NameTooLong(name);
  const platform::OpenResult opened = platform::OpenExisting(name);
  if (opened.status != platform::OpenStatus::kOk) IoError(OpenError(opened.status), name);
  platform::Rewind(opened.handle);  // a pipe or a device cannot rewind, and needs not

  Connection& c = g_state.data_file;
  if (c.connected) platform::Close(c.stream.handle);
  c.connected = true;
  c.unit = unit;
  c.name = std::move(name);
  c.stream.handle = opened.handle;
  c.stream.block = kFileBlock;
  ResetStream(c.stream);
}

const std::string& ConnectedName(std::int32_t unit) {
  static const std::string kNone;
  const Connection& c = g_state.data_file;
  return c.connected && c.unit == unit ? c.name : kNone;
}

ByteStream* ConnectedInput(std::int32_t unit) {
  Connection& c = g_state.data_file;
  return c.connected && c.unit == unit ? &c.stream : nullptr;
}

void ResetConnections() {
  Connection& c = g_state.data_file;
  if (c.connected) platform::Close(c.stream.handle);
  c = Connection{};
  g_state.next_argument = 1;
}

}  // namespace zel::recio
