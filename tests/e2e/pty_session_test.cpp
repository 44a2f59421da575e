// A whole interactive run as a person sees it: the program on a
// pseudo-terminal, the reply typed on the prompt's line, the results, the
// pause and the stop.
//
// The terminal is set up so that the test sees the program's own bytes: no
// output post-processing (a LF stays a LF), no echo of what is typed, and
// Ctrl-Z delivered as a byte rather than suspending anything.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>

namespace fs = std::filesystem;

namespace {

class PtySession {
 public:
  PtySession(const fs::path& cwd, const std::string& program) {
    termios settings{};
    cfmakeraw(&settings);
    settings.c_iflag |= ICRNL;
    settings.c_lflag |= ICANON | ISIG;
    settings.c_oflag &= ~OPOST;
    settings.c_lflag &= ~(ECHO | ECHOE | ECHOK | ECHONL);
    settings.c_cc[VSUSP] = _POSIX_VDISABLE;
    settings.c_cc[VEOF] = 4;
    settings.c_cc[VMIN] = 1;
    settings.c_cc[VTIME] = 0;
    pid_ = forkpty(&master_, nullptr, &settings, nullptr);
    if (pid_ == 0) {
      if (chdir(cwd.c_str()) != 0) _exit(127);
      execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
      _exit(127);
    }
  }
  ~PtySession() {
    if (master_ >= 0) close(master_);
    if (pid_ > 0 && status_ < 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
  }

  // Reads until the output seen so far ends with `tail` (or times out).
  bool ReadUntil(const std::string& tail) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!EndsWith(tail)) {
      if (std::chrono::steady_clock::now() > deadline || !ReadSome()) return false;
    }
    return true;
  }

  void Type(const std::string& text) { [[maybe_unused]] auto n = write(master_, text.data(), text.size()); }

  // Reads to the end of the session and returns the exit status.
  int Finish() {
    while (ReadSome()) {
    }
    int wstatus = 0;
    waitpid(pid_, &wstatus, 0);
    status_ = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : 128 + WTERMSIG(wstatus);
    return status_;
  }

  const std::string& seen() const { return seen_; }

 private:
  bool EndsWith(const std::string& tail) const {
    return seen_.size() >= tail.size() && seen_.compare(seen_.size() - tail.size(), tail.size(), tail) == 0;
  }
  bool ReadSome() {
    pollfd p{master_, POLLIN, 0};
    if (poll(&p, 1, 20000) <= 0) return false;
    char buffer[4096];
    ssize_t n = read(master_, buffer, sizeof buffer);
    if (n <= 0) return false;  // EIO once the program has ended
    seen_.append(buffer, static_cast<std::size_t>(n));
    return true;
  }

  int master_ = -1;
  pid_t pid_ = -1;
  int status_ = -1;
  std::string seen_;
};

class PtyRun : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("zel-pty-" + std::to_string(getpid()));
    fs::create_directories(dir_);
    std::ofstream(dir_ / "peak.dat") << "2 0\n4 1\n6 1\n";
  }
  void TearDown() override { fs::remove_all(dir_); }
  fs::path dir_;
};

const std::string kBanner =
    "  "
    "\r\nZelvantor V.1.1, a free utility program written by"
    "\r\nthe Zelvantor developers in C++20, for the console."
    "\r\nQuestions and bug reports: the Zelvantor issue tracker."
    "\r\nThis program integrates a concentration profile."
    "\r\nData file must look like: t(1), c(1), t(2), c(2)..."
    "\r\nOr, two columns with the first being time."
    "\r\n  "
    "\r\nPlease enter the name of your data file: ";

TEST_F(PtyRun, ReplyOnThePromptLineThenResultsPauseAndStop) {
  PtySession session(dir_, ZELVANTOR_BINARY);
  ASSERT_TRUE(session.ReadUntil("your data file: ")) << session.seen();
  EXPECT_EQ(session.seen(), kBanner);
  session.Type("peak.dat\n");
  ASSERT_TRUE(session.ReadUntil("or a DOS command.\r\n")) << session.seen();
  session.Type("\n");
  EXPECT_EQ(session.Finish(), 0);
  // The reply's Enter already moved the cursor: the next record starts at
  // the beginning of the new line, without a line end of its own.
  EXPECT_EQ(session.seen(), kBanner +
                                "  "
                                "\r\nArea under the curve (peak area?) =       3.000000"
                                "\r\nMaximum time in your data file=       6.000000"
                                "\r\n "
                                "\r\nt=0, c=   0.000000E+00 data point was added to calculate area above the curve."
                                "\r\nArea above the curve =       2.000000"
                                "\r\n "
                                "\r\nPause - Please enter a blank line (to continue) or a DOS command.\r\n"
                                "\r\nStop - Program terminated.\r\n"
                                "\r\n");
}

TEST_F(PtyRun, CtrlZAtThePromptEndsTheInput) {
  PtySession session(dir_, ZELVANTOR_BINARY);
  ASSERT_TRUE(session.ReadUntil("your data file: ")) << session.seen();
  session.Type("\x1a\n");
  EXPECT_EQ(session.Finish(), 1);
  // Standard error is the same terminal: the open prompt line is ended
  // first, then the report follows.
  EXPECT_NE(session.seen().find("run-time error F6501: READ(CON)\r\n"), std::string::npos) << session.seen();
}

}  // namespace
