#include <gtest/gtest.h>

#include <string>

#include "recio/console.h"
#include "recio/end.h"
#include "recio/input.h"
#include "tests/support/child_run.h"

namespace zel::recio {
namespace {

const std::string kPausePrompt = "Pause - Please enter a blank line (to continue) or a DOS command.\r\n";

TEST(Pause, RepliesAndCommands) {
  const std::string kLong = "echo " + std::string(295, 'a');
  struct Row { const char* why; std::string reply, out, err; } rows[] = {
      {"empty reply", "\n", "", ""},
      {"one character runs nothing", "x\n", "", ""},
      {"trailing blanks and tabs removed", "x \t \t\r\n", "", ""},
      {"a command runs after the prompt", "echo hello\n", "hello\n", ""},
      {"leading blank stays, lone CR ends", " echo hi\rnot a command\n", "hi\n", ""},
      {"a long reply runs whole", kLong + "\n", std::string(295, 'a') + "\n", ""},
      {"a reply holding a NUL byte runs nothing", std::string("echo a\0; echo b\n", 16), "", ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.why);
    test::ChildRun run = test::RunInChild(
        [] {
          Console().line_open = true;
          Pause();
          Stop();
        },
        row.reply);
    EXPECT_EQ(run.out, "\r\n" + kPausePrompt + row.out + "\r\nStop - Program terminated.\r\n\r\n");
    EXPECT_EQ(run.err, row.err);
    EXPECT_EQ(run.status, 0);
  }
}

TEST(Pause, EndOfInputEndsTheRun) {
  for (const char* input : {"", "\x1a\r\n"}) {
    SCOPED_TRACE(testing::PrintToString(input));
    test::ChildRun run = test::RunInChild([] { Pause(); Stop(); }, input);
    EXPECT_EQ(run.out, kPausePrompt);
    EXPECT_EQ(run.err, "\r\nrun-time error F6501: READ(CON)\r\n- end of file encountered\r\n");
    EXPECT_EQ(run.status, 1);
  }
}

TEST(Pause, ReplyLongerThanACommandLineRunsNothing) {
  test::ChildRun run = test::RunInChild([] { Pause(); Stop(); }, "echo " + std::string(kLongestConsoleLine, 'a'));
  EXPECT_EQ(run.out, kPausePrompt);
  EXPECT_EQ(run.err, "\r\nrun-time error F6407: READ(CON)\r\n- input line too long\r\n");
  EXPECT_EQ(run.status, 1);
}

// The reply read, the line reader and the pause take their lines from one
// console stream: nothing that one of them buffered is lost to the next.
TEST(ConsoleLineReader, LineEndsLimitsAndSharedStream) {
  const std::string kPiece(131, 'p');  // 131 bytes and a CR fill the first console block
  test::ChildRun run = test::RunInChild(
      [] {
        char name[4];
        BeginRead(kDefaultUnit, "(a4)", false);
        GetCharacter(name, sizeof name);
        EndRead();
        std::string out = "[" + std::string(name, 4) + "]";
        std::string line;
        for (std::size_t limit : {3, 100, 100, 200, 100, 100, 100}) {
          bool got = ReadConsoleLine(line, limit);
          out += got ? "[" + (line.size() > 8 ? std::to_string(line.size()) : line) + "]" : "<eof>";
        }
        ConsoleWrite(out);
      },
      "name\r\nabcdef\nlf\r\ncrlf\r" + kPiece + "\r\nlone\rlast");
  EXPECT_EQ(run.out, "[name][abc][lf][crlf][131][lone][last]<eof>");
}

}  // namespace
}  // namespace zel::recio
