// Message records: the header record and its width, wrapping at blanks,
// hard breaks of long words, explicit "%/" breaks, display names, the
// traceback columns, and the bytes the console shows.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "errors/errors.h"
#include "errors/internal.h"
#include "runtime/platform.h"
#include "tests/support/child_run.h"
#include "tests/support/seams.h"

namespace zel::errors {
namespace {

using Records = std::vector<std::string>;
using internal::ShowRecords;

class ErrorRecordsTest : public ::testing::Test {
 protected:
  void SetUp() override { ResetService(); }
};

// Pushes routines above "USER" (the first called by user code, each other
// by the one below it) and gives the one on top a type, code and text.
void Post(const std::vector<std::string>& routines, std::int32_t type, std::int32_t code, std::string_view text) {
  ServiceState& state = State();
  for (const std::string& routine : routines) E1PSH(routine);
  state.levtyp[state.level] = type;
  state.levcod[state.level] = code;
  internal::SetPendingText(state, text);
}

const std::string kRoundoff =
    ".  Roundoff error has been detected.  The requested tolerances, ERRABS = .000000E+00 and ERRREL = "
    "1.000000E-04, cannot be reached.";
const std::string kMaxsub = ".  The maximum number of subintervals MAXSUB = 0.  It must be at least 1.";

TEST_F(ErrorRecordsTest, WarningWrappedOverThreeRecords) {
  Post({"QDAGS "}, 3, 2, kRoundoff);
  EXPECT_EQ(ShowRecords(State()), (Records{
                                      "",
                                      " *** WARNING  ERROR 2 from QDAGS.  Roundoff error has been detected.  The",
                                      " ***          requested tolerances, ERRABS = .000000E+00 and ERRREL = ",
                                      " ***          1.000000E-04, cannot be reached.",
                                  }));
}

TEST_F(ErrorRecordsTest, TerminalErrorWithThreeLevelTraceback) {
  Post({"QDAGS ", "Q2AGS "}, 5, 1, kMaxsub);
  EXPECT_EQ(ShowRecords(State()), (Records{
                                      "",
                                      " *** TERMINAL ERROR 1 from Q2AGS.  The maximum number of subintervals MAXSUB",
                                      " ***          = 0.  It must be at least 1.",
                                      "     Here is a traceback of subprogram calls in reverse order:",
                                      "     Routine name                    Error type  Error code",
                                      "     ------------                    ----------  ----------",
                                      "     Q2AGS                                5           1    (Called internally)",
                                      "     QDAGS                                0           0",
                                      "     USER                                 0           0",
                                  }));
}

TEST_F(ErrorRecordsTest, TracebackColumns) {
  Post({"QDAGS ", "Q2AGS "}, 5, 1, kMaxsub);
  Records records = ShowRecords(State());
  ASSERT_EQ(records.size(), 9u);
  EXPECT_EQ(records[3].size(), 62u);
  EXPECT_EQ(records[4].size(), 59u);
  EXPECT_EQ(records[5].size(), 59u);
  // 1-based columns: the type's last digit in 43, the code's in 55, the
  // suffix in 60 to 78.
  EXPECT_EQ(records[6][42], '5');
  EXPECT_EQ(records[6][54], '1');
  EXPECT_EQ(records[6].substr(59), "(Called internally)");
  EXPECT_EQ(records[6].size(), 78u);
}

TEST_F(ErrorRecordsTest, TracebackNumbersWiderThanTheirColumns) {
  Post({"QDAGS ", "Q2AGS "}, 5, -2147483647, ".  Text.");
  Records records = ShowRecords(State());
  EXPECT_EQ(records[1], " *** TERMINAL ERROR -2147483647 from Q2AGS.  Text.");
  EXPECT_EQ(records[5], "     Q2AGS                                5      ******    (Called internally)");
}

TEST_F(ErrorRecordsTest, CalledInternallyFollowsTheCallersSwitch) {
  Post({"QDAGS ", "Q2AGS ", "QCORE "}, 3, 4, ".  Text.");
  State().levusr[2] = true;  // QDAGS switched user code on: Q2AGS counts as called by the user
  Records records = ShowRecords(State());
  ASSERT_EQ(records.size(), 9u);
  EXPECT_EQ(records[5], "     QCORE                                3           4    (Called internally)");
  EXPECT_EQ(records[6], "     Q2AGS                                0           0");
  EXPECT_EQ(records[7], "     QDAGS                                0           0");
  EXPECT_EQ(records[8], "     USER                                 0           0");
}

TEST_F(ErrorRecordsTest, NoTracebackWithOneRoutineAboveUser) {
  for (std::int32_t type : {3, 4, 5, 7}) {
    SCOPED_TRACE(type);
    ResetService();
    Post({"QDAGS "}, type, 1, ".  Text.");
    EXPECT_EQ(ShowRecords(State()).size(), 2u);
  }
}

TEST_F(ErrorRecordsTest, NothingPendingPrintsNothing) {
  Post({"QDAGS ", "Q2AGS "}, 5, 1, "");
  EXPECT_TRUE(ShowRecords(State()).empty());
}

struct LayoutCase {
  const char* name;
  std::string routine;
  std::string text;
  Records expected;  // without the empty record
};

TEST_F(ErrorRecordsTest, Layouts) {
  const std::string a64(64, 'a');
  const std::vector<LayoutCase> cases = {
      {"fits the first record exactly: no trailing blank added", "QDAGS ",
       ".  " + std::string(43, 'x'),
       {" *** FATAL    ERROR 1 from QDAGS.  " + std::string(43, 'x')}},
      {"a long word after the leading blanks", "QDAGS ", ".  " + std::string(150, 'a'),
       {" *** FATAL    ERROR 1 from QDAGS. ", " ***          " + a64, " ***          " + a64,
        " ***          " + std::string(22, 'a')}},
      {"first record broken hard where the text has no blank", "QDAGS ", std::string(100, 'z'),
       {" *** FATAL    ERROR 1 from QDAGS" + std::string(46, 'z'), " ***          " + std::string(54, 'z')}},
      {"second blank after a period skipped at a continuation", "QDAGS ",
       ".  " + std::string(42, 'a') + " " + std::string(62, 'b') + ".  " + "end",
       {" *** FATAL    ERROR 1 from QDAGS.  " + std::string(42, 'a'),
        " ***          " + std::string(62, 'b') + ". ", " ***          end"}},
      {"hard break after a skipped blank takes 63", "QDAGS ",
       ".  " + std::string(42, 'a') + " " + std::string(63, 'b') + "  " + std::string(70, 'c'),
       {" *** FATAL    ERROR 1 from QDAGS.  " + std::string(42, 'a'),
        " ***          " + std::string(63, 'b') + " ", " ***          " + std::string(63, 'c'),
        " ***          " + std::string(7, 'c')}},
      {"explicit break in the first record keeps the blanks after it", "QDAGS ",
       ".  First part.%/  Second part.",
       {" *** FATAL    ERROR 1 from QDAGS.  First part.", " ***            Second part."}},
      {"explicit break in a continuation record", "QDAGS ",
       ".  " + std::string(42, 'a') + " one two%/ three",
       {" *** FATAL    ERROR 1 from QDAGS.  " + std::string(42, 'a'), " ***          one two",
        " ***           three"}},
      {"explicit break at the very end", "QDAGS ", ".  Done.%/", {" *** FATAL    ERROR 1 from QDAGS.  Done."}},
      {"two breaks in a row give an empty record", "QDAGS ", ".  A%/%/B",
       {" *** FATAL    ERROR 1 from QDAGS.  A", " ***          ", " ***          B"}},
      {"a mark anywhere keeps the first continuation's leading blank", "QDAGS ",
       ".  " + std::string(42, 'a') + "  tail%/x",
       {" *** FATAL    ERROR 1 from QDAGS.  " + std::string(42, 'a'), " ***           tail",
        " ***          x"}},
      {"a mark beyond the first record's width", "QDAGS ",
       ".  " + std::string(50, 'a') + "%/b",
       {" *** FATAL    ERROR 1 from QDAGS. ", " ***          " + std::string(50, 'a'), " ***          b"}},
      {"lowercase first letter before an uppercase one is raised", "xFIT", ".  Text.",
       {" *** FATAL    ERROR 1 from XFIT.  Text."}},
      {"all lowercase stays", "xfit", ".  Text.", {" *** FATAL    ERROR 1 from xfit.  Text."}},
      {"the header name ends at its first blank", "MY ROUTINE", ".  Text.",
       {" *** FATAL    ERROR 1 from MY.  Text."}},
      {"a longer name narrows the first record", "ABCDEFGHIJKLMNOPQRSTUVWXYZ012345",
       ".  " + std::string(40, 'y'),
       {" *** FATAL    ERROR 1 from ABCDEFGHIJKLMNOPQRSTUVWXYZ012345. ", " ***          " + std::string(40, 'y')}},
  };
  for (const LayoutCase& c : cases) {
    SCOPED_TRACE(c.name);
    ResetService();
    Post({c.routine}, 4, 1, c.text);
    Records expected = c.expected;
    expected.insert(expected.begin(), "");
    EXPECT_EQ(ShowRecords(State()), expected);
  }
}

TEST_F(ErrorRecordsTest, DisplayNameRuleInTheTraceback) {
  Post({"QDAGS ", "xFIT", "MY ROUTINE"}, 3, 1, ".  Text.");
  Records records = ShowRecords(State());
  ASSERT_EQ(records.size(), 9u);
  EXPECT_EQ(records[5], "     MY ROUTINE                           3           1    (Called internally)");
  EXPECT_EQ(records[6], "     XFIT                                 0           0    (Called internally)");
}

TEST_F(ErrorRecordsTest, UnknownTypeWord) {
  Post({"QDAGS "}, 0, 0, ".  Error from E1MES.  Illegal error type specified.");
  EXPECT_EQ(ShowRecords(State())[1].substr(0, 32), " *** UNKNOWN  ERROR 0 from QDAGS");
}

// Whatever the text, the records carry every character of it except the
// breaks' marks and skipped blanks, and keep to their widths.
TEST_F(ErrorRecordsTest, WrappingLosesNoCharacter) {
  std::mt19937 random(12345);
  const std::string alphabet = "ab  .%/";
  for (int round = 0; round < 2000; ++round) {
    std::string text = ".  ";
    std::size_t length = random() % 400;
    for (std::size_t i = 0; i < length; ++i) text += alphabet[random() % alphabet.size()];
    SCOPED_TRACE(text);
    ResetService();
    Post({"QDAGS "}, 3, 2, text);
    Records records = ShowRecords(State());
    ASSERT_GE(records.size(), 2u);
    const std::string head = " *** WARNING  ERROR 2 from QDAGS";
    ASSERT_EQ(records[1].substr(0, head.size()), head);
    EXPECT_LE(records[1].size() - head.size(), 46u);
    std::string joined = records[1].substr(head.size());
    for (std::size_t i = 2; i < records.size(); ++i) {
      ASSERT_EQ(records[i].substr(0, 14), " ***          ");
      EXPECT_LE(records[i].size() - 14, 64u);
      joined += records[i].substr(14);
    }
    std::string expected;
    for (char c : text) {
      if (c != ' ' && c != '%' && c != '/') expected += c;
    }
    std::string got;
    for (char c : joined) {
      if (c != ' ' && c != '%' && c != '/') got += c;
    }
    EXPECT_EQ(got, expected);
  }
}

TEST_F(ErrorRecordsTest, ConsoleBytesAfterAnOpenLine) {
  test::ChildRun run = test::RunInChild([] {
    internal::WriteRecord(6, " Area");
    Post({"QDAGS "}, 3, 2, kRoundoff);
    E1SHOW();
    E1SHOW();  // nothing pending any more
  });
  EXPECT_EQ(run.out,
            "Area\r\n"
            "\r\n"
            "*** WARNING  ERROR 2 from QDAGS.  Roundoff error has been detected.  The\r\n"
            "***          requested tolerances, ERRABS = .000000E+00 and ERRREL = \r\n"
            "***          1.000000E-04, cannot be reached.\r\n");
  EXPECT_EQ(run.status, 0);
}

TEST_F(ErrorRecordsTest, PrintingEmptiesTextAndStore) {
  test::ChildRun run = test::RunInChild([] {
    E1PRMI(1, 3);
    Post({"QDAGS "}, 3, 2, ".  Text.");
    E1SHOW();
    platform::Exit(State().txtlen == 0 && State().parlen == 1 ? 7 : 8);
  });
  EXPECT_EQ(run.status, 7);
}

TEST_F(ErrorRecordsTest, RecordsGoToTheErrorMessageUnit) {
  test::ChildRun run = test::RunInChild([] {
    std::int32_t unit = 40000;  // outside the unit range: the write itself fails
    UMACH(-3, unit);
    Post({"QDAGS "}, 3, 2, ".  Text.");
    E1SHOW();
  });
  EXPECT_EQ(run.out, "");
  EXPECT_NE(run.err.find("6314"), std::string::npos);
  EXPECT_EQ(run.status, 1);
}

}  // namespace
}  // namespace zel::errors
