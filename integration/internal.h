// Helpers shared by the integration routines.
//
// Every stored real is a single; compound expressions are evaluated in
// double and rounded once, where their value is stored:
//
//   ksum = Single(ksum + Wide(weight) * s);   // one rounding, at the store
//
// The routines count subintervals and table entries from 1; OneBased views
// the caller's arrays that way:
//
//   OneBased<float> suberr(suberr_span);
//   suberr(nparts) = error2;                  // element nparts - 1
#pragma once

#include <cstdint>
#include <cstdlib>
#include <span>

namespace zel::integration {

// The value of a double expression as it is stored in a single variable.
inline float Single(double value) { return static_cast<float>(value); }

// A single operand widened, so that the expression it starts is evaluated
// in double.
inline double Wide(float value) { return value; }

// Debug and sanitizer builds check every 1-based index against the array it
// views; release builds do not pay for it.
#if !defined(NDEBUG) || defined(__SANITIZE_ADDRESS__) || defined(ZEL_SANITIZE)
inline constexpr bool kCheckIndices = true;
#else
inline constexpr bool kCheckIndices = false;
#endif

template <typename T>
class OneBased {
 public:
  explicit OneBased(std::span<T> elements) : elements_(elements) {}
  T& operator()(std::int32_t k) const {
    // Stops at the faulty access itself, before it can touch a neighbour.
    if constexpr (kCheckIndices) {
      if (k < 1 || static_cast<std::size_t>(k) > elements_.size()) std::abort();
    }
    return elements_.data()[k - 1];
  }

 private:
  std::span<T> elements_;
};

// x^1.5 for 0 < x < 2^600, correctly rounded and the same on every
// platform (the 21-point rule's error scaling).
double ThreeHalvesPower(double x);

// How many leading positions of the error ordering are kept in order when
// nparts of at most maxsub subintervals are in use.
std::int32_t MaintainedLength(std::int32_t maxsub, std::int32_t nparts);

}  // namespace zel::integration
