// The error and message service used by the numerical routines.
//
// A routine pushes its name on entry and pops it on every exit path; it
// reports a problem by storing numbered parameters and posting a type, a
// code and a message template:
//
//   E1PSH("Q2AGS ");
//   if (maxsub < 1) {
//     E1PRMI(1, maxsub);
//     E1MES(ErrorType::kTerminal, 1, "The maximum number of subintervals MAXSUB = %(I1).  It must be at least 1.");
//   }
//   if (N1RTY(0) == TypeNumber(ErrorType::kNone)) { /* work */ }
//   E1POP("Q2AGS ");
//
// Warnings and fatal errors are printed by the pop of the routine that user
// code called; fatal and terminal errors stop the program (exit status 2).
// Messages are formatted records on the console.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace zel::errors {

// The error types: when a posted error is printed and whether it stops the
// program. The service's integer interfaces (E1MES, N1RTY, the level table)
// carry them by these numbers.
enum class ErrorType : std::int32_t {
  kNone = 0,        // nothing posted at the level
  kNote = 1,        // never printed, not passed to the caller
  kAlert = 2,       // passed to the caller, never printed, never stops
  kWarning = 3,     // printed by the pop of the routine user code called
  kFatal = 4,       // printed there, and then stops the program
  kTerminal = 5,    // printed when posted; stops at the pop of the routine that posted it
  kWarningNow = 6,  // printed when posted, with the word of kWarning; never stops
  kFatalNow = 7,    // printed when posted, with the word of kFatal; stops where it comes back to user code
};

// The number of an error type, as the integer interfaces carry it.
constexpr std::int32_t TypeNumber(ErrorType type) { return static_cast<std::int32_t>(type); }

// --- Name stack and propagation ---
// Registers a routine (names are blank-padded or cut to 32 characters). A
// push beyond 50 levels is a terminal error and stops the program.
void E1PSH(std::string_view name);
// Removes the routine on top, which must carry `name` (trailing blanks
// ignored, case significant): passes its error of type 2 to 7 to the
// caller's level, prints and stops as the type says, and keeps its entry
// readable by N1RTY(1) in the caller.
void E1POP(std::string_view name);
// The type posted at the caller's own level (0) or left by the routine it
// called last (1). Any other argument stops the program.
std::int32_t N1RTY(std::int32_t i);
// "ON"/"on" before and "OFF"/"off" after a call of user code, so that
// routines called from it count as called by the user. Defined below: the
// integration routines bracket every evaluation of the integrand with it.
inline void E1USR(std::string_view on_or_off);

// --- Message composition ---
// Parameter k (1 to 9) for the tokens %(Ik), %(Rk) and %(Lk) of the next
// E1MES. Texts: 500, -12; 2.5 -> 2.500000E+00, 0 and NaN -> .000000E+00;
// E1PRML with k > 0 drops trailing blanks, with -k keeps them. A parameter
// that does not fit the 300-character store is silently not stored.
void E1PRMI(std::int32_t k, std::int32_t value);
void E1PRMR(std::int32_t k, float value);
void E1PRML(std::int32_t k, std::string_view text);
// Records type (-1 keeps the current one) and code (negative keeps it) on
// the current level and composes ".  " + template with its tokens replaced
// (at most 1024 characters). Type or code 0 discards the pending text; an
// empty or single-blank template keeps it. Types 5 to 7 are printed at once;
// a type outside -1..7 is reported and stops the program.
void E1MES(std::int32_t type, std::int32_t code, std::string_view message_template);
inline void E1MES(ErrorType type, std::int32_t code, std::string_view message_template) {
  E1MES(TypeNumber(type), code, message_template);
}

// --- Printing ---
// Prints the pending message to the unit UMACH(3) names, with a traceback
// when two or more routines stand above "USER"; then empties the text and
// the parameter store. Prints nothing when no text is pending.
void E1SHOW();

// --- Machine constants and units ---
// AMACH(1..8): smallest normalised, largest finite, 2^-24, 2^-23, log10(2),
// quiet NaN, +infinity, -infinity. IMACH(1..12): the integer and
// floating-point model. UMACH(n > 0) reads unit n (1 input 5, 2 output 6,
// 3 error messages 6), UMACH(-n) sets it. A bad index is reported and stops
// the program.
float AMACH(std::int32_t n);
std::int32_t IMACH(std::int32_t n);
void UMACH(std::int32_t n, std::int32_t& unit);

// --- The service state: one per process ---
inline constexpr int kMaxLevel = 50;
inline constexpr int kLevels = kMaxLevel + 1;
inline constexpr int kNameLength = 32;
inline constexpr int kTextCapacity = 1024;
inline constexpr int kParameterCapacity = 300;

struct ServiceState {
  std::int32_t level = 1;
  std::int32_t maxlev = kMaxLevel;
  // Index 0 is unused so that levels keep their 1-based numbers.
  std::array<std::array<char, kNameLength>, kLevels + 1> levnam{};
  std::array<std::int32_t, kLevels + 1> levtyp{};
  std::array<std::int32_t, kLevels + 1> levcod{};
  std::array<bool, kLevels + 1> levusr{};
  std::array<char, kTextCapacity> txtbuf{};
  std::int32_t txtlen = 0;
  std::array<char, kParameterCapacity> parbuf{};
  std::int32_t parlen = 1;  // 1 means empty
  std::int32_t pend6 = 0;
  std::int32_t pend7 = 0;
};

// The error types kNote to kFatalNow, by number: the word printed before
// " ERROR" and the print and stop attributes. Fixed; any other number prints
// as "UNKNOWN " and has neither attribute.
std::string_view TypeWord(std::int32_t type);
int PrintAttribute(std::int32_t type);
int StopAttribute(std::int32_t type);

// Builds the initial state: "USER" alone at level 1 with its user-code
// switch on, levels 2 to 51 unoccupied (type and code -1), no pending text,
// an empty parameter store. The process starts with that state, built at
// compile time, so State() needs no first-use check.
void E1START();

namespace internal {
extern constinit ServiceState g_state;
// E1USR with a value that is not "ON", "on", "OFF" or "off" (after trailing
// blanks are dropped).
void SwitchUserCode(std::string_view on_or_off);
}  // namespace internal

inline ServiceState& State() { return internal::g_state; }

inline void E1USR(std::string_view on_or_off) {
  // The integration's own literals take the short way.
  if (on_or_off == "ON") {
    State().levusr[static_cast<std::size_t>(State().level)] = true;
  } else if (on_or_off == "OFF") {
    State().levusr[static_cast<std::size_t>(State().level)] = false;
  } else {
    internal::SwitchUserCode(on_or_off);
  }
}

}  // namespace zel::errors
