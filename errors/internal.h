// Pieces shared by the service's own source files (and its tests): the
// record layout of a message, the console records, the stop after an error,
// the text forms of parameters.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "errors/errors.h"

namespace zel::errors::internal {

// Routine name of a level: all 32 characters, blank-padded.
std::string_view LevelName(const ServiceState& state, std::int32_t level);

// Stores a routine name on a level, blank-padded or cut to 32 characters.
void SetLevelName(ServiceState& state, std::int32_t level, std::string_view name);

// Text without its trailing blanks.
std::string_view TrimTrailingBlanks(std::string_view text);

// Makes `text` the pending message text (cut to 1024 characters).
void SetPendingText(ServiceState& state, std::string_view text);

// The records that E1SHOW writes for the current state: an empty record,
// the header record, continuation records and, with two or more routines
// above "USER", the traceback. Empty when no text is pending. Every record
// starts with its carriage-control blank.
std::vector<std::string> ShowRecords(const ServiceState& state);

// Writes one formatted "(A)" record to a unit.
void WriteRecord(std::int32_t unit, std::string_view record);

// The stop after an error: the stop message and exit status 2.
[[noreturn]] void StopAfterError();

// Decimal integer right-justified in `width` columns; asterisks when it
// does not fit.
std::string RightJustified(std::int64_t value, int width);

// The texts of integer and real message parameters: 500, -12;
// 2.5 -> "2.500000E+00", 0 and NaN -> ".000000E+00", infinities
// "Infinity" and "-Infinity".
std::string IntegerText(std::int64_t value);
std::string RealParameterText(float value);

// Restores the unit table to 5, 6, 6.
void ResetUnits();

}  // namespace zel::errors::internal
