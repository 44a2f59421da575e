// Read statements: which stream a unit reads, the console read's start and
// end on a shared terminal connection, formatted A reads, and what becomes
// of end of file and of the scanner's failures.
#include "recio/input.h"

#include <algorithm>
#include <string>
#include <vector>

#include "recio/connect.h"
#include "recio/console.h"
#include "recio/format.h"
#include "recio/freeform.h"
#include "recio/report.h"
#include "recio/stream.h"
#include "recio/test_seam.h"
#include "runtime/platform.h"

namespace zel::recio {
namespace {

using runtime::RuntimeError;

constexpr std::string_view kConsoleName = "CON";

struct InputState {
  ByteStream console;
  bool console_ready = false;

  // The statement under way.
  ByteStream* stream = nullptr;
  std::string_view name;  // "CON" or the connected file's name (kept alive by the connection)
  bool console_read = false;
  bool end_of_file_exit = false;
  bool formatted = false;
  ParsedFormat format;
  std::size_t next_item = 0;
  std::int32_t repeats_used = 0;  // items already read by a repeated A
  FreeFormState free_form;
};

InputState g_input;

bool IsConsoleUnit(Unit unit) { return unit.is_default || unit.number == 5 || unit.number == 0; }

// Turns a status into a call's result: 0, or -1 at end of file when the
// statement asked for that exit. Anything else ends the run.
int Outcome(int status) {
  if (status == 0) return 0;
  if (status == kEndOfFile) {
    if (g_input.end_of_file_exit) {
      g_input.stream = nullptr;  // the caller abandons the statement
      return kEndOfFile;
    }
    status = Status(RuntimeError::kUnexpectedEndOfFile);
  }
  IoError(static_cast<RuntimeError>(status), IoStatement::kRead, g_input.name);
}

// Input formats hold A (A, Aw, rAw), nX and slashes, nothing else:
// "(a259)", "(A10, 2X, a)", "(a5/a5)".
bool IsInputFormat(const ParsedFormat& format) {
  if (!format.exact) return false;
  for (const FormatItem& item : format.items) {
    switch (item.kind) {
      case FormatItem::Kind::kCharacter:
        if (item.width == 0) return false;
        break;
      case FormatItem::Kind::kSkip:
      case FormatItem::Kind::kSlash: break;
      default: return false;
    }
  }
  return true;
}

// Passes `columns` bytes of the record; a line end stops it and stays.
int PassColumns(ByteStream& stream, int columns) {
  for (int i = 0; i < columns; ++i) {
    const int byte = Peek(stream);
    if (!IsByte(byte)) return byte;
    if (byte == kLineEnd) break;
    Next(stream);
  }
  return 0;
}

// Aw into a variable of `length` characters (A without w, width < 0, takes
// `length`): with w > length the first w - length bytes of the field are
// passed over. A line end ends the taking early and stays unread. `variable`
// receives the bytes taken, without padding, so a whole console reply read
// this way costs no more memory than the reply holds.
int ReadATrimmed(ByteStream& stream, int width, std::string& variable, std::size_t length) {
  variable.clear();
  const std::size_t w = width < 0 ? length : static_cast<std::size_t>(width);
  if (w > length) {
    if (int status = PassColumns(stream, static_cast<int>(w - length)); status != 0) return status;
  }
  const std::size_t take = w < length ? w : length;
  while (variable.size() < take) {
    const int byte = Peek(stream);
    if (!IsByte(byte)) return byte;
    if (byte == kLineEnd) break;
    variable.push_back(static_cast<char>(byte));
    Next(stream);
  }
  return 0;
}

// The same into a fixed-length variable: positions that got no byte become
// blanks.
int ReadA(ByteStream& stream, int width, char* variable, std::size_t length) {
  std::string taken;
  const int status = ReadATrimmed(stream, width, taken, length);
  taken.copy(variable, taken.size());
  if (status == 0) std::fill(variable + taken.size(), variable + length, ' ');
  return status;
}

bool HasA(const ParsedFormat& format) {
  for (const FormatItem& item : format.items) {
    if (item.kind == FormatItem::Kind::kCharacter) return true;
  }
  return false;
}

// Runs the format up to its next A item and lets `read_a(width)` take the
// field.
template <class ReadField>
int FormattedCharacter(ReadField read_a) {
  ByteStream& stream = *g_input.stream;
  const std::vector<FormatItem>& items = g_input.format.items;
  for (;;) {
    if (g_input.next_item == items.size()) {
      // More items than descriptors: the format starts again on a new record.
      if (!HasA(g_input.format)) return Status(RuntimeError::kBadInputFormat);
      if (int status = SkipLine(stream); status != 0) return status;
      g_input.next_item = 0;
    }
    const FormatItem& item = items[g_input.next_item];
    if (item.kind == FormatItem::Kind::kCharacter) {
      if (++g_input.repeats_used >= item.count) {
        g_input.repeats_used = 0;
        ++g_input.next_item;
      }
      return read_a(item.width);
    }
    ++g_input.next_item;
    int status = 0;
    if (item.kind == FormatItem::Kind::kSkip) {
      status = PassColumns(stream, item.count);
    } else {  // slashes: as many record ends
      for (std::int32_t i = 0; i < item.count && status == 0; ++i) status = SkipLine(stream);
    }
    if (status != 0) return status;
  }
}

// Chooses the stream of the unit and starts the statement on it.
void Start(Unit unit, bool end_of_file_exit) {
  g_input.end_of_file_exit = end_of_file_exit;
  g_input.console_read = IsConsoleUnit(unit);
  if (g_input.console_read) {
    g_input.stream = &ConsoleInput();
    g_input.name = kConsoleName;
    if (ConsoleShared()) {
      // One connection with the console output: the reply starts on a new
      // line unless a `$` prompt keeps it on the prompt's line, and it is a
      // freshly typed line.
      ConsoleMarks& marks = Console();
      if (marks.line_open && !marks.line_continued) ConsoleWrite("\r\n");
      marks.line_continued = false;
      DropBuffered(*g_input.stream);
    }
    g_input.stream->limit_typed_line = true;
  } else {
    g_input.stream = UnitNumberInRange(unit.number) ? ConnectedInput(unit.number) : nullptr;
    if (g_input.stream == nullptr) InvalidUnit(unit.number, IoStatement::kRead);
    g_input.name = ConnectedName(unit.number);
  }
  StartStatement(g_input.free_form);
}

}  // namespace

ByteStream& ConsoleInput() {
  if (!g_input.console_ready) {
    g_input.console.handle = platform::kStdin;
    g_input.console.block = kConsoleBlock;
    g_input.console.console = true;
    g_input.console.terminal = platform::IsTerminal(platform::kStdin);
    g_input.console.longest_record = kLongestConsoleLine;
    g_input.console_ready = true;
  }
  return g_input.console;
}

int BeginRead(Unit unit, bool end_of_file_exit) {
  Start(unit, end_of_file_exit);
  g_input.formatted = false;
  return 0;
}

int BeginRead(Unit unit, std::string_view format, bool end_of_file_exit) {
  Start(unit, end_of_file_exit);
  g_input.formatted = true;
  g_input.next_item = 0;
  g_input.repeats_used = 0;
  g_input.format = ParseFormat(format);
  if (!IsInputFormat(g_input.format)) IoError(RuntimeError::kBadInputFormat, g_input.name);
  return 0;
}

int GetCharacter(char* variable, std::size_t length) {
  if (g_input.stream == nullptr) return 0;  // no statement under way
  if (g_input.formatted) {
    return Outcome(FormattedCharacter([&](int width) { return ReadA(*g_input.stream, width, variable, length); }));
  }
  return Outcome(ScanCharacter(*g_input.stream, g_input.free_form, variable, length));
}

int GetCharacter(std::string& variable, std::size_t length) {
  if (g_input.stream == nullptr) return 0;
  if (!g_input.formatted) return Outcome(Status(RuntimeError::kBadInputFormat));  // only formatted reads use it
  return Outcome(
      FormattedCharacter([&](int width) { return ReadATrimmed(*g_input.stream, width, variable, length); }));
}

int GetReal(float& variable) {
  if (g_input.stream == nullptr) return 0;
  if (g_input.formatted) return Outcome(Status(RuntimeError::kBadInputFormat));  // input formats carry characters only
  return Outcome(ScanReal(*g_input.stream, g_input.free_form, variable));
}

int EndRead() {
  if (g_input.stream == nullptr) return 0;
  ByteStream& stream = *g_input.stream;
  int status = 0;
  if (!g_input.formatted) {
    status = FinishRecord(stream, g_input.free_form);
  } else if (g_input.console_read && stream.terminal) {
    DropBuffered(stream);  // the typed line is all there is
  } else {
    status = SkipLine(stream);
  }
  if (int result = Outcome(status); result != 0) return result;
  // The reply's Enter has moved the cursor to a new line.
  if (g_input.console_read && ConsoleShared()) Console().line_open = false;
  g_input.stream = nullptr;
  return 0;
}

void ResetInput() {
  ResetStream(g_input.console);
  g_input.console_ready = false;
  g_input.stream = nullptr;
  g_input.name = {};
  g_input.format = ParsedFormat{};
  g_input.next_item = 0;
  g_input.repeats_used = 0;
  StartStatement(g_input.free_form);
}

}  // namespace zel::recio
