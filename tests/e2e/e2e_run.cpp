// Runs the built program for one transcript case and compares its standard
// output, standard error and exit status byte for byte with the case's
// expected files.
//
// A case is a directory:
//   stdin            bytes piped to standard input (absent: empty input)
//   args             command-line arguments, one per line (optional)
//   files/           copied into a fresh working directory before the run
//   expected_stdout  expected_stderr  (absent: empty)
//   expected_status  the exit status as a decimal number
//   unchanged        names (one per line) of files whose bytes and
//                    modification time must be unchanged after the run
//   fifo             names of files in files/ the run finds as named pipes
//   stdout_path      a path standard output is opened on instead of a pipe
//
// Usage: e2e_run [--under LOADER] PROGRAM CASE_DIR [--update]
//   --update rewrites the expected files from this run; review the diff
//   before committing it.
//   --under runs a Windows PROGRAM through LOADER (Wine): a case holding a
//   file `linux-only` is skipped (exit status 77), and `expected_stdout.windows`
//   replaces expected_stdout where the command interpreter prints differently.
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/pipes.h"

namespace fs = std::filesystem;

namespace {

std::string ReadFile(const fs::path& path, bool* exists = nullptr) {
  std::ifstream in(path, std::ios::binary);
  if (exists != nullptr) *exists = static_cast<bool>(in);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

void WriteFile(const fs::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// Shows control bytes, so that a CR LF difference is visible.
std::string Visible(const std::string& bytes) {
  std::string out;
  for (unsigned char c : bytes) {
    if (c == '\r') out += "\\r";
    else if (c == '\n') out += "\\n\n";
    else if (c == '\t') out += "\\t";
    else if (c < 0x20 || c >= 0x7f) {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02x", c);
      out += hex;
    } else out += static_cast<char>(c);
  }
  return out;
}

struct Result {
  std::string out, err;
  int status = -1;
};

Result Run(const std::string& loader, const std::string& program, const fs::path& cwd,
           const std::vector<std::string>& args, const std::string& input, const std::string& stdout_path) {
  zel::test::Finished finished = zel::test::RunWithPipes(
      [&] {
        if (chdir(cwd.c_str()) != 0) _exit(127);
        if (!stdout_path.empty() && dup2(open(stdout_path.c_str(), O_WRONLY), 1) != 1) _exit(127);
        std::vector<char*> argv;
        if (!loader.empty()) argv.push_back(const_cast<char*>(loader.c_str()));
        argv.push_back(const_cast<char*>(program.c_str()));
        for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
      },
      input, /*timeout_ms=*/60000);
  const int w = finished.wait_status;
  return {std::move(finished.out), std::move(finished.err), WIFEXITED(w) ? WEXITSTATUS(w) : 128 + WTERMSIG(w)};
}

}  // namespace

int main(int argc, char** argv) {
  std::string loader;
  if (argc > 2 && std::string(argv[1]) == "--under") {
    loader = argv[2];
    argc -= 2;
    argv += 2;
  }
  if (argc < 3) {
    std::cerr << "usage: e2e_run [--under LOADER] PROGRAM CASE_DIR [--update]\n";
    return 2;
  }
  const std::string program = fs::absolute(argv[1]).string();
  const fs::path case_dir = fs::absolute(argv[2]);
  const bool update = argc > 3 && std::string(argv[3]) == "--update";
  if (!loader.empty() && fs::exists(case_dir / "linux-only")) return 77;

  fs::path work = fs::temp_directory_path() / ("zel-e2e-" + case_dir.filename().string() + "-" + std::to_string(getpid()));
  fs::remove_all(work);
  fs::create_directories(work);
  if (fs::exists(case_dir / "files")) fs::copy(case_dir / "files", work, fs::copy_options::recursive);

  std::vector<std::string> unchanged = Lines(ReadFile(case_dir / "unchanged"));
  std::vector<std::pair<std::string, fs::file_time_type>> before;
  std::vector<std::string> before_bytes;
  for (const auto& name : unchanged) {
    before.emplace_back(name, fs::last_write_time(work / name));
    before_bytes.push_back(ReadFile(work / name));
  }

  std::vector<pid_t> writers;  // feed the named pipes; one the program never opens waits forever
  for (const auto& name : Lines(ReadFile(case_dir / "fifo"))) {
    const std::string path = (work / name).string(), bytes = ReadFile(path);
    if (!fs::remove(path) || mkfifo(path.c_str(), 0644) != 0) return 2;
    if (writers.emplace_back(fork()) == 0) _exit(write(open(path.c_str(), O_WRONLY), bytes.data(), bytes.size()) < 0);
  }
  const std::vector<std::string> stdout_path = Lines(ReadFile(case_dir / "stdout_path"));
  Result r = Run(loader, program, work, Lines(ReadFile(case_dir / "args")), ReadFile(case_dir / "stdin"),
                 stdout_path.empty() ? "" : stdout_path[0]);
  for (pid_t writer : writers) kill(writer, SIGKILL), waitpid(writer, nullptr, 0);

  bool ok = true;
  for (std::size_t i = 0; i < unchanged.size(); ++i) {
    if (ReadFile(work / unchanged[i]) != before_bytes[i] || fs::last_write_time(work / unchanged[i]) != before[i].second) {
      std::cerr << "file changed by the run: " << unchanged[i] << "\n";
      ok = false;
    }
  }
  fs::remove_all(work);

  if (update) {
    WriteFile(case_dir / "expected_stdout", r.out);
    if (!r.err.empty()) WriteFile(case_dir / "expected_stderr", r.err);
    else fs::remove(case_dir / "expected_stderr");
    WriteFile(case_dir / "expected_status", std::to_string(r.status) + "\n");
    std::cout << "updated " << case_dir.filename().string() << "\n";
    return 0;
  }

  auto compare = [&](const char* what, const std::string& expected, const std::string& actual) {
    if (expected == actual) return;
    ok = false;
    std::cerr << "---- " << what << " differs\n---- expected:\n" << Visible(expected) << "\n---- actual:\n"
              << Visible(actual) << "\n";
  };
  const bool own_stdout = !loader.empty() && fs::exists(case_dir / "expected_stdout.windows");
  compare("stdout", ReadFile(case_dir / (own_stdout ? "expected_stdout.windows" : "expected_stdout")), r.out);
  compare("stderr", ReadFile(case_dir / "expected_stderr"), r.err);
  bool has_status = false;
  std::string status_text = ReadFile(case_dir / "expected_status", &has_status);
  int expected_status = has_status ? std::atoi(status_text.c_str()) : 0;
  if (expected_status != r.status) {
    ok = false;
    std::cerr << "---- exit status: expected " << expected_status << ", actual " << r.status << "\n";
  }
  return ok ? 0 : 1;
}
