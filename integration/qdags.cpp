#include "integration/integration.h"
