// Units name connections: the default unit `*`, or a unit number.
// For output, `*`, 6 and 0 are the console; for input, `*`, 5 and 0 are the
// console and 4 is the data file once it is connected.
#pragma once

#include <cstdint>

namespace zel::recio {

struct Unit {
  bool is_default = true;
  std::int32_t number = 0;

  static constexpr Unit Default() { return Unit{true, 0}; }
  static constexpr Unit Number(std::int32_t n) { return Unit{false, n}; }
};

inline constexpr Unit kDefaultUnit = Unit::Default();
inline constexpr std::int32_t kDataFileUnit = 4;

// Unit numbers a statement accepts; any other ends the run with 6314.
inline constexpr std::int32_t kLargestUnit = 32767;
constexpr bool UnitNumberInRange(std::int32_t number) { return number >= -kLargestUnit && number <= kLargestUnit; }

}  // namespace zel::recio
