// The name stack: push and pop, propagation of errors to the caller, where
// each type is printed and where it stops the program, the pending
// decisions of types 6 and 7, N1RTY, E1USR, and the stack's own failures.
#include <gtest/gtest.h>

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

class ErrorStackTest : public ::testing::Test {
 protected:
  void SetUp() override { ResetService(); }
};

// The console bytes of records written when no line is open: a record's
// first character (its carriage control) is not shown and its line end is
// written when the next record begins.
std::string Shown(const Records& records) {
  std::string bytes;
  for (std::size_t i = 0; i < records.size(); ++i) {
    if (i > 0) bytes += "\r\n";
    if (!records[i].empty()) bytes += records[i].substr(1);
  }
  return bytes;
}

// A run that goes on: the process end ends the open line.
const std::string kEnd = "\r\n";

// The stop after the last record: its line end, the stop message, and the
// line end the process end still owes.
const std::string kStop = "\r\nStop - Program terminated.\r\n\r\n";

const Records kTracebackHead = {
    "     Here is a traceback of subprogram calls in reverse order:",
    "     Routine name                    Error type  Error code",
    "     ------------                    ----------  ----------",
};

Records Concat(std::initializer_list<Records> parts) {
  Records all;
  for (const Records& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

TEST_F(ErrorStackTest, InitialState) {
  const ServiceState& state = State();
  EXPECT_EQ(state.level, 1);
  EXPECT_EQ(state.maxlev, 50);
  EXPECT_EQ(internal::LevelName(state, 1), "USER" + std::string(28, ' '));
  EXPECT_EQ(state.levtyp[1], 0);
  EXPECT_EQ(state.levcod[1], 0);
  EXPECT_TRUE(state.levusr[1]);
  for (int level = 2; level <= 51; ++level) {
    SCOPED_TRACE(level);
    EXPECT_EQ(state.levtyp[level], -1);
    EXPECT_EQ(state.levcod[level], -1);
    EXPECT_FALSE(state.levusr[level]);
  }
  EXPECT_EQ(state.txtlen, 0);
  EXPECT_EQ(state.parlen, 1);
  EXPECT_EQ(state.pend6, 0);
  EXPECT_EQ(state.pend7, 0);
}

TEST_F(ErrorStackTest, PushPopAndTheEntriesN1rtyReads) {
  const ServiceState& state = State();
  E1PSH("QDAGS ");
  EXPECT_EQ(N1RTY(0), 0);
  EXPECT_EQ(N1RTY(1), -1);
  E1PSH("Q2AGS ");
  E1PSH("QCORE ");
  E1MES(2, 6, "Alert.");
  E1POP("QCORE ");
  EXPECT_EQ(N1RTY(0), 2);  // passed on to Q2AGS
  EXPECT_EQ(N1RTY(1), 2);  // QCORE's own entry survives its pop
  E1POP("Q2AGS ");
  EXPECT_EQ(state.levtyp[4], -1);  // QCORE's entry cleared by its caller's pop
  EXPECT_EQ(state.levcod[4], -1);
  EXPECT_EQ(N1RTY(1), 2);
  EXPECT_EQ(state.levcod[2], 6);
  E1POP("QDAGS ");
  EXPECT_EQ(state.level, 1);
  EXPECT_EQ(state.levtyp[1], 2);
  EXPECT_EQ(state.levcod[1], 6);
  E1PSH("QDAGS ");  // a new routine starts clean
  EXPECT_EQ(N1RTY(0), 0);
  EXPECT_EQ(state.levcod[2], 0);
  EXPECT_EQ(state.levtyp[1], 2);  // stays until a later error replaces it
}

TEST_F(ErrorStackTest, NamesComparedWithoutTrailingBlanks) {
  const std::string long_name(40, 'L');
  test::ChildRun run = test::RunInChild([&long_name] {
    E1PSH("QDAGS");
    E1POP("QDAGS     ");
    E1PSH(long_name);  // stored cut to 32 characters
    E1POP(long_name);
    platform::Exit(State().level == 1 ? 10 : 11);
  });
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.status, 10);
}

TEST_F(ErrorStackTest, UserCodeSwitch) {
  const ServiceState& state = State();
  E1PSH("QDAGS ");
  const std::vector<std::pair<std::string, bool>> cases = {
      {"ON", true}, {"off", false}, {"on   ", true}, {"OFF  ", false}, {"on", true}, {"OFF", false},
  };
  for (const auto& [value, on] : cases) {
    SCOPED_TRACE(value);
    E1USR(value);
    EXPECT_EQ(state.levusr[2], on);
  }
  E1PSH("Q2AGS ");
  EXPECT_FALSE(state.levusr[3]);
  E1USR("ON");
  E1POP("Q2AGS ");
  E1PSH("QCORE ");
  EXPECT_TRUE(state.levusr[3]);  // a push leaves the switch as it was
}

struct PropagationCase {
  const char* name;
  std::int32_t type;
  std::string out;
  int status;  // 10 + the type left at "USER" when the run goes on
};

// QDAGS, called by the user, calls Q2AGS, which posts an error of code 2;
// then Q2AGS pops, a marker record is written, and QDAGS pops.
TEST_F(ErrorStackTest, WhereEachTypeIsPrintedAndStops) {
  // The traceback under a message that Q2AGS posted with a one-digit type.
  auto traceback = [](int type) {
    return Concat({kTracebackHead,
                   {"     Q2AGS                                " + std::to_string(type) +
                        "           2    (Called internally)",
                    "     QDAGS                                0           0",
                    "     USER                                 0           0"}});
  };
  const std::vector<PropagationCase> cases = {
      {"type 1: never printed, not passed on", 1, Shown({" popped"}) + kEnd, 10},
      {"type 2: passed on, never printed", 2, Shown({" popped"}) + kEnd, 12},
      {"type 3: printed where it comes back to user code, naming that routine", 3,
       Shown({" popped", "", " *** WARNING  ERROR 2 from QDAGS.  Text."}) + kEnd, 13},
      {"type 4: printed there, then stops", 4,
       Shown({" popped", "", " *** FATAL    ERROR 2 from QDAGS.  Text."}) + kStop, 2},
      {"type 5: printed at once, stops at the poster's pop", 5,
       Shown(Concat({{"", " *** TERMINAL ERROR 2 from Q2AGS.  Text."}, traceback(5)})) + kStop, 2},
      {"type 6: printed at once, never stops", 6,
       Shown(Concat({{"", " *** WARNING  ERROR 2 from Q2AGS.  Text."}, traceback(6), {" popped"}})) + kEnd, 16},
      {"type 7: printed at once, stops where it comes back to user code", 7,
       Shown(Concat({{"", " *** FATAL    ERROR 2 from Q2AGS.  Text."}, traceback(7), {" popped"}})) + kStop, 2},
  };
  for (const PropagationCase& c : cases) {
    SCOPED_TRACE(c.name);
    test::ChildRun run = test::RunInChild([&c] {
      E1PSH("QDAGS ");
      E1PSH("Q2AGS ");
      E1MES(c.type, 2, "Text.");
      E1POP("Q2AGS ");
      internal::WriteRecord(6, " popped");
      E1POP("QDAGS ");
      const ServiceState& state = State();
      bool clean = state.level == 1 && state.pend6 == 0 && state.pend7 == 0 &&
                   state.levcod[1] == (c.type == 1 ? 0 : 2);
      platform::Exit(clean ? 10 + state.levtyp[1] : 3);
    });
    EXPECT_EQ(run.out, c.out);
    EXPECT_EQ(run.status, c.status);
  }
}

TEST_F(ErrorStackTest, PendingFatalOutweighsALaterWarning) {
  test::ChildRun run = test::RunUntilStop([] {
    E1PSH("QDAGS ");
    E1PSH("Q2AGS ");
    E1MES(7, 3, "Fatal.");
    E1POP("Q2AGS ");  // not user code: the decision waits
    E1MES(6, 4, "Warning.");
    E1POP("QDAGS ");  // type 6 on top, but type 7 is still pending
  });
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.out.substr(run.out.size() - kStop.size()), kStop);
  EXPECT_NE(run.out.find("*** WARNING  ERROR 4 from QDAGS.  Warning."), std::string::npos);
}

TEST_F(ErrorStackTest, WarningFromARoutineThatUserCodeCalled) {
  // QDAGS runs user code, which calls INNER: INNER's warning is printed at
  // its own pop, after it has been passed to QDAGS, with a traceback in
  // which INNER is not called internally.
  test::ChildRun run = test::RunInChild([] {
    E1PSH("QDAGS ");
    E1USR("ON");
    E1PSH("INNER ");
    E1MES(3, 1, "Inner.");
    E1POP("INNER ");
    E1USR("OFF");
    E1POP("QDAGS ");  // the warning came up to here, but its text is spent
    platform::Exit(10 + State().levtyp[1]);
  });
  EXPECT_EQ(run.out, Shown(Concat({{"", " *** WARNING  ERROR 1 from INNER.  Inner."},
                                   kTracebackHead,
                                   {"     INNER                                3           1",
                                    "     QDAGS                                3           1",
                                    "     USER                                 0           0"}})) +
                         kEnd);
  EXPECT_EQ(run.status, 13);
}

TEST_F(ErrorStackTest, StackFull) {
  test::ChildRun run = test::RunUntilStop([] {
    for (int i = 1; i <= 49; ++i) E1PSH("R" + std::to_string(100 + i).substr(1) + " ");
    E1PSH("R50 ");
  });
  Records expected = Concat({{"", " *** TERMINAL ERROR 1 from R49.  Error condition in E1PSH.  Push would cause",
                              " ***          stack level to exceed 50. "},
                             kTracebackHead});
  for (int i = 49; i >= 1; --i) {
    std::string name = "R" + std::to_string(100 + i).substr(1);
    std::string record = "     " + name + std::string(29, ' ') + (i == 49 ? "     5           1" : "     0           0");
    if (i > 1) record += "    (Called internally)";
    expected.push_back(record);
  }
  expected.push_back("     USER                                 0           0");
  EXPECT_EQ(run.out, Shown(expected) + kStop);
  EXPECT_EQ(run.status, 2);
}

TEST_F(ErrorStackTest, StackFaults) {
  struct Case {
    const char* name;
    void (*body)();
    std::string out;
  };
  const std::vector<Case> cases = {
      {"pop from an empty stack", [] { E1POP("QDAGS "); },
       "\r\n*** TERMINAL ERROR 1 from E1POP.  Error condition in E1POP.  Cannot pop from\r\n"
       "***          QDAGS because stack is empty." + kStop},
      {"pop of a name that is not on top",
       [] {
         E1PSH("QDAGS ");
         E1POP("Q2AGS ");
       },
       "\r\n*** TERMINAL ERROR 2 from QDAGS.  Error condition in E1POP.  Q2AGS does not\r\n"
       "***          match the name QDAGS in the stack." + kStop},
      {"names differ in case",
       [] {
         E1PSH("QDAGS ");
         E1POP("qdags ");
       },
       "\r\n*** TERMINAL ERROR 2 from QDAGS.  Error condition in E1POP.  qdags does not\r\n"
       "***          match the name QDAGS in the stack." + kStop},
      {"N1RTY(2) two levels down",
       [] {
         E1PSH("QDAGS ");
         E1PSH("Q2AGS ");
         N1RTY(2);
       },
       Shown(Concat({{"", " *** TERMINAL ERROR 1 from Q2AGS.  The argument passed to N1RTY must be 0 or",
                      " ***          1."},
                     kTracebackHead,
                     {"     Q2AGS                                5           1    (Called internally)",
                      "     QDAGS                                0           0",
                      "     USER                                 0           0"}})) +
           kStop},
      {"N1RTY(-1)",
       [] {
         E1PSH("QDAGS ");
         N1RTY(-1);
       },
       "\r\n*** TERMINAL ERROR 1 from QDAGS.  The argument passed to N1RTY must be 0 or\r\n***          1." + kStop},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    test::ChildRun run = test::RunUntilStop(c.body);
    EXPECT_EQ(run.out, c.out);
    EXPECT_EQ(run.status, 2);
  }
}

TEST_F(ErrorStackTest, InvalidSwitchIsReportedAtOnceAndStopsAtThePop) {
  test::ChildRun run = test::RunUntilStop([] {
    E1PSH("QDAGS ");
    E1USR("On");
    internal::WriteRecord(6, " returned");
    E1POP("QDAGS ");
  });
  EXPECT_EQ(run.out, Shown({"", " *** TERMINAL ERROR 1 from QDAGS.  Invalid value for SWITCH in call to E1USR.",
                            " ***          SWITCH must be set to 'ON' or 'OFF'.  SWITCH = 'On' ", " returned"}) +
                         kStop);
  EXPECT_EQ(run.status, 2);
}

}  // namespace
}  // namespace zel::errors
