// Formats, parsed once into a list of descriptors that an output or input
// statement then walks item by item (private to the record layer).
//
//   ParseFormat("(' x =',I6,2(1X,A))")
//   -> Literal " x =", Integer w6, Open x2, Skip 1, Character, Close
//      (reversion at the Open: the last top-level parenthesised group)
//
// Blanks outside literals are ignored and letters may be of either case.
// Commas only separate. Numbers are held below 65536. Text after the
// parenthesis that closes the format is ignored; a missing closing
// parenthesis is supplied. Characters that are no descriptor of this layer
// are skipped, so any text parses; `exact` tells whether anything had to be
// skipped or supplied (output statements make do, input statements refuse).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zel::recio {

struct FormatItem {
  enum class Kind {
    kLiteral,    // 'text' or "text": `text` holds the characters
    kSkip,       // nX: `count` columns to the right
    kSlash,      // /: `count` record ends
    kDollar,     // $ or backslash: the statement leaves its line open
    kCharacter,  // rA or rAw: `count` items; `width` < 0 when no w was given
    kInteger,    // rIw: `count` items; `width` < 0 when no w was given
    kOpen,       // r( : the group is run `count` times
    kClose,      // ) : `partner` is the index of its kOpen
  };
  Kind kind = Kind::kLiteral;
  std::int32_t count = 1;
  std::int32_t width = -1;
  std::size_t partner = 0;
  std::string text;

  bool TakesItem() const { return kind == Kind::kCharacter || kind == Kind::kInteger; }
};

struct ParsedFormat {
  std::vector<FormatItem> items;  // without the outer parentheses
  // Where the format is used again when items remain at its end: the last
  // top-level group, or the start.
  std::size_t reversion = 0;
  // True when the part from `reversion` to the end takes an item, so that
  // using it again makes progress.
  bool reversion_takes_item = false;
  // False when the text is not exactly one parenthesised list of known
  // descriptors: a stray number, a repeat count of 0, an unknown character,
  // a missing or misplaced parenthesis, text after the closing one.
  bool exact = true;
};

ParsedFormat ParseFormat(std::string_view format);

}  // namespace zel::recio
