// Character tests of the record layer's parsers. ASCII only, whatever the
// locale: formats and numbers are read the same everywhere.
#pragma once

namespace zel::recio {

constexpr bool IsDigit(int c) { return c >= '0' && c <= '9'; }

constexpr char ToUpper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

}  // namespace zel::recio
