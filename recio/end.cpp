#include "recio/end.h"

#include "recio/console.h"
#include "runtime/platform.h"

namespace zel::recio {

void Stop(StopStatus status) {
  EndOpenLine();
  ConsoleWrite("Stop - Program terminated.\r\n");
  platform::Exit(static_cast<int>(status));
}

}  // namespace zel::recio
