#include "recio/report.h"

#include <string>

#include "runtime/report.h"

namespace zel::recio {

std::string_view IoErrorDescription(int number) {
  switch (number) {
    case 6100: return "integer overflow in repeat count";
    case 6101: return "invalid repeat count";
    case 6102: return "real value out of range";
    case 6103: return "invalid real number";
    case 6104: return "real value too large for single precision";
    case 6200: return "format not understood for input";
    case 6314: return "invalid unit number";
    case 6407: return "input line too long";
    case 6412: return "invalid file name";
    case 6414: return "access denied";
    case 6415: return "file already exists";
    case 6416: return "file not found";
    case 6417: return "too many open files";
    case 6418: return "cannot open file";
    case 6419: return "console output could not be written";
    case 6500: return "read failed";
    case 6501: return "end of file encountered";
    case 6502: return "repeat count of zero";
    case 6503: return "repeat count already pending";
    case 6504: return "character or complex value where a real was expected";
    default: return "input/output error";
  }
}

void IoError(int number, IoStatement statement, std::string_view name) {
  IoError(number, statement, name, IoErrorDescription(number));
}

void IoError(int number, IoStatement statement, std::string_view name, std::string_view description) {
  std::string_view text = statement == IoStatement::kOpen   ? ": OPEN("
                          : statement == IoStatement::kRead ? ": READ("
                                                            : ": WRITE(";
  runtime::RuntimeErrorExit('F', number, text, name, description);
}

void InvalidUnit(std::int32_t number, IoStatement statement) { IoError(6314, statement, std::to_string(number)); }

}  // namespace zel::recio
