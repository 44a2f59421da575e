// Machine constants: AMACH's bit patterns, IMACH's model, the UMACH unit
// table, and the reports of a bad index.
#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "errors/errors.h"
#include "runtime/platform.h"
#include "tests/support/child_run.h"
#include "tests/support/seams.h"

namespace zel::errors {
namespace {

class MachineConstantsTest : public ::testing::Test {
 protected:
  void SetUp() override { ResetService(); }
};

const std::string kStop = "\r\nStop - Program terminated.\r\n\r\n";

std::uint32_t Bits(float value) { return std::bit_cast<std::uint32_t>(value); }

TEST_F(MachineConstantsTest, RealConstantsAsBitPatterns) {
  const std::vector<std::uint32_t> bits = {0x00800000, 0x7F7FFFFF, 0x33800000, 0x34000000,
                                           0x3E9A209B, 0x7FC00000, 0x7F800000, 0xFF800000};
  for (std::int32_t n = 1; n <= 8; ++n) {
    SCOPED_TRACE(n);
    EXPECT_EQ(Bits(AMACH(n)), bits[static_cast<std::size_t>(n - 1)]);
  }
}

TEST_F(MachineConstantsTest, RealConstantsAsNumbers) {
  EXPECT_EQ(AMACH(1), 0x1p-126f);
  EXPECT_EQ(AMACH(4), 0x1p-23f);
  EXPECT_EQ(AMACH(3) * 2.0f, AMACH(4));
  float nan = AMACH(6);
  EXPECT_FALSE(nan == nan);
  EXPECT_EQ(AMACH(7), std::numeric_limits<float>::infinity());
  EXPECT_EQ(AMACH(8), -std::numeric_limits<float>::infinity());
  EXPECT_EQ(State().level, 1);  // a good index leaves the service alone
}

TEST_F(MachineConstantsTest, IntegerConstants) {
  const std::vector<std::int32_t> values = {32, 4, 2, 31, 2147483647, 2, 24, -125, 128, 53, -1021, 1024};
  for (std::int32_t n = 1; n <= 12; ++n) {
    SCOPED_TRACE(n);
    EXPECT_EQ(IMACH(n), values[static_cast<std::size_t>(n - 1)]);
  }
}

TEST_F(MachineConstantsTest, UnitTable) {
  std::int32_t unit = 0;
  const std::vector<std::int32_t> initial = {5, 6, 6};
  for (std::int32_t n = 1; n <= 3; ++n) {
    SCOPED_TRACE(n);
    UMACH(n, unit);
    EXPECT_EQ(unit, initial[static_cast<std::size_t>(n - 1)]);
  }
  unit = 7;
  UMACH(-3, unit);
  unit = 0;
  UMACH(3, unit);
  EXPECT_EQ(unit, 7);
  UMACH(2, unit);
  EXPECT_EQ(unit, 6);
  ResetService();
  UMACH(3, unit);
  EXPECT_EQ(unit, 6);
}

struct BadIndexCase {
  const char* name;
  void (*body)();
  std::string out;
};

// The fixed reports, with the index in its six-column field.
std::string ImachReport(const std::string& field) {
  return "\r\n*** TERMINAL ERROR 5 from IMACH.  The argument\r\n"
         "***          must be between 1 and 12 inclusive.\r\n"
         "***          N = " + field + ".\r\n" + kStop;
}

std::string UmachReport(const std::string& field) {
  return "\r\n*** TERMINAL ERROR 5 from UMACH.  The absolute\r\n"
         "***          value of the index variable must be\r\n"
         "***          1, 2, or 3.  IABS(N) = " + field + ".\r\n" + kStop;
}

TEST_F(MachineConstantsTest, BadIndexReports) {
  const std::vector<BadIndexCase> cases = {
      {"IMACH(0)", [] { IMACH(0); }, ImachReport("     0")},
      {"IMACH(13)", [] { IMACH(13); }, ImachReport("    13")},
      {"IMACH of a number wider than its field", [] { IMACH(-1234567); }, ImachReport("******")},
      {"UMACH(4)", [] { std::int32_t unit = 0; UMACH(4, unit); }, UmachReport("     4")},
      {"UMACH(-4)", [] { std::int32_t unit = 0; UMACH(-4, unit); }, UmachReport("     4")},
      {"UMACH(0)", [] { std::int32_t unit = 0; UMACH(0, unit); }, UmachReport("     0")},
      {"UMACH of the most negative index", [] { std::int32_t unit = 0; UMACH(-2147483647 - 1, unit); },
       UmachReport("******")},
      {"AMACH(9)", [] { AMACH(9); },
       "\r\n*** TERMINAL ERROR 5 from AMACH.  The argument must be between 1 and 8\r\n"
       "***          inclusive. N = 9" + kStop},
      {"AMACH(0) below two routines",
       [] {
         E1PSH("QDAGS ");
         E1PSH("QMCONS");
         AMACH(0);
       },
       "\r\n*** TERMINAL ERROR 5 from AMACH.  The argument must be between 1 and 8\r\n"
       "***          inclusive. N = 0\r\n"
       "    Here is a traceback of subprogram calls in reverse order:\r\n"
       "    Routine name                    Error type  Error code\r\n"
       "    ------------                    ----------  ----------\r\n"
       "    AMACH                                5           5    (Called internally)\r\n"
       "    QMCONS                               0           0    (Called internally)\r\n"
       "    QDAGS                                0           0\r\n"
       "    USER                                 0           0" + kStop},
  };
  for (const BadIndexCase& c : cases) {
    SCOPED_TRACE(c.name);
    test::ChildRun run = test::RunUntilStop(c.body);
    EXPECT_EQ(run.out, c.out);
    EXPECT_EQ(run.status, 2);
  }
}

TEST_F(MachineConstantsTest, ImachAndUmachLeaveTheServiceStateAlone) {
  test::ChildRun run = test::RunInChild([] {
    E1PSH("QDAGS ");
    E1MES(3, 2, "Pending.");
    IMACH(99);
  });
  // The pending warning is not shown, and nothing about QDAGS appears.
  EXPECT_EQ(run.out.find("QDAGS"), std::string::npos);
  EXPECT_EQ(run.status, 2);
}

TEST_F(MachineConstantsTest, UmachReportGoesToTheErrorMessageUnit) {
  test::ChildRun run = test::RunInChild([] {
    std::int32_t unit = 40000;  // a unit the console refuses: the report's write fails
    UMACH(-3, unit);
    UMACH(5, unit);
  });
  EXPECT_EQ(run.out, "");
  EXPECT_NE(run.err.find("6314"), std::string::npos);
  EXPECT_EQ(run.status, 1);
}

}  // namespace
}  // namespace zel::errors
