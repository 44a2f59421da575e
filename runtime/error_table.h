// The run-time errors: every failure that ends a run with the report of
// runtime/report.h, by the number that report shows. This is the one list of
// them; the record layer's readers and reports, the trap handler, the tests
// and the fuzzer take numbers, statements and descriptions from here.
//
// Two kinds share the number range: errors of input and output are shown
// with the letter F, floating-point traps with the letter M, and 6101, 6103
// and 6104 exist in both. So each kind has its own enumeration, and the
// table is looked up by kind and number.
//
// A number can also stand for a second case that its own description does
// not fit (6412 for a name too long as well as for a name the system
// rejects). Such a case has a row of its own, marked by an ErrorCase, and is
// reported by that mark; a lookup by number finds the number's usual row.
#pragma once

#include <string_view>

namespace zel::runtime {

// Errors of input and output (letter F). The value is the number shown.
enum class RuntimeError : int {
  kRepeatTooLarge = 6100,        // a repeat count beyond 2147483647 (‹2147483648*1›)
  kBadRepeatCount = 6101,        // a repeat count holding other characters than digits (‹1.5*2›, ‹*5›)
  kBeyondDouble = 6102,          // a real beyond the double-precision range (‹1e400›)
  kNotANumber = 6103,            // a token that is no real (‹t›, a Ctrl-Z byte, more than 520 characters)
  kBeyondSingle = 6104,          // a real above the largest single plus 2^75 (‹1e39›)
  kBadInputFormat = 6200,        // an input format holding more than A, nX and slashes
  kInvalidUnit = 6314,           // a unit number outside -32767..32767
  kLineTooLong = 6407,           // a typed console line of more than 130 characters; any console line beyond 131072
  kInvalidName = 6412,           // a name the file system rejects (a NUL byte); see also ErrorCase::kNameTooLong
  kAccessDenied = 6414,          // every access mode refused, or a directory
  kFileNotFound = 6416,          // no such file or path; a missing file is never created
  kTooManyFiles = 6417,          // no handle left for the process or the system
  kCannotOpen = 6418,            // any other cause of a refused open
  kConsoleWriteFailed = 6419,    // standard output refuses a write (a full disk, the file-size limit, no reader)
  kReadRefused = 6500,           // the system refuses a read
  kUnexpectedEndOfFile = 6501,   // end of input where the statement takes no end-of-file exit
  kZeroRepeatCount = 6502,       // a repeat count of 0, or a negative one
  kRepeatPending = 6503,         // a second asterisk while a repeat count is pending
  kCharacterForReal = 6504,      // a character constant or parenthesised pair read for a real
};

// Floating-point traps (letter M). The value is the number shown.
enum class MathError : int {
  kInvalidOperation = 6101,
  kDivisionByZero = 6103,
  kOverflow = 6104,
};

// The statement a report names.
enum class Statement {
  kOpen,    // ": OPEN(" name ")"
  kRead,    // ": READ(" name ")"
  kWrite,   // ": WRITE(" name ")"
  kMath,    // ": MATH", without a name
  kCaller,  // in the table only: the error arises in several statements; the caller names it
};

// The cases that share their number with another error but are described
// apart. kUsual marks the row of the number itself.
enum class ErrorCase {
  kUsual,
  kNameTooLong,  // 6412: a name longer than 259 characters, refused before any open
};

struct RuntimeErrorEntry {
  char kind;                    // 'F' or 'M'
  int number;                   // shown in four digits
  Statement statement;          // where the error always arises, or kCaller
  std::string_view description; // shown after "- "
  ErrorCase error_case = ErrorCase::kUsual;
};

inline constexpr RuntimeErrorEntry kRuntimeErrors[] = {
    {'F', 6100, Statement::kRead, "integer overflow in repeat count"},
    {'F', 6101, Statement::kRead, "invalid repeat count"},
    {'F', 6102, Statement::kRead, "real value out of range"},
    {'F', 6103, Statement::kRead, "invalid real number"},
    {'F', 6104, Statement::kRead, "real value too large for single precision"},
    {'F', 6200, Statement::kRead, "format not understood for input"},
    {'F', 6314, Statement::kCaller, "invalid unit number"},
    {'F', 6407, Statement::kRead, "input line too long"},
    {'F', 6412, Statement::kOpen, "invalid file name"},
    {'F', 6412, Statement::kOpen, "file name too long", ErrorCase::kNameTooLong},  // then ": N characters, at most 259"
    {'F', 6414, Statement::kOpen, "access denied"},
    {'F', 6416, Statement::kOpen, "file not found"},
    {'F', 6417, Statement::kOpen, "too many open files"},
    {'F', 6418, Statement::kOpen, "cannot open file"},
    {'F', 6419, Statement::kWrite, "console output could not be written"},
    {'F', 6500, Statement::kRead, "read failed"},
    {'F', 6501, Statement::kCaller, "end of file encountered"},
    {'F', 6502, Statement::kRead, "repeat count of zero"},
    {'F', 6503, Statement::kRead, "repeat count already pending"},
    {'F', 6504, Statement::kRead, "character or complex value where a real was expected"},
    {'M', 6101, Statement::kMath, "floating-point error: invalid operation"},
    {'M', 6103, Statement::kMath, "floating-point error: division by zero"},
    {'M', 6104, Statement::kMath, "floating-point error: overflow"},
};

// The usual entry of a kind and number; null for a number the table does
// not hold.
constexpr const RuntimeErrorEntry* FindRuntimeError(char kind, int number) {
  for (const RuntimeErrorEntry& entry : kRuntimeErrors) {
    if (entry.kind == kind && entry.number == number && entry.error_case == ErrorCase::kUsual) return &entry;
  }
  return nullptr;
}

// The entry of a case described apart.
constexpr const RuntimeErrorEntry& Entry(ErrorCase error_case) {
  for (const RuntimeErrorEntry& entry : kRuntimeErrors) {
    if (entry.error_case == error_case) return entry;
  }
  return kRuntimeErrors[0];  // unreachable for a case the table lists
}

constexpr const RuntimeErrorEntry* FindRuntimeError(RuntimeError error) {
  return FindRuntimeError('F', static_cast<int>(error));
}

constexpr const RuntimeErrorEntry& Entry(MathError error) { return *FindRuntimeError('M', static_cast<int>(error)); }

// The description of an I/O error; "input/output error" for a number that is
// not in the table.
constexpr std::string_view Description(RuntimeError error) {
  const RuntimeErrorEntry* entry = FindRuntimeError(error);
  return entry != nullptr ? entry->description : "input/output error";
}

// The text that follows the number: ": OPEN(", ": READ(", ": WRITE(", ": MATH".
constexpr std::string_view StatementText(Statement statement) {
  switch (statement) {
    case Statement::kOpen: return ": OPEN(";
    case Statement::kRead: return ": READ(";
    case Statement::kWrite: return ": WRITE(";
    case Statement::kMath: return ": MATH";
    case Statement::kCaller: break;
  }
  return ": ";
}

}  // namespace zel::runtime
