#include "recio/report.h"

#include <cassert>
#include <string>

#include "runtime/report.h"

namespace zel::recio {

void IoError(RuntimeError error, std::string_view name) {
  const runtime::RuntimeErrorEntry* entry = runtime::FindRuntimeError(error);
  assert(entry != nullptr && entry->statement != IoStatement::kCaller);
  IoError(error, entry != nullptr ? entry->statement : IoStatement::kRead, name);
}

void IoError(RuntimeError error, IoStatement statement, std::string_view name) {
  runtime::RuntimeErrorExit(error, statement, name);
}

void IoError(runtime::ErrorCase error_case, std::string_view name, std::string_view detail) {
  runtime::RuntimeErrorExit(error_case, name, detail);
}

void InvalidUnit(std::int32_t number, IoStatement statement) {
  IoError(RuntimeError::kInvalidUnit, statement, std::to_string(number));
}

}  // namespace zel::recio
