#include "recio/output.h"

#include <charconv>
#include <cstring>
#include <string>
#include <vector>

#include "recio/console.h"
#include "recio/format.h"
#include "recio/report.h"
#include "recio/test_seam.h"

namespace zel::recio {
namespace {

constexpr std::size_t kRecordBuffer = 132;
constexpr std::size_t kFreeFormBudget = 79;
constexpr std::size_t kRealField = 15;
constexpr std::size_t kRealFieldAfterReal = 16;
constexpr std::size_t kIntegerField = 11;

// The bytes that move the cursor for a record whose carriage-control
// character is `control`.
std::string_view Advance(char control, bool line_open) {
  switch (control) {
    case '+': return "\r";
    case '0': return line_open ? "\r\n\r\n" : "\r\n";
    case '1': return std::string_view("\r\n\f\r \r", 6);
    default: return line_open ? "\r\n" : "";
  }
}

// Writes one record to the console under carriage control (or continuing
// the line after `$`) and sets the line-open mark.
void WriteRecord(std::string_view record) {
  if (record.empty()) record = " ";
  ConsoleMarks& marks = Console();
  const std::string_view first = record.substr(0, kRecordBuffer);
  if (marks.line_continued) {
    ConsoleWrite(first);
  } else {
    char bytes[6 + kRecordBuffer];
    const std::string_view advance = Advance(first[0], marks.line_open);
    std::memcpy(bytes, advance.data(), advance.size());
    std::memcpy(bytes + advance.size(), first.data() + 1, first.size() - 1);
    ConsoleWrite(std::string_view(bytes, advance.size() + first.size() - 1));
  }
  for (std::size_t at = kRecordBuffer; at < record.size(); at += kRecordBuffer) {
    ConsoleWrite(record.substr(at, kRecordBuffer));
  }
  marks.line_open = true;
  marks.line_continued = false;
}

// A group being run: where it opened and how many more times it runs.
struct GroupRun {
  std::size_t open = 0;
  std::int32_t remaining = 0;
};

// The statement in progress. One at a time: output statements do not nest.
struct Statement {
  bool active = false;
  bool formatted = false;
  std::string record;  // carriage-control character first

  // Free-form statements.
  std::size_t budget = kFreeFormBudget;
  bool previous_was_real = false;

  // Formatted statements.
  const ParsedFormat* format = nullptr;
  std::size_t next = 0;         // index of the next descriptor
  std::int32_t repeats_used = 0;  // items already taken by a repeated descriptor
  std::vector<GroupRun> groups;
  std::size_t pending_blanks = 0;  // columns passed over by nX, written only if text follows
  bool leave_open = false;         // a `$` was met
};

Statement g_statement;

// The last format parsed: the same statements run again and again (every
// message record is "(A)"), so their format is parsed once.
std::string g_format_text;
ParsedFormat g_format;
bool g_format_valid = false;

const ParsedFormat& Parsed(std::string_view format) {
  if (!g_format_valid || format != g_format_text) {
    g_format = ParseFormat(format);
    g_format_text.assign(format);
    g_format_valid = true;
  }
  return g_format;
}

std::string_view IntegerText(std::int32_t value, char (&buffer)[12]) {
  auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value);
  (void)error;  // 12 bytes hold any 32-bit number
  return std::string_view(buffer, static_cast<std::size_t>(end - buffer));
}

std::string_view RealTextOf(float value, char (&buffer)[kRealTextMax]) {
  return std::string_view(buffer, FormatRealText(RoundReal(value), buffer));
}

// --- Free-form statements ---

void StartFreeFormRecord() {
  g_statement.record.assign(1, ' ');
  g_statement.budget = kFreeFormBudget;
}

void FreeFormCharacter(std::string_view text) {
  Statement& s = g_statement;
  while (text.size() >= s.budget) {
    s.record.append(text.substr(0, s.budget));
    text.remove_prefix(s.budget);
    WriteRecord(s.record);
    StartFreeFormRecord();
  }
  s.record.append(text);
  s.budget -= text.size();
  s.previous_was_real = false;
}

// A numeric item: `text` right-justified in `width` columns. A field that
// does not fit starts the next record, its first column becoming that
// record's carriage control.
void FreeFormField(std::string_view text, std::size_t width) {
  Statement& s = g_statement;
  const std::size_t padding = text.size() < width ? width - text.size() : 0;
  if (width < s.budget) {
    s.budget -= width;
  } else {
    WriteRecord(s.record);
    s.record.clear();
    s.budget = kFreeFormBudget;
  }
  s.record.append(padding, ' ');
  s.record.append(text);
}

// --- Formatted statements ---

void AppendText(std::string_view text) {
  Statement& s = g_statement;
  s.record.append(s.pending_blanks, ' ');
  s.pending_blanks = 0;
  s.record.append(text);
}

void EndFormattedRecord() {
  WriteRecord(g_statement.record);
  g_statement.record.clear();
  g_statement.pending_blanks = 0;
}

// Runs the format up to its next descriptor that takes an item and returns
// it, or null when the statement has no more use for it: at a descriptor
// that takes an item when `have_item` is false, and at the end of the format
// when nothing is left or using the format again would take no item.
const FormatItem* NextItemDescriptor(bool have_item) {
  Statement& s = g_statement;
  const std::vector<FormatItem>& items = s.format->items;
  while (true) {
    if (s.next == items.size()) {
      if (!have_item || !s.format->reversion_takes_item) return nullptr;
      EndFormattedRecord();
      s.next = s.format->reversion;
      s.repeats_used = 0;
      s.groups.clear();
      continue;
    }
    const FormatItem& item = items[s.next];
    switch (item.kind) {
      case FormatItem::Kind::kLiteral: AppendText(item.text); break;
      case FormatItem::Kind::kSkip: s.pending_blanks += static_cast<std::size_t>(item.count); break;
      case FormatItem::Kind::kSlash:
        for (std::int32_t i = 0; i < item.count; ++i) EndFormattedRecord();
        break;
      case FormatItem::Kind::kDollar: s.leave_open = true; break;
      case FormatItem::Kind::kOpen: s.groups.push_back({s.next, item.count - 1}); break;
      case FormatItem::Kind::kClose:
        if (!s.groups.empty() && s.groups.back().remaining > 0) {
          --s.groups.back().remaining;
          s.next = s.groups.back().open + 1;
          continue;
        }
        if (!s.groups.empty()) s.groups.pop_back();
        break;
      case FormatItem::Kind::kCharacter:
      case FormatItem::Kind::kInteger:
        if (!have_item) return nullptr;
        if (++s.repeats_used >= item.count) {
          s.repeats_used = 0;
          ++s.next;
        }
        return &item;
    }
    ++s.next;
  }
}

// Lays out one item's text under its descriptor: right-justified in w
// columns; a longer text is cut to w by A and shown as w asterisks by I.
void FormattedItem(std::string_view text) {
  const FormatItem* descriptor = NextItemDescriptor(true);
  if (descriptor == nullptr) return;  // the format takes no item: dropped
  AppendText({});                     // the columns passed over by nX come first
  std::string& record = g_statement.record;
  const bool minimal = descriptor->width == 0 && descriptor->kind == FormatItem::Kind::kInteger;
  if (descriptor->width < 0 || minimal) {
    record.append(text);
    return;
  }
  const auto width = static_cast<std::size_t>(descriptor->width);
  if (text.size() <= width) {
    record.append(width - text.size(), ' ').append(text);
  } else if (descriptor->kind == FormatItem::Kind::kCharacter) {
    record.append(text.substr(0, width));
  } else {
    record.append(width, '*');
  }
}

// Checks the unit, ends a statement still in progress and starts one.
Statement& BeginStatement(Unit unit, bool formatted) {
  if (!unit.is_default && !UnitNumberInRange(unit.number)) InvalidUnit(unit.number, IoStatement::kWrite);
  if (g_statement.active) EndWrite();
  g_statement.active = true;
  g_statement.formatted = formatted;
  return g_statement;
}

}  // namespace

void BeginWrite(Unit unit) {
  Statement& s = BeginStatement(unit, false);
  s.previous_was_real = false;
  StartFreeFormRecord();
}

void BeginWrite(Unit unit, std::string_view format) {
  Statement& s = BeginStatement(unit, true);
  s.format = &Parsed(format);
  s.record.clear();
  s.next = 0;
  s.repeats_used = 0;
  s.groups.clear();
  s.pending_blanks = 0;
  s.leave_open = false;
}

void PutCharacter(std::string_view text) {
  if (!g_statement.active) return;
  if (g_statement.formatted) {
    FormattedItem(text);
  } else {
    FreeFormCharacter(text);
  }
}

void PutReal(float value) {
  if (!g_statement.active) return;
  char buffer[kRealTextMax];
  const std::string_view text = RealTextOf(value, buffer);
  if (g_statement.formatted) {
    FormattedItem(text);
    return;
  }
  FreeFormField(text, g_statement.previous_was_real ? kRealFieldAfterReal : kRealField);
  g_statement.previous_was_real = true;
}

void PutInteger(std::int32_t value) {
  if (!g_statement.active) return;
  char buffer[12];
  const std::string_view text = IntegerText(value, buffer);
  if (g_statement.formatted) {
    FormattedItem(text);
    return;
  }
  FreeFormField(text, kIntegerField);
  g_statement.previous_was_real = false;
}

int EndWrite() {
  Statement& s = g_statement;
  if (!s.active) return 0;
  s.active = false;
  if (s.formatted) NextItemDescriptor(false);
  WriteRecord(s.record);
  if (s.formatted && s.leave_open) Console().line_continued = true;
  s.record.clear();
  return 0;
}

void ResetOutput() {
  g_statement = Statement{};
  g_format_valid = false;
}

}  // namespace zel::recio
