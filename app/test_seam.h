// Test support of the peak-area program. Product code never includes this
// header (the defining files excepted).
#pragma once

namespace zel::app {

// An empty, zeroed data table.
void ResetTable();

}  // namespace zel::app
