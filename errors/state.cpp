// The one service state of the process, the fixed table of error types, and
// the console records through which every report of the service goes out.
#include <algorithm>
#include <array>

#include "errors/errors.h"
#include "errors/internal.h"
#include "errors/test_seam.h"
#include "recio/end.h"
#include "recio/output.h"

namespace zel::errors {
namespace {

struct TypeAttributes {
  std::string_view word;
  int print;
  int stop;
};

// By type number; row 0 serves every number that is not a type.
constexpr std::array<TypeAttributes, 8> kTypes = {{
    {"UNKNOWN ", 0, 0},
    {"NOTE    ", 0, 0},  // kNote
    {"ALERT   ", 0, 0},  // kAlert
    {"WARNING ", 1, 0},  // kWarning
    {"FATAL   ", 1, 1},  // kFatal
    {"TERMINAL", 1, 1},  // kTerminal
    {"WARNING ", 1, 0},  // kWarningNow
    {"FATAL   ", 1, 1},  // kFatalNow
}};
static_assert(kTypes.size() == TypeNumber(ErrorType::kFatalNow) + 1);

const TypeAttributes& Attributes(std::int32_t type) {
  const bool known = type >= TypeNumber(ErrorType::kNote) && type <= TypeNumber(ErrorType::kFatalNow);
  return known ? kTypes[static_cast<std::size_t>(type)] : kTypes[0];
}

constexpr void FillLevelName(ServiceState& state, std::int32_t level, std::string_view name) {
  auto& field = state.levnam[static_cast<std::size_t>(level)];
  field.fill(' ');
  std::copy_n(name.begin(), std::min(name.size(), field.size()), field.begin());
}

// The level, the text, the parameter store and the pending flags start as
// ServiceState declares them; the levels are filled in here.
constexpr ServiceState InitialState() {
  ServiceState state;
  for (std::int32_t level = 1; level <= kLevels; ++level) {
    FillLevelName(state, level, "");
    state.levtyp[level] = -1;
    state.levcod[level] = -1;
  }
  FillLevelName(state, 1, "USER");
  state.levtyp[1] = TypeNumber(ErrorType::kNone);
  state.levcod[1] = 0;
  state.levusr[1] = true;
  return state;
}

}  // namespace

std::string_view TypeWord(std::int32_t type) { return Attributes(type).word; }
int PrintAttribute(std::int32_t type) { return Attributes(type).print; }
int StopAttribute(std::int32_t type) { return Attributes(type).stop; }

constinit ServiceState internal::g_state = InitialState();

void E1START() { State() = InitialState(); }

void ResetService() {
  E1START();
  internal::ResetUnits();
}

namespace internal {

std::string_view LevelName(const ServiceState& state, std::int32_t level) {
  const auto& name = state.levnam[static_cast<std::size_t>(level)];
  return {name.data(), name.size()};
}

void SetLevelName(ServiceState& state, std::int32_t level, std::string_view name) {
  FillLevelName(state, level, name);
}

std::string_view TrimTrailingBlanks(std::string_view text) {
  std::size_t end = text.find_last_not_of(' ');
  return end == std::string_view::npos ? std::string_view{} : text.substr(0, end + 1);
}

void SetPendingText(ServiceState& state, std::string_view text) {
  std::size_t length = std::min<std::size_t>(text.size(), kTextCapacity);
  std::copy_n(text.begin(), length, state.txtbuf.begin());
  state.txtlen = static_cast<std::int32_t>(length);
}

void WriteRecord(std::int32_t unit, std::string_view record) {
  recio::BeginWrite(recio::Unit::Number(unit), "(A)");
  recio::PutCharacter(record);
  recio::EndWrite();
}

void StopAfterError() { recio::Stop(recio::StopStatus::kAfterError); }

}  // namespace internal
}  // namespace zel::errors
