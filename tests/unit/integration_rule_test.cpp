// The 21-point rule: its tables, the order and arguments of the integrand
// calls, and the error estimate's floor and edge cases.
#include <bit>
#include <cmath>
#include <cstdint>
#include <vector>

#include <gtest/gtest.h>

#include "errors/errors.h"
#include "integration/gauss_kronrod.h"
#include "integration/integration.h"
#include "integration/internal.h"
#include "tests/support/seams.h"

namespace zel::integration {
namespace {

constexpr float kEpsm = 1.1920929e-7f;  // 2^-23

std::uint32_t Bits(float x) { return std::bit_cast<std::uint32_t>(x); }

TEST(IntegrationRuleTest, TablesHoldTheSinglesNearestTheExactRule) {
  // Bit patterns of the singles nearest the exact nodes and weights,
  // computed independently to 80 digits from the Legendre and Stieltjes
  // polynomials.
  const std::uint32_t xgk[11] = {0x3F7EE363, 0x3F7951F0, 0x3F6E1ECD, 0x3F5D74CB, 0x3F47E3AC, 0x3F2DEDC9,
                                 0x3F1010DA, 0x3EDDE600, 0x3E96BAA9, 0x3E187284, 0x00000000};
  const std::uint32_t wgk[11] = {0x3C3F9ADF, 0x3D055BB5, 0x3D6047B8, 0x3D99AE67, 0x3DBEB88F, 0x3DE00660,
                                 0x3DFCE95C, 0x3E09F137, 0x3E1233DB, 0x3E1748EB, 0x3E190841};
  const std::uint32_t wg[5] = {0x3D888AFC, 0x3E1909C6, 0x3E60582D, 0x3E89DD54, 0x3E974EF4};
  for (int k = 0; k < 11; ++k) {
    SCOPED_TRACE(k + 1);
    EXPECT_EQ(Bits(kXgk[k]), xgk[k]);
    EXPECT_EQ(Bits(kWgk[k]), wgk[k]);
  }
  for (int j = 0; j < 5; ++j) {
    SCOPED_TRACE(j + 1);
    EXPECT_EQ(Bits(kWg[j]), wg[j]);
  }
}

// The rules applied to x^p on [-1, 1] in double, from the single tables.
double KronrodMoment(int p) {
  double sum = p == 0 ? kWgk[10] : 0.0;
  for (int k = 0; k < 10; ++k) sum += kWgk[k] * (std::pow(kXgk[k], p) + std::pow(-kXgk[k], p));
  return sum;
}
double GaussMoment(int p) {
  double sum = 0.0;
  for (int j = 0; j < 5; ++j) sum += kWg[j] * (std::pow(kXgk[2 * j + 1], p) + std::pow(-kXgk[2 * j + 1], p));
  return sum;
}
double ExactMoment(int p) { return p % 2 == 1 ? 0.0 : 2.0 / (p + 1); }

TEST(IntegrationRuleTest, NodesAndWeightsIntegratePolynomialsUpToTheirDegree) {
  // Exact up to the rounding of the tables to single precision.
  for (int p = 0; p <= 31; ++p) {
    SCOPED_TRACE(p);
    EXPECT_NEAR(KronrodMoment(p), ExactMoment(p), 1.0e-6 * ExactMoment(0));
    if (p <= 19) {
      EXPECT_NEAR(GaussMoment(p), ExactMoment(p), 1.0e-6 * ExactMoment(0));
    }
  }
  // Degree 20 is beyond the 10-point Gauss rule: a wrong node order would
  // not show this gap.
  EXPECT_GT(std::fabs(GaussMoment(20) - ExactMoment(20)), 1.0e-5 * ExactMoment(20));
}

std::vector<float> g_arguments;
std::vector<bool> g_user_switch;

float Recording(float x) {
  g_arguments.push_back(x);
  const errors::ServiceState& state = errors::State();
  g_user_switch.push_back(state.levusr[state.level]);
  return x * x;
}

TEST(IntegrationRuleTest, CallsTheIntegrandAtTheNodesInOrderAsUserCode) {
  errors::ResetService();
  errors::E1PSH("Q2AGS ");
  g_arguments.clear();
  g_user_switch.clear();
  float result = 0.0f, abserr = 0.0f, absint = 0.0f, devint = 0.0f;
  QRULE21(Recording, 1.0f, 3.0f, result, abserr, absint, devint);

  // Centre 2, half width 1: the centre, then the Gauss pairs from the
  // outermost inwards (left, right), then the Kronrod pairs.
  std::vector<float> expected = {2.0f};
  for (int k : {1, 3, 5, 7, 9, 0, 2, 4, 6, 8}) {
    expected.push_back(static_cast<float>(2.0 - kXgk[k]));
    expected.push_back(static_cast<float>(2.0 + kXgk[k]));
  }
  EXPECT_EQ(g_arguments, expected);
  EXPECT_EQ(g_user_switch, std::vector<bool>(21, true));
  EXPECT_FALSE(errors::State().levusr[errors::State().level]);  // switched off again
  EXPECT_NEAR(result, 26.0f / 3.0f, 2.0e-6f);
  errors::E1POP("Q2AGS ");
}

int g_calls = 0;
float Zero(float) {
  ++g_calls;
  return 0.0f;
}
float Three(float) {
  ++g_calls;
  return 3.0f;
}
float Cubic(float x) {
  ++g_calls;
  return x * x * x - x + 0.5f;
}
float Exp(float x) {
  ++g_calls;
  return std::exp(x);
}

struct RuleOutputs {
  float result = -1.0f, abserr = -1.0f, absint = -1.0f, devint = -1.0f;
};

RuleOutputs Apply(Integrand f, float a, float b) {
  RuleOutputs out;
  g_calls = 0;
  QRULE21(f, a, b, out.result, out.abserr, out.absint, out.devint);
  EXPECT_EQ(g_calls, 21);
  return out;
}

TEST(IntegrationRuleTest, EdgeCases) {
  errors::ResetService();
  errors::E1PSH("Q2AGS ");
  {
    SCOPED_TRACE("a = b: every node is the centre");
    const RuleOutputs out = Apply(Exp, 0.7f, 0.7f);
    EXPECT_EQ(out.result, 0.0f);
    EXPECT_EQ(out.abserr, 0.0f);
    EXPECT_EQ(out.absint, 0.0f);
    EXPECT_EQ(out.devint, 0.0f);
  }
  {
    SCOPED_TRACE("zero integrand");
    const RuleOutputs out = Apply(Zero, -2.0f, 5.0f);
    EXPECT_EQ(out.result, 0.0f);
    EXPECT_EQ(out.abserr, 0.0f);
    EXPECT_EQ(out.absint, 0.0f);
    EXPECT_EQ(out.devint, 0.0f);
  }
  {
    SCOPED_TRACE("constant: the estimate is the roundoff floor");
    const RuleOutputs out = Apply(Three, 1.0f, 5.0f);
    EXPECT_NEAR(out.result, 12.0f, 4.0f * 12.0f * kEpsm);
    EXPECT_NEAR(out.absint, 12.0f, 4.0f * 12.0f * kEpsm);
    EXPECT_LE(out.devint, 1.0e-5f);
    EXPECT_EQ(out.abserr, static_cast<float>(50.0 * kEpsm * out.absint));
  }
  for (Integrand f : {Cubic, Exp}) {
    SCOPED_TRACE("b < a: the signed integral, non-negative estimates");
    const RuleOutputs forward = Apply(f, -1.0f, 2.0f);
    const RuleOutputs backward = Apply(f, 2.0f, -1.0f);
    EXPECT_EQ(backward.result, -forward.result);
    EXPECT_EQ(backward.abserr, forward.abserr);
    EXPECT_EQ(backward.absint, forward.absint);
    EXPECT_EQ(backward.devint, forward.devint);
  }
  errors::E1POP("Q2AGS ");
}

int g_power = 0;
float Power(float x) { return std::pow(x, static_cast<float>(g_power)); }

TEST(IntegrationRuleTest, PolynomialsAreExactAndTheEstimateIsFlooredWhileGaussIsExact) {
  errors::ResetService();
  errors::E1PSH("Q2AGS ");
  for (g_power = 0; g_power <= 31; ++g_power) {
    SCOPED_TRACE(g_power);
    float result = 0.0f, abserr = 0.0f, absint = 0.0f, devint = 0.0f;
    QRULE21(Power, -1.0f, 1.0f, result, abserr, absint, devint);
    const float floor = static_cast<float>(50.0 * kEpsm * absint);
    const float exact = static_cast<float>(ExactMoment(g_power));
    if (g_power % 2 == 1) {
      EXPECT_EQ(result, 0.0f);  // the node pairs cancel exactly
      EXPECT_EQ(abserr, floor);
    } else {
      EXPECT_NEAR(result, exact, 8.0f * kEpsm * exact);
      EXPECT_EQ(absint, result);  // x^p >= 0
      // Below degree 20 both rules are exact and only the roundoff floor is
      // left; from there on the Gauss rule is off.
      if (g_power < 20) {
        EXPECT_EQ(abserr, floor);
      } else {
        EXPECT_GT(abserr, 10.0f * floor);
        EXPECT_LE(abserr, devint);
      }
    }
  }
  errors::E1POP("Q2AGS ");
}

TEST(IntegrationRuleTest, MachineConstants) {
  float epsm = 0.0f, undfl = 0.0f, ovrfl = 0.0f;
  QMCONS(epsm, undfl, ovrfl);
  EXPECT_EQ(Bits(epsm), 0x34000000u);
  EXPECT_EQ(Bits(undfl), 0x00800000u);
  EXPECT_EQ(Bits(ovrfl), 0x7F7FFFFFu);
}

// Exact powers, and arguments where a library pow misses the nearest double
// by one unit (the expected values come from quadruple precision).
TEST(IntegrationRuleTest, ThreeHalvesPowerIsTheNearestDouble) {
  const struct {
    double x, expected;
  } cases[] = {{0.25, 0.125},
               {4.0, 8.0},
               {2.25, 3.375},
               {0x1.84819d8fe3d18p-10, 0x1.de9ada344b83fp-15},
               {0x1.5786ap-9, 0x1.19631a0c601cp-13},
               {0x1.d63337p-10, 0x1.3e9ee8af4124dp-14}};
  for (const auto& c : cases) EXPECT_EQ(ThreeHalvesPower(c.x), c.expected) << c.x;
}

}  // namespace
}  // namespace zel::integration
