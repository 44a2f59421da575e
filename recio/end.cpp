#include "recio/end.h"

#include "recio/console.h"
#include "recio/report.h"
#include "recio/stream.h"
#include "runtime/platform.h"

namespace zel::recio {

void Stop(StopStatus status) {
  EndOpenLine();
  ConsoleWrite("Stop - Program terminated.\r\n");
  platform::Exit(static_cast<int>(status));
}

void Pause() {
  EndOpenLine();
  ConsoleWrite("Pause - Please enter a blank line (to continue) or a DOS command.\r\n");
  std::string reply;
  // The whole reply counts, however long: a command is never cut and run half.
  if (!ReadConsoleLine(reply, std::string::npos)) {
    IoError(RuntimeError::kUnexpectedEndOfFile, IoStatement::kRead, "CON");
  }
  const std::size_t kept = reply.find_last_not_of(" \t");
  reply.resize(kept == std::string::npos ? 0 : kept + 1);
  // A command line cannot hold a NUL byte: the interpreter would run only
  // the part before it, so such a reply runs nothing.
  if (reply.size() >= 2 && reply.find('\0') == std::string::npos) {
    ConsoleFlush();  // what the program wrote comes before what the command writes
    platform::RunCommand(reply);
  }
}

bool ReadConsoleLine(std::string& line, std::size_t limit) {
  ByteStream& stream = ConsoleInput();
  stream.limit_typed_line = false;  // a reply line may be longer than a typed record
  line.clear();
  int byte = Next(stream);
  if (byte == kEndOfFile) return false;
  for (; byte != kLineEnd; byte = Next(stream)) {
    // The stream completes a last line before it reports end of input, so
    // this only guards the loop.
    if (byte == kEndOfFile) break;
    if (!IsByte(byte)) IoError(static_cast<RuntimeError>(byte), IoStatement::kRead, "CON");
    if (line.size() < limit) line.push_back(static_cast<char>(byte));
  }
  return true;
}

}  // namespace zel::recio
