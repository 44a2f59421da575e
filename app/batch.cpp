// Batch mode: the command line, one isolated run per data file, the CSV
// table and the report page.
#include "app/batch.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "app/peak_area.h"
#include "runtime/isolate.h"
#include "runtime/platform.h"

namespace zel::app {
namespace {

constexpr std::string_view kUsage = "usage: zelvantor --batch [--report FILE.html] DATAFILE...\n";
constexpr std::string_view kHeader = "file,pairs,area_under,last_time,t0_point_added,area_above,status,message\r\n";

// The result record a run sends as it goes: one tag byte per step reached,
// reals as their bit patterns.
//   'P' n:int32 then n pairs (t, c)   the table has been read
//   'U' area_under last_time          the first integration has returned
//   'Z'                               the first time moved to 0
//   'A' area_above                    the run has finished
class ResultRecord {
 public:
  void Tag(char tag) { bytes_.push_back(tag); }
  void Int(std::int32_t value) { Append(&value, sizeof value); }
  void Real(float value) { Int(std::bit_cast<std::int32_t>(value)); }
  // Sent at once: the run may end in its very next step.
  void Send() {
    platform::SendIsolatedResult(bytes_);
    bytes_.clear();
  }

 private:
  void Append(const void* data, std::size_t size) { bytes_.append(static_cast<const char*>(data), size); }
  std::string bytes_;
};

// One data file, in a process of its own: the interactive run's steps
// without the dialogue, its records or the pause.
void RunOneFile(std::string_view name) {
  // No command-line argument may stand in for a blank name: the run asks
  // on the console, finds no input there and ends with its report.
  platform::SetArguments(0, nullptr);
  ResultRecord record;
  ConnectDataFile(name);
  ReadTable();
  const Table& table = ProfileTable();
  record.Tag('P');
  record.Int(table.n);
  for (int i = 0; i < table.n; ++i) {
    record.Real(table.t[i]);
    record.Real(table.c[i]);
  }
  record.Send();

  float result = 0.0f;
  IntegrateOverTable(result);
  record.Tag('U');
  record.Real(result);
  record.Real(LastTime(table));
  record.Send();
  if (StartsAfterZero()) {
    MoveFirstTimeToZero();
    record.Tag('Z');
    record.Send();
    IntegrateFromZero(result);
  }
  record.Tag('A');
  record.Real(AreaAbove(result));
  record.Send();
}

// Reads the result record; stops at a truncated step.
struct Reader {
  std::string_view bytes;
  bool Int(std::int32_t& value) {
    if (bytes.size() < sizeof value) return false;
    std::memcpy(&value, bytes.data(), sizeof value);
    bytes.remove_prefix(sizeof value);
    return true;
  }
  bool Real(float& value) {
    std::int32_t bits = 0;
    if (!Int(bits)) return false;
    value = std::bit_cast<float>(bits);
    return true;
  }
};

// Where the run got to, from its result record.
struct Progress {
  bool read = false, finished = false;
};

Progress Decode(std::string_view bytes, BatchRow& row) {
  Progress progress;
  Reader in{bytes};
  while (!in.bytes.empty()) {
    const char tag = in.bytes.front();
    in.bytes.remove_prefix(1);
    float a = 0.0f, b = 0.0f;
    std::int32_t n = 0;
    if (tag == 'P' && in.Int(n) && n >= 0 && in.bytes.size() >= static_cast<std::size_t>(n) * 8) {
      row.pairs = n;
      for (std::int32_t i = 0; i < n; ++i) {
        in.Real(a);
        in.Real(b);
        row.t.push_back(a);
        row.c.push_back(b);
      }
      progress.read = true;
    } else if (tag == 'U' && in.Real(a) && in.Real(b)) {
      row.area_under = a;
      row.last_time = b;
    } else if (tag == 'Z') {
      row.t0_point_added = true;
    } else if (tag == 'A' && in.Real(a)) {
      row.area_above = a;
      progress.finished = true;
    } else {
      break;
    }
  }
  return progress;
}

std::string_view TrimBlanks(std::string_view s) {
  const std::size_t first = s.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  return s.substr(first, s.find_last_not_of(' ') - first + 1);
}

// The records a run wrote, on one line. A message of the error service
// continues on records that begin with "***" and blanks: those are joined
// to the text they continue. The stop record and empty records are left out.
std::string OneLine(std::string_view text) {
  std::string line;
  while (!text.empty()) {
    std::size_t end = text.find('\n');
    std::string_view record = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    while (!record.empty() && record.back() == '\r') record.remove_suffix(1);
    if (record == "Stop - Program terminated.") continue;
    bool continues = false;
    if (record.starts_with("***")) {
      record.remove_prefix(3);
      continues = record.starts_with("  ");
    }
    const bool ends_with_blank = !line.empty() && line.back() == ' ';
    // A continuation keeps the blank it broke at, at its end.
    const std::string_view body = continues ? record.substr(std::min(record.find_first_not_of(' '), record.size()))
                                            : TrimBlanks(record);
    if (body.empty()) continue;
    if (!line.empty() && !ends_with_blank) line += ' ';
    line.append(body);
  }
  while (!line.empty() && line.back() == ' ') line.pop_back();
  // A name may hold line ends or other control characters.
  for (char& ch : line) {
    if (static_cast<unsigned char>(ch) < 0x20 || ch == 0x7f) ch = ' ';
  }
  return line;
}

// Adds `words` to a message, a blank between.
void Append(std::string& message, std::string_view words) {
  if (words.empty()) return;
  if (!message.empty()) message += ' ';
  message += words;
}

void Classify(platform::IsolatedRun&& run, BatchRow& row) {
  const Progress progress = Decode(run.result, row);
  row.message = OneLine(run.out);
  Append(row.message, OneLine(run.err));
  if (!run.started) {
    row.status = "error";
    row.message = "no process could be started for this file";
  } else if (!run.exited) {
    row.status = "error";
    Append(row.message, "ended by signal " + std::to_string(run.status));
  } else if (run.status == 0 && progress.finished) {
    row.status = row.message.empty() ? "ok" : "warning";
  } else if (run.status == 2) {
    // The only stop after an error before the table is complete is the one
    // for too many points.
    row.status = progress.read ? "failed" : "too-many-points";
  } else {
    row.status = "error";
    if (run.status != 1) Append(row.message, "ended with exit status " + std::to_string(run.status));
  }
}

std::string CsvField(std::string_view text) {
  if (text.find_first_of(",\"\r\n") == std::string_view::npos) return std::string(text);
  std::string quoted = "\"";
  for (char ch : text) {
    if (ch == '"') quoted += '"';
    quoted += ch;
  }
  return quoted + '"';
}

std::string CsvNumber(const std::optional<float>& value) { return value ? NumberText(*value) : std::string(); }

std::string CsvRow(const BatchRow& row) {
  return CsvField(row.file) + ',' + (row.pairs ? std::to_string(*row.pairs) : std::string()) + ',' +
         CsvNumber(row.area_under) + ',' + CsvNumber(row.last_time) + ',' + (row.t0_point_added ? "yes" : "no") +
         ',' + CsvNumber(row.area_above) + ',' + row.status + ',' + CsvField(row.message) + "\r\n";
}

// Standard output carries the table: a row that cannot be written is lost,
// so the batch ends there, saying so, rather than report success.
void WriteOut(std::string_view text) {
  if (platform::WriteAll(platform::kStdout, text)) return;
  platform::WriteAll(platform::kStderr, "zelvantor: standard output could not be written\n");
  platform::Exit(1);
}

[[noreturn]] void UsageError(std::string_view why) {
  platform::WriteAll(platform::kStderr, "zelvantor: " + std::string(why) + "\n");
  platform::WriteAll(platform::kStderr, kUsage);
  platform::Exit(2);
}

struct Request {
  std::string report;  // empty: no report
  std::vector<std::string> files;
};

// --batch, then options up to the first other argument (or "--"), then
// the data files.
Request ParseCommandLine() {
  Request request;
  const int count = platform::ArgumentCount();
  int i = 2;
  for (; i <= count; ++i) {
    const std::string_view arg = platform::Argument(i);
    if (arg == "--") {
      ++i;
      break;
    }
    if (arg == "--report") {
      if (i == count || platform::Argument(i + 1).empty()) UsageError("--report needs the name of the page to write");
      request.report = platform::Argument(++i);
    } else if (arg.starts_with("--report=")) {
      request.report = arg.substr(9);
      if (request.report.empty()) UsageError("--report needs the name of the page to write");
    } else if (arg.starts_with("--")) {
      UsageError("unknown option " + std::string(arg));
    } else {
      break;
    }
  }
  for (; i <= count; ++i) request.files.emplace_back(platform::Argument(i));
  if (request.files.empty()) UsageError("no data files given");
  for (const std::string& file : request.files) {
    if (!request.report.empty() && (file == request.report || platform::SameFile(file, request.report))) {
      UsageError("the report " + request.report + " would overwrite the data file " + file);
    }
  }
  return request;
}

}  // namespace

bool IsBatchRequest() { return platform::Argument(1) == "--batch" || platform::IsolatedRunRequested(); }

std::string NumberText(float value) {
  char text[32];
  return std::string(text, std::to_chars(text, text + sizeof text, value).ptr);
}

void Batch() {
  if (platform::IsolatedRunRequested()) platform::RunAsIsolated(RunOneFile);
  const Request request = ParseCommandLine();
  std::vector<BatchRow> rows(request.files.size());
  std::vector<bool> ready(rows.size(), false);
  std::size_t written = 0;
  bool all_good = true;
  WriteOut(kHeader);
  // Rows are written in argument order as soon as every earlier row is known.
  platform::RunIsolated(request.files, platform::ProcessorCount(), RunOneFile,
                        [&](std::size_t index, platform::IsolatedRun&& run) {
                          BatchRow& row = rows[index];
                          row.file = request.files[index];
                          Classify(std::move(run), row);
                          all_good = all_good && (row.status == "ok" || row.status == "warning");
                          if (request.report.empty()) row.t.clear(), row.c.clear();
                          ready[index] = true;
                          for (; written < rows.size() && ready[written]; ++written) {
                            WriteOut(CsvRow(rows[written]));
                          }
                        });
  if (!request.report.empty()) {
    const std::string why = platform::WriteWholeFile(request.report, ReportPage(rows));
    if (!why.empty()) {
      platform::WriteAll(platform::kStderr, "zelvantor: cannot write the report " + request.report + ": " + why + "\n");
      platform::Exit(2);
    }
  }
  platform::Exit(all_good ? 0 : 1);
}

}  // namespace zel::app
