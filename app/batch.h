// Batch mode: many data files in one call, without dialogue or pause.
//
//   zelvantor --batch [--report FILE.html] DATAFILE...
//
// Standard output is a CSV table (a header row, RFC 4180 quoting, CR LF),
// one row per data file in argument order:
//   file,pairs,area_under,last_time,t0_point_added,area_above,status,message
// Each file is processed by the very steps of the interactive run, in a
// process of its own, so its numbers are the interactive run's and nothing
// of one file (nor the way its run ends) reaches another. Exit status 0
// when every row is ok or warning, 1 otherwise, 2 for a usage error.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace zel::app {

// The command line recorded by the process entry asks for batch mode (its
// first argument is --batch) or for one of the batch's isolated runs.
bool IsBatchRequest();

// The whole batch, from the command line recorded by the process entry.
[[noreturn]] void Batch();

// The outcome of one data file.
struct BatchRow {
  std::string file;              // the argument as given
  std::optional<int> pairs;      // N, once the file has been read
  std::optional<float> area_under, last_time, area_above;  // as the interactive run prints them
  bool t0_point_added = false;
  std::string status;            // ok, warning, failed, error, too-many-points
  std::string message;           // the program's own text on one line
  std::vector<float> t, c;       // the pairs as read
};

// The shortest decimal text that reads back to the same single.
std::string NumberText(float value);

// The self-contained HTML page of the rows: the table, then one section
// with a plot per file.
std::string ReportPage(const std::vector<BatchRow>& rows);

}  // namespace zel::app
