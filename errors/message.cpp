// Message composition: the store of numbered parameters and E1MES, which
// records a type and code on the current level and builds the pending text
// from a template.
//
// A stored parameter is one entry "*", kind letter, number, "*", text
// length, "%", text, written right after the previous entry:
//   E1PRMI(1, 500); E1PRML(2, "QDAGS ")  ->  "*I1*3%500*L2*5%QDAGS"
#include <algorithm>
#include <charconv>
#include <cmath>
#include <optional>
#include <string>

#include "errors/errors.h"
#include "errors/internal.h"
#include "recio/chars.h"
#include "recio/realtext.h"

namespace zel::errors {
namespace {

constexpr std::size_t kMaxCharacterParameter = 255;
constexpr std::string_view kTokenLetters = "ACDIKLRSZ";

// Writes an entry unless the number is out of range or the store would
// overflow. The capacity test uses the length of the text as the caller
// gave it, before any cut or blank removal.
void StoreParameter(char kind, std::int32_t k, std::string_view text, std::size_t given_length) {
  if (k < 1 || k > 9) return;
  ServiceState& state = State();
  if (static_cast<std::size_t>(state.parlen) + given_length + 8 > kParameterCapacity) return;
  std::string entry = {'*', kind, static_cast<char>('0' + k), '*'};
  entry += internal::IntegerText(static_cast<std::int64_t>(text.size()));
  entry += '%';
  entry += text;
  std::size_t start = state.parlen == 1 ? 0 : static_cast<std::size_t>(state.parlen);
  std::copy(entry.begin(), entry.end(), state.parbuf.begin() + static_cast<std::ptrdiff_t>(start));
  state.parlen = static_cast<std::int32_t>(start + entry.size());
}

// The text of the first entry of that kind and number, if any.
std::optional<std::string_view> FindParameter(const ServiceState& state, char kind, char digit) {
  if (state.parlen <= 1) return std::nullopt;
  std::string_view store(state.parbuf.data(), static_cast<std::size_t>(state.parlen));
  std::size_t pos = 0;
  while (pos + 4 < store.size() && store[pos] == '*') {
    char entry_kind = store[pos + 1];
    char entry_digit = store[pos + 2];
    std::size_t percent = store.find('%', pos + 4);
    if (percent == std::string_view::npos) break;
    std::size_t length = 0;
    std::from_chars(store.data() + pos + 4, store.data() + percent, length);
    std::string_view text = store.substr(percent + 1, length);
    if (entry_kind == kind && entry_digit == digit) return text;
    pos = percent + 1 + length;
  }
  return std::nullopt;
}

// The stored parameter a token "%(Xn)" at the start of `at` names, if the
// token is well formed and its parameter is stored.
std::optional<std::string_view> TokenParameter(const ServiceState& state, std::string_view at) {
  if (at.size() < 5 || at[0] != '%' || at[1] != '(' || at[4] != ')') return std::nullopt;
  if (at[3] < '1' || at[3] > '9') return std::nullopt;
  char letter = recio::ToUpper(at[2]);
  if (kTokenLetters.find(letter) == std::string_view::npos) return std::nullopt;
  return FindParameter(state, letter, at[3]);
}

// Builds the pending text: ".  " and the template with its tokens replaced,
// never more than 1024 characters.
void Compose(ServiceState& state, std::string_view message_template) {
  std::string_view source = message_template.substr(0, std::min<std::size_t>(message_template.size(), kTextCapacity));
  std::string text = ".  ";
  auto append = [&text](std::string_view piece) {
    text.append(piece.substr(0, std::min(piece.size(), kTextCapacity - text.size())));
  };
  std::size_t i = 0;
  while (i < source.size() && text.size() < kTextCapacity) {
    if (auto parameter = TokenParameter(state, source.substr(i))) {
      append(*parameter);
      i += 5;
    } else {
      append(source.substr(i, 1));
      i += 1;
    }
  }
  internal::SetPendingText(state, text);
}

}  // namespace

void E1PRMI(std::int32_t k, std::int32_t value) {
  std::string text = internal::IntegerText(value);
  StoreParameter('I', k, text, text.size());
}

void E1PRMR(std::int32_t k, float value) {
  std::string text = internal::RealParameterText(value);
  StoreParameter('R', k, text, text.size());
}

// A positive number drops trailing blanks (an all-blank text keeps one); a
// negative number keeps the text's full length.
void E1PRML(std::int32_t k, std::string_view text) {
  if (k < -9 || k > 9) return;  // also keeps the negation below in range
  std::string_view stored = text.substr(0, std::min(text.size(), kMaxCharacterParameter));
  if (k > 0) {
    stored = internal::TrimTrailingBlanks(stored);
    if (stored.empty() && !text.empty()) stored = " ";
  }
  StoreParameter('L', k < 0 ? -k : k, stored, text.size());
}

void E1MES(std::int32_t type, std::int32_t code, std::string_view message_template) {
  ServiceState& state = State();
  constexpr std::int32_t kKeepType = -1;
  if (type < kKeepType || type > TypeNumber(ErrorType::kFatalNow)) {
    // Shown under the type and code already standing at this level.
    internal::SetPendingText(state, ".  Error from E1MES.  Illegal error type specified.");
    E1SHOW();
    internal::StopAfterError();
  }
  if (type != kKeepType) state.levtyp[state.level] = type;
  if (code >= 0) state.levcod[state.level] = code;
  if (type == TypeNumber(ErrorType::kNone) || code == 0) {
    state.txtlen = 0;
    state.parlen = 1;
    return;
  }
  // An empty or single-blank template keeps the pending text, so that it is
  // shown later under the newly posted type and code.
  if (!message_template.empty() && message_template != " ") Compose(state, message_template);
  std::int32_t posted = state.levtyp[state.level];
  if (posted == TypeNumber(ErrorType::kWarningNow)) state.pend6 = 1;
  if (posted == TypeNumber(ErrorType::kFatalNow)) state.pend7 = 1;
  if (posted >= TypeNumber(ErrorType::kTerminal) && PrintAttribute(posted) == 1) E1SHOW();
  state.parlen = 1;
}

namespace internal {

std::string IntegerText(std::int64_t value) {
  char buffer[24];
  auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, result.ptr);
}

std::string RightJustified(std::int64_t value, int width) {
  std::string text = IntegerText(value);
  std::size_t columns = static_cast<std::size_t>(width);
  if (text.size() > columns) return std::string(columns, '*');
  return std::string(columns - text.size(), ' ') + text;
}

// Exponent form with seven significant digits, the same digits the console
// shows for a real: 1.0e-4 -> "1.000000E-04". The rounding tells infinities
// and NaNs apart by their bits, before any arithmetic touches them.
std::string RealParameterText(float value) {
  recio::RoundedReal rounded = recio::RoundReal(value);
  switch (rounded.kind) {
    case recio::RoundedReal::Kind::kInfinity: return std::signbit(value) ? "-Infinity" : "Infinity";
    case recio::RoundedReal::Kind::kDefaultNaN:
    case recio::RoundedReal::Kind::kOtherNaN: return ".000000E+00";
    case recio::RoundedReal::Kind::kFinite: break;
  }
  if (rounded.zero) return ".000000E+00";
  std::string text;
  if (rounded.negative) text += '-';
  text += rounded.digits[0];
  text += '.';
  text.append(rounded.digits + 1, 6);
  int exponent = rounded.exponent - 1;
  text += exponent < 0 ? "E-" : "E+";
  int magnitude = exponent < 0 ? -exponent : exponent;
  if (magnitude < 10) text += '0';
  text += IntegerText(magnitude);
  return text;
}

}  // namespace internal
}  // namespace zel::errors
