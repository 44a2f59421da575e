// Message parameters and composition: the texts of integers and reals, the
// store's entries and capacity, token replacement, the 1024-character
// limits, what E1MES records, and the illegal type.
#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "errors/errors.h"
#include "runtime/fpenv.h"
#include "runtime/platform.h"
#include "tests/support/child_run.h"
#include "tests/support/seams.h"

namespace zel::errors {
namespace {

class ErrorMessagesTest : public ::testing::Test {
 protected:
  void SetUp() override { ResetService(); }
};

std::string Store() {
  const ServiceState& state = State();
  return state.parlen <= 1 ? std::string() : std::string(state.parbuf.data(), static_cast<std::size_t>(state.parlen));
}

std::string Pending() {
  const ServiceState& state = State();
  return std::string(state.txtbuf.data(), static_cast<std::size_t>(state.txtlen));
}

float FromBits(std::uint32_t bits) { return std::bit_cast<float>(bits); }

TEST_F(ErrorMessagesTest, IntegerTexts) {
  const std::vector<std::pair<std::int32_t, std::string>> cases = {
      {0, "0"}, {500, "500"}, {-12, "-12"}, {2147483647, "2147483647"}, {-2147483647 - 1, "-2147483648"},
  };
  for (const auto& [value, text] : cases) {
    SCOPED_TRACE(text);
    ResetService();
    E1PRMI(3, value);
    EXPECT_EQ(Store(), "*I3*" + std::to_string(text.size()) + "%" + text);
  }
}

TEST_F(ErrorMessagesTest, RealTexts) {
  struct Case {
    const char* name;
    float value;
    std::string text;
  };
  const std::vector<Case> cases = {
      {"1.0e-4", 1.0e-4f, "1.000000E-04"},
      {"2.5", 2.5f, "2.500000E+00"},
      {"-2.5", -2.5f, "-2.500000E+00"},
      {"zero has no digit before the point", 0.0f, ".000000E+00"},
      {"negative zero", -0.0f, ".000000E+00"},
      {"12345678 rounds at the seventh digit", 12345678.0f, "1.234568E+07"},
      {"9999999", 9999999.0f, "9.999999E+06"},
      {"an exact tie rounds away from zero: 2^-11", FromBits(0x3A000000), "4.882813E-04"},
      {"carry through all nines: bits 0x38D1B717", FromBits(0x38D1B717), "1.000000E-04"},
      {"largest finite", std::numeric_limits<float>::max(), "3.402823E+38"},
      {"smallest subnormal", FromBits(0x00000001), "1.401298E-45"},
      {"quiet NaN as zero", FromBits(0x7FC00000), ".000000E+00"},
      {"default NaN as zero", FromBits(0xFFC00000), ".000000E+00"},
      {"signalling NaN as zero", FromBits(0x7F800001), ".000000E+00"},
      {"+infinity", FromBits(0x7F800000), "Infinity"},
      {"-infinity", FromBits(0xFF800000), "-Infinity"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ResetService();
    E1PRMR(1, c.value);
    EXPECT_EQ(Store(), "*R1*" + std::to_string(c.text.size()) + "%" + c.text);
  }
}

// The texts of special values are made with the traps of a real run on.
TEST_F(ErrorMessagesTest, RealTextsRaiseNoTrap) {
  test::ChildRun run = test::RunUntilStop([] {
    fpenv::EnableTraps();
    for (std::uint32_t bits : {0x7FC00000u, 0xFFC00000u, 0x7F800001u, 0xFFBFFFFFu, 0x7F800000u, 0xFF800000u,
                               0x7F7FFFFFu, 0xFF7FFFFFu, 0x00000001u, 0x80000000u}) {
      E1PRMR(1, FromBits(bits));
      E1MES(3, 1, "%(R1)");
    }
  });
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(run.status, 10);
}

TEST_F(ErrorMessagesTest, StoreEntries) {
  struct Case {
    const char* name;
    void (*store)();
    std::string entries;
  };
  const std::vector<Case> cases = {
      {"entries follow each other", [] { E1PRMI(1, 500); E1PRML(2, "QDAGS "); }, "*I1*3%500*L2*5%QDAGS"},
      {"positive number drops trailing blanks", [] { E1PRML(1, "QDAGS "); }, "*L1*5%QDAGS"},
      {"negative number keeps them", [] { E1PRML(-1, "QDAGS "); }, "*L1*6%QDAGS "},
      {"leading blanks stay", [] { E1PRML(1, "  ab  "); }, "*L1*4%  ab"},
      {"an all-blank text keeps one blank", [] { E1PRML(4, "    "); }, "*L4*1% "},
      {"number 9 is the last", [] { E1PRMI(9, 1); }, "*I9*1%1"},
      {"number 0 is refused", [] { E1PRMI(0, 1); E1PRMR(0, 1.0f); E1PRML(0, "x"); }, ""},
      {"number 10 is refused", [] { E1PRMI(10, 1); E1PRMR(10, 1.0f); E1PRML(10, "x"); }, ""},
      {"negative numbers only for texts", [] { E1PRMI(-1, 1); E1PRMR(-1, 1.0f); E1PRML(-10, "x"); }, ""},
      {"the most negative number is refused", [] { E1PRML(std::numeric_limits<std::int32_t>::min(), "x"); }, ""},
      {"a text longer than 255 is cut",
       [] { E1PRML(1, std::string(256, 'q')); }, "*L1*255%" + std::string(255, 'q')},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ResetService();
    c.store();
    EXPECT_EQ(Store(), c.entries);
  }
}

TEST_F(ErrorMessagesTest, StoreCapacity) {
  E1PRML(1, std::string(255, 'a'));
  EXPECT_EQ(State().parlen, 263);
  E1PRML(2, std::string(40, 'b'));  // 263 + 40 + 8 > 300
  EXPECT_EQ(State().parlen, 263);
  E1PRML(2, std::string(28, 'c'));  // 263 + 28 + 8 = 299
  EXPECT_EQ(State().parlen, 298);
  EXPECT_EQ(Store().substr(263), "*L2*28%" + std::string(28, 'c'));
  E1PRMI(3, 7);  // 298 + 1 + 8 > 300
  EXPECT_EQ(State().parlen, 298);
}

TEST_F(ErrorMessagesTest, CapacityCountsTheTextAsGiven) {
  E1PRML(1, std::string(200, 'a'));  // entry at 1 to 208
  E1PRML(2, "x" + std::string(90, ' '));  // 208 + 91 + 8 > 300, though only "x" would be kept
  EXPECT_EQ(State().parlen, 208);
}

struct ComposeCase {
  const char* name;
  void (*store)();
  std::string message_template;
  std::string text;
};

void NoParameters() {}

TEST_F(ErrorMessagesTest, Composition) {
  const std::vector<ComposeCase> cases = {
      {"integer parameter", [] { E1PRMI(1, 0); },
       "The maximum number of subintervals MAXSUB = %(I1).  It must be at least 1.",
       ".  The maximum number of subintervals MAXSUB = 0.  It must be at least 1."},
      {"two real parameters", [] { E1PRMR(1, 0.0f); E1PRMR(2, 1.0e-4f); },
       "Roundoff error has been detected.  The requested tolerances, ERRABS = %(R1) and ERRREL = %(R2), cannot be "
       "reached.",
       ".  Roundoff error has been detected.  The requested tolerances, ERRABS = .000000E+00 and ERRREL = "
       "1.000000E-04, cannot be reached."},
      {"lowercase token letter", [] { E1PRMI(1, 5); }, "a %(i1) b", ".  a 5 b"},
      {"lowercase text token", [] { E1PRML(2, "On"); }, "'%(l2)'", ".  'On'"},
      {"digit 0", [] { E1PRMI(1, 5); }, "a %(I0) b", ".  a %(I0) b"},
      {"letter without a store", [] { E1PRMI(1, 5); }, "%(X1) %(A1) %(S1)", ".  %(X1) %(A1) %(S1)"},
      {"unclosed token", [] { E1PRMI(1, 5); }, "x %(I1 y", ".  x %(I1 y"},
      {"parameter not stored", [] { E1PRMI(1, 5); }, "%(I2) %(R1)", ".  %(I2) %(R1)"},
      {"kind must match", [] { E1PRML(1, "t"); }, "%(I1)", ".  %(I1)"},
      {"token at the very end", [] { E1PRMI(1, 9); }, "N = %(I1)", ".  N = 9"},
      {"template of four characters", [] { E1PRMI(1, 9); }, "%(I1", ".  %(I1"},
      {"token is the whole template", [] { E1PRMI(1, -3); }, "%(I1)", ".  -3"},
      {"first version wins", [] { E1PRMI(1, 1); E1PRMI(1, 2); }, "%(I1)", ".  1"},
      {"a parameter used twice", [] { E1PRML(1, "ab"); }, "%(L1)%(L1)", ".  abab"},
      {"break marks are copied", NoParameters, "one%/two", ".  one%/two"},
      {"a percent sign inside a text is not a token", [] { E1PRML(1, "%(I1)"); E1PRMI(1, 4); }, "%(L1)",
       ".  %(I1)"},
  };
  for (const ComposeCase& c : cases) {
    SCOPED_TRACE(c.name);
    ResetService();
    E1PSH("QDAGS ");
    c.store();
    E1MES(3, 2, c.message_template);
    EXPECT_EQ(Pending(), c.text);
    EXPECT_EQ(State().parlen, 1);  // the store is consumed
  }
}

TEST_F(ErrorMessagesTest, TemplatePassedWithItsOwnLength) {
  constexpr std::string_view kBackToBack = "First text %(I1).Second text.";
  E1PRMI(1, 8);
  E1MES(3, 2, kBackToBack.substr(0, 17));
  EXPECT_EQ(Pending(), ".  First text 8.");
}

TEST_F(ErrorMessagesTest, LengthLimits) {
  struct Case {
    const char* name;
    std::string parameter;
    std::string message_template;
    std::string text;
  };
  const std::string x1021(1021, 'x');
  const std::vector<Case> cases = {
      {"a long template is cut at 1024 and the text at 1024", "", std::string(1100, 'x'), ".  " + x1021},
      {"a parameter text is cut at the limit", std::string(50, 'p'), std::string(1000, 'x') + "%(L1)tail",
       ".  " + std::string(1000, 'x') + std::string(21, 'p')},
      {"text after a parameter is cut", "pp", std::string(1015, 'x') + "%(L1)tail",
       ".  " + std::string(1015, 'x') + "pp" + "tail"},
      {"a token beyond the template's 1024 characters is not read", "pp", std::string(1020, 'x') + "%(L1)",
       ".  " + std::string(1020, 'x') + "%"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ResetService();
    if (!c.parameter.empty()) E1PRML(1, c.parameter);
    E1MES(3, 2, c.message_template);
    EXPECT_EQ(Pending().size(), c.text.size());
    EXPECT_EQ(Pending(), c.text);
  }
}

TEST_F(ErrorMessagesTest, WhatE1mesRecords) {
  struct Case {
    const char* name;
    std::int32_t type;
    std::int32_t code;
    std::string message_template;
    std::int32_t expected_type;
    std::int32_t expected_code;
    std::string text;
  };
  // Before each row: QDAGS on top with type 3, code 2 and the text ".  Old.".
  const std::vector<Case> cases = {
      {"type 0 resets and discards", 0, 0, "New.", 0, 0, ""},
      {"code 0 discards the text", 4, 0, "New.", 4, 0, ""},
      {"type -1 keeps the type", -1, 7, "New.", 3, 7, ".  New."},
      {"a negative code keeps the code", 4, -1, "New.", 4, 2, ".  New."},
      {"no template keeps the text", 4, 9, "", 4, 9, ".  Old."},
      {"a single blank keeps the text", 4, 9, " ", 4, 9, ".  Old."},
      {"two blanks are a template", 4, 9, "  ", 4, 9, ".    "},
      {"type 1", 1, 3, "New.", 1, 3, ".  New."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ResetService();
    E1PSH("QDAGS ");
    E1MES(3, 2, "Old.");
    E1PRMI(1, 1);
    E1MES(c.type, c.code, c.message_template);
    EXPECT_EQ(State().levtyp[2], c.expected_type);
    EXPECT_EQ(State().levcod[2], c.expected_code);
    EXPECT_EQ(Pending(), c.text);
    EXPECT_EQ(State().parlen, 1);
    EXPECT_EQ(State().levtyp[1], 0);
  }
}

TEST_F(ErrorMessagesTest, PostingNeverChangesTheTypeTable) {
  for (std::int32_t type = -1; type <= 4; ++type) E1MES(type, 1, "x");
  const std::vector<std::string> words = {"UNKNOWN ", "NOTE    ", "ALERT   ", "WARNING ", "FATAL   ",
                                          "TERMINAL", "WARNING ", "FATAL   ", "UNKNOWN "};
  for (std::int32_t type = 0; type <= 8; ++type) {
    SCOPED_TRACE(type);
    EXPECT_EQ(TypeWord(type), words[static_cast<std::size_t>(type)]);
    EXPECT_EQ(PrintAttribute(type), type >= 3 && type <= 7 ? 1 : 0);
    EXPECT_EQ(StopAttribute(type), type == 4 || type == 5 || type == 7 ? 1 : 0);
  }
}

// Types 5 to 7 are printed when posted, and E1MES returns: the stop is the
// pop's business.
TEST_F(ErrorMessagesTest, ImmediateTypesPrintAtOnce) {
  struct Case {
    std::int32_t type;
    const char* word;
    int exit_status;  // 10 + PEND6 + 2 * PEND7 after the post
  };
  for (const Case& c : {Case{5, "TERMINAL", 10}, Case{6, "WARNING ", 11}, Case{7, "FATAL   ", 12}}) {
    SCOPED_TRACE(c.type);
    test::ChildRun run = test::RunInChild([&c] {
      E1PSH("QDAGS ");
      E1PRMI(1, 0);
      E1MES(c.type, 1, "The maximum number of subintervals MAXSUB = %(I1).  It must be at least 1.");
      const ServiceState& state = State();
      if (state.txtlen != 0 || state.parlen != 1) platform::Exit(3);
      platform::Exit(10 + state.pend6 + 2 * state.pend7);
    });
    EXPECT_EQ(run.out, std::string("\r\n*** ") + c.word +
                           " ERROR 1 from QDAGS.  The maximum number of subintervals MAXSUB\r\n"
                           "***          = 0.  It must be at least 1.\r\n");
    EXPECT_EQ(run.status, c.exit_status);
  }
}

TEST_F(ErrorMessagesTest, MinusOneOverAnImmediateTypePrints) {
  test::ChildRun run = test::RunInChild([] {
    E1PSH("QDAGS ");
    E1MES(6, 1, "First.");
    E1MES(-1, 4, "Second.");
  });
  EXPECT_EQ(run.out,
            "\r\n*** WARNING  ERROR 1 from QDAGS.  First.\r\n"
            "\r\n*** WARNING  ERROR 4 from QDAGS.  Second.\r\n");
  EXPECT_EQ(run.status, 0);
}

TEST_F(ErrorMessagesTest, IllegalTypeStops) {
  struct Case {
    const char* name;
    std::int32_t type;
    bool posted_before;
    std::string out;
  };
  const std::string stop = "Stop - Program terminated.\r\n\r\n";
  const std::vector<Case> cases = {
      {"type 8 on a fresh level", 8, false,
       "\r\n*** UNKNOWN  ERROR 0 from QDAGS.  Error from E1MES.  Illegal error type\r\n"
       "***          specified.\r\n" + stop},
      {"type -2 shows what was posted before", -2, true,
       "\r\n*** WARNING  ERROR 2 from QDAGS.  Error from E1MES.  Illegal error type\r\n"
       "***          specified.\r\n" + stop},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    test::ChildRun run = test::RunInChild([&c] {
      E1PSH("QDAGS ");
      if (c.posted_before) E1MES(3, 2, "");
      E1PRMI(1, 5);
      E1MES(c.type, 1, "Never composed %(I1).");
    });
    EXPECT_EQ(run.out, c.out);
    EXPECT_EQ(run.status, 2);
  }
}

}  // namespace
}  // namespace zel::errors
