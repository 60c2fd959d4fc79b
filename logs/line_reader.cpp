#include "logs/line_reader.h"

#include <cstring>

namespace tlw {
namespace {

// Removes the NUL bytes of [begin, end) in place and returns the new end.
// A NUL is never part of a request: it comes from a file that was
// preallocated or cut short while written, and left in, it would end texts
// early and split one month or day into several table rows. One memchr over
// each chunk read keeps the common case, a chunk without NUL, as fast as
// before.
char* DropNulBytes(char* begin, char* end) {
  char* nul = static_cast<char*>(std::memchr(begin, '\0', static_cast<std::size_t>(end - begin)));
  if (nul == nullptr) return end;
  char* out = nul;
  for (const char* in = nul + 1; in != end; ++in) {
    if (*in != '\0') *out++ = *in;
  }
  return out;
}

}  // namespace

LineReader::LineReader(std::unique_ptr<ByteSource> bytes)
    : bytes_(std::move(bytes)),
      buffer_(std::make_unique_for_overwrite<char[]>(kBufferSize)),
      base_(buffer_.get()),
      next_(base_),
      end_(base_) {}

bool LineReader::KeepLines(LineBufferPool& pool) {
  // The unread tail of a line always fits: a longer one is cut and handed
  // out before the buffer is refilled.
  if (pool.BufferSize() <= kMaxLineLength) return false;
  pool_ = &pool;
  return true;
}

char* LineReader::NextBuffer(std::size_t unread) {
  if (pool_ == nullptr) {
    if (unread > 0 && next_ != base_) std::memmove(base_, next_, unread);
    return base_;
  }
  char* fresh = pool_->TakeBuffer();
  if (fresh == nullptr) return nullptr;
  if (unread > 0) std::memcpy(fresh, next_, unread);
  if (base_ == buffer_.get()) {
    buffer_.reset();  // no line was handed out from it yet
  } else {
    pool_->RetireBuffer(base_);
  }
  capacity_ = pool_->BufferSize();
  return fresh;
}

bool LineReader::Refill() {
  if (sourceEnded_) return false;
  const auto unread = static_cast<std::size_t>(end_ - next_);
  char* const buffer = NextBuffer(unread);
  if (buffer == nullptr) {
    // The pool has stopped the reading: the rest is not read, and the
    // unread tail is not handed out as a last line.
    sourceEnded_ = true;
    next_ = end_;
    return false;
  }
  base_ = buffer;
  next_ = base_;
  end_ = base_ + unread;
  const std::size_t got = bytes_->Read(end_, capacity_ - unread);
  if (got == 0) {
    sourceEnded_ = true;
    return false;
  }
  bytesTaken_ += got;
  end_ = DropNulBytes(end_, end_ + got);
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
