// Machine constants: the integer and floating-point model (IMACH), the real
// constants of single precision (AMACH) and the unit table (UMACH).
#include <array>
#include <bit>
#include <cstdint>
#include <string>

#include "errors/errors.h"
#include "errors/internal.h"

namespace zel::errors {
namespace {

constexpr std::array<std::int32_t, 12> kIntegerConstants = {
    32,           // bits per integer storage unit
    4,            // characters per integer storage unit
    2,            // base of integer arithmetic
    31,           // base-2 digits of an integer, sign excluded
    2147483647,   // largest integer
    2,            // base of floating-point arithmetic
    24,           // base-2 digits of the single-precision significand
    -125,         // smallest single-precision exponent (x = f * 2^e, 1/2 <= f < 1)
    128,          // largest single-precision exponent
    53,           // base-2 digits of the double-precision significand
    -1021,        // smallest double-precision exponent
    1024,         // largest double-precision exponent
};

// Given as bit patterns so that no decimal rounding is involved.
constexpr std::array<std::uint32_t, 8> kRealConstantBits = {
    0x00800000u,  // 2^-126, smallest positive normalised number
    0x7F7FFFFFu,  // largest finite number
    0x33800000u,  // 2^-24, smallest relative spacing
    0x34000000u,  // 2^-23, largest relative spacing (machine epsilon)
    0x3E9A209Bu,  // log10(2)
    0x7FC00000u,  // quiet NaN
    0x7F800000u,  // +infinity
    0xFF800000u,  // -infinity
};

constexpr std::array<std::int32_t, 3> kInitialUnits = {5, 6, 6};
std::array<std::int32_t, 3> g_units = kInitialUnits;

// The fixed report of IMACH and UMACH: written without the message service,
// whose state stays untouched, and followed by the stop.
[[noreturn]] void ReportBadIndex(std::int32_t unit, std::string_view first, std::string_view second,
                                 std::string_view third) {
  internal::WriteRecord(unit, "");
  internal::WriteRecord(unit, first);
  internal::WriteRecord(unit, second);
  internal::WriteRecord(unit, third);
  internal::WriteRecord(unit, "");
  internal::StopAfterError();
}

}  // namespace

std::int32_t IMACH(std::int32_t n) {
  if (n >= 1 && n <= 12) return kIntegerConstants[static_cast<std::size_t>(n - 1)];
  std::int32_t unit = 0;
  UMACH(2, unit);
  ReportBadIndex(unit, " *** TERMINAL ERROR 5 from IMACH.  The argument",
                 " ***          must be between 1 and 12 inclusive.",
                 " ***          N = " + internal::RightJustified(n, 6) + ".");
}

void UMACH(std::int32_t n, std::int32_t& unit) {
  // In 64 bits, so that the magnitude of the most negative index exists.
  std::int64_t magnitude = n < 0 ? -static_cast<std::int64_t>(n) : n;
  if (magnitude >= 1 && magnitude <= 3) {
    std::int32_t& entry = g_units[static_cast<std::size_t>(magnitude - 1)];
    if (n > 0) {
      unit = entry;
    } else {
      entry = unit;
    }
    return;
  }
  ReportBadIndex(g_units[2], " *** TERMINAL ERROR 5 from UMACH.  The absolute",
                 " ***          value of the index variable must be",
                 " ***          1, 2, or 3.  IABS(N) = " + internal::RightJustified(magnitude, 6) + ".");
}

float AMACH(std::int32_t n) {
  if (n >= 1 && n <= 8) return std::bit_cast<float>(kRealConstantBits[static_cast<std::size_t>(n - 1)]);
  E1PSH("AMACH ");
  E1PRMI(1, n);
  E1MES(5, 5, "The argument must be between 1 and 8 inclusive. N = %(I1)");
  E1POP("AMACH ");  // a terminal error: the pop stops the program
  return std::bit_cast<float>(kRealConstantBits[5]);
}

namespace internal {

void ResetUnits() { g_units = kInitialUnits; }

}  // namespace internal
}  // namespace zel::errors
