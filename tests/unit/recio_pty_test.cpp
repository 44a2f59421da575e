// Console reads from a pseudo-terminal: standard input and output are both
// terminals, so the reply read shares the console output's marks.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <poll.h>
#include <pty.h>
#include <string>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include "recio/console.h"
#include "recio/input.h"
#include "recio/output.h"
#include "runtime/platform.h"
#include "tests/support/seams.h"

namespace zel::recio {
namespace {

struct PtyRun {
  std::string out;  // standard output and standard error, as the terminal got them
  int status = -1;
};

// Runs `body` on a pseudo-terminal; once `wait_for` has appeared, types
// `typed`. The terminal passes bytes untouched both ways (no OPOST, no echo)
// and lets Ctrl-Z through, keeping one typed line per read.
PtyRun RunOnTerminal(const std::function<void()>& body, const std::string& wait_for, const std::string& typed) {
  int master = -1;
  pid_t pid = forkpty(&master, nullptr, nullptr, nullptr);
  if (pid == 0) {
    termios mode{};
    tcgetattr(0, &mode);
    mode.c_oflag &= ~static_cast<tcflag_t>(OPOST);
    mode.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    mode.c_cc[VSUSP] = _POSIX_VDISABLE;
    tcsetattr(0, TCSANOW, &mode);
    ResetConsole();
    ResetInput();
    body();
    platform::Exit(0);
  }
  PtyRun run;
  bool typed_yet = false;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (std::chrono::steady_clock::now() < deadline) {
    pollfd fd{master, POLLIN, 0};
    if (poll(&fd, 1, 100) <= 0) continue;
    char buffer[512];
    ssize_t n = read(master, buffer, sizeof buffer);
    if (n <= 0) break;  // EIO once the child has gone
    run.out.append(buffer, static_cast<std::size_t>(n));
    if (!typed_yet && run.out.find(wait_for) != std::string::npos) {
      typed_yet = true;
      if (write(master, typed.data(), typed.size()) < 0) break;
    }
  }
  int wstatus = 0;
  waitpid(pid, &wstatus, 0);
  close(master);
  run.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : -1;
  return run;
}

// The prompt, one reply read with "(a10)", and the reply echoed as a record.
void PromptAndRead(bool keep_line_open) {
  BeginWrite(kDefaultUnit, keep_line_open ? "(' Name: ',$)" : "(' Name: ')");
  EndWrite();
  char name[10];
  BeginRead(kDefaultUnit, "(a10)", false);
  GetCharacter(name, sizeof name);
  EndRead();
  BeginWrite(kDefaultUnit);
  PutCharacter(std::string_view(name, sizeof name));
  EndWrite();
}

TEST(TerminalConsole, ReplyReads) {
  const std::string kEof = "\r\nrun-time error F6501: READ(CON)\r\n- end of file encountered\r\n";
  struct Row { const char* why; bool dollar; std::string typed, out; int status; } rows[] = {
      {"reply on the prompt's line; next record on a new line", true, "abc\n", "Name: abc       \r\n", 0},
      {"reply starts on a new line without $", false, "abc\r\n", "Name: \r\nabc       \r\n", 0},
      {"Ctrl-Z and Enter", true, "\x1a\n", "Name: \r\n" + kEof, 1},
      {"Ctrl-Z after characters", true, "ab\x1a\r\n", "Name: \r\n" + kEof, 1},
      {"typed line too long", true, std::string(140, 'x') + "\n",
       "Name: \r\n\r\nrun-time error F6407: READ(CON)\r\n- input line too long\r\n", 1},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.why);
    PtyRun run = RunOnTerminal([&] { PromptAndRead(row.dollar); }, "Name: ", row.typed);
    EXPECT_EQ(run.out, row.out);
    EXPECT_EQ(run.status, row.status);
  }
}

}  // namespace
}  // namespace zel::recio
