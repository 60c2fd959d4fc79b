#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "stats/keyed_table.h"

namespace tlw {

// A click path's key as it is built: the numbers of its pieces, each as a
// varint, with the table hash and length of the text the pieces spell.
struct ClickPathKey {
  std::string codes;
  std::uint32_t tableHash = 0;  // TableHash of the text
  std::size_t textLength = 0;   // length of the text
  void Clear() {
    codes.clear();
    tableHash = 0;
    textLength = 0;
  }
};

// The pages of the click paths of a run, numbered, so that a click path is
// kept as a few bytes of numbers instead of its text: the text of every
// path (each page followed by "!") would take most of the memory of a long
// log. A page whose path itself holds "!" is numbered piece by piece, the
// pieces being the texts between its "!"s; then two paths have equal keys
// exactly when their texts are equal, and the table hash of a key, built
// from the pieces', is that of its text, so `clickPaths` keeps the order of
// a table keyed by the texts.
class ClickPathPages {
 public:
  static constexpr std::uint32_t kNone = 0xFFFFFFFFu;

  // The number of `page` when it is a single piece (it holds no "!"), else
  // kNone; numbers are given in the order pages are first seen.
  std::uint32_t NumberOf(std::string_view page);
  // Appends the piece numbered `number` to `key`.
  void AppendNumber(std::uint32_t number, ClickPathKey& key) const;
  // Appends `page`, which may hold "!", to `key`.
  void AppendPage(std::string_view page, ClickPathKey& key);

  // The text of `codes`: each page followed by "!". Numbers this table never
  // gave, and a cut-off last number, are left out.
  std::string Text(std::string_view codes) const;
  // The first and the last page of `codes` (empty when there is none).
  std::string_view FirstPage(std::string_view codes) const;
  std::string_view LastPage(std::string_view codes) const;

  std::size_t Count() const { return pieces_.size(); }
  // Forgets every number and frees the memory.
  void Clear();
  // The numbers as they are: a loaded table gives every page its number.
  void Save(StateWriter& out) const {
    numbers_.Save(out);
    out.Vector(pieces_);
  }
  bool Load(StateReader& in) {
    numbers_.Load(in);
    return in.Vector(pieces_, std::uint64_t{1} << 32);
  }

 private:
  struct Piece {
    KeyedTable<std::uint32_t>::Handle text;
    std::uint32_t hashWithBang;  // TableHash of the piece followed by "!"
    std::uint32_t shift;         // 33 to the power of that text's length
    std::uint32_t length;        // that text's length
  };
  std::string_view PieceText(std::uint32_t number) const;

  KeyedTable<std::uint32_t> numbers_{1};  // piece text to number
  std::vector<Piece> pieces_;             // by number
};

}  // namespace tlw
