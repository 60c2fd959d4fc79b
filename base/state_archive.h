#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "base/atomic_file.h"
#include "base/result.h"

namespace tlw {

// The binary files in which a run leaves its counting state for the next
// run on the same machine. Values are written as their bytes in memory
// (the file never leaves the machine, and a file of another build is told
// by its header); texts and vectors carry their lengths. Every byte goes
// into a digest written at the end, so that a damaged file is told from a
// sound one before anything read from it is used.
class StateWriter {
 public:
  explicit StateWriter(AtomicFileWriter& file);
  ~StateWriter();
  StateWriter(const StateWriter&) = delete;
  StateWriter& operator=(const StateWriter&) = delete;

  void Bytes(const void* data, std::size_t size);
  template <typename T>
  void Value(const T& value) {
    static_assert(std::is_trivially_copyable_v<T>);
    Bytes(&value, sizeof value);
  }
  void Size(std::uint64_t size) { Value(size); }
  void Text(std::string_view text) {
    Size(text.size());
    Bytes(text.data(), text.size());
  }
  template <typename T>
  void Vector(const std::vector<T>& values) {
    static_assert(std::is_trivially_copyable_v<T>);
    Size(values.size());
    Bytes(values.data(), values.size() * sizeof(T));
  }
  // For code that writes and reads with one function (template on the
  // archive): a number that is no length, and a part that saves itself.
  static constexpr bool kReading = false;
  template <typename N>
  void Number(const N& number, std::uint64_t /*limit*/) {
    Size(static_cast<std::uint64_t>(number));
  }
  template <typename T>
  void Part(const T& part) {
    part.Save(*this);
  }

  // Ends the file with the digest of everything written before.
  void Seal();
  std::uint64_t BytesWritten() const { return written_; }

 private:
  struct Digest;
  AtomicFileWriter& file_;
  std::unique_ptr<Digest> digest_;
  std::uint64_t written_ = 0;
};

// Reads a file written by StateWriter. A read past the end, or a length
// longer than what is left of the file, makes the reader fail (ok() false)
// and every later read yield nothing; the caller checks ok() and Sealed()
// before it uses what it read.
class StateReader {
 public:
  // Opens `path`; fails with a message naming the file.
  static Result<std::unique_ptr<StateReader>> Open(const std::string& path);
  ~StateReader();
  StateReader(const StateReader&) = delete;
  StateReader& operator=(const StateReader&) = delete;

  bool Bytes(void* data, std::size_t size);
  template <typename T>
  bool Value(T& value) {
    static_assert(std::is_trivially_copyable_v<T>);
    return Bytes(&value, sizeof value);
  }
  // A length of at most `limit` items of `itemSize` bytes that the rest of
  // the file can hold; 0 and failure beyond.
  std::uint64_t Size(std::uint64_t limit, std::size_t itemSize = 1);
  // A number written with StateWriter::Size that is no length: at most
  // `limit`, 0 and failure beyond.
  std::uint64_t Number(std::uint64_t limit) { return Size(limit, 0); }
  // The counterparts of StateWriter's, for code that writes and reads with
  // one function.
  static constexpr bool kReading = true;
  template <typename N>
  void Number(N& number, std::uint64_t limit) {
    number = static_cast<N>(Number(limit));
  }
  template <typename T>
  void Part(T& part) {
    part.Load(*this);
  }
  bool Text(std::string& text, std::uint64_t limit = std::uint64_t{1} << 32) {
    const std::uint64_t size = Size(limit);
    text.resize(size);
    return Bytes(text.data(), size);
  }
  template <typename T>
  bool Vector(std::vector<T>& values, std::uint64_t limit = std::uint64_t{1} << 40) {
    static_assert(std::is_trivially_copyable_v<T>);
    const std::uint64_t count = Size(limit, sizeof(T));
    values.resize(count);
    return Bytes(values.data(), count * sizeof(T));
  }
  // Marks the reader failed: what was read makes no sense.
  void Fail() { ok_ = false; }
  bool ok() const { return ok_; }
  // Whether the rest of the file is exactly the digest of everything read
  // before it.
  bool Sealed();
  std::uint64_t FileSize() const { return fileSize_; }

 private:
  StateReader(int fd, std::uint64_t fileSize);
  bool Fill();

  struct Digest;
  int fd_;
  std::uint64_t fileSize_;
  std::uint64_t consumed_ = 0;  // bytes handed out (and digested) so far
  std::unique_ptr<Digest> digest_;
  std::unique_ptr<char[]> buffer_;
  std::size_t bufferBegin_ = 0, bufferEnd_ = 0;
  bool ok_ = true;
};

}  // namespace tlw
