#include "engine/line_reader.h"

#include <cstring>

namespace tlw {

LineReader::LineReader(std::unique_ptr<ByteSource> bytes)
    : bytes_(std::move(bytes)), buffer_(std::make_unique_for_overwrite<char[]>(kBufferSize)) {
  next_ = buffer_.get();
  end_ = buffer_.get();
}

bool LineReader::Refill() {
  if (sourceEnded_) return false;
  const auto unread = static_cast<std::size_t>(end_ - next_);
  if (unread > 0 && next_ != buffer_.get()) std::memmove(buffer_.get(), next_, unread);
  next_ = buffer_.get();
  end_ = buffer_.get() + unread;
  const std::size_t got = bytes_->Read(end_, kBufferSize - unread);
  if (got == 0) {
    sourceEnded_ = true;
    return false;
  }
  end_ += got;
  return true;
}

std::span<char> LineReader::Emit(char* start, std::size_t length) {
  if (length > 0 && start[length - 1] == '\r') --length;
  if (length > kMaxLineLength) length = kMaxLineLength;
  ++linesRead_;
  return {start, length};
}

bool LineReader::ReadLine(std::span<char>& line) {
  while (true) {
    const auto unread = static_cast<std::size_t>(end_ - next_);
    char* newline = static_cast<char*>(std::memchr(next_, '\n', unread));
    if (skippingRest_) {
      if (newline == nullptr) {
        next_ = end_;
        if (!Refill()) return false;
        continue;
      }
      skippingRest_ = false;
      next_ = newline + 1;
      continue;
    }
    if (newline != nullptr) {
      char* start = next_;
      next_ = newline + 1;
      line = Emit(start, static_cast<std::size_t>(newline - start));
      return true;
    }
    if (unread > kMaxLineLength) {
      // Longer than any line we keep: hand out its start, drop the rest.
      char* start = next_;
      next_ += kMaxLineLength;
      skippingRest_ = true;
      line = Emit(start, kMaxLineLength);
      return true;
    }
    if (Refill()) continue;
    // The source has ended. A last line without a line end counts, unless
    // the data broke off: then that line is known to be incomplete.
    if (next_ == end_ || bytes_->End().kind != SourceEnd::Kind::Clean) {
      next_ = end_;
      return false;
    }
    char* start = next_;
    next_ = end_;
    line = Emit(start, static_cast<std::size_t>(end_ - start));
    return true;
  }
}

}  // namespace tlw
