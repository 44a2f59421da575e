// The batch rows agree with the interactive runs: for every data file of
// the transcript cases and a few hundred generated profiles, each number of
// a row, printed as the interactive run prints reals, is the text that run
// printed (or empty where it printed none), and the status matches its
// outcome and exit status.
//
// Usage: batch_agree PROGRAM CASES_DIR
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <iostream>
#include <random>
#include <string>
#include <vector>

#include "recio/realtext.h"
#include "tests/support/pipes.h"

namespace fs = std::filesystem;
namespace {

std::string g_program;
int g_failures = 0;

zel::test::Finished Run(const fs::path& dir, std::vector<std::string> args, const std::string& input) {
  return zel::test::RunWithPipes(
      [&] {
        if (chdir(dir.c_str()) != 0) _exit(127);
        std::vector<char*> argv{g_program.data()};
        for (auto& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        execv(g_program.c_str(), argv.data());
        _exit(127);
      },
      input, 120000);
}

// The CSV rows after the header, fields unquoted.
std::vector<std::vector<std::string>> ParseCsv(const std::string& text) {
  std::vector<std::vector<std::string>> rows(1, std::vector<std::string>(1));
  bool quoted = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char ch = text[i];
    if (quoted && ch == '"' && i + 1 < text.size() && text[i + 1] == '"') rows.back().back() += text[++i];
    else if (ch == '"') quoted = !quoted;
    else if (!quoted && ch == ',') rows.back().emplace_back();
    else if (!quoted && ch == '\r' && i + 1 < text.size() && text[i + 1] == '\n') rows.emplace_back(1), ++i;
    else rows.back().back() += ch;
  }
  rows.pop_back();  // after the last CR LF
  rows.erase(rows.begin());
  return rows;
}

// The real the interactive run printed after `label`, or "" when it printed none.
std::string Printed(const std::string& out, const std::string& label) {
  const std::size_t at = out.find(label);
  if (at == std::string::npos) return "";
  const std::size_t start = out.find_first_not_of(' ', at + label.size());
  return out.substr(start, out.find('\r', start) - start);
}

std::string Shown(const std::string& field) { return field.empty() ? "" : zel::recio::RealText(std::stof(field)); }

void Expect(bool ok, const fs::path& file, const std::string& what) {
  if (ok) return;
  ++g_failures;
  std::cerr << file.string() << ": " << what << "\n";
}

// One batch over the files of `dir`, and one interactive run per file.
void Check(const fs::path& dir, const std::vector<std::string>& names) {
  std::vector<std::string> args{"--batch", "--"};
  args.insert(args.end(), names.begin(), names.end());
  const auto rows = ParseCsv(Run(dir, args, "").out);
  Expect(rows.size() == names.size(), dir, "one row per file");
  for (std::size_t i = 0; i < rows.size() && i < names.size(); ++i) {
    const auto& row = rows[i];
    const fs::path file = dir / names[i];
    const auto interactive = Run(dir, {}, names[i] + "\n\n");
    const std::string& out = interactive.out;
    const int status = WIFEXITED(interactive.wait_status) ? WEXITSTATUS(interactive.wait_status) : -1;
    const std::string expected_status = status == 1                                          ? "error"
                                        : status == 2 && out.find("too many data points") != std::string::npos ? "too-many-points"
                                        : status == 2                                          ? "failed"
                                        : out.find("*** WARNING") != std::string::npos          ? "warning"
                                                                                               : "ok";
    Expect(row.size() == 8 && row[0] == names[i], file, "eight fields, the name first");
    if (row.size() != 8) continue;
    Expect(row[6] == expected_status, file, "status " + row[6] + ", interactive " + expected_status);
    Expect(Shown(row[2]) == Printed(out, "Area under the curve (peak area?) ="), file, "area under " + row[2]);
    Expect(Shown(row[3]) == Printed(out, "Maximum time in your data file="), file, "last time " + row[3]);
    Expect(Shown(row[5]) == Printed(out, "Area above the curve ="), file, "area above " + row[5]);
    Expect((row[4] == "yes") == (out.find("t=0, c=") != std::string::npos), file, "t=0 point " + row[4]);
  }
}

// Profiles of every kind the reader and the integrator meet: peaks, noise,
// times out of order or repeated, negative and positive first times, huge
// and tiny magnitudes, single pairs and empty files.
void Generate(const fs::path& dir, int count, std::vector<std::string>& names) {
  std::mt19937 random(20261209);
  for (int k = 0; k < count; ++k) {
    const int n = k % 10 == 0 ? 200 : static_cast<int>(random() % 40);
    const double scale = std::pow(10.0, static_cast<int>(random() % 13) - 6);
    double t = static_cast<int>(random() % 3) - 1.0;
    std::string text;
    for (int i = 0; i < n; ++i) {
      t += k % 7 == 3 ? std::uniform_real_distribution<>(-0.5, 1.0)(random) : std::uniform_real_distribution<>(0.0, 2.0)(random);
      const double peak = std::exp(-0.1 * (t - n / 2.0) * (t - n / 2.0)) + (k % 5 == 1 ? 0.3 * (random() % 7) - 1.0 : 0.0);
      char line[64];
      std::snprintf(line, sizeof line, "%.7g %.7g\n", t, peak * scale);
      text += line;
    }
    names.push_back("gen" + std::to_string(k) + ".dat");
    std::FILE* f = std::fopen((dir / names.back()).c_str(), "wb");
    std::fwrite(text.data(), 1, text.size(), f);
    std::fclose(f);
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: batch_agree PROGRAM CASES_DIR\n";
    return 2;
  }
  g_program = fs::absolute(argv[1]).string();
  for (const auto& entry : fs::directory_iterator(argv[2])) {
    if (!fs::is_directory(entry.path() / "files")) continue;
    std::vector<std::string> names;
    for (const auto& file : fs::directory_iterator(entry.path() / "files")) names.push_back(file.path().filename());
    Check(entry.path() / "files", names);
  }
  const fs::path generated = fs::temp_directory_path() / ("zel-batch-agree-" + std::to_string(getpid()));
  fs::create_directories(generated);
  std::vector<std::string> names;
  Generate(generated, 300, names);
  Check(generated, names);
  fs::remove_all(generated);
  std::cout << (g_failures == 0 ? "batch rows agree with the interactive runs\n" : "disagreements found\n");
  return g_failures == 0 ? 0 : 1;
}
