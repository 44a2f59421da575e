// Record input: the console read of a reply with a format such as "(a10)",
// and free-form reads of reals from the data file (unit 4) or the console.
//
// A statement is BeginRead, one Get call per item, EndRead. Each returns 0
// when it completed. With the end-of-file exit requested, a call that meets
// end of file returns kEndOfFile and the caller abandons the statement (no
// further Get, no EndRead). Every other failure ends the run with the
// run-time error report (": READ(" and the connection's name) and never
// returns.
//
//   float t = 0, c = 0;
//   if (BeginRead(Unit::Number(4), /*end_of_file_exit=*/true) == 0 &&
//       GetReal(t) == 0 && GetReal(c) == 0 && EndRead() == 0) { /* a pair */ }
// Input formats hold A (A, Aw, rAw), nX and the slash; a format holding
// anything else ends the run with run-time error 6200. A free-form
// character item takes the next token as it stands, quotes included.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "recio/unit.h"

namespace zel::recio {

inline constexpr int kEndOfFile = -1;

// The longest console line (without its line end) that any read accepts, as
// long as a command line the shell takes; a longer one ends the run with
// run-time error 6407 before more of it is read.
inline constexpr std::size_t kLongestConsoleLine = 131072;

int BeginRead(Unit unit, bool end_of_file_exit);                           // free-form
int BeginRead(Unit unit, std::string_view format, bool end_of_file_exit);  // formatted
int GetCharacter(char* variable, std::size_t length);
// A formatted character read into a variable of `length` characters whose
// padding blanks are left off: `variable` holds the characters taken, as
// many as the field gave (a whole console reply costs only its own size).
int GetCharacter(std::string& variable, std::size_t length);
int GetReal(float& variable);
int EndRead();

}  // namespace zel::recio
