// The input is a gzip file, read as a compressed logfile is: decompressed
// as it arrives in small pieces and cut into lines. Whatever the bytes, the
// lines keep their limits and the stream ends clean or damaged, never failed.

#include <memory>

#include "fuzz/fuzz_support.h"
#include "fuzz/memory_byte_source.h"
#include "logs/gzip_byte_source.h"
#include "logs/line_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input = tlw::fuzz::AsText(data, size);
  // The first byte sets the size of the compressed pieces.
  const std::size_t piece = input.empty() ? 1 : static_cast<unsigned char>(input.front()) + 1;
  auto compressed = std::make_unique<tlw::fuzz::MemoryByteSource>(input, piece);
  tlw::LineReader lines(std::make_unique<tlw::GzipByteSource>(std::move(compressed), "fuzz.gz"));
  std::span<char> line;
  std::size_t sum = 0;
  while (lines.ReadLine(line)) {
    TLW_FUZZ_CHECK(line.size() <= tlw::kMaxLineLength);
    const std::string_view text(line.data(), line.size());
    TLW_FUZZ_CHECK(text.find('\n') == std::string_view::npos);
    TLW_FUZZ_CHECK(text.find('\0') == std::string_view::npos);
    sum += tlw::fuzz::Touch(text);
  }
  (void)sum;
  TLW_FUZZ_CHECK(lines.End().kind != tlw::SourceEnd::Kind::Failed);
  TLW_FUZZ_CHECK((lines.End().kind == tlw::SourceEnd::Kind::Clean) == lines.End().message.empty());
  return 0;
}
