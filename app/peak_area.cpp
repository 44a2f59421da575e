// The main program: banner, file name, reading the table, the two
// integrations and the area report.
#include "app/peak_area.h"

#include <bit>
#include <cstdint>
#include <string>
#include <string_view>

#include "integration/integration.h"
#include "recio/connect.h"
#include "recio/end.h"
#include "recio/input.h"
#include "recio/output.h"

namespace zel::app {
namespace {

using recio::kDefaultUnit;

// Relative tolerance of both integrations: the single nearest to 1.0e-4.
constexpr float kErrRel = std::bit_cast<float>(std::uint32_t{0x38D1B717});
constexpr float kErrAbs = 0.0f;

// One free-form record of character items.
void Say(std::string_view text) {
  recio::BeginWrite(kDefaultUnit);
  recio::PutCharacter(text);
  recio::EndWrite();
}

// One free-form record: text followed by a real.
void Say(std::string_view text, float value) {
  recio::BeginWrite(kDefaultUnit);
  recio::PutCharacter(text);
  recio::PutReal(value);
  recio::EndWrite();
}

// One formatted record laid out by a literal format.
void SayFormatted(std::string_view format) {
  recio::BeginWrite(kDefaultUnit, format);
  recio::EndWrite();
}

void Banner() {
  Say("  ");
  Say("Zelvantor V.1.1, a free utility program written by");
  Say("the Zelvantor developers in C++20, for the console.");
  Say("Questions and bug reports: the Zelvantor issue tracker.");
  Say("This program integrates a concentration profile.");
  Say("Data file must look like: t(1), c(1), t(2), c(2)...");
  Say("Or, two columns with the first being time.");
  Say("  ");
  SayFormatted("(' Please enter the name of your data file: ',$)");
}

// The reply is read whole (a console line is never longer than the
// variable), so that the connection sees a name too long as such instead of
// its beginning.
void AskAndConnectDataFile() {
  std::string name;
  recio::BeginRead(kDefaultUnit, "(a)", /*end_of_file_exit=*/false);
  recio::GetCharacter(name, recio::kLongestConsoleLine);
  recio::EndRead();
  ConnectDataFile(name);
}

// One free-form read of a (time, concentration) pair from the data file.
// False at end of file, also in the middle of the pair.
bool ReadPair(float& t, float& c) {
  const recio::Unit unit = recio::Unit::Number(recio::kDataFileUnit);
  return recio::BeginRead(unit, /*end_of_file_exit=*/true) == 0 && recio::GetReal(t) == 0 &&
         recio::GetReal(c) == 0 && recio::EndRead() == 0;
}

[[noreturn]] void TooManyPoints() {
  SayFormatted("('---Warning-- too many data points. Limit 2000  ')");
  SayFormatted("('---Warning-- or y column # input error.        ')");
  Say("Execution stopped!");
  recio::Stop(recio::StopStatus::kAfterError);
}

[[noreturn]] void AreaReport() {
  Table& table = ProfileTable();
  float result = 0.0f;

  IntegrateOverTable(result);
  Say("Area under the curve (peak area?) =", result);
  Say("Maximum time in your data file=", LastTime(table));

  if (StartsAfterZero()) {
    MoveFirstTimeToZero();
    Say(" ");
    recio::BeginWrite(kDefaultUnit);
    recio::PutCharacter("t=0, c=");
    recio::PutReal(table.c[0]);
    recio::PutCharacter(" data point was added to calculate area above the curve.");
    recio::EndWrite();
    IntegrateFromZero(result);
  }

  Say("Area above the curve =", AreaAbove(result));
  Say(" ");
  recio::Pause();
  recio::Stop(recio::StopStatus::kNormal);
}

}  // namespace

void ConnectDataFile(std::string_view name) { recio::Connect(recio::kDataFileUnit, name); }

// Reads pairs until end of file. A pair is stored only once both of its
// values have been read, so an incomplete last pair leaves no trace; a value
// left out (a null value) keeps the initial 0.0. A pair beyond the limit
// stops the run.
void ReadTable() {
  Table& table = ProfileTable();
  table.n = 0;
  for (;;) {
    float t = 0.0f, c = 0.0f;
    if (!ReadPair(t, c)) break;
    if (table.n == kMaxPairs) TooManyPoints();
    table.t[table.n] = t;
    table.c[table.n] = c;
    ++table.n;
  }
  NoteTableChanged();
}

float LastTime(const Table& table) { return table.n > 0 ? table.t[table.n - 1] : 0.0f; }

// The bounds are the table entries themselves.
void IntegrateOverTable(float& result) {
  Table& table = ProfileTable();
  float absest = 0.0f;
  integration::QDAGS(FPROF, table.t[0], LastTime(table), kErrAbs, kErrRel, result, absest);
}

bool StartsAfterZero() {
  const Table& table = ProfileTable();
  return table.n > 0 && table.t[0] > 0.0f;
}

void MoveFirstTimeToZero() {
  ProfileTable().t[0] = 0.0f;
  NoteTableChanged();
}

// The bounds are copies, read after the first time moved to 0.
void IntegrateFromZero(float& result) {
  const Table& table = ProfileTable();
  const float b = LastTime(table);
  const float a = table.t[0];
  float absest = 0.0f;
  integration::QDAGS(FPROF, a, b, kErrAbs, kErrRel, result, absest);
}

float AreaAbove(float result) {
  return static_cast<float>(static_cast<double>(LastTime(ProfileTable())) - static_cast<double>(result));
}

void PeakArea() {
  Banner();
  AskAndConnectDataFile();
  Say("  ");
  ReadTable();
  AreaReport();
}

}  // namespace zel::app
