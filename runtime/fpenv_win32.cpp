// Floating-point traps on Windows: the exceptions are unmasked with
// _controlfp_s, and a vectored exception handler turns the first trap into
// the math report. Every other exception (the C++ runtime raises its own
// for throw) passes on untouched.
#include <float.h>
#include <windows.h>

#include "runtime/fpenv.h"
#include "runtime/report.h"

#ifndef STATUS_FLOAT_MULTIPLE_FAULTS
#define STATUS_FLOAT_MULTIPLE_FAULTS static_cast<DWORD>(0xC00002B4L)
#endif
#ifndef STATUS_FLOAT_MULTIPLE_TRAPS
#define STATUS_FLOAT_MULTIPLE_TRAPS static_cast<DWORD>(0xC00002B5L)
#endif

namespace zel::fpenv {
namespace {

constexpr unsigned kTrapped = _EM_INVALID | _EM_ZERODIVIDE | _EM_OVERFLOW;

// MXCSR: the exception flags in bits 0-5, their masks in bits 7-12.
constexpr DWORD kInvalidFlag = 0x01;
constexpr DWORD kDivideFlag = 0x04;
constexpr DWORD kOverflowFlag = 0x08;
constexpr int kMaskShift = 7;

unsigned ExceptionMasks() {
  unsigned control = 0;
  _controlfp_s(&control, 0, 0);
  return control & _MCW_EM;
}

void SetExceptionMasks(unsigned masks) {
  unsigned control = 0;
  _controlfp_s(&control, masks, _MCW_EM);
}

// A report of several traps at once: the raised, unmasked flags decide,
// in the order invalid operation, division by zero, overflow.
int NumberFromMxcsr(DWORD mxcsr) {
  const DWORD raised = mxcsr & ~(mxcsr >> kMaskShift);
  if (raised & kInvalidFlag) return 6101;
  if (raised & kDivideFlag) return 6103;
  if (raised & kOverflowFlag) return 6104;
  return 6101;
}

LONG CALLBACK OnException(EXCEPTION_POINTERS* info) {
  int number = 0;
  switch (info->ExceptionRecord->ExceptionCode) {
    case STATUS_FLOAT_INVALID_OPERATION: number = 6101; break;
    case STATUS_FLOAT_DIVIDE_BY_ZERO:
    case STATUS_INTEGER_DIVIDE_BY_ZERO: number = 6103; break;
    case STATUS_FLOAT_OVERFLOW: number = 6104; break;
    case STATUS_FLOAT_MULTIPLE_FAULTS:
    case STATUS_FLOAT_MULTIPLE_TRAPS: number = NumberFromMxcsr(info->ContextRecord->MxCsr); break;
    default: return EXCEPTION_CONTINUE_SEARCH;
  }
  // Nothing on the way out may trap again.
  _clearfp();
  SetExceptionMasks(_MCW_EM);
  const char* description = number == 6103   ? "floating-point error: division by zero"
                            : number == 6104 ? "floating-point error: overflow"
                                             : "floating-point error: invalid operation";
  runtime::RuntimeErrorExit('M', number, ": MATH", {}, description, /*has_name=*/false);
}

}  // namespace

void EnableTraps() {
  static PVOID handler = AddVectoredExceptionHandler(1, OnException);
  (void)handler;
  _clearfp();
  SetExceptionMasks(_MCW_EM & ~kTrapped);
}

void DisableTraps() {
  SetExceptionMasks(_MCW_EM);
  _clearfp();
}

TrapsMasked::TrapsMasked() : saved_(static_cast<int>(ExceptionMasks())) { SetExceptionMasks(_MCW_EM); }

TrapsMasked::~TrapsMasked() {
  _clearfp();
  SetExceptionMasks(static_cast<unsigned>(saved_));
}

}  // namespace zel::fpenv
