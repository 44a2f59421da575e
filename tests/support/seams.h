// The one way tests reach into the layers' state: each layer's test seam
// (start states, forced allocation failures, trap switches), and the
// replaceable table of operating-system calls.
#pragma once

#include "app/test_seam.h"
#include "errors/test_seam.h"
#include "integration/test_seam.h"
#include "recio/test_seam.h"
#include "runtime/os_calls.h"
#include "runtime/test_seam.h"
