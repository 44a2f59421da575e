// Test support of the error and message service. Product code never
// includes this header (the defining files excepted).
#pragma once

namespace zel::errors {

// Rebuilds the initial state and the unit table.
void ResetService();

}  // namespace zel::errors
