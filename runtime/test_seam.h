// Test support of the runtime layer: entry points that only tests use.
// Product code never includes this header (the defining files excepted).
// The operating-system calls themselves are replaceable through
// runtime/os_calls.h.
#pragma once

namespace zel::fpenv {

// Masks the floating-point exceptions again and clears their flags.
void DisableTraps();

}  // namespace zel::fpenv
