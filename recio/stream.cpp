#include "recio/stream.h"

#include "recio/console.h"
#include "runtime/platform.h"

namespace zel::recio {
namespace {

using runtime::RuntimeError;

constexpr char kCtrlZ = 0x1A;

// A console block that marks end of input: Ctrl-Z third from the end (typed
// Ctrl-Z and Enter as CR LF, possibly after other characters), or, from a
// terminal whose Enter is a lone LF, Ctrl-Z right before that LF.
bool IsCtrlZBlock(const ByteStream& s, std::size_t size) {
  if (size >= 3 && s.buffer[size - 3] == kCtrlZ) return true;
  return s.terminal && size >= 2 && s.buffer[size - 1] == '\n' && s.buffer[size - 2] == kCtrlZ;
}

// End of input, from an empty read or a Ctrl-Z block. A last line that is
// still open is completed first with one line end; the handle is not read
// again either way.
int MeetEndOfInput(ByteStream& s) {
  s.end_of_file = true;
  if (!s.owes_line_end) return kEndOfFile;
  s.owes_line_end = false;
  s.buffer[0] = '\n';
  s.end = 1;
  return 0;
}

// Fills the empty buffer. Returns 0, kEndOfFile or a run-time error number.
int Refill(ByteStream& s) {
  s.position = 0;
  s.end = 0;
  if (s.end_of_file) return kEndOfFile;
  if (s.console) ConsoleFlush();  // the prompt must be out before we wait for the reply
  long count = s.read != nullptr ? s.read(s.read_context, s.buffer, s.block)
                                 : platform::Read(s.handle, s.buffer, s.block);
  if (count < 0) return Status(RuntimeError::kReadRefused);
  if (count == 0) return MeetEndOfInput(s);
  const auto size = static_cast<std::size_t>(count);
  if (s.console) {
    if (s.terminal && s.limit_typed_line && size == s.block && s.buffer[size - 1] != '\n') {
      return Status(RuntimeError::kLineTooLong);
    }
    if (IsCtrlZBlock(s, size)) return MeetEndOfInput(s);
  }
  const char last = s.buffer[size - 1];
  s.owes_line_end = last != '\n' && last != '\r';
  s.end = size;
  return 0;
}

}  // namespace

int Peek(ByteStream& s) {
  for (;;) {
    if (s.position == s.end) {
      if (int status = Refill(s); status != 0) return status;
    }
    const char raw = s.buffer[s.position];
    if (raw == '\n' && s.after_cr) {
      // The LF of a CR LF pair whose CR was already taken as the line end.
      ++s.position;
      s.after_cr = false;
      continue;
    }
    s.after_cr = false;
    return raw == '\r' ? kLineEnd : static_cast<unsigned char>(raw);
  }
}

int NextAnyByte(ByteStream& s) {
  const int byte = Peek(s);
  if (!IsByte(byte)) return byte;
  s.after_cr = s.buffer[s.position++] == '\r';
  s.record_length = byte == kLineEnd ? 0 : s.record_length + 1;
  if (s.longest_record != 0 && s.record_length > s.longest_record) return Status(RuntimeError::kLineTooLong);
  return byte;
}

int SkipLine(ByteStream& s) {
  for (;;) {
    const int byte = Next(s);
    if (byte == kLineEnd) return 0;
    if (!IsByte(byte)) return byte;
  }
}

void DropBuffered(ByteStream& s) {
  s.position = s.end;
  s.after_cr = false;
  s.owes_line_end = false;  // the dropped line owes nothing any more
  s.record_length = 0;
}

void ResetStream(ByteStream& s) {
  s.position = 0;
  s.end = 0;
  s.end_of_file = false;
  s.owes_line_end = false;
  s.after_cr = false;
  s.record_length = 0;
}

}  // namespace zel::recio
