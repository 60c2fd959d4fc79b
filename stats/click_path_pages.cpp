#include "stats/click_path_pages.h"

#include "stats/text_hash.h"
#include "stats/varint.h"

namespace tlw {
namespace {

void AppendVarint(std::string& out, std::uint32_t n) {
  std::uint8_t bytes[kMaxVarintBytes];
  out.append(reinterpret_cast<const char*>(bytes), WriteVarint(n, bytes));
}

// Reads the number at `pos` and moves past it; false at the end of `codes`
// or on a number cut off by it.
bool ReadVarint(std::string_view codes, std::size_t& pos, std::uint32_t& n) {
  return tlw::ReadVarint(reinterpret_cast<const std::uint8_t*>(codes.data()), codes.size(), pos, n);
}

}  // namespace

std::uint32_t ClickPathPages::NumberOf(std::string_view page) {
  if (page.find('!') != std::string_view::npos) return kNone;
  bool created = false;
  const auto handle = numbers_.Intern(page, &created);
  if (created) {
    std::uint32_t shift = 1;
    for (std::size_t i = 0; i <= page.size(); ++i) shift *= 33u;
    numbers_.ValueAt(handle) = static_cast<std::uint32_t>(pieces_.size());
    pieces_.push_back({handle, TableHash(page) * 33u + static_cast<std::uint32_t>('!'), shift,
                       static_cast<std::uint32_t>(page.size() + 1)});
  }
  return numbers_.ValueAt(handle);
}

void ClickPathPages::AppendNumber(std::uint32_t number, ClickPathKey& key) const {
  const Piece& piece = pieces_[number];
  AppendVarint(key.codes, number);
  // TableHash is a polynomial in the bytes: the hash of a text followed by
  // a piece is the text's hash shifted past the piece plus the piece's.
  key.tableHash = key.tableHash * piece.shift + piece.hashWithBang;
  key.textLength += piece.length;
}

void ClickPathPages::AppendPage(std::string_view page, ClickPathKey& key) {
  for (;;) {
    const std::size_t bang = page.find('!');
    AppendNumber(NumberOf(page.substr(0, bang)), key);
    if (bang == std::string_view::npos) return;
    page.remove_prefix(bang + 1);
  }
}

std::string_view ClickPathPages::PieceText(std::uint32_t number) const {
  return number < pieces_.size() ? numbers_.KeyAt(pieces_[number].text) : std::string_view();
}

std::string ClickPathPages::Text(std::string_view codes) const {
  std::string text;
  std::uint32_t number = 0;
  for (std::size_t pos = 0; ReadVarint(codes, pos, number);) {
    if (number >= pieces_.size()) continue;
    text.append(PieceText(number));
    text.push_back('!');
  }
  return text;
}

std::string_view ClickPathPages::FirstPage(std::string_view codes) const {
  std::size_t pos = 0;
  std::uint32_t number = 0;
  return ReadVarint(codes, pos, number) ? PieceText(number) : std::string_view();
}

std::string_view ClickPathPages::LastPage(std::string_view codes) const {
  std::uint32_t last = kNone;
  std::uint32_t number = 0;
  for (std::size_t pos = 0; ReadVarint(codes, pos, number);) last = number;
  return PieceText(last);
}

void ClickPathPages::Clear() {
  numbers_.Clear();
  std::vector<Piece>().swap(pieces_);
}

}  // namespace tlw
