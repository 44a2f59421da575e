// Buffered input streams: the console input (standard input, 132-byte
// blocks) and the data file (1024-byte blocks). Private to the record layer.
//
// A stream hands out one byte at a time and refills its buffer when it runs
// dry. Line ends come out normalised: LF, CR LF and a lone CR each arrive as
// one kLineEnd byte, also when the CR and the LF of a pair fall into two
// different blocks. What comes instead of a byte is already the status a
// read statement returns: kEndOfFile, or a run-time error number (6407,
// 6500); both lie outside 0..255.
//
//   ByteStream& in = ...;
//   for (int b = Next(in); b != kLineEnd; b = Next(in)) {
//     if (!IsByte(b)) return b;
//     ...
//   }
//
// Refill rules:
//   - end of input (an empty read, or a console Ctrl-Z block) after a last
//     line without a line end delivers one kLineEnd first, whatever the size
//     of the input; a short read is not a line end (a pipe may deliver a
//     line in pieces);
//   - console only: a block whose third byte from the end is Ctrl-Z (0x1A)
//     is end of input (Ctrl-Z, CR, LF typed on a console); from a terminal,
//     whose Enter gives a lone LF, Ctrl-Z just before that LF counts too;
//   - console statements from a terminal: a block that fills the whole
//     buffer without ending in LF is a typed line that is too long (6407);
//   - a stream with a record limit (the console) hands out 6407 instead of
//     the first byte beyond it, so no reader ever holds an endless line;
//   - end of input stays: once seen, the handle is not read again.
#pragma once

#include <cstddef>
#include <cstdint>

#include "recio/input.h"
#include "runtime/error_table.h"

namespace zel::recio {

inline constexpr int kLineEnd = '\n';

// A read step's status: 0 when it completed, kEndOfFile, or the number of
// the run-time error it met.
constexpr int Status(runtime::RuntimeError error) { return static_cast<int>(error); }

// True when a stream result is a byte rather than a status.
constexpr bool IsByte(int result) { return result >= 0 && result <= 0xFF; }

inline constexpr std::size_t kConsoleBlock = 132;
inline constexpr std::size_t kFileBlock = 1024;

// Where a stream's bytes come from when it does not read a handle (tests and
// the fuzzer): same contract as platform::Read.
using ReadFunction = long (*)(void* context, char* buffer, std::size_t size);

struct ByteStream {
  // Set up by the owner of the connection.
  int handle = -1;
  std::size_t block = kFileBlock;
  bool console = false;            // Ctrl-Z rule; console output is flushed before a read
  bool terminal = false;           // the handle is an interactive terminal
  bool limit_typed_line = false;   // 6407 for an overlong typed line (console statements)
  std::size_t longest_record = 0;  // 6407 for a longer record; 0: no limit
  ReadFunction read = nullptr;     // null: platform::Read(handle, ...)
  void* read_context = nullptr;

  // Buffer and position.
  char buffer[kFileBlock] = {};
  std::size_t position = 0;
  std::size_t end = 0;
  bool end_of_file = false;
  bool owes_line_end = false;  // the last block ended inside a line
  bool after_cr = false;       // an LF that comes next completes a CR already taken
  std::size_t record_length = 0;  // bytes taken from the current record
};

// The next byte without taking it: 0..255 (kLineEnd for any line end),
// kEndOfFile, or a run-time error number (6407, 6500).
int Peek(ByteStream& stream);

// The next byte, taken.
inline int Next(ByteStream& stream);

// Next for every case: refills, CR LF pairs, the record limit.
int NextAnyByte(ByteStream& stream);

inline int Next(ByteStream& s) {
  // A buffered byte that is neither a CR nor the LF of a CR LF pair, within
  // the record limit, is simply taken: nearly every byte of a data file.
  if (s.position < s.end && !s.after_cr) {
    const auto raw = static_cast<unsigned char>(s.buffer[s.position]);
    if (raw == '\n') {
      ++s.position;
      s.record_length = 0;
      return kLineEnd;
    }
    if (raw != '\r' && (s.longest_record == 0 || s.record_length < s.longest_record)) {
      ++s.position;
      ++s.record_length;
      return raw;
    }
  }
  return NextAnyByte(s);
}

// Takes bytes up to and including the next line end. Returns 0, or the
// status Next returned instead of the line end.
int SkipLine(ByteStream& stream);

// Forgets the buffered bytes (the rest of a typed line).
void DropBuffered(ByteStream& stream);

// Back to the empty state of a stream that has read nothing; the set-up
// fields stay.
void ResetStream(ByteStream& stream);

// The console input stream of the process (defined with the read statements).
ByteStream& ConsoleInput();

// The stream of the file connected to `unit`, or null when the unit is not
// connected (defined with the connection).
ByteStream* ConnectedInput(std::int32_t unit);

}  // namespace zel::recio
