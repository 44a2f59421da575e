// The free-form text of single-precision reals: worked examples, the
// seven-digit rounding and its carries, the markers of infinities and NaNs,
// agreement with an independent reference, and no floating-point trap.
#include <gtest/gtest.h>

#include <bit>
#include <cfenv>
#include <cstdint>
#include <limits>
#include <random>
#include <string>

#include "recio/console.h"
#include "recio/output.h"
#include "recio/realtext.h"
#include "runtime/fpenv.h"
#include "tests/exhaustive/realtext_oracle.h"
#include "tests/support/child_run.h"

namespace zel::recio {
namespace {

float FromBits(std::uint32_t bits) { return std::bit_cast<float>(bits); }

struct TextCase {
  const char* name;
  std::uint32_t bits;
  const char* text;
};

TEST(RealText, WorkedExamplesAndBoundaries) {
  const TextCase cases[] = {
      {"12.5", std::bit_cast<std::uint32_t>(12.5f), "12.500000"},
      {"-2.5", std::bit_cast<std::uint32_t>(-2.5f), "-2.500000"},
      {"1.0", std::bit_cast<std::uint32_t>(1.0f), "1.000000"},
      {"3.1415927 rounds up at the 8th digit", std::bit_cast<std::uint32_t>(3.1415927f), "3.141593"},
      {"1234567.0", std::bit_cast<std::uint32_t>(1234567.0f), "1234567.000000"},
      {"9999999.0 largest fixed form", std::bit_cast<std::uint32_t>(9999999.0f), "9999999.000000"},
      {"-9999999.0 fifteen characters", std::bit_cast<std::uint32_t>(-9999999.0f), "-9999999.000000"},
      {"1.0E+07 first exponent form", std::bit_cast<std::uint32_t>(1.0e7f), "1.000000E+07"},
      {"12345678.0", std::bit_cast<std::uint32_t>(12345678.0f), "1.234568E+07"},
      {"1.0E+10", std::bit_cast<std::uint32_t>(1.0e10f), "1.000000E+10"},
      {"0.5", std::bit_cast<std::uint32_t>(0.5f), "5.000000E-01"},
      {"0.1", std::bit_cast<std::uint32_t>(0.1f), "1.000000E-01"},
      {"0.001234", std::bit_cast<std::uint32_t>(0.001234f), "1.234000E-03"},
      {"0.0", 0x00000000u, "0.000000E+00"},
      {"-0.0 has no sign", 0x80000000u, "0.000000E+00"},
      {"largest finite", 0x7F7FFFFFu, "3.402823E+38"},
      {"largest finite, negative", 0xFF7FFFFFu, "-3.402823E+38"},
      {"smallest subnormal", 0x00000001u, "1.401298E-45"},
      {"largest subnormal", 0x007FFFFFu, "1.175494E-38"},
      {"smallest normal", 0x00800000u, "1.175494E-38"},
      {"0x38D1B717 carries through seven nines", 0x38D1B717u, "1.000000E-04"},
      {"2^-11 exact tie rounds away from zero", 0x3A000000u, "4.882813E-04"},
      {"-2^-11 exact tie rounds away from zero", 0xBA000000u, "-4.882813E-04"},
      {"0.99999994 (8th digit 4) is cut", 0x3F7FFFFFu, "9.999999E-01"},
      {"9.999999 (8th digit 0) is cut", 0x411FFFFFu, "9.999999"},
      {"99.99998 (8th digit 4) is cut", 0x42C7FFFEu, "99.999980"},
      {"99.99999 (8th digit 2) is cut", 0x42C7FFFFu, "99.999990"},
      {"1.0E+06 fixed form with seven digits", std::bit_cast<std::uint32_t>(1.0e6f), "1000000.000000"},
      {"+infinity", 0x7F800000u, "1#INF........"},
      {"-infinity has no sign", 0xFF800000u, "1#INF........"},
      {"default NaN (sign, quiet bit only)", 0xFFC00000u, "1#IND........"},
      {"positive quiet NaN", 0x7FC00000u, "1#QNAN......."},
      {"negative quiet NaN with payload", 0xFFC00001u, "1#QNAN......."},
      {"positive signalling NaN", 0x7F800001u, "1#QNAN......."},
      {"negative signalling NaN", 0xFF800001u, "1#QNAN......."},
      {"all-ones NaN", 0xFFFFFFFFu, "1#QNAN......."},
  };
  for (const TextCase& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(RealText(FromBits(c.bits)), c.text);
    EXPECT_EQ(test::OracleRealText(c.bits), c.text);  // the reference agrees on every row
  }
}

TEST(RoundReal, CarryThroughNinesRaisesExponentAfterFormIsChosen) {
  // 9.99999974e-05: E = -4 before rounding, D = 1 and zeros, E = -3 after.
  RoundedReal r = RoundReal(FromBits(0x38D1B717u));
  EXPECT_EQ(r.kind, RoundedReal::Kind::kFinite);
  EXPECT_EQ(std::string(r.digits, 7), "1000000");
  EXPECT_EQ(r.exponent_before, -4);
  EXPECT_EQ(r.exponent, -3);

}

// No float lies close enough below a power of ten for a carry in the fixed
// form, so the one-more-digit layout is pinned on a made-up rounding.
TEST(FormatRealText, CarryInFixedFormShowsOneMoreIntegerDigit) {
  RoundedReal r;
  std::copy_n("1000000", 7, r.digits);
  r.exponent_before = 7;
  r.exponent = 8;
  r.negative = true;
  char text[kRealTextMax];
  EXPECT_EQ(std::string(text, FormatRealText(r, text)), "-10000000.000000");
}

TEST(RoundReal, SignZeroAndKinds) {
  struct Row {
    const char* name;
    std::uint32_t bits;
    RoundedReal::Kind kind;
    bool negative;
    bool zero;
  };
  const Row rows[] = {
      {"-2.5", std::bit_cast<std::uint32_t>(-2.5f), RoundedReal::Kind::kFinite, true, false},
      {"-0.0", 0x80000000u, RoundedReal::Kind::kFinite, false, true},
      {"-infinity", 0xFF800000u, RoundedReal::Kind::kInfinity, false, false},
      {"default NaN", 0xFFC00000u, RoundedReal::Kind::kDefaultNaN, false, false},
      {"signalling NaN with sign", 0xFF800001u, RoundedReal::Kind::kOtherNaN, false, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const RoundedReal r = RoundReal(FromBits(row.bits));
    EXPECT_EQ(r.kind, row.kind);
    EXPECT_EQ(r.negative, row.negative);
    EXPECT_EQ(r.zero, row.zero);
  }
}

TEST(FormatRealText, ExponentBeyondTwoDigitsDropsTheLetter) {
  RoundedReal r;
  std::copy_n("1234567", 7, r.digits);
  r.exponent_before = r.exponent = 101;  // 0.1234567 x 10^101
  char text[kRealTextMax];
  EXPECT_EQ(std::string(text, FormatRealText(r, text)), "1.234567+100");
  r.negative = true;
  r.exponent_before = r.exponent = -99;
  EXPECT_EQ(std::string(text, FormatRealText(r, text)), "-1.234567-100");
}

// Powers of ten and their neighbours, where the decimal exponent and the
// carry change, and a random sample of all bit patterns.
TEST(RealText, AgreesWithReferenceOnBoundariesAndSample) {
  std::vector<std::uint32_t> patterns;
  for (float p = 1e-45f; p < 3e38f; p *= 10.0f) {
    const auto bits = std::bit_cast<std::uint32_t>(p);
    for (std::uint32_t d = 0; d < 5; ++d) {
      patterns.push_back(bits + d);
      patterns.push_back(bits - d);
    }
  }
  std::mt19937 random(20240611u);
  for (int i = 0; i < 200000; ++i) patterns.push_back(random());
  int mismatches = 0;
  for (std::uint32_t bits : patterns) {
    const std::string expected = test::OracleRealText(bits);
    const std::string actual = RealText(FromBits(bits));
    if (actual != expected && ++mismatches <= 10) {
      ADD_FAILURE() << std::hex << "bits 0x" << bits << ": " << actual << " instead of " << expected;
    }
  }
  EXPECT_EQ(mismatches, 0);
}

// With the three exceptions trapping, printing a real raises none of them,
// whatever its bits: a trap would end the child with the math report.
TEST(RealText, NoFloatingPointTrapForAnyKindOfValue) {
  const test::ChildRun run = test::RunInChild([] {
    fpenv::EnableTraps();
    const std::uint32_t specials[] = {0x00000000u, 0x80000000u, 0x00000001u, 0x807FFFFFu, 0x7F7FFFFFu, 0xFF7FFFFFu,
                                      0x7F800000u, 0xFF800000u, 0xFFC00000u, 0x7FC00000u, 0x7F800001u, 0xFF800001u,
                                      0x7FBFFFFFu, 0xFFFFFFFFu, 0x38D1B717u};
    std::mt19937 random(7u);
    std::size_t total = 0;
    auto print = [&](std::uint32_t bits) {
      total += RealText(FromBits(bits)).size();
      BeginWrite(kDefaultUnit);
      PutReal(FromBits(bits));
      PutReal(FromBits(bits));
      EndWrite();
    };
    for (std::uint32_t bits : specials) print(bits);
    for (int i = 0; i < 100000; ++i) print(random());
    const bool flags_clear = std::fetestexcept(FE_INVALID | FE_DIVBYZERO | FE_OVERFLOW) == 0;
    ConsoleWrite(flags_clear && total > 0 ? "clear" : "raised");
  });
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(run.status, 0);
  EXPECT_TRUE(run.out.ends_with("clear\r\n")) << run.out.substr(run.out.size() > 40 ? run.out.size() - 40 : 0);
}

}  // namespace
}  // namespace zel::recio
