#include "recio/realtext.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cstdint>
#include <cstring>

namespace zel::recio {
namespace {

constexpr std::uint32_t kSignBit = 0x80000000u;
constexpr std::uint32_t kExponentMask = 0x7F800000u;
constexpr std::uint32_t kFractionMask = 0x007FFFFFu;
constexpr std::uint32_t kQuietBit = 0x00400000u;

// Infinities and NaNs, decided from the bits alone.
RoundedReal::Kind Classify(std::uint32_t bits) {
  if ((bits & kExponentMask) != kExponentMask) return RoundedReal::Kind::kFinite;
  std::uint32_t fraction = bits & kFractionMask;
  if (fraction == 0) return RoundedReal::Kind::kInfinity;
  fraction |= kQuietBit;  // a signalling NaN is looked at as its quiet form
  return (bits & kSignBit) != 0 && fraction == kQuietBit ? RoundedReal::Kind::kDefaultNaN
                                                         : RoundedReal::Kind::kOtherNaN;
}

}  // namespace

RoundedReal RoundReal(float value) {
  RoundedReal rounded;
  const auto bits = std::bit_cast<std::uint32_t>(value);
  rounded.kind = Classify(bits);
  if (rounded.kind != RoundedReal::Kind::kFinite) return rounded;
  if ((bits & ~kSignBit) == 0) {
    rounded.zero = true;
    return rounded;
  }
  rounded.negative = (bits & kSignBit) != 0;

  // The exact value of a float is a double; precision 16 in scientific form
  // gives its 17 correctly rounded significant digits: "d.dddddddddddddddde+XX".
  const double magnitude = std::bit_cast<float>(bits & ~kSignBit);
  char text[32];
  const auto [end, error] = std::to_chars(text, text + sizeof text, magnitude, std::chars_format::scientific, 16);
  (void)error;  // 32 bytes always suffice for 17 digits and a 3-digit exponent
  // text[0] is the first digit, text[1] the point, text[2..17] the other 16.
  char first_eight[8] = {text[0], text[2], text[3], text[4], text[5], text[6], text[7], text[8]};
  const char* exponent_text = text + 19;  // after "e"; from_chars takes "-" but not "+"
  if (*exponent_text == '+') ++exponent_text;
  int scientific_exponent = 0;
  std::from_chars(exponent_text, end, scientific_exponent);

  rounded.exponent_before = scientific_exponent + 1;
  rounded.exponent = rounded.exponent_before;
  std::memcpy(rounded.digits, first_eight, 7);
  if (first_eight[7] >= '5') {
    int i = 6;
    while (i >= 0 && rounded.digits[i] == '9') rounded.digits[i--] = '0';
    if (i >= 0) {
      ++rounded.digits[i];
    } else {
      rounded.digits[0] = '1';
      ++rounded.exponent;
    }
  }
  return rounded;
}

std::size_t FormatRealText(const RoundedReal& rounded, char* out) {
  char* p = out;
  auto pad_to_13 = [&](const char* marker) {
    std::size_t length = std::strlen(marker);
    std::memcpy(out, marker, length);
    std::memset(out + length, '.', 13 - length);
    return std::size_t{13};
  };
  switch (rounded.kind) {
    case RoundedReal::Kind::kInfinity: return pad_to_13("1#INF");
    case RoundedReal::Kind::kDefaultNaN: return pad_to_13("1#IND");
    case RoundedReal::Kind::kOtherNaN: return pad_to_13("1#QNAN");
    case RoundedReal::Kind::kFinite: break;
  }
  if (rounded.negative) *p++ = '-';
  // The digit at a position of D; past the seven kept digits, "0".
  auto digit = [&](int position) { return position < 7 ? rounded.digits[position] : '0'; };

  const bool fixed = !rounded.zero && rounded.exponent_before >= 1 && rounded.exponent_before <= 7 &&
                     rounded.exponent >= 1 && rounded.exponent <= 8;
  if (fixed) {
    int position = 0;
    while (position < rounded.exponent) *p++ = digit(position++);
    *p++ = '.';
    for (int i = 0; i < 6; ++i) *p++ = digit(position++);
    return static_cast<std::size_t>(p - out);
  }

  *p++ = digit(0);
  *p++ = '.';
  for (int position = 1; position < 7; ++position) *p++ = digit(position);
  const int exponent = rounded.zero ? 0 : std::clamp(rounded.exponent, -998, 1000) - 1;
  const int magnitude = exponent < 0 ? -exponent : exponent;
  if (magnitude <= 99) *p++ = 'E';
  *p++ = exponent < 0 ? '-' : '+';
  if (magnitude < 10) *p++ = '0';  // at least two digits
  p = std::to_chars(p, out + kRealTextMax, magnitude).ptr;
  return static_cast<std::size_t>(p - out);
}

std::string RealText(float value) {
  char text[kRealTextMax];
  return std::string(text, FormatRealText(RoundReal(value), text));
}

}  // namespace zel::recio
