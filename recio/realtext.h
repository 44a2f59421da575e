// The free-form text of a single-precision real, and the seven-digit
// rounding that the message service shares with it.
//
//   RealText(12.5f)     -> "12.500000"       (fixed form, 1 <= E <= 7)
//   RealText(0.5f)      -> "5.000000E-01"    (exponent form)
//   RealText(-0.0f)     -> "0.000000E+00"    (zero has no sign)
//   RealText(INFINITY)  -> "1#INF........"   (markers padded with '.' to 13)
//
// The digits come from the exact value rounded to 17 significant digits;
// then only the 8th digit decides the seventh: 5 to 9 round up (a carry may
// run through all seven nines), 0 to 4 cut. So 2^-11 = 4.8828125e-04 prints
// 4.882813E-04, and the float with bits 0x38D1B717 (9.99999974e-05) prints
// 1.000000E-04.
//
// Nothing here raises a floating-point exception: infinities and NaNs are
// told apart from their bits before the value is touched as a number, and a
// signalling NaN is never converted.
#pragma once

#include <cstddef>
#include <string>

namespace zel::recio {

// A single-precision value rounded to seven significant digits, as the
// free-form real text shows it: |x| = 0.d1d2...d7 x 10^exponent.
struct RoundedReal {
  enum class Kind { kFinite, kInfinity, kDefaultNaN, kOtherNaN };
  Kind kind = Kind::kFinite;
  bool negative = false;  // never set for zero or for non-finite values
  bool zero = false;
  char digits[7] = {'0', '0', '0', '0', '0', '0', '0'};
  int exponent = 0;         // after rounding (a carry through nines raises it)
  int exponent_before = 0;  // as found before rounding; chooses fixed or exponent form
};

// 17 correctly rounded significant digits, then the 8th decides (5 to 9
// round up, a carry may run through all seven digits). Zero gives zero =
// true, digits "0000000" and exponent 0. The default NaN of the processor is
// the one with the sign bit set and only the quiet bit in its fraction.
RoundedReal RoundReal(float value);

// Room for any text FormatRealText writes. Single precision stays within
// 15 characters; a hand-made RoundedReal may need a few more.
inline constexpr std::size_t kRealTextMax = 24;

// Writes the free-form text of `rounded` to `out` (at least kRealTextMax
// bytes) and returns its length. An exponent magnitude above 99 (which
// single precision never reaches) is written in three digits without the
// letter "E"; magnitudes beyond 999 are held at 999.
std::size_t FormatRealText(const RoundedReal& rounded, char* out);

// The free-form text of a real, without its field padding.
std::string RealText(float value);

}  // namespace zel::recio
