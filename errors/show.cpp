// Message printing: the header record with type, code and routine name, the
// text wrapped at blanks over continuation records, and the traceback.
//
//   (empty record)
//    *** WARNING  ERROR 2 from QDAGS.  Roundoff error has been detected.  The
//    ***          requested tolerances, ERRABS = .000000E+00 and ERRREL =
//    ***          1.000000E-04, cannot be reached.
//
// The first character of each record (a blank) is its carriage control.
#include <string>
#include <vector>

#include "errors/errors.h"
#include "errors/internal.h"

namespace zel::errors {
namespace {

// The first record holds 59 characters after " *** ", the type word and
// " ERROR": the header " <code> from <name>" and as much text as fits.
constexpr std::size_t kHeaderWidth = 59;
constexpr std::size_t kContinuationWidth = 64;  // text characters after the continuation prefix
constexpr std::string_view kContinuationPrefix = " ***          ";
constexpr std::string_view kBreakMark = "%/";

// "xFIT" is shown as "XFIT": a lowercase first letter before an uppercase
// second one is raised.
std::string ShownName(std::string_view name) {
  std::string shown(name);
  if (shown.size() >= 2 && shown[0] >= 'a' && shown[0] <= 'z' && shown[1] >= 'A' && shown[1] <= 'Z') {
    shown[0] = static_cast<char>(shown[0] - 'a' + 'A');
  }
  return shown;
}

// Appends the text records. Positions below are 0-based indexes into the
// text; `rest` is where the next record starts.
void AppendTextRecords(std::vector<std::string>& records, std::string_view head, std::size_t width,
                       std::string_view text) {
  std::size_t mark = text.find(kBreakMark);
  bool has_mark = mark != std::string_view::npos;
  std::size_t rest = text.size();
  std::string_view first;
  if (has_mark && mark + 1 < width) {
    first = text.substr(0, mark);
    rest = mark + 2;
  } else if (text.size() <= width) {
    first = text;
  } else {
    // The first record never ends with the blank it broke at.
    std::size_t blank = text.find_last_of(' ', width - 1);
    if (blank != std::string_view::npos && blank >= 1) {
      first = text.substr(0, blank);
      rest = blank + 1;
    } else {
      first = text.substr(0, width);
      rest = width;
    }
  }
  records.push_back(std::string(head) + std::string(first));

  // After an explicit break the next record starts exactly at the mark's
  // end; otherwise a single leading blank (the second blank after a period)
  // is skipped.
  bool after_break = has_mark;
  while (rest < text.size()) {
    std::size_t start = rest;
    if (text[rest] == ' ' && !after_break) start = rest + 1;
    std::string_view window = text.substr(rest, kContinuationWidth);
    std::size_t found = window.find(kBreakMark);
    std::string_view piece;
    if (found != std::string_view::npos) {
      std::size_t at = rest + found;
      piece = text.substr(start, at > start ? at - start : 0);
      rest = at + 2;
      after_break = true;
    } else {
      after_break = false;
      std::size_t last = rest + kContinuationWidth - 1;
      if (last >= text.size() - 1) {
        piece = text.substr(start);
        rest = text.size();
      } else {
        // A blank at which the record breaks stays at its end.
        std::size_t blank = text.find_last_of(' ', last);
        if (blank != std::string_view::npos && blank > start) {
          piece = text.substr(start, blank + 1 - start);
          rest = blank + 1;
        } else {
          piece = text.substr(start, last + 1 - start);
          rest = last + 1;
        }
      }
    }
    records.push_back(std::string(kContinuationPrefix) + std::string(piece));
  }
}

void AppendTraceback(std::vector<std::string>& records, const ServiceState& state) {
  records.push_back("     Here is a traceback of subprogram calls in reverse order:");
  records.push_back("     Routine name                    Error type  Error code");
  records.push_back("     ------------                    ----------  ----------");
  for (std::int32_t level = state.level; level >= 1; --level) {
    std::string record = "     " + ShownName(internal::LevelName(state, level));
    record += internal::RightJustified(state.levtyp[level], 6);
    record += "      ";
    record += internal::RightJustified(state.levcod[level], 6);
    if (level >= 2 && !state.levusr[level - 1]) record += "    (Called internally)";
    records.push_back(record);
  }
}

}  // namespace

namespace internal {

std::vector<std::string> ShowRecords(const ServiceState& state) {
  std::vector<std::string> records;
  if (state.txtlen <= 0) return records;
  std::int32_t type = state.levtyp[state.level];
  std::int32_t code = state.levcod[state.level];
  std::string_view name = LevelName(state, state.level);
  name = name.substr(0, name.find(' '));
  // Built by appending: GCC 12 misreads `" " + string` as an overlapping copy.
  std::string header(" ");
  header += IntegerText(code);
  header += " from ";
  header += ShownName(name);
  std::string_view text(state.txtbuf.data(), static_cast<std::size_t>(state.txtlen));

  records.emplace_back();
  std::string first(" *** ");
  first += TypeWord(type);
  first += " ERROR";
  first += header;
  AppendTextRecords(records, first, kHeaderWidth - header.size(), text);
  if (state.level > 2) AppendTraceback(records, state);
  return records;
}

}  // namespace internal

void E1SHOW() {
  ServiceState& state = State();
  std::vector<std::string> records = internal::ShowRecords(state);
  if (records.empty()) return;
  state.txtlen = 0;
  state.parlen = 1;
  std::int32_t unit = 0;
  UMACH(3, unit);
  for (const std::string& record : records) internal::WriteRecord(unit, record);
}

}  // namespace zel::errors
