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
//   OneBased suberr(suberr_first);
//   suberr(nparts) = error2;                  // element nparts - 1
#pragma once

#include <cstdint>

namespace zel::integration {

// The value of a double expression as it is stored in a single variable.
inline float Single(double value) { return static_cast<float>(value); }

// A single operand widened, so that the expression it starts is evaluated
// in double.
inline double Wide(float value) { return value; }

template <typename T>
class OneBased {
 public:
  explicit OneBased(T* first) : first_(first) {}
  T& operator()(std::int32_t k) const { return first_[k - 1]; }

 private:
  T* first_;
};

// x^1.5 for 0 < x < 2^600, correctly rounded and the same on every
// platform (the 21-point rule's error scaling).
double ThreeHalvesPower(double x);

// How many leading positions of the error ordering are kept in order when
// nparts of at most maxsub subintervals are in use.
std::int32_t MaintainedLength(std::int32_t maxsub, std::int32_t nparts);

}  // namespace zel::integration
