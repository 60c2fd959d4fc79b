#include "logs/gzip_byte_source.h"

#include <cerrno>
#include <cstring>
#include <system_error>

#include <unistd.h>
#include <zlib.h>

namespace tlw {
namespace {

constexpr std::size_t kInputSize = std::size_t{256} * 1024;
// 15 window bits plus 16: a gzip wrapper is required and its CRC checked.
constexpr int kGzipWindowBits = 15 + 16;
constexpr unsigned char kGzipMagic0 = 0x1f;
constexpr unsigned char kGzipMagic1 = 0x8b;

}  // namespace

struct GzipByteSource::Stream {
  z_stream z{};
  bool initialised = false;
};

GzipByteSource::GzipByteSource(int fd, std::string name)
    : fd_(fd), name_(std::move(name)), stream_(std::make_unique<Stream>()), input_(kInputSize) {
  if (inflateInit2(&stream_->z, kGzipWindowBits) != Z_OK) {
    Finish(SourceEnd::Kind::Failed, "Cannot start decompressing " + name_ + ": out of memory");
    return;
  }
  stream_->initialised = true;
}

GzipByteSource::GzipByteSource(std::unique_ptr<ByteSource> compressed, std::string name)
    : GzipByteSource(-1, std::move(name)) {
  // A delegating constructor can initialise no member of its own.
  compressed_ = std::move(compressed);  // NOLINT(cppcoreguidelines-prefer-member-initializer)
}

GzipByteSource::~GzipByteSource() {
  if (stream_->initialised) inflateEnd(&stream_->z);
}

void GzipByteSource::Finish(SourceEnd::Kind kind, std::string message) {
  ended_ = true;
  end_.kind = kind;
  end_.message = std::move(message);
}

bool GzipByteSource::FillInput() {
  if (inputAtEof_) return false;
  z_stream& z = stream_->z;
  // Unconsumed bytes (at most the start of a member header) move to the
  // front so the next read continues them.
  const std::size_t kept = z.avail_in;
  if (kept > 0) std::memmove(input_.data(), z.next_in, kept);
  z.next_in = input_.data();
  if (compressed_) {
    const std::size_t got =
        compressed_->Read(reinterpret_cast<char*>(input_.data()) + kept, input_.size() - kept);
    if (got > 0) {
      z.avail_in = static_cast<uInt>(kept + got);
      return true;
    }
    inputAtEof_ = true;
    if (compressed_->End().kind == SourceEnd::Kind::Failed) {
      Finish(SourceEnd::Kind::Failed, compressed_->End().message);
    }
    return false;
  }
  while (true) {
    const ssize_t got = ::read(fd_, input_.data() + kept, input_.size() - kept);
    if (got > 0) {
      z.avail_in = static_cast<uInt>(kept + static_cast<std::size_t>(got));
      return true;
    }
    if (got < 0 && errno == EINTR) continue;
    inputAtEof_ = true;
    if (got < 0) {
      Finish(SourceEnd::Kind::Failed,
             "Error reading logfile " + name_ + ": " + std::generic_category().message(errno));
    }
    return false;
  }
}

bool GzipByteSource::NextMemberFollows() {
  z_stream& z = stream_->z;
  while (z.avail_in < 2) {
    if (!FillInput()) return false;
  }
  if (z.next_in[0] != kGzipMagic0 || z.next_in[1] != kGzipMagic1) return false;
  return inflateReset(&z) == Z_OK;
}

std::size_t GzipByteSource::Read(char* dest, std::size_t capacity) {
  if (ended_) return 0;
  z_stream& z = stream_->z;
  z.next_out = reinterpret_cast<Bytef*>(dest);
  z.avail_out = static_cast<uInt>(capacity);
  while (z.avail_out > 0) {
    if (z.avail_in == 0 && !FillInput()) {
      if (!ended_) {
        Finish(SourceEnd::Kind::Damaged,
               "The compressed logfile " + name_ +
                   " ends before its data is complete (the file is truncated)");
      }
      break;
    }
    const int result = inflate(&z, Z_NO_FLUSH);
    if (result == Z_STREAM_END) {
      if (!NextMemberFollows()) {
        if (!ended_) Finish(SourceEnd::Kind::Clean, "");
        break;
      }
      continue;
    }
    if (result != Z_OK && result != Z_BUF_ERROR) {
      const char* reason = z.msg != nullptr ? z.msg : "invalid compressed data";
      Finish(SourceEnd::Kind::Damaged,
             "The compressed logfile " + name_ + " is damaged (" + reason + ")");
      break;
    }
  }
  return capacity - z.avail_out;
}

std::string ZlibVersion() { return zlibVersion(); }

}  // namespace tlw
