// Run-time error reports of the record layer. Numbers, statements and
// descriptions come from the one table in runtime/error_table.h.
//
//   IoError(RuntimeError::kFileNotFound, "data.txt");
//   -> stderr "\r\nrun-time error F6416: OPEN(data.txt)\r\n- file not found\r\n", exit 1
#pragma once

#include <cstdint>
#include <string_view>

#include "runtime/error_table.h"

namespace zel::recio {

using runtime::RuntimeError;
using IoStatement = runtime::Statement;

// The report of an error in the statement the table gives for it.
[[noreturn]] void IoError(RuntimeError error, std::string_view name);

// The report in the statement given, for the errors that arise in several
// statements (6314, 6501).
[[noreturn]] void IoError(RuntimeError error, IoStatement statement, std::string_view name);

// The report of a case described apart (a name too long): the case's
// description, then ": " and `detail`.
[[noreturn]] void IoError(runtime::ErrorCase error_case, std::string_view name, std::string_view detail);

// Run-time error 6314 for a unit number no statement can use, named by its
// decimal text: ": WRITE(40000)".
[[noreturn]] void InvalidUnit(std::int32_t number, IoStatement statement);

}  // namespace zel::recio
