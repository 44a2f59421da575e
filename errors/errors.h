// The error and message service used by the numerical routines.
//
// A routine pushes its name on entry and pops it on every exit path; it
// reports a problem by storing numbered parameters and posting a type, a
// code and a message template:
//
//   E1PSH("Q2AGS ");
//   if (maxsub < 1) {
//     E1PRMI(1, maxsub);
//     E1MES(5, 1, "The maximum number of subintervals MAXSUB = %(I1).  It must be at least 1.");
//   }
//   if (N1RTY(0) == 0) { /* work */ }
//   E1POP("Q2AGS ");
//
// Types: 1 note, 2 alert, 3 warning, 4 fatal, 5 terminal, 6 warning and
// 7 fatal printed at once. Warnings and fatal errors are printed by the pop
// of the routine that user code called; types 4, 5 and 7 stop the program
// (exit status 2). Messages are formatted records on the console.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace zel::errors {

// --- Name stack and propagation ---
void E1PSH(std::string_view name);
void E1POP(std::string_view name);
std::int32_t N1RTY(std::int32_t i);
void E1USR(std::string_view on_or_off);

// --- Message composition ---
void E1PRMI(std::int32_t k, std::int32_t value);
void E1PRMR(std::int32_t k, float value);
void E1PRML(std::int32_t k, std::string_view text);
void E1MES(std::int32_t type, std::int32_t code, std::string_view message_template);

// --- Printing ---
void E1SHOW();

// --- Machine constants and units ---
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

// The error types 1 to 7: the word printed before " ERROR" and the print
// and stop attributes. Fixed; any other type prints as "UNKNOWN " and has
// neither attribute.
std::string_view TypeWord(std::int32_t type);
int PrintAttribute(std::int32_t type);
int StopAttribute(std::int32_t type);

// Builds the initial state: "USER" alone at level 1 with its user-code
// switch on, levels 2 to 51 unoccupied (type and code -1), no pending text,
// an empty parameter store. State() builds it on first use.
void E1START();
ServiceState& State();

// Tests: rebuild the initial state and the unit table.
void ResetService();

}  // namespace zel::errors
