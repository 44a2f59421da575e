#include "recio/freeform.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdint>
#include <optional>
#include <system_error>

#include "recio/chars.h"

namespace zel::recio {
namespace {

using runtime::RuntimeError;
using Separator = FreeFormState::Separator;

// The largest single-precision value plus 2^75: anything above it is out of
// range; anything up to it rounds to at most FLT_MAX without overflowing.
constexpr double kSingleLimit = 0x1.fffffe0000001p+127;

// Exponent digits beyond this only make an overflow or an underflow surer.
constexpr int kExponentCap = 100000;
// Decimal exponents (of d.ddd form) beyond which the double range is left.
constexpr int kOverflowExponent = 400;
constexpr int kUnderflowExponent = -400;

// The characters before an asterisk: an optionally signed decimal integer
// from 1 to 2147483647.
int TakeRepeatCount(std::string_view text, std::int32_t& count) {
  std::size_t p = 0;
  bool negative = false;
  if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
    negative = text[0] == '-';
    p = 1;
  }
  if (p == text.size()) return Status(RuntimeError::kBadRepeatCount);  // ‹*5›, ‹-*›
  std::int64_t value = 0;
  for (; p < text.size(); ++p) {
    if (!IsDigit(text[p])) return Status(RuntimeError::kBadRepeatCount);
    if (value <= INT32_MAX) value = value * 10 + (text[p] - '0');
  }
  if (negative) return Status(RuntimeError::kZeroRepeatCount);  // no use for a negative count: refused like 0
  if (value > INT32_MAX) return Status(RuntimeError::kRepeatTooLarge);
  if (value == 0) return Status(RuntimeError::kZeroRepeatCount);
  count = static_cast<std::int32_t>(value);
  return 0;
}

int EndToken(FreeFormState& state, Separator separator, bool line_end) {
  state.previous = separator;
  state.record_finished = line_end;
  return 0;
}

// A byte that continues a token already begun: anything but a separator,
// a line end or a star.
constexpr std::array<bool, 256> kContinuesToken = [] {
  std::array<bool, 256> table{};
  table.fill(true);
  for (unsigned char c : {' ', '\t', '\n', '\r', ',', '/', '*'}) table[c] = false;
  return table;
}();

// Takes the bytes that continue the token from the stream's buffer at once,
// as Next would take them one by one, up to the token's capacity. A stream
// with a record limit is left to Next, which reports the byte beyond it.
void TakeTokenBytes(ByteStream& stream, FreeFormState& state) {
  if (stream.longest_record != 0 || stream.after_cr) return;
  const char* const begin = stream.buffer + stream.position;
  const char* const end = begin + std::min(stream.end - stream.position, kTokenCapacity - state.token_size);
  const char* p = begin;
  char* out = state.token + state.token_size;
  while (p < end && kContinuesToken[static_cast<unsigned char>(*p)]) *out++ = *p++;
  const auto count = static_cast<std::size_t>(p - begin);
  state.token_size += count;
  stream.position += count;
  stream.record_length += count;
}

// Scans the next token of the record into state.token; an empty token is a
// null value. A repeat count in front of it is taken into state.pending.
int ScanToken(ByteStream& stream, FreeFormState& state, bool real_item) {
  state.token_size = 0;
  bool count_taken = false;
  bool after_count = false;  // right after ‹r*›, a separator ends an empty token at once
  for (;;) {
    const int byte = Next(stream);
    if (!IsByte(byte)) return byte;
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
        if (count_taken) return Status(RuntimeError::kRepeatPending);
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
        if (real_item && state.token_size == 0) return Status(RuntimeError::kCharacterForReal);
        break;
      default:
        break;
    }
    if (state.token_size == kTokenCapacity) return Status(RuntimeError::kNotANumber);  // longer than any real can be
    state.token[state.token_size++] = static_cast<char>(byte);
    after_count = false;
    TakeTokenBytes(stream, state);
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

// The parts of a real token as the lexer finds them: the value is
// ±integer.fraction x 10^exponent.
struct RealParts {
  bool negative = false;
  std::string_view integer_digits;
  std::string_view fraction_digits;
  int exponent = 0;  // held within ±kExponentCap
  // The integer and fraction digits read as one integer, modulo 2^64: exact
  // while there are at most 19 of them.
  std::uint64_t mantissa = 0;
};

// Splits a token into the parts of a real: an optional sign; digits with an
// optional point and more digits, or a point and digits; an optional
// exponent (a letter E, e, D or d with an optional sign, or a sign alone,
// then digits). Nothing when the token is not all of that.
std::optional<RealParts> LexReal(std::string_view token) {
  const std::size_t n = token.size();
  std::size_t p = 0;
  RealParts parts;
  // Mantissa digits are also accumulated on the way, for the exact path.
  auto digits = [&](bool mantissa) {
    const std::size_t begin = p;
    for (; p < n && IsDigit(token[p]); ++p) {
      if (mantissa) parts.mantissa = parts.mantissa * 10 + static_cast<std::uint64_t>(token[p] - '0');
    }
    return token.substr(begin, p - begin);
  };
  auto sign = [&] {
    const bool negative = p < n && token[p] == '-';
    if (p < n && (token[p] == '+' || token[p] == '-')) ++p;
    return negative;
  };

  parts.negative = sign();
  parts.integer_digits = digits(true);
  if (p < n && token[p] == '.') {
    ++p;
    parts.fraction_digits = digits(true);
  }
  if (parts.integer_digits.empty() && parts.fraction_digits.empty()) return std::nullopt;
  if (p == n) return parts;

  const char c = ToUpper(token[p]);
  if (c != 'E' && c != 'D' && c != '+' && c != '-') return std::nullopt;
  if (c == 'E' || c == 'D') ++p;
  const bool exponent_negative = sign();
  const std::string_view exponent_digits = digits(false);
  if (exponent_digits.empty() || p != n) return std::nullopt;
  for (char d : exponent_digits) {
    if (parts.exponent < kExponentCap) parts.exponent = parts.exponent * 10 + (d - '0');
  }
  if (exponent_negative) parts.exponent = -parts.exponent;
  return parts;
}

// A real as its significant digits, without leading and trailing zeros, and
// the power of ten of the first: the value is ±d1.d2d3...dn x 10^exponent.
struct DecimalReal {
  bool negative = false;
  std::size_t count = 0;  // 0 for zero
  int exponent = 0;
  char digits[kTokenCapacity];
};

DecimalReal Normalise(const RealParts& parts) {
  DecimalReal decimal;
  decimal.negative = parts.negative;
  for (std::string_view part : {parts.integer_digits, parts.fraction_digits}) {
    for (char c : part) {
      if (decimal.count == 0 && c == '0') continue;
      decimal.digits[decimal.count++] = c;
    }
  }
  // digits x 10^scale, then without trailing zeros.
  int scale = parts.exponent - static_cast<int>(parts.fraction_digits.size());
  while (decimal.count > 0 && decimal.digits[decimal.count - 1] == '0') {
    --decimal.count;
    ++scale;
  }
  decimal.exponent = scale + static_cast<int>(decimal.count) - 1;
  return decimal;
}

// The nearest double, then the nearest single: 0 with `value` set, or
// kBeyondDouble, kBeyondSingle. Below the ranges the value is a subnormal or
// a zero of the token's sign.
int ToSingle(const DecimalReal& decimal, float& value) {
  const float zero = decimal.negative ? -0.0f : 0.0f;
  if (decimal.count == 0 || decimal.exponent < kUnderflowExponent) {
    value = zero;
    return 0;
  }
  if (decimal.exponent > kOverflowExponent) return Status(RuntimeError::kBeyondDouble);

  // The canonical form "[-]d[.ddd]e[-]x" is all that reaches from_chars.
  char text[kTokenCapacity + 16];
  std::size_t size = 0;
  if (decimal.negative) text[size++] = '-';
  text[size++] = decimal.digits[0];
  if (decimal.count > 1) {
    text[size++] = '.';
    for (std::size_t i = 1; i < decimal.count; ++i) text[size++] = decimal.digits[i];
  }
  text[size++] = 'e';
  const auto written = std::to_chars(text + size, text + sizeof text, decimal.exponent);
  size = static_cast<std::size_t>(written.ptr - text);

  double number = 0.0;
  const auto [end, error] = std::from_chars(text, text + size, number);
  if (error == std::errc::result_out_of_range) {
    if (decimal.exponent > 0) return Status(RuntimeError::kBeyondDouble);
    value = zero;  // below the double range, so far below the single range
    return 0;
  }
  if (error != std::errc{} || end != text + size) return Status(RuntimeError::kNotANumber);
  if (std::fabs(number) > kSingleLimit) return Status(RuntimeError::kBeyondSingle);  // checked before narrowing
  value = static_cast<float>(number);
  return 0;
}

// Powers of ten that a double holds exactly.
constexpr double kExactPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                        1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
constexpr int kLargestExactPower = 22;
// Up to 19 digits always fit in 64 bits; integers up to 2^53 are exact doubles.
constexpr std::size_t kDigitsInWord = 19;
constexpr std::uint64_t kLargestExactInteger = std::uint64_t{1} << 53;

// The common token without the canonical copy: mantissa digits m (leading
// zeros included) of at most 19 digits and at most 2^53, and a power of ten
// k within ±22. Then m and 10^|k| are exact doubles, and one multiplication
// or division rounds m x 10^k once, to the nearest double, as from_chars
// would. False, with `value` unset, for every other real (those take the
// general path).
bool ConvertExactly(const RealParts& parts, float& value) {
  if (parts.integer_digits.size() + parts.fraction_digits.size() > kDigitsInWord) return false;
  const std::uint64_t m = parts.mantissa;
  const int k = parts.exponent - static_cast<int>(parts.fraction_digits.size());
  if (m > kLargestExactInteger || k < -kLargestExactPower || k > kLargestExactPower) return false;
  const auto exact = static_cast<double>(m);
  double number = k >= 0 ? exact * kExactPowersOfTen[k] : exact / kExactPowersOfTen[-k];
  if (parts.negative) number = -number;  // a zero keeps the token's sign
  value = static_cast<float>(number);  // far below the single limit
  return true;
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
  return SkipLine(stream);
}

int ConvertReal(std::string_view token, float& value) {
  if (token.size() > kTokenCapacity) return Status(RuntimeError::kNotANumber);
  const std::optional<RealParts> parts = LexReal(token);
  if (!parts) return Status(RuntimeError::kNotANumber);
  if (ConvertExactly(*parts, value)) return 0;
  return ToSingle(Normalise(*parts), value);
}

}  // namespace zel::recio
