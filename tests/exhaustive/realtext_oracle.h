// An independent reference for the free-form real text, for tests only.
//
// It takes 17 significant digits from the C library's "%.16e" (exact in
// glibc), does the seven-digit rounding in 64-bit integer arithmetic, and
// composes the text with integer printing: no code shared with the product.
#pragma once

#include <bit>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace zel::test {

inline std::string OracleRealText(std::uint32_t bits) {
  const std::uint32_t exponent_bits = (bits >> 23) & 0xFF;
  const std::uint32_t fraction = bits & 0x7FFFFF;
  if (exponent_bits == 0xFF) {
    if (fraction == 0) return "1#INF........";
    return bits == 0xFFC00000u ? "1#IND........" : "1#QNAN.......";
  }
  if ((bits & 0x7FFFFFFFu) == 0) return "0.000000E+00";

  const char* sign = (bits >> 31) != 0 ? "-" : "";
  const float magnitude = std::bit_cast<float>(bits & 0x7FFFFFFFu);
  char scientific[40];
  std::snprintf(scientific, sizeof scientific, "%.16e", static_cast<double>(magnitude));
  // "d.dddddddddddddddde+XX": the 17 digits as one integer M, |x| = 0.M x 10^E.
  std::uint64_t m = static_cast<std::uint64_t>(scientific[0] - '0');
  for (int i = 2; i <= 17; ++i) m = m * 10 + static_cast<std::uint64_t>(scientific[i] - '0');
  const int e = std::atoi(scientific + 19) + 1;

  std::uint64_t q = m / 10000000000ull;           // the first seven digits
  const std::uint64_t eighth = (m / 1000000000ull) % 10;
  int e_rounded = e;
  if (eighth >= 5) ++q;
  if (q == 10000000ull) {
    q = 1000000ull;
    ++e_rounded;
  }

  char text[40];
  if (e >= 1 && e <= 7) {
    // q x 10^(E-7) with six decimals: scale to millionths, q x 10^(E-1).
    std::uint64_t millionths = q;
    for (int i = 1; i < e_rounded; ++i) millionths *= 10;
    std::snprintf(text, sizeof text, "%s%llu.%06llu", sign, static_cast<unsigned long long>(millionths / 1000000),
                  static_cast<unsigned long long>(millionths % 1000000));
  } else {
    const int shown = e_rounded - 1;
    std::snprintf(text, sizeof text, "%s%llu.%06lluE%c%02d", sign, static_cast<unsigned long long>(q / 1000000),
                  static_cast<unsigned long long>(q % 1000000), shown < 0 ? '-' : '+', shown < 0 ? -shown : shown);
  }
  return text;
}

}  // namespace zel::test
