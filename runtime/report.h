// The run-time error report: the one way a run ends after an I/O failure or
// a floating-point trap.
//
// On standard error: CR LF, "run-time error ", the kind letter ('F' for
// I/O, 'M' for math) and the number in four digits, the statement text
// (": OPEN(", ": READ(" or ": MATH"), the name and ")" when the statement
// names one, CR LF, "- " and the description when there is one, CR LF.
// Before it, the process-end hook flushes the console and ends an open line.
// Then the process ends with exit status 1.
//
//   RuntimeErrorExit('F', 6416, ": OPEN(", "data.txt", "file not found");
//   -> "\r\nrun-time error F6416: OPEN(data.txt)\r\n- file not found\r\n"
//
// Composes into a fixed buffer without allocating: async-signal-safe, so the
// floating-point trap handler can use it.
#pragma once

#include <string_view>

#include "runtime/error_table.h"

namespace zel::runtime {

// `statement` is ": OPEN(" or ": READ(" (the name and ")" follow) or a
// statement without a name such as ": MATH" (pass has_name = false).
[[noreturn]] void RuntimeErrorExit(char kind, int number, std::string_view statement, std::string_view name,
                                   std::string_view description, bool has_name = true);

// The report of an I/O error of the table, in the statement given.
[[noreturn]] void RuntimeErrorExit(RuntimeError error, Statement statement, std::string_view name);

// The report of a case described apart, in its row's statement: the row's
// description, ": " and the detail of the case at hand.
//
//   RuntimeErrorExit(ErrorCase::kNameTooLong, name, "300 characters, at most 259");
//   -> "- file name too long: 300 characters, at most 259"
[[noreturn]] void RuntimeErrorExit(ErrorCase error_case, std::string_view name, std::string_view detail);

// The math report of a floating-point trap: ": MATH" and its description.
[[noreturn]] void RuntimeErrorExit(MathError error);

// The report text itself, for tests: what RuntimeErrorExit writes to
// standard error. Returns the length written into `out` (at most `capacity`).
std::size_t FormatRuntimeError(char* out, std::size_t capacity, char kind, int number, std::string_view statement,
                               std::string_view name, std::string_view description, bool has_name = true);

}  // namespace zel::runtime
