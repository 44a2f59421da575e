#include "recio/format.h"

#include "recio/chars.h"

namespace zel::recio {
namespace {

// Counts and widths are held below this, so a long digit run cannot overflow
// and a silly width cannot ask for gigabytes of blanks.
constexpr std::int32_t kNumberLimit = 1 << 16;

class Parser {
 public:
  explicit Parser(std::string_view text) : text_(text) {}

  ParsedFormat Parse() {
    SkipBlanks();
    if (pos_ < text_.size() && text_[pos_] == '(') {
      ++pos_;
    } else {
      parsed_.exact = false;
    }
    ParseBody();
    if (Peek() != '\0') parsed_.exact = false;  // text after the closing parenthesis
    for (std::size_t i = parsed_.reversion; i < parsed_.items.size(); ++i) {
      if (parsed_.items[i].TakesItem()) parsed_.reversion_takes_item = true;
    }
    return std::move(parsed_);
  }

 private:
  void SkipBlanks() {
    while (pos_ < text_.size() && text_[pos_] == ' ') ++pos_;
  }

  // The next non-blank character, upper-cased; '\0' at the end.
  char Peek() {
    SkipBlanks();
    return pos_ < text_.size() ? ToUpper(text_[pos_]) : '\0';
  }

  // Digits with blanks between them ignored; -1 when there are none.
  std::int32_t Number() {
    if (!IsDigit(Peek())) return -1;
    std::int32_t value = 0;
    while (IsDigit(Peek())) {
      value = value * 10 + (text_[pos_++] - '0');
      if (value >= kNumberLimit) value = kNumberLimit - 1;
    }
    return value;
  }

  void Add(FormatItem::Kind kind, std::int32_t count, std::int32_t width = -1) {
    FormatItem item;
    item.kind = kind;
    item.count = count;
    item.width = width;
    parsed_.items.push_back(std::move(item));
  }

  // A quoted literal; a doubled delimiter stands for one. An unterminated
  // literal runs to the end of the text.
  void Literal() {
    const char delimiter = text_[pos_++];
    FormatItem item;
    while (pos_ < text_.size()) {
      char c = text_[pos_++];
      if (c == delimiter) {
        if (pos_ < text_.size() && text_[pos_] == delimiter) {
          ++pos_;
        } else {
          break;
        }
      }
      item.text += c;
    }
    parsed_.items.push_back(std::move(item));
  }

  // Descriptors up to the parenthesis that closes the current level.
  void ParseBody() {
    std::vector<std::size_t> open_groups;
    while (true) {
      const char c = Peek();
      if (c == '\0') break;
      if (c == '\'' || c == '"') {
        Literal();
        continue;
      }
      const std::int32_t number = Number();
      const char d = Peek();
      if (number >= 0 && (d == '\0' || d == ',' || d == '\'' || d == '"')) {  // a stray number
        parsed_.exact = false;
        continue;
      }
      if (number == 0) parsed_.exact = false;  // a repeat count of 0
      const std::int32_t count = number > 0 ? number : 1;
      if (d != '\0') ++pos_;
      switch (d) {
        case 'X': Add(FormatItem::Kind::kSkip, number >= 0 ? number : 1); break;
        case '/': Add(FormatItem::Kind::kSlash, count); break;
        case '$':
        case '\\': Add(FormatItem::Kind::kDollar, 1); break;
        case 'A': Add(FormatItem::Kind::kCharacter, count, Number()); break;
        case 'I': {
          const std::int32_t width = Number();
          if (Peek() == '.') {  // Iw.m: the minimum digit count is not used here
            ++pos_;
            Number();
          }
          Add(FormatItem::Kind::kInteger, count, width);
          break;
        }
        case '(':
          if (open_groups.empty()) parsed_.reversion = parsed_.items.size();
          open_groups.push_back(parsed_.items.size());
          Add(FormatItem::Kind::kOpen, count);
          break;
        case ')':
          if (open_groups.empty()) return;  // the end of the format
          Close(open_groups);
          break;
        case ',': break;
        default: parsed_.exact = false; break;  // anything this layer has no use for
      }
    }
    parsed_.exact = false;  // the closing parenthesis is missing
    while (!open_groups.empty()) Close(open_groups);
  }

  void Close(std::vector<std::size_t>& open_groups) {
    Add(FormatItem::Kind::kClose, 1);
    parsed_.items.back().partner = open_groups.back();
    open_groups.pop_back();
  }

  std::string_view text_;
  std::size_t pos_ = 0;
  ParsedFormat parsed_;
};

}  // namespace

ParsedFormat ParseFormat(std::string_view format) { return Parser(format).Parse(); }

}  // namespace zel::recio
