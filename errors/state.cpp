#include "errors/errors.h"
