// The platform layer, the run-time error report and the floating-point traps.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <string>

#include "recio/console.h"
#include "runtime/fpenv.h"
#include "runtime/platform.h"
#include "runtime/report.h"
#include "tests/support/child_run.h"
#include "tests/support/seams.h"

namespace zel {
namespace {

namespace fs = std::filesystem;
using test::RunInChild;

std::string Report(char kind, int number, std::string_view statement, std::string_view name,
                   std::string_view description, bool has_name = true) {
  char buffer[512];
  std::size_t n = runtime::FormatRuntimeError(buffer, sizeof buffer, kind, number, statement, name, description,
                                              has_name);
  return std::string(buffer, n);
}

TEST(RuntimeErrorReport, Layout) {
  EXPECT_EQ(Report('F', 6416, ": OPEN(", "nodir/data.dat", "file not found"),
            "\r\nrun-time error F6416: OPEN(nodir/data.dat)\r\n- file not found\r\n");
  EXPECT_EQ(Report('F', 6501, ": OPEN(", "", "end of file encountered"),
            "\r\nrun-time error F6501: OPEN()\r\n- end of file encountered\r\n");
  EXPECT_EQ(Report('M', 6104, ": MATH", "", "floating-point error: overflow", false),
            "\r\nrun-time error M6104: MATH\r\n- floating-point error: overflow\r\n");
  EXPECT_EQ(Report('F', 314, ": READ(", "CON", ""), "\r\nrun-time error F0314: READ(CON)\r\n\r\n");
}

TEST(RuntimeErrorReport, NeverPassesTheBuffer) {
  char buffer[10];
  EXPECT_EQ(runtime::FormatRuntimeError(buffer, sizeof buffer, 'F', 6416, ": OPEN(", std::string(300, 'x'), "d"),
            sizeof buffer);
}

TEST(RuntimeErrorReport, EndsTheOpenConsoleLineFirstAndExitsWithOne) {
  auto run = RunInChild([] {
    recio::ConsoleWrite("prompt: ");
    recio::Console().line_open = true;
    runtime::RuntimeErrorExit('F', 6103, ": READ(", "x.dat", "invalid real number");
  });
  EXPECT_EQ(run.out, "prompt: \r\n");
  EXPECT_EQ(run.err, "\r\nrun-time error F6103: READ(x.dat)\r\n- invalid real number\r\n");
  EXPECT_EQ(run.status, 1);
}

TEST(ProcessEnd, WritesTheOwedLineEndOnce) {
  auto run = RunInChild([] {
    recio::ConsoleWrite("last record");
    recio::Console().line_open = true;
    platform::RunProcessEndHook();
    platform::Exit(0);
  });
  EXPECT_EQ(run.out, "last record\r\n");
  EXPECT_EQ(run.status, 0);
}

struct TrapCase {
  const char* name;
  float (*compute)(float);
  const char* report;
};

TEST(FloatingPointTraps, EndTheRunWithTheMathReport) {
  const TrapCase cases[] = {
      {"overflow", [](float v) { volatile float x = v; return x * 1.0e30f; },
       "\r\nrun-time error M6104: MATH\r\n- floating-point error: overflow\r\n"},
      {"division by zero", [](float v) { volatile float x = v; return x / (x - x); },
       "\r\nrun-time error M6103: MATH\r\n- floating-point error: division by zero\r\n"},
      {"invalid operation", [](float v) { volatile float x = v; return (x - x) / (x - x); },
       "\r\nrun-time error M6101: MATH\r\n- floating-point error: invalid operation\r\n"},
  };
  for (const TrapCase& c : cases) {
    SCOPED_TRACE(c.name);
    auto run = RunInChild([&] {
      recio::ConsoleWrite("Area =");
      recio::Console().line_open = true;
      fpenv::EnableTraps();
      volatile float result = c.compute(3.0e10f);
      (void)result;
    });
    EXPECT_EQ(run.out, "Area =\r\n");
    EXPECT_EQ(run.err, c.report);
    EXPECT_EQ(run.status, 1);
  }
}

TEST(FloatingPointTraps, UnderflowAndInexactDoNotTrap) {
  auto run = RunInChild([] {
    fpenv::EnableTraps();
    volatile float tiny = 1.0e-30f;
    volatile float product = tiny * tiny;  // underflows to zero
    volatile float third = 1.0f / 3.0f;   // inexact
    (void)product;
    (void)third;
  });
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(run.status, 0);
}

class OpenExisting : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("zel-rt-" + std::to_string(getpid()));
    fs::create_directories(dir_);
  }
  void TearDown() override {
    fs::permissions(dir_, fs::perms::owner_all, fs::perm_options::add);
    fs::remove_all(dir_);
  }
  fs::path dir_;
};

TEST_F(OpenExisting, StatusByCause) {
  std::ofstream(dir_ / "data.dat") << "0 0\n";
  fs::create_directories(dir_ / "sub");
  struct Row {
    const char* name;
    fs::path path;
    platform::OpenStatus status;
  } rows[] = {
      {"existing file", dir_ / "data.dat", platform::OpenStatus::kOk},
      {"missing file", dir_ / "nosuch.dat", platform::OpenStatus::kNotFound},
      {"missing directory", dir_ / "nodir" / "x.dat", platform::OpenStatus::kNotFound},
      {"directory", dir_ / "sub", platform::OpenStatus::kAccessDenied},
      {"embedded NUL", fs::path(std::string("a\0b", 3)), platform::OpenStatus::kInvalidName},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    auto result = platform::OpenExisting(row.path.string());
    EXPECT_EQ(result.status, row.status);
    if (result.handle >= 0) close(result.handle);
  }
  EXPECT_FALSE(fs::exists(dir_ / "nosuch.dat")) << "a missing file must never be created";
}

// The open falls back from reading and writing to reading only, then to
// writing only, and only after a refused access mode; the system's refusals
// are forced here, as running as root could not reach them.
TEST(OpenFallbacks, AccessModesTriedInTurn) {
  struct Row {
    const char* why;
    int refuse_error;     // errno of a refused mode
    int refused_modes;    // how many modes, in order, are refused
    const char* tried;    // the modes asked for
    platform::OpenStatus status;
  } rows[] = {
      {"read-write granted", EACCES, 0, "rw", platform::OpenStatus::kOk},
      {"read-write refused", EACCES, 1, "rw r", platform::OpenStatus::kOk},
      {"read-only refused too", EROFS, 2, "rw r w", platform::OpenStatus::kOk},
      {"every mode refused", EPERM, 3, "rw r w", platform::OpenStatus::kAccessDenied},
      {"a missing file is not tried again", ENOENT, 3, "rw", platform::OpenStatus::kNotFound},
      {"no handle left", EMFILE, 3, "rw", platform::OpenStatus::kTooManyFiles},
  };
  static std::string tried;
  static int refusals_left = 0;
  static int refuse_error = 0;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.why);
    tried.clear();
    refusals_left = row.refused_modes;
    refuse_error = row.refuse_error;
    platform::OsCallTable().open = [](const char*, int flags) {
      const int mode = flags & O_ACCMODE;
      tried += std::string(tried.empty() ? "" : " ") + (mode == O_RDWR ? "rw" : mode == O_RDONLY ? "r" : "w");
      if (refusals_left-- > 0) {
        errno = refuse_error;
        return -1;
      }
      return 100;
    };
    const platform::OpenResult result = platform::OpenExisting("no/such/dir/data.dat");
    platform::OsCallTable() = platform::SystemCalls();
    EXPECT_EQ(tried, row.tried);
    EXPECT_EQ(result.status, row.status);
    EXPECT_EQ(result.handle, row.status == platform::OpenStatus::kOk ? 100 : -1);
  }
}

// A process started with a standard handle closed: the data file must not
// take that handle's place, or console output and error reports would be
// written into the user's file.
TEST_F(OpenExisting, NeverTakesTheSlotOfAClosedStandardHandle) {
  const fs::path file = dir_ / "data.dat";
  for (int closed : {platform::kStdin, platform::kStdout, platform::kStderr}) {
    SCOPED_TRACE(closed);
    std::ofstream(file, std::ios::trunc) << "0 0\n";
    const std::string path = file.string();
    const auto run = RunInChild([closed, path] {
      close(closed);
      platform::PrepareProcess();
      const auto opened = platform::OpenExisting(path);
      platform::WriteAll(platform::kStdout, "console\r\n");
      platform::WriteAll(platform::kStderr, "report\r\n");
      platform::Exit(opened.handle > platform::kStderr ? 0 : 3);
    });
    EXPECT_EQ(run.status, 0) << "the data file got a standard handle";
    std::ifstream in(file, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "0 0\n");
  }
}

// Beyond the file-size limit a write fails and is reported; no signal ends the run.
TEST(ProcessEnd, OutputBeyondTheFileSizeLimitIsReported) {
  auto run = RunInChild([] {
    platform::PrepareProcess();
    const rlimit limit{8, 8};
    setrlimit(RLIMIT_FSIZE, &limit);
    dup2(fileno(std::tmpfile()), 1);
    recio::ConsoleWrite("more than eight bytes");
  });
  EXPECT_EQ(run.err, "\r\nrun-time error F6419: WRITE(CON)\r\n- console output could not be written\r\n");
  EXPECT_EQ(run.status, 1);
}

}  // namespace
}  // namespace zel
