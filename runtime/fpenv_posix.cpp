// Floating-point traps on POSIX: feenableexcept and a SIGFPE handler.
#include "runtime/fpenv.h"

#include <cfenv>
#include <csignal>
#include <cstring>

#include "runtime/report.h"
#include "runtime/test_seam.h"

namespace zel::fpenv {
namespace {

constexpr int kTrapped = FE_INVALID | FE_DIVBYZERO | FE_OVERFLOW;

// Runs in the signal handler: only async-signal-safe calls from here on.
void OnFloatingPointTrap(int, siginfo_t* info, void*) {
  switch (info != nullptr ? info->si_code : 0) {
    case FPE_FLTDIV:
    case FPE_INTDIV: runtime::RuntimeErrorExit(runtime::MathError::kDivisionByZero);
    case FPE_FLTOVF: runtime::RuntimeErrorExit(runtime::MathError::kOverflow);
    default: runtime::RuntimeErrorExit(runtime::MathError::kInvalidOperation);
  }
}

}  // namespace

void EnableTraps() {
  struct sigaction action;
  std::memset(&action, 0, sizeof action);
  action.sa_sigaction = OnFloatingPointTrap;
  action.sa_flags = SA_SIGINFO;
  sigemptyset(&action.sa_mask);
  sigaction(SIGFPE, &action, nullptr);
  std::feclearexcept(FE_ALL_EXCEPT);
  feenableexcept(kTrapped);
}

void DisableTraps() {
  fedisableexcept(FE_ALL_EXCEPT);
  std::feclearexcept(FE_ALL_EXCEPT);
}

}  // namespace zel::fpenv
