// Floating-point traps on Windows: the exceptions are unmasked with
// _controlfp_s, and a vectored exception handler turns the first trap into
// the math report. Every other exception (the C++ runtime raises its own
// for throw) passes on untouched.
#include <float.h>
#include <windows.h>

#include "runtime/fpenv.h"
#include "runtime/report.h"
#include "runtime/test_seam.h"

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
runtime::MathError ErrorFromMxcsr(DWORD mxcsr) {
  const DWORD raised = mxcsr & ~(mxcsr >> kMaskShift);
  if (raised & kInvalidFlag) return runtime::MathError::kInvalidOperation;
  if (raised & kDivideFlag) return runtime::MathError::kDivisionByZero;
  if (raised & kOverflowFlag) return runtime::MathError::kOverflow;
  return runtime::MathError::kInvalidOperation;
}

LONG CALLBACK OnException(EXCEPTION_POINTERS* info) {
  runtime::MathError error;
  switch (info->ExceptionRecord->ExceptionCode) {
    case STATUS_FLOAT_INVALID_OPERATION: error = runtime::MathError::kInvalidOperation; break;
    case STATUS_FLOAT_DIVIDE_BY_ZERO:
    case STATUS_INTEGER_DIVIDE_BY_ZERO: error = runtime::MathError::kDivisionByZero; break;
    case STATUS_FLOAT_OVERFLOW: error = runtime::MathError::kOverflow; break;
    case STATUS_FLOAT_MULTIPLE_FAULTS:
    case STATUS_FLOAT_MULTIPLE_TRAPS: error = ErrorFromMxcsr(info->ContextRecord->MxCsr); break;
    default: return EXCEPTION_CONTINUE_SEARCH;
  }
  // Nothing on the way out may trap again.
  _clearfp();
  SetExceptionMasks(_MCW_EM);
  runtime::RuntimeErrorExit(error);
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

}  // namespace zel::fpenv
