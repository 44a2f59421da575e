// Feeds arbitrary bytes to the free-form pair reader, as a data file and as
// redirected console input, in blocks of varying size. Every input must end
// cleanly: pairs, then end of file or a run-time error number.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "recio/freeform.h"
#include "recio/stream.h"
#include "runtime/error_table.h"

namespace {

using namespace zel::recio;

struct Source {
  const std::uint8_t* data;
  std::size_t size;
  std::size_t chunk;
  std::size_t at = 0;
  static long Read(void* context, char* buffer, std::size_t size) {
    auto& s = *static_cast<Source*>(context);
    const std::size_t n = std::min({size, s.chunk, s.size - s.at});
    std::copy_n(s.data + s.at, n, buffer);
    s.at += n;
    return static_cast<long>(n);
  }
};

// A failure of the reader must be one of the table's read errors.
bool KnownStatus(int status) {
  const zel::runtime::RuntimeErrorEntry* entry = zel::runtime::FindRuntimeError('F', status);
  return entry != nullptr && entry->statement == zel::runtime::Statement::kRead;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  // The first byte chooses the connection and how many bytes a read gives.
  const std::uint8_t mode = data[0];
  Source source{data + 1, size - 1, static_cast<std::size_t>(mode & 0x3f) + 1};
  if ((mode & 0x40) == 0) source.chunk = kFileBlock;  // whole blocks, as a file gives them
  ByteStream stream;
  stream.read = &Source::Read;
  stream.read_context = &source;
  const bool console = (mode & 0x80) != 0;
  stream.console = console;
  stream.block = console ? kConsoleBlock : kFileBlock;

  // Each statement takes at least one byte or ends the loop, so this ends.
  for (;;) {
    FreeFormState state;
    float t = 0.0f, c = 0.0f;
    int status = ScanReal(stream, state, t);
    if (status == 0) status = ScanReal(stream, state, c);
    if (status == 0) status = FinishRecord(stream, state);
    if (status == kEndOfFile) break;
    if (status != 0) {
      if (!KnownStatus(status)) std::abort();
      break;
    }
  }
  return 0;
}
