// Machine constants: the integer and floating-point model (IMACH), the real
// constants of single precision (AMACH) and the unit table (UMACH).
#include <array>
#include <bit>
#include <cstdint>
#include <limits>
#include <string>

#include "errors/errors.h"
#include "errors/internal.h"

namespace zel::errors {
namespace {

using Single = std::numeric_limits<float>;
using Double = std::numeric_limits<double>;
using Integer = std::numeric_limits<std::int32_t>;

constexpr std::array<std::int32_t, 12> kIntegerConstants = {
    32,                     // bits per integer storage unit
    4,                      // characters per integer storage unit
    Integer::radix,         // base of integer arithmetic
    Integer::digits,        // base-2 digits of an integer, sign excluded
    Integer::max(),         // largest integer
    Single::radix,          // base of floating-point arithmetic
    Single::digits,         // base-2 digits of the single-precision significand
    Single::min_exponent,   // smallest single-precision exponent (x = f * 2^e, 1/2 <= f < 1)
    Single::max_exponent,   // largest single-precision exponent
    Double::digits,         // base-2 digits of the double-precision significand
    Double::min_exponent,   // smallest double-precision exponent
    Double::max_exponent,   // largest double-precision exponent
};
static_assert(kIntegerConstants == std::array<std::int32_t, 12>{32, 4, 2, 31, 2147483647, 2, 24, -125, 128, 53,
                                                                -1021, 1024});

// log10(2) is the one value <limits> does not give: as a bit pattern, so
// that no decimal rounding is involved.
constexpr float kLog10Of2 = std::bit_cast<float>(std::uint32_t{0x3E9A209Bu});

constexpr std::array<float, 8> kRealConstants = {
    Single::min(),          // 2^-126, smallest positive normalised number
    Single::max(),          // largest finite number
    Single::epsilon() / 2,  // 2^-24, smallest relative spacing
    Single::epsilon(),      // 2^-23, largest relative spacing (machine epsilon)
    kLog10Of2,              // log10(2)
    Single::quiet_NaN(),    // quiet NaN
    Single::infinity(),     // +infinity
    -Single::infinity(),    // -infinity
};

// The bit patterns a report shows, fixed whatever the library provides.
constexpr std::uint32_t Bits(std::size_t row) { return std::bit_cast<std::uint32_t>(kRealConstants[row]); }
static_assert(Bits(0) == 0x00800000u && Bits(1) == 0x7F7FFFFFu && Bits(2) == 0x33800000u &&
              Bits(3) == 0x34000000u && Bits(4) == 0x3E9A209Bu && Bits(5) == 0x7FC00000u &&
              Bits(6) == 0x7F800000u && Bits(7) == 0xFF800000u);

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
  if (n >= 1 && n <= 8) return kRealConstants[static_cast<std::size_t>(n - 1)];
  E1PSH("AMACH ");
  E1PRMI(1, n);
  E1MES(ErrorType::kTerminal, 5, "The argument must be between 1 and 8 inclusive. N = %(I1)");
  E1POP("AMACH ");  // a terminal error: the pop stops the program
  return kRealConstants[5];
}

namespace internal {

void ResetUnits() { g_units = kInitialUnits; }

}  // namespace internal
}  // namespace zel::errors
