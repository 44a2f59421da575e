// The floating-point environment of a run: invalid operation, division by
// zero and overflow trap; underflow, inexact and denormal operands do not.
// A trap ends the run with the math report on standard error,
//   "\r\nrun-time error M6104: MATH\r\n- floating-point error: overflow\r\n"
// (6101 invalid operation, 6103 division by zero, 6104 overflow) and exit
// status 1, after the console output has been flushed and an open line ended.
#pragma once

namespace zel::fpenv {

// Installs the trap handler and unmasks the three exceptions.
void EnableTraps();

}  // namespace zel::fpenv
