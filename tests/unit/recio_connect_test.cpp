#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "recio/connect.h"
#include "recio/console.h"
#include "recio/input.h"
#include "tests/support/child_run.h"

namespace zel::recio {
namespace {

class ConnectTest : public testing::Test {
 protected:
  void SetUp() override {
    dir_ = testing::TempDir() + "recio_connect_XXXXXX";
    ASSERT_NE(mkdtemp(dir_.data()), nullptr);
  }
  void Write(const std::string& name, const std::string& bytes) { std::ofstream(dir_ + "/" + name) << bytes; }

  // Runs Connect in a child whose working directory is the test directory,
  // then reads the first pair and prints it with the connected name.
  test::ChildRun ConnectAndRead(const std::string& name, const std::string& stdin_bytes = "",
                                std::vector<std::string> arguments = {}, bool line_open = false) {
    test::ChildOptions options;
    options.stdin_bytes = stdin_bytes;
    options.arguments = std::move(arguments);
    return test::RunInChild(
        [&] {
          if (chdir(dir_.c_str()) != 0) return;
          Console().line_open = line_open;
          Connect(kDataFileUnit, name);
          float t = 0, c = 0;
          BeginRead(Unit::Number(kDataFileUnit), true);
          int status = GetReal(t) | GetReal(c);
          ConsoleWrite("<" + ConnectedName(kDataFileUnit) + " " + std::to_string(status) + " " +
                       std::to_string(t + c) + ">");
        },
        options);
  }

  std::string dir_;
};

TEST_F(ConnectTest, NameFromReplyArgumentOrPrompt) {
  Write("data.txt", "1 2\n");
  Write("run1.dat", "3 4\n");
  Write("\tx", "5 6\n");
  const std::string kAsk = "File name missing or blank - please enter file name\r\nUNIT 4? ";
  struct Row { const char* why; std::string name, input; std::vector<std::string> args; std::string out; } rows[] = {
      {"blanks stripped", "  data.txt  ", "", {}, "<data.txt 0 3.000000>"},
      {"a tab stays", "\tx", "", {}, "<\tx 0 11.000000>"},
      {"argument", "          ", "", {"run1.dat", "data.txt"}, "<run1.dat 0 7.000000>"},
      {"argument stripped", "", "", {"  run1.dat "}, "<run1.dat 0 7.000000>"},
      {"blank argument prompts", " ", "run1.dat\n", {" "}, kAsk + "<run1.dat 0 7.000000>"},
      {"prompt repeats", "", "\n  \r\n data.txt\r", {}, kAsk + kAsk + kAsk + "<data.txt 0 3.000000>"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.why);
    test::ChildRun run = ConnectAndRead(row.name, row.input, row.args);
    EXPECT_EQ(run.out, row.out);
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.status, 0);
  }
}

TEST_F(ConnectTest, PromptEndsTheOpenLineFirst) {
  Write("d", "1 2\n");
  test::ChildRun run = ConnectAndRead("", "d\n", {}, /*line_open=*/true);
  EXPECT_EQ(run.out, "\r\nFile name missing or blank - please enter file name\r\nUNIT 4? <d 0 3.000000>\r\n");
}

TEST_F(ConnectTest, FailuresEndTheRunWithTheirReport) {
  Write("plain", "");
  Write("long", "1 2\n");
  ASSERT_EQ(mkdir((dir_ + "/folder").c_str(), 0755), 0);
  const std::string kName255(255, 'n');
  struct Row { const char* why; std::string name, input; std::string report; } rows[] = {
      {"missing file", "absent.dat", "", "F6416: OPEN(absent.dat)\r\n- file not found"},
      {"missing directory", "nodir/x.dat", "", "F6416: OPEN(nodir/x.dat)\r\n- file not found"},
      {"directory", "folder", "", "F6414: OPEN(folder)\r\n- access denied"},
      {"name too long", kName255 + "x", "", "F6412: OPEN(" + kName255 + "x)\r\n- invalid file name"},
      {"end of input at the prompt", "", "", "F6501: OPEN()\r\n- end of file encountered"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.why);
    test::ChildRun run = ConnectAndRead(row.name, row.input);
    EXPECT_EQ(run.err, "\r\nrun-time error " + row.report + "\r\n");
    EXPECT_EQ(run.status, 1);
  }
  EXPECT_NE(access((dir_ + "/absent.dat").c_str(), F_OK), 0) << "a missing file is not created";
}

TEST_F(ConnectTest, ReadingLeavesTheFileAsItWas) {
  const std::string path = dir_ + "/pairs.dat";
  Write("pairs.dat", "1 2\r\n3 4\r");
  ASSERT_EQ(chmod(path.c_str(), 0444), 0);
  struct stat before {}, after {};
  ASSERT_EQ(stat(path.c_str(), &before), 0);
  sleep(1);  // an mtime changed by the run would differ by at least a second
  test::ChildRun run = ConnectAndRead("pairs.dat");
  EXPECT_EQ(run.out, "<pairs.dat 0 3.000000>");
  ASSERT_EQ(stat(path.c_str(), &after), 0);
  EXPECT_EQ(after.st_size, before.st_size);
  EXPECT_EQ(after.st_mtim.tv_sec, before.st_mtim.tv_sec);
  EXPECT_EQ(after.st_mtim.tv_nsec, before.st_mtim.tv_nsec);
  EXPECT_EQ(after.st_mode & 0777, 0444u);
}

}  // namespace
}  // namespace zel::recio
