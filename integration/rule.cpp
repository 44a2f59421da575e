// The 21-point Gauss-Kronrod rule over one interval, with its error
// estimate and the two auxiliary integrals that the core's roundoff and
// sign tests use; and the machine constants of the integration routines.
#include <algorithm>
#include <array>
#include <cmath>

#include "errors/errors.h"
#include "integration/internal.h"
#include "integration/gauss_kronrod.h"
#include "integration/integration.h"

namespace zel::integration {
namespace {

constexpr int kCentre = 10;  // index of the centre in kXgk and kWgk
constexpr int kPairs = 5;    // Gauss pairs, and Kronrod pairs

// The integrand at the two nodes centre - offset and centre + offset, left
// first, called as user code. Each argument is rounded to a single before
// the call.
struct NodePair {
  float left;
  float right;
};

NodePair EvaluatePair(Integrand f, float centre, float offset) {
  const float x_left = Single(Wide(centre) - offset);
  const float x_right = Single(Wide(centre) + offset);
  errors::E1USR("ON");
  const float left = f(x_left);
  const float right = f(x_right);
  errors::E1USR("OFF");
  return {left, right};
}

// The exact product a * b as an unevaluated sum hi + lo, from ordinary
// multiplications: each factor is split into two halves of 26 bits, whose
// products are exact.
void ExactProduct(double a, double b, double& hi, double& lo) {
  constexpr double kSplit = 134217729.0;  // 2^27 + 1
  const double ta = kSplit * a;
  const double a_hi = ta - (ta - a);
  const double a_lo = a - a_hi;
  const double tb = kSplit * b;
  const double b_hi = tb - (tb - b);
  const double b_lo = b - b_hi;
  hi = a * b;
  lo = ((a_hi * b_hi - hi) + a_hi * b_lo + a_lo * b_hi) + a_lo * b_lo;
}

}  // namespace

// x^1.5 as x times sqrt(x), with the rounding errors of the square root
// and of the product carried to the last addition: the sum before that
// rounding is good to about 100 bits. Only correctly rounded operations
// are used, so every platform gets the same bits, where the libraries' pow
// functions differ in the last bit now and then.
double ThreeHalvesPower(double x) {
  const double root = std::sqrt(x);
  double square_hi = 0.0;
  double square_lo = 0.0;
  ExactProduct(root, root, square_hi, square_lo);
  // root + root_error is the square root to about twice double precision.
  const double root_error = ((x - square_hi) - square_lo) / (2.0 * root);
  double product_hi = 0.0;
  double product_lo = 0.0;
  ExactProduct(x, root, product_hi, product_lo);
  return product_hi + (product_lo + x * root_error);
}

void QMCONS(float& epsm, float& undfl, float& ovrfl) {
  epsm = errors::AMACH(4);
  undfl = errors::AMACH(1);
  ovrfl = errors::AMACH(2);
}

void QRULE21(Integrand f, float a, float b, float& result, float& abserr, float& absint, float& devint) {
  float epsm = 0.0f, undfl = 0.0f, ovrfl = 0.0f;
  QMCONS(epsm, undfl, ovrfl);

  const float centre = Single((Wide(b) + a) * 0.5);
  const float halfw = Single((Wide(b) - a) * 0.5);  // signed: b < a integrates backwards
  const float abs_halfw = std::fabs(halfw);

  // The integrand at the non-centre nodes, by node index, for the
  // deviation integral at the end.
  std::array<float, kCentre> left{};
  std::array<float, kCentre> right{};

  errors::E1USR("ON");
  const float fc = f(centre);
  errors::E1USR("OFF");

  float gsum = 0.0f;  // the Gauss rule has no node at the centre
  float ksum = Single(Wide(fc) * kWgk[kCentre]);
  float asum = std::fabs(ksum);

  // One pair of nodes at centre -+ halfw * XGK(k): evaluated, kept for the
  // deviation integral, added to the Kronrod sums; returns f1 + f2.
  auto add_pair = [&](int k) {
    const float offset = Single(Wide(halfw) * kXgk[k]);
    const NodePair values = EvaluatePair(f, centre, offset);
    left[k] = values.left;
    right[k] = values.right;
    const float s = Single(Wide(values.left) + values.right);
    ksum = Single(ksum + Wide(kWgk[k]) * s);
    asum = Single(asum + Wide(kWgk[k]) * (std::fabs(Wide(values.left)) + std::fabs(Wide(values.right))));
    return s;
  };

  // Gauss nodes, from the outermost inwards; they belong to both rules.
  for (int j = 0; j < kPairs; ++j) {
    const float s = add_pair(2 * j + 1);
    gsum = Single(gsum + Wide(kWg[j]) * s);
  }

  // Kronrod nodes, from the outermost inwards.
  for (int j = 0; j < kPairs; ++j) add_pair(2 * j);

  // The integral of |f - mean| over the interval, by the Kronrod weights.
  const float mean = Single(Wide(ksum) * 0.5);
  float dsum = Single(Wide(kWgk[kCentre]) * std::fabs(Wide(fc) - mean));
  for (int k = 0; k < kCentre; ++k) {
    dsum = Single(dsum + Wide(kWgk[k]) * (std::fabs(Wide(left[k]) - mean) + std::fabs(Wide(right[k]) - mean)));
  }

  result = Single(Wide(ksum) * halfw);
  absint = Single(Wide(asum) * abs_halfw);
  devint = Single(Wide(dsum) * abs_halfw);
  float error = Single(std::fabs((Wide(ksum) - gsum) * halfw));

  // A Gauss-Kronrod difference small against the deviation integral is
  // trusted more than linearly: scale it by the 1.5 power, never above the
  // deviation integral itself.
  if (devint != 0.0f && error != 0.0f) {
    error = Single(devint * std::min(1.0, ThreeHalvesPower(200.0 * error / devint)));
  }
  // No estimate below what single-precision roundoff of the sum can cause,
  // as long as that floor is a normal number.
  if (absint > Wide(undfl) / (50.0 * epsm)) {
    error = Single(std::max(50.0 * epsm * absint, Wide(error)));
  }
  abserr = error;
}

}  // namespace zel::integration
