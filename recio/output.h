// Console output records.
//
// An output statement is BeginWrite, one Put call per item in order, and
// EndWrite. Every record starts with a carriage-control character that is
// not shown; the line end of a record is written when the next one begins.
//
//   BeginWrite(kDefaultUnit);                 // free-form
//   PutCharacter("Area under the curve (peak area?) =");
//   PutReal(12.5f);
//   EndWrite();   // CR LF (if a line is open), the 35 characters, "      12.500000"
//
//   BeginWrite(kDefaultUnit, "(' Please enter the name of your data file: ',$)");
//   EndWrite();   // the prompt; the reply is typed on the same line
//
// Units `*`, 6 and 0 write the console; a unit number outside
// -32767..32767 ends the run with run-time error 6314.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "recio/unit.h"

namespace zel::recio {

void BeginWrite(Unit unit);                          // free-form statement
void BeginWrite(Unit unit, std::string_view format);  // formatted statement
void PutCharacter(std::string_view text);
void PutReal(float value);
void PutInteger(std::int32_t value);
int EndWrite();

// A single-precision value rounded to seven significant digits, as the
// free-form real text shows it: |x| = 0.d1d2...d7 x 10^exponent.
struct RoundedReal {
  enum class Kind { kFinite, kInfinity, kDefaultNaN, kOtherNaN };
  Kind kind = Kind::kFinite;
  bool negative = false;  // never set for zero or for non-finite values
  bool zero = false;
  char digits[7] = {'0', '0', '0', '0', '0', '0', '0'};
  int exponent = 0;           // after rounding (a carry through nines raises it)
  int exponent_before = 0;    // as found before rounding; chooses fixed or exponent form
};

// 17 correctly rounded significant digits, then the 8th decides (5 to 9
// round up, a carry may run through all seven digits).
RoundedReal RoundReal(float value);

// The free-form text of a real, without its field padding:
// 12.5 -> "12.500000", 0.5 -> "5.000000E-01", infinity -> "1#INF........".
std::string RealText(float value);

// Tests: forget any statement in progress (the console is reset separately).
void ResetOutput();

}  // namespace zel::recio
