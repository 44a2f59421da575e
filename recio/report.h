// Run-time error reports of the record layer, with their descriptions.
//
//   IoError(6416, IoStatement::kOpen, "data.txt");
//   -> stderr "\r\nrun-time error F6416: OPEN(data.txt)\r\n- <description>\r\n", exit 1
#pragma once

#include <cstdint>
#include <string_view>

namespace zel::recio {

enum class IoStatement { kOpen, kRead, kWrite };

// The short plain-English description shown after "- " for a number.
std::string_view IoErrorDescription(int number);

[[noreturn]] void IoError(int number, IoStatement statement, std::string_view name);

// The same with a description of the case at hand instead of the number's.
[[noreturn]] void IoError(int number, IoStatement statement, std::string_view name, std::string_view description);

// Run-time error 6314 for a unit number no statement can use, named by its
// decimal text: ": WRITE(40000)".
[[noreturn]] void InvalidUnit(std::int32_t number, IoStatement statement);

}  // namespace zel::recio
