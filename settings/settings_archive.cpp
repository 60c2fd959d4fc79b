#include "settings/settings_archive.h"

#include <limits>

namespace tlw {
namespace {

constexpr std::uint8_t kLongLength = 0xFF;
constexpr std::uint16_t kWideMarker = 0xFFFE;
constexpr std::uint16_t kLength32 = 0xFFFF;
constexpr std::uint32_t kMaxStoredSize = 0xFFFFFFFF;

void AppendCodePoint(std::uint32_t code, std::string& out) {
  if (code < 0x80) {
    out.push_back(static_cast<char>(code));
  } else if (code < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (code >> 6)));
    out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
  } else if (code < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (code >> 12)));
    out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (code >> 18)));
    out.push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
  }
}

std::uint16_t Utf16At(const char* units, std::size_t index) {
  const auto low = static_cast<unsigned char>(units[2 * index]);
  const auto high = static_cast<unsigned char>(units[2 * index + 1]);
  return static_cast<std::uint16_t>(low | (high << 8));
}

}  // namespace

void AppendUtf16LeAsUtf8(const char* units, std::size_t count, std::string& out) {
  constexpr std::uint32_t kReplacement = 0xFFFD;
  for (std::size_t i = 0; i < count; ++i) {
    const std::uint16_t unit = Utf16At(units, i);
    if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < count) {
      const std::uint16_t next = Utf16At(units, i + 1);
      if (next >= 0xDC00 && next <= 0xDFFF) {
        AppendCodePoint(0x10000 + ((unit - 0xD800u) << 10) + (next - 0xDC00u), out);
        ++i;
        continue;
      }
    }
    const bool surrogate = unit >= 0xD800 && unit <= 0xDFFF;
    AppendCodePoint(surrogate ? kReplacement : unit, out);
  }
}

void ArchiveWriter::PutUint16(std::uint16_t value) {
  bytes_.push_back(static_cast<char>(value & 0xFF));
  bytes_.push_back(static_cast<char>(value >> 8));
}

void ArchiveWriter::PutUint32(std::uint32_t value) {
  for (int shift = 0; shift < 32; shift += 8) {
    bytes_.push_back(static_cast<char>((value >> shift) & 0xFF));
  }
}

void ArchiveWriter::Write(FieldInt value) { PutUint32(static_cast<std::uint32_t>(value)); }

void ArchiveWriter::Write(FieldTime value) {
  constexpr FieldTime kMin = std::numeric_limits<std::int32_t>::min();
  constexpr FieldTime kMax = std::numeric_limits<std::int32_t>::max();
  const FieldTime clamped = value < kMin ? kMin : (value > kMax ? kMax : value);
  PutUint32(static_cast<std::uint32_t>(static_cast<std::int32_t>(clamped)));
}

void ArchiveWriter::Write(FieldSize value) {
  PutUint32(value > kMaxStoredSize ? kMaxStoredSize : static_cast<std::uint32_t>(value));
}

void ArchiveWriter::Write(std::string_view text) {
  const std::size_t length = text.size();
  if (length >= kMaxStoredSize) {
    // 0xFFFFFFFF would announce a longer length form that the file does not use.
    if (error_.empty()) {
      error_ = "a text of " + std::to_string(length) + " bytes is too long for the settings file";
    }
    return;
  }
  if (length < kLongLength) {
    bytes_.push_back(static_cast<char>(length));
  } else if (length < kWideMarker) {
    bytes_.push_back(static_cast<char>(kLongLength));
    PutUint16(static_cast<std::uint16_t>(length));
  } else {
    bytes_.push_back(static_cast<char>(kLongLength));
    PutUint16(kLength32);
    PutUint32(static_cast<std::uint32_t>(length));
  }
  bytes_.append(text);
}

Result<std::string> ArchiveWriter::Finish() && {
  if (!error_.empty()) return Status::Error(error_);
  return std::move(bytes_);
}

Status ArchiveReader::CutShort() const {
  return Status::Error("the file ends in the middle of a value at byte " + std::to_string(offset_));
}

Status ArchiveReader::ReadUint8(std::uint8_t& value) {
  if (Remaining() < 1) return CutShort();
  value = static_cast<std::uint8_t>(bytes_[offset_]);
  offset_ += 1;
  return Status::Ok();
}

Status ArchiveReader::ReadUint16(std::uint16_t& value) {
  if (Remaining() < 2) return CutShort();
  const auto* p = reinterpret_cast<const unsigned char*>(bytes_.data() + offset_);
  value = static_cast<std::uint16_t>(p[0] | (p[1] << 8));
  offset_ += 2;
  return Status::Ok();
}

Status ArchiveReader::ReadUint32(std::uint32_t& value) {
  if (Remaining() < 4) return CutShort();
  const auto* p = reinterpret_cast<const unsigned char*>(bytes_.data() + offset_);
  value = static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
          (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
  offset_ += 4;
  return Status::Ok();
}

Status ArchiveReader::Read(FieldInt& value) {
  std::uint32_t raw = 0;
  Status status = ReadUint32(raw);
  if (status.ok()) value = static_cast<FieldInt>(raw);
  return status;
}

Status ArchiveReader::Read(FieldTime& value) {
  std::uint32_t raw = 0;
  Status status = ReadUint32(raw);
  if (status.ok()) value = static_cast<std::int32_t>(raw);
  return status;
}

Status ArchiveReader::Read(FieldSize& value) {
  std::uint32_t raw = 0;
  Status status = ReadUint32(raw);
  if (status.ok()) value = raw;
  return status;
}

// The prefix: a byte below 0xFF is the length; after 0xFF a 2-byte value
// below 0xFFFE is the length, 0xFFFF announces a 4-byte length, and 0xFFFE
// marks a wide text whose prefix starts over (where 0xFFFE is then a plain
// length).
Status ArchiveReader::ReadLength(std::uint32_t& length, bool& wide) {
  wide = false;
  std::uint8_t first = 0;
  if (Status s = ReadUint8(first); !s.ok()) return s;
  if (first < kLongLength) {
    length = first;
    return Status::Ok();
  }
  std::uint16_t second = 0;
  if (Status s = ReadUint16(second); !s.ok()) return s;
  if (second == kWideMarker) {
    wide = true;
    if (Status s = ReadUint8(first); !s.ok()) return s;
    if (first < kLongLength) {
      length = first;
      return Status::Ok();
    }
    if (Status s = ReadUint16(second); !s.ok()) return s;
  }
  if (second < kLength32) {
    length = second;
    return Status::Ok();
  }
  return ReadUint32(length);
}

Status ArchiveReader::Read(FieldText& text) {
  const std::size_t start = offset_;
  std::uint32_t length = 0;
  bool wide = false;
  if (Status s = ReadLength(length, wide); !s.ok()) return s;
  const std::uint64_t byteCount = wide ? 2ull * length : length;
  if (byteCount > Remaining()) {
    offset_ = start;
    return Status::Error("text length " + std::to_string(length) + (wide ? " (wide)" : "") +
                         " at byte " + std::to_string(start) + " is larger than the " +
                         std::to_string(bytes_.size() - start) + " bytes left in the file");
  }
  const char* data = bytes_.data() + offset_;
  text.clear();
  if (wide) {
    AppendUtf16LeAsUtf8(data, length, text);
  } else {
    text.assign(data, length);
  }
  offset_ += static_cast<std::size_t>(byteCount);
  return Status::Ok();
}

}  // namespace tlw
