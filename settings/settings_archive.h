#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "base/result.h"
#include "settings/field_kind.h"

namespace tlw {

// Encodes plain values the way the settings file stores them: 4-byte
// little-endian integers and times, texts with a length prefix (one byte
// below 255; 0xFF and 2 bytes up to 65533; 0xFF, 0xFFFF and 4 bytes beyond).
// Each Write overload matches one field type, so a field is written with the
// encoding of its kind.
class ArchiveWriter {
 public:
  // Flags and signed 32-bit counts, as stored.
  void Write(FieldInt value);
  // A time: seconds since 1970, clamped into the signed 32 bits the file holds.
  void Write(FieldTime value);
  // A byte count: sizes past 4 GB are stored as 0xFFFFFFFF.
  void Write(FieldSize value);
  // A text as single bytes. A text of 4 GB or more cannot be stored; the
  // first such text makes Finish() fail.
  void Write(std::string_view text);

  // The bytes written so far, or why they cannot be stored.
  [[nodiscard]] Result<std::string> Finish() &&;

 private:
  void PutUint16(std::uint16_t value);
  void PutUint32(std::uint32_t value);

  std::string bytes_;
  std::string error_;
};

// Decodes the values of ArchiveWriter from a byte buffer. Every Read fails,
// without reading past the end, when the value is cut short by the end of
// the data; a text whose length prefix claims more bytes than remain is an
// error too, so a damaged prefix never causes a large allocation. Wide texts
// (UTF-16 little-endian, marked by the 2-byte prefix 0xFFFE) are accepted
// and converted to UTF-8.
class ArchiveReader {
 public:
  explicit ArchiveReader(std::string_view bytes) : bytes_(bytes) {}

  [[nodiscard]] Status Read(FieldInt& value);
  [[nodiscard]] Status Read(FieldTime& value);
  [[nodiscard]] Status Read(FieldSize& value);
  [[nodiscard]] Status Read(FieldText& text);

  bool AtEnd() const { return offset_ == bytes_.size(); }
  std::size_t Offset() const { return offset_; }
  std::size_t Remaining() const { return bytes_.size() - offset_; }

 private:
  [[nodiscard]] Status ReadUint8(std::uint8_t& value);
  [[nodiscard]] Status ReadUint16(std::uint16_t& value);
  [[nodiscard]] Status ReadUint32(std::uint32_t& value);
  [[nodiscard]] Status ReadLength(std::uint32_t& length, bool& wide);
  Status CutShort() const;

  std::string_view bytes_;
  std::size_t offset_ = 0;
};

// Appends the UTF-8 form of `count` UTF-16 little-endian code units at
// `units` to `out`; unpaired surrogates become U+FFFD.
void AppendUtf16LeAsUtf8(const char* units, std::size_t count, std::string& out);

}  // namespace tlw
