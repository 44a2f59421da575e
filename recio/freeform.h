// Free-form reading of values: cutting records into tokens, repeat counts,
// null values, the slash, and the conversion of a token to a real.
// Private to the record layer.
//
// Nothing here ends the run: every function returns a status (0, kEndOfFile,
// or the run-time error number of the failure), and the read statements
// decide what to do with it. So one pair is read as
//
//   FreeFormState state;                       // one per statement
//   int status = ScanReal(stream, state, t);   // 0: t holds the value (or kept its own)
//   if (status == 0) status = ScanReal(stream, state, c);
//   if (status == 0) status = FinishRecord(stream, state);
//
// Tokens: values are separated by blanks, tabs, line ends and commas; a
// comma right after a blank-ended value joins that blank (‹1.0 , 2.0› is two
// values), while ‹,,› or a leading comma gives an empty token, a null value
// that leaves its item unchanged. A slash ends the statement's values. ‹r*v›
// stands for r copies of v; ‹r*› directly followed by a separator, r nulls.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "recio/input.h"
#include "recio/stream.h"

namespace zel::recio {

inline constexpr std::size_t kTokenCapacity = 520;

// The state of one free-form read statement.
struct FreeFormState {
  enum class Separator { kComma, kBlank, kSlash };
  std::int32_t pending = 0;         // items still owed the last token by a repeat count
  Separator previous = Separator::kComma;
  bool slash = false;               // a slash was read: no further item gets a value
  bool record_finished = false;     // the last token was ended by a line end
  std::size_t token_size = 0;       // the last token, which a repeat count serves again
  char token[kTokenCapacity] = {};
};

// Makes `state` that of a statement that has read nothing yet.
void StartStatement(FreeFormState& state);

// The value for one real item. `variable` changes only when a value is found.
int ScanReal(ByteStream& stream, FreeFormState& state, float& variable);

// The value for one character item: the token's characters, blank-padded
// or cut to `length`; quotes are taken as ordinary characters.
int ScanCharacter(ByteStream& stream, FreeFormState& state, char* variable, std::size_t length);

// The end of the statement: the rest of the record is skipped unless the
// last token already ended it.
int FinishRecord(ByteStream& stream, FreeFormState& state);

// Converts a whole token to a single-precision value: optional sign; digits
// with an optional point and more digits, or a point and digits; optional
// exponent (E, e, D or d, optional sign, digits; or a sign and digits right
// after the mantissa, so ‹1.5-3› is 0.0015). Returns 0 with `value` set,
// kNotANumber (6103) for anything that is not such a number, kBeyondDouble
// (6102) beyond the double range, kBeyondSingle (6104) beyond the single
// range; a value too small for single precision becomes a subnormal or zero.
// Raises no floating-point exception that traps.
int ConvertReal(std::string_view token, float& value);

}  // namespace zel::recio
