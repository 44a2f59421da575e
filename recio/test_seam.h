// Test support of the record layer: ways back to the start state of a run,
// for tests that run several statements in one process. Product code never
// includes this header (the defining files excepted).
#pragma once

namespace zel::recio {

// Empties the console buffer, clears both marks and decides sharing afresh.
void ResetConsole();

// Forgets any output statement in progress.
void ResetOutput();

// Drops every input connection's buffer and statement state.
void ResetInput();

// Closes and forgets the data-file connection and the used-argument count.
void ResetConnections();

}  // namespace zel::recio
