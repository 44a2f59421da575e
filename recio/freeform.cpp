#include "recio/freeform.h"

#include <charconv>
#include <climits>
#include <cmath>
#include <system_error>

namespace zel::recio {
namespace {

using Separator = FreeFormState::Separator;

constexpr int kRepeatTooLarge = 6100;
constexpr int kBadRepeatCount = 6101;
constexpr int kBeyondDouble = 6102;
constexpr int kNotANumber = 6103;
constexpr int kBeyondSingle = 6104;
constexpr int kZeroRepeatCount = 6502;
constexpr int kRepeatPending = 6503;
constexpr int kCharacterForReal = 6504;

// The largest single-precision value plus 2^75: anything above it is out of
// range; anything up to it rounds to at most FLT_MAX without overflowing.
constexpr double kSingleLimit = 0x1.fffffe0000001p+127;

// Exponent digits beyond this only make an overflow or an underflow surer.
constexpr int kExponentCap = 100000;
// Decimal exponents (of d.ddd form) beyond which the double range is left.
constexpr int kOverflowExponent = 400;
constexpr int kUnderflowExponent = -400;

bool IsDigit(int c) { return c >= '0' && c <= '9'; }

// The characters before an asterisk: an optionally signed decimal integer
// from 1 to 2147483647.
int TakeRepeatCount(std::string_view text, std::int32_t& count) {
  std::size_t p = 0;
  bool negative = false;
  if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
    negative = text[0] == '-';
    p = 1;
  }
  if (p == text.size()) return kBadRepeatCount;  // ‹*5›, ‹-*›
  std::int64_t value = 0;
  for (; p < text.size(); ++p) {
    if (!IsDigit(text[p])) return kBadRepeatCount;
    if (value <= INT32_MAX) value = value * 10 + (text[p] - '0');
  }
  if (negative) return kZeroRepeatCount;  // no use for a negative count: refused like 0
  if (value > INT32_MAX) return kRepeatTooLarge;
  if (value == 0) return kZeroRepeatCount;
  count = static_cast<std::int32_t>(value);
  return 0;
}

int EndToken(FreeFormState& state, Separator separator, bool line_end) {
  state.previous = separator;
  state.record_finished = line_end;
  return 0;
}

// Scans the next token of the record into state.token; an empty token is a
// null value. A repeat count in front of it is taken into state.pending.
int ScanToken(ByteStream& stream, FreeFormState& state, bool real_item) {
  state.token_size = 0;
  bool count_taken = false;
  bool after_count = false;  // right after ‹r*›, a separator ends an empty token at once
  for (;;) {
    const int byte = Next(stream);
    if (byte < 0) return StatusOf(byte);
    const bool nothing_yet = state.token_size == 0 && !after_count;
    switch (byte) {
      case ' ':
      case '\t':
        if (nothing_yet) continue;
        return EndToken(state, Separator::kBlank, false);
      case kLineEnd:
        if (nothing_yet) continue;  // empty lines and line ends before a value are skipped
        return EndToken(state, Separator::kBlank, true);
      case ',':
        if (nothing_yet && state.previous == Separator::kBlank) {
          state.previous = Separator::kComma;  // ‹1.0 , 2.0›: the comma joins the blank
          continue;
        }
        return EndToken(state, Separator::kComma, false);
      case '/':
        state.slash = true;
        return EndToken(state, Separator::kSlash, false);
      case '*': {
        if (count_taken) return kRepeatPending;
        std::int32_t count = 1;
        if (int status = TakeRepeatCount({state.token, state.token_size}, count); status != 0) return status;
        count_taken = true;
        state.token_size = 0;
        if (count >= 2) {
          state.pending = count - 1;
          after_count = true;
        }
        continue;
      }
      case '\'':
      case '"':
      case '(':
        if (real_item && state.token_size == 0) return kCharacterForReal;
        break;
      default:
        break;
    }
    if (state.token_size == kTokenCapacity) return kNotANumber;  // longer than any real can be
    state.token[state.token_size++] = static_cast<char>(byte);
    after_count = false;
  }
}

// Stores the last token in a real item; a null value leaves it unchanged.
int StoreReal(const FreeFormState& state, float& variable) {
  if (state.token_size == 0) return 0;
  float value = 0.0f;
  if (int status = ConvertReal({state.token, state.token_size}, value); status != 0) return status;
  variable = value;
  return 0;
}

int StoreCharacter(const FreeFormState& state, char* variable, std::size_t length) {
  if (state.token_size == 0) return 0;
  for (std::size_t i = 0; i < length; ++i) variable[i] = i < state.token_size ? state.token[i] : ' ';
  return 0;
}

}  // namespace

void StartStatement(FreeFormState& state) {
  // The token bytes are left as they are: only token_size tells how many count.
  state.pending = 0;
  state.previous = Separator::kComma;
  state.slash = false;
  state.record_finished = false;
  state.token_size = 0;
}

int ScanReal(ByteStream& stream, FreeFormState& state, float& variable) {
  if (state.pending > 0) {
    --state.pending;
    return StoreReal(state, variable);
  }
  if (state.slash) return 0;
  if (int status = ScanToken(stream, state, /*real_item=*/true); status != 0) return status;
  return StoreReal(state, variable);
}

int ScanCharacter(ByteStream& stream, FreeFormState& state, char* variable, std::size_t length) {
  if (state.pending > 0) {
    --state.pending;
    return StoreCharacter(state, variable, length);
  }
  if (state.slash) return 0;
  if (int status = ScanToken(stream, state, /*real_item=*/false); status != 0) return status;
  return StoreCharacter(state, variable, length);
}

int FinishRecord(ByteStream& stream, FreeFormState& state) {
  if (state.record_finished) return 0;
  return StatusOf(SkipLine(stream));
}

int ConvertReal(std::string_view token, float& value) {
  const std::size_t n = token.size();
  if (n > kTokenCapacity) return kNotANumber;
  std::size_t p = 0;

  bool negative = false;
  if (p < n && (token[p] == '+' || token[p] == '-')) negative = token[p++] == '-';
  const std::size_t int_begin = p;
  while (p < n && IsDigit(token[p])) ++p;
  const std::string_view int_digits = token.substr(int_begin, p - int_begin);
  std::string_view fraction_digits;
  if (p < n && token[p] == '.') {
    const std::size_t begin = ++p;
    while (p < n && IsDigit(token[p])) ++p;
    fraction_digits = token.substr(begin, p - begin);
  }
  if (int_digits.empty() && fraction_digits.empty()) return kNotANumber;

  int exponent = 0;
  if (p < n) {
    const char c = token[p];
    const bool letter = c == 'E' || c == 'e' || c == 'D' || c == 'd';
    if (!letter && c != '+' && c != '-') return kNotANumber;
    if (letter) ++p;
    bool exponent_negative = false;
    if (p < n && (token[p] == '+' || token[p] == '-')) exponent_negative = token[p++] == '-';
    const std::size_t begin = p;
    for (; p < n && IsDigit(token[p]); ++p) {
      if (exponent < kExponentCap) exponent = exponent * 10 + (token[p] - '0');
    }
    if (p == begin || p != n) return kNotANumber;
    if (exponent_negative) exponent = -exponent;
  }

  // The significant digits, without leading and trailing zeros: the value
  // is digits x 10^scale.
  char digits[kTokenCapacity];
  std::size_t count = 0;
  for (std::string_view part : {int_digits, fraction_digits}) {
    for (char c : part) {
      if (count == 0 && c == '0') continue;
      digits[count++] = c;
    }
  }
  int scale = exponent - static_cast<int>(fraction_digits.size());
  while (count > 0 && digits[count - 1] == '0') {
    --count;
    ++scale;
  }
  const float zero = negative ? -0.0f : 0.0f;
  if (count == 0) {
    value = zero;
    return 0;
  }
  const int decimal_exponent = scale + static_cast<int>(count) - 1;  // of the d.ddd form
  if (decimal_exponent > kOverflowExponent) return kBeyondDouble;
  if (decimal_exponent < kUnderflowExponent) {
    value = zero;
    return 0;
  }

  // The canonical form "[-]d[.ddd]e[-]x" is all that reaches from_chars.
  char text[kTokenCapacity + 16];
  std::size_t size = 0;
  if (negative) text[size++] = '-';
  text[size++] = digits[0];
  if (count > 1) {
    text[size++] = '.';
    for (std::size_t i = 1; i < count; ++i) text[size++] = digits[i];
  }
  text[size++] = 'e';
  const auto written = std::to_chars(text + size, text + sizeof text, decimal_exponent);
  size = static_cast<std::size_t>(written.ptr - text);

  double number = 0.0;
  const auto [end, error] = std::from_chars(text, text + size, number);
  if (error == std::errc::result_out_of_range) {
    if (decimal_exponent > 0) return kBeyondDouble;
    value = zero;  // below the double range, so far below the single range
    return 0;
  }
  if (error != std::errc{} || end != text + size) return kNotANumber;
  if (std::fabs(number) > kSingleLimit) return kBeyondSingle;  // checked before narrowing
  value = static_cast<float>(number);
  return 0;
}

}  // namespace zel::recio
