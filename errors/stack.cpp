// The stack of routine names and the propagation of errors: a routine's
// error passes to its caller's level when it pops, is printed where it comes
// back to user code, and stops the program as its type says.
#include "errors/errors.h"
#include "errors/internal.h"

namespace zel::errors {
namespace {

constexpr std::int32_t kNone = TypeNumber(ErrorType::kNone);
constexpr std::int32_t kAlert = TypeNumber(ErrorType::kAlert);
constexpr std::int32_t kFatal = TypeNumber(ErrorType::kFatal);
constexpr std::int32_t kTerminal = TypeNumber(ErrorType::kTerminal);
constexpr std::int32_t kFatalNow = TypeNumber(ErrorType::kFatalNow);

// E1POP's two failure texts.
constexpr std::string_view kPopEmpty = "Error condition in E1POP.  Cannot pop from %(L1) because stack is empty.";
constexpr std::string_view kPopMismatch =
    "Error condition in E1POP.  %(L1) does not match the name %(L2) in the stack.";

bool SameName(std::string_view a, std::string_view b) {
  return internal::TrimTrailingBlanks(a) == internal::TrimTrailingBlanks(b);
}

// The decision for the types printed when posted (kWarningNow, kFatalNow)
// where the error comes back to user code: a pending kFatalNow outweighs a
// pending kWarningNow. Both flags are consumed.
bool TakePendingStop(ServiceState& state) {
  int decision = 0;
  if (state.pend6 >= 1) {
    decision = StopAttribute(TypeNumber(ErrorType::kWarningNow));
    state.pend6 = 0;
  }
  if (state.pend7 >= 1) {
    decision = StopAttribute(kFatalNow);
    state.pend7 = 0;
  }
  return decision == 1;
}

}  // namespace

void E1PSH(std::string_view name) {
  ServiceState& state = State();
  if (state.level < state.maxlev) {
    ++state.level;
    internal::SetLevelName(state, state.level, name);
    state.levtyp[state.level] = kNone;
    state.levcod[state.level] = 0;
    return;
  }
  E1PRMI(1, state.maxlev);
  E1MES(ErrorType::kTerminal, 1, "Error condition in E1PSH.  Push would cause stack level to exceed %(I1). ");
  internal::StopAfterError();
}

void E1POP(std::string_view name) {
  ServiceState& state = State();
  if (state.level <= 1) {
    E1PSH("E1POP ");
    E1PRML(1, name);
    E1MES(ErrorType::kTerminal, 1, kPopEmpty);
    internal::StopAfterError();
  }
  // A name is stored cut to 32 characters, so it is compared that way.
  std::string_view on_top = internal::LevelName(state, state.level);
  if (!SameName(name.substr(0, kNameLength), on_top)) {
    E1PRML(1, name);
    E1PRML(2, on_top);
    E1MES(ErrorType::kTerminal, 2, kPopMismatch);
    internal::StopAfterError();
  }

  std::int32_t level = state.level;
  std::int32_t type = state.levtyp[level];
  if (type != kNone) {
    // A note stays at its level; every other type is passed on.
    if (type >= kAlert && type <= kFatalNow) {
      state.levtyp[level - 1] = type;
      state.levcod[level - 1] = state.levcod[level];
    }
    bool from_user = state.levusr[level - 1];
    if (type <= kFatal) {
      // Printed while this routine is still on top, so the report names it.
      if (from_user && PrintAttribute(type) == 1) E1SHOW();
      if (from_user && StopAttribute(type) == 1) internal::StopAfterError();
    } else {
      // Terminal errors and the types printed when posted were printed
      // then; this shows only a text composed since.
      if (PrintAttribute(type) == 1) E1SHOW();
      if (type == kTerminal) {
        if (StopAttribute(kTerminal) == 1) internal::StopAfterError();
      } else if (from_user && TakePendingStop(state)) {
        internal::StopAfterError();
      }
    }
  }
  // The entry of the routine this one called last is cleared; this one's
  // own entry stays readable by N1RTY(1) in its caller.
  if (level < state.maxlev) {
    state.levtyp[level + 1] = -1;
    state.levcod[level + 1] = -1;
  }
  state.level = level - 1;
}

std::int32_t N1RTY(std::int32_t i) {
  ServiceState& state = State();
  if (i == 0 || i == 1) return state.levtyp[state.level + i];
  state.levtyp[state.level] = kTerminal;
  state.levcod[state.level] = 1;
  internal::SetPendingText(state, ".  The argument passed to N1RTY must be 0 or 1.");
  E1SHOW();
  internal::StopAfterError();
}

namespace internal {

void SwitchUserCode(std::string_view on_or_off) {
  ServiceState& state = State();
  std::string_view value = internal::TrimTrailingBlanks(on_or_off);
  if (value == "ON" || value == "on") {
    state.levusr[state.level] = true;
  } else if (value == "OFF" || value == "off") {
    state.levusr[state.level] = false;
  } else {
    // Printed at once; the stop follows at the pop of the routine on top.
    E1PRML(1, on_or_off);
    E1MES(ErrorType::kTerminal, 1,
          "Invalid value for SWITCH in call to E1USR.  SWITCH must be set to 'ON' or 'OFF'.  SWITCH = '%(L1)' ");
  }
}

}  // namespace internal

}  // namespace zel::errors
