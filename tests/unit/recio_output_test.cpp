// Console output records: carriage control against the two marks, free-form
// layout and splitting, formatted records, and the unit check. Every case
// runs in a child so that the console bytes are seen exactly as written.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "recio/console.h"
#include "recio/output.h"
#include "tests/support/child_run.h"
#include "tests/support/seams.h"

namespace zel::recio {
namespace {

// The bytes a piece of output writes to standard output, without the line
// end that process end would add.
std::string Bytes(const std::function<void()>& body) {
  test::ChildOptions options;
  options.process_end = false;
  return test::RunInChild(
             [&] {
               ResetOutput();
               body();
             },
             options)
      .out;
}

void OpenLine() { Console().line_open = true; }

void FreeForm(std::initializer_list<std::string> texts) {
  BeginWrite(kDefaultUnit);
  for (const std::string& t : texts) PutCharacter(t);
  EndWrite();
}

void Formatted(std::string_view format, std::initializer_list<std::string> texts = {}) {
  BeginWrite(kDefaultUnit, format);
  for (const std::string& t : texts) PutCharacter(t);
  EndWrite();
}

struct OutputCase {
  const char* name;
  std::function<void()> body;
  std::string expected;
};

void RunCases(const std::vector<OutputCase>& cases) {
  for (const OutputCase& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Bytes(c.body), c.expected);
  }
}

TEST(RecordWrite, CarriageControlAgainstTheLineOpenMark) {
  struct Row {
    char control;
    const char* when_clear;
    const char* when_open;
  };
  const Row rows[] = {
      {'+', "\r", "\r"},
      {'0', "\r\n", "\r\n\r\n"},
      {'1', "\r\n\f\r \r", "\r\n\f\r \r"},
      {' ', "", "\r\n"},
      {'-', "", "\r\n"},
      {'x', "", "\r\n"},
  };
  for (const Row& row : rows) {
    for (bool open : {false, true}) {
      SCOPED_TRACE(std::string("control '") + row.control + (open ? "', line open" : "', line clear"));
      const std::string record = std::string(1, row.control) + "ab";
      EXPECT_EQ(Bytes([&] {
                  if (open) OpenLine();
                  Formatted("(A)", {record});
                }),
                std::string(open ? row.when_open : row.when_clear) + "ab");
    }
  }
}

TEST(RecordWrite, MarksAndPieces) {
  const std::string long_tail = std::string(131, 'a') + "1bbb";  // 135 characters after the blank
  RunCases({
      {"(/) is two empty records: the first writes nothing, the second ends its line",
       [] { Formatted("(/)"); }, "\r\n"},
      {"an empty record on an open line ends it", [] { OpenLine(); Formatted("(A)", {""}); }, "\r\n"},
      {"an empty record on a clear line", [] { Formatted("(A)", {""}); }, ""},
      {"the first record of the run has no line end before it", [] { FreeForm({"  "}); }, "  "},
      {"a record sets the line-open mark",
       [] {
         FreeForm({"a"});
         FreeForm({"b"});
       },
       "a\r\nb"},
      {"after $ the next record continues the line, first character shown",
       [] {
         Formatted("(' x',$)");
         Formatted("(A)", {"+y"});
         Formatted("(A)", {" z"});
       },
       "x+y\r\nz"},
      {"after $ an empty record shows one blank", [] { Formatted("(' x',$)"); Formatted("(A)", {""}); }, "x "},
      {"a record longer than 132 bytes: only its first piece is under carriage control",
       [&] { Formatted("(A)", {" " + long_tail}); }, long_tail},
      {"the same after $: every piece as it is",
       [&] {
         Formatted("('x',$)");
         Formatted("(A)", {"+" + long_tail});
       },
       "+" + long_tail},
  });
}

TEST(FreeForm, RecordsOfTheDialogue) {
  const std::string tail = " data point was added to calculate area above the curve.";
  RunCases({
      {"a character item and a real in 15 columns",
       [] {
         OpenLine();
         BeginWrite(kDefaultUnit);
         PutCharacter("Area under the curve (peak area?) =");
         PutReal(12.5f);
         EndWrite();
       },
       "\r\nArea under the curve (peak area?) =      12.500000"},
      {"t=0, c= record fills 78 columns on one line",
       [&] {
         BeginWrite(kDefaultUnit);
         PutCharacter("t=0, c=");
         PutReal(0.0f);
         PutCharacter(tail);
         EndWrite();
       },
       "t=0, c=   0.000000E+00" + tail},
      {"two reals in a row: the second field is 16 wide",
       [] {
         BeginWrite(kDefaultUnit);
         PutReal(1.0f);
         PutReal(-2.5f);
         PutReal(1.0e10f);
         EndWrite();
       },
       "       1.000000       -2.500000    1.000000E+10"},
      {"a character item between reals brings the width back to 15",
       [] {
         BeginWrite(kDefaultUnit);
         PutReal(1.0f);
         PutCharacter("|");
         PutReal(1.0f);
         EndWrite();
       },
       "       1.000000|       1.000000"},
      {"characters kept exactly, trailing blanks included", [] { FreeForm({"a ", "", " b  "}); }, "a  b  "},
  });
}

TEST(FreeForm, ItemsThatDoNotFit) {
  const std::string a79(79, 'a');
  const std::string b21(21, 'b');
  const std::string c70(70, 'c');
  const std::string d63(63, 'd');
  const std::string d64(64, 'd');
  RunCases({
      {"78 columns fit on one line", [] { FreeForm({std::string(78, 'a')}); }, std::string(78, 'a')},
      {"a character item of 79 fills the record, an empty one follows", [&] { FreeForm({a79}); },
       a79 + "\r\n"},
      {"a character item longer than the budget is split", [&] { FreeForm({a79 + b21}); },
       a79 + "\r\n" + b21},
      {"split over three records", [&] { FreeForm({"x", a79 + a79}); },
       "x" + std::string(78, 'a') + "\r\n" + std::string(79, 'a') + "\r\n" + "a"},
      {"the rest of a split item and the next item share a record", [&] { FreeForm({"x", a79, "yz"}); },
       "x" + std::string(78, 'a') + "\r\nayz"},
      {"a real that fits after 63 columns", [&] {
         BeginWrite(kDefaultUnit);
         PutCharacter(d63);
         PutReal(1.0f);
         EndWrite();
       },
       d63 + "       1.000000"},
      {"a real that does not fit starts a new record with its whole field", [&] {
         BeginWrite(kDefaultUnit);
         PutCharacter(d64);
         PutReal(12.5f);
         PutCharacter("!");
         EndWrite();
       },
       d64 + "\r\n     12.500000!"},
      {"a moved real's field gives its first column as carriage control", [&] {
         BeginWrite(kDefaultUnit);
         PutCharacter(c70);
         PutReal(-1234567.0f);
         EndWrite();
       },
       c70 + "\r\n1234567.000000"},
      {"a real after a moved real is 16 wide", [&] {
         BeginWrite(kDefaultUnit);
         PutCharacter(c70);
         PutReal(1.0f);
         PutReal(2.0f);
         EndWrite();
       },
       c70 + "\r\n      1.000000        2.000000"},
      {"five reals: the fifth does not fit in what is left", [] {
         BeginWrite(kDefaultUnit);
         for (int i = 0; i < 5; ++i) PutReal(1.0f);
         EndWrite();
       },
       "       1.000000        1.000000        1.000000        1.000000\r\n       1.000000"},
      {"an integer item in 11 columns", [] {
         BeginWrite(kDefaultUnit);
         PutCharacter("n=");
         PutInteger(-42);
         EndWrite();
       },
       "n=        -42"},
  });
}

// A formatted statement over integer items.
std::function<void()> with_integers(std::string_view format, std::initializer_list<int> values) {
  return [format, values] {
    BeginWrite(kDefaultUnit, format);
    for (int v : values) PutInteger(v);
    EndWrite();
  };
}

TEST(Formatted, Descriptors) {
  RunCases({
      {"a literal with its first character as carriage control",
       [] {
         OpenLine();
         Formatted("('---Warning-- too many data points. Limit 2000  ')");
       },
       "\r\n--Warning-- too many data points. Limit 2000  "},
      {"both delimiters and doubled delimiters", [] { Formatted(R"((" say ""hi""",' it''s'))"); },
       R"(say "hi" it's)"},
      {"nX passes over columns that become blanks", [] { Formatted("(1X,'a',3X,'b')"); }, "a   b"},
      {"X alone moves one column", [] { Formatted("(X,'a',X,'b')"); }, "a b"},
      {"nX at the end of a record adds nothing",
       [] {
         Formatted("(1X,'a',5X,$)");
         Formatted("(A)", {"z"});
       },
       "az"},
      {"slash ends a record", [] { Formatted("(' a',/,' b',//' c')"); }, "a\r\nb\r\n\r\nc"},
      {"backslash is a synonym of $", [] {
         Formatted("(' a',\\)");
         FreeForm({"b"});
       },
       "a b"},
      {"A takes the item", [] { Formatted("(1X,A,A)", {"ab", "cd"}); }, "abcd"},
      {"Aw pads on the left when the item is shorter", [] { Formatted("(1X,A5)", {"abc"}); }, "  abc"},
      {"Aw keeps the first w characters", [] { Formatted("(1X,A3)", {"abcdefg"}); }, "abc"},
      {"rAw repeats for r items", [] { Formatted("(1X,3A2)", {"a", "bb", "ccc"}); }, " abbcc"},
      {"blanks ignored and letters of either case", [] { Formatted("( 1 x , a 5 )", {"ab"}); }, "   ab"},
      {"Iw right-justifies", with_integers("(' N = ',I6,'.')", {-4}), "N =     -4."},
      {"Iw of zero", with_integers("(1X,I1)", {0}), "0"},
      {"a number too wide for its field is asterisks", with_integers("(1X,I3,I2,I2)", {12345, -10, 99}),
       "*****99"},
      {"I0 takes as many columns as the digits", with_integers("(1X,I0)", {2147483647}), "2147483647"},
      {"a real item under A shows its free-form text", [] {
         BeginWrite(kDefaultUnit, "(1X,A)");
         PutReal(0.5f);
         EndWrite();
       },
       "5.000000E-01"},
  });
}

TEST(Formatted, ReversionAndStatementEnd) {
  RunCases({
      {"without a group the format is used again from its start", with_integers("(1X,I3)", {1, 2, 3}),
       "  1\r\n  2\r\n  3"},
      {"with a group, from the last top-level group", with_integers("(' head',/,(1X,I2,I3))", {1, 2, 3, 4, 5}),
       "head\r\n 1  2\r\n 3  4\r\n 5"},
      {"from the last of two groups", with_integers("(1X,(I1),'|',(I2))", {1, 2, 3, 4}), "1| 2\r\n3\r\n4"},
      {"a group repeat count", [] { Formatted("(1X,2(A,'-'))", {"a", "b"}); }, "a-b-"},
      {"the statement stops at the first descriptor without an item", [] { Formatted("(1X,2(A,'-'))", {"a"}); },
       "a-"},
      {"literals after the last item are written", [] { Formatted("(1X,A,' end')", {"x"}); }, "x end"},
      {"an item for a format that takes none is dropped", [] { Formatted("(' x')", {"y", "z"}); }, "x"},
      {"a format whose reversion part takes no item drops the rest",
       [] { Formatted("(1X,A,(' g'))", {"a", "b"}); }, "a g"},
      {"$ after reversion still leaves the line open",
       [] {
         Formatted("(1X,A,$)", {"a", "b"});
         Formatted("(A)", {"c"});
       },
       "a\r\nbc"},
  });
}

TEST(Formatted, PromptThenReplyLine) {
  // The prompt leaves its line open; the next record, with its leading blank,
  // continues it; the record after that starts a new line.
  EXPECT_EQ(Bytes([] {
              FreeForm({"banner"});
              Formatted("(' Please enter the name of your data file: ',$)");
              FreeForm({"File"});
              FreeForm({"next"});
            }),
            "banner\r\nPlease enter the name of your data file:  File\r\nnext");
}

TEST(Statements, MisuseNeverLosesOrCrashes) {
  RunCases({
      {"items outside a statement are ignored",
       [] {
         PutCharacter("lost");
         PutReal(1.0f);
         PutInteger(1);
         EndWrite();
         FreeForm({"x"});
       },
       "x"},
      {"a new statement ends the one in progress",
       [] {
         BeginWrite(kDefaultUnit);
         PutCharacter("a");
         FreeForm({"b"});
       },
       "a\r\nb"},
      {"an unterminated literal and a missing parenthesis", [] { Formatted("(' open"); }, "open"},
      {"unknown descriptors are skipped", [] { Formatted("(1X,F10.3,A,Q)", {"a"}); }, "a"},
      {"a huge count is held in bounds", [] { Formatted("(99999999999X,'a')"); },
       std::string(65534, ' ') + "a"},
  });
}

TEST(Units, ConsoleUnitsAndTheUnitNumberRange) {
  for (int unit : {6, 0, -32767, 32767, 5}) {
    SCOPED_TRACE(unit);
    EXPECT_EQ(Bytes([unit] {
                BeginWrite(Unit::Number(unit), "(A)");
                PutCharacter(" ok");
                EndWrite();
              }),
              "ok");
  }
  struct Row {
    int unit;
    const char* name;
  };
  for (Row row : {Row{32768, "32768"}, Row{-32768, "-32768"}, Row{2147483647, "2147483647"}}) {
    SCOPED_TRACE(row.name);
    const test::ChildRun run = test::RunInChild([row] {
      FreeForm({"before"});
      BeginWrite(Unit::Number(row.unit));
      PutCharacter("never shown");
      EndWrite();
    });
    EXPECT_EQ(run.out, "before\r\n");  // the open line is ended at process end
    EXPECT_EQ(run.err, std::string("\r\nrun-time error F6314: WRITE(") + row.name + ")\r\n- invalid unit number\r\n");
    EXPECT_EQ(run.status, 1);
  }
}

}  // namespace
}  // namespace zel::recio
