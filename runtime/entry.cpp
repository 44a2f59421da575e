#include "runtime/entry.h"

#include "runtime/fpenv.h"
#include "runtime/platform.h"

namespace zel::runtime {

void Run(int argc, char** argv, void (*program)()) {
  platform::PrepareProcess();
  platform::SetArguments(argc, argv);
  fpenv::EnableTraps();
  program();
  platform::Exit(0);
}

}  // namespace zel::runtime
