// Test support of the integrator. Product code never includes this header
// (the defining files excepted).
#pragma once

namespace zel::integration {

// Makes the work-array requests of QDAGS fail from the given request on
// (1 to 5), or never (0).
void FailAllocationsFrom(int request);

}  // namespace zel::integration
