#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <utility>

namespace tlw {

// The kinds of value a profile or settings field holds. Flags are 32-bit
// integers used as booleans (1 true, 0 false). Times are seconds since
// 1970-01-01 00:00:00 UTC, kept 64-bit in memory so they pass 2038; sizes
// are 64-bit byte counts so they pass 4 GB (the settings file keeps its
// 4-byte fields and clamps).
enum class FieldKind { Text, Flag, Int, Time, Size };

using FieldText = std::string;
using FieldFlag = std::int32_t;
using FieldInt = std::int32_t;
using FieldTime = std::int64_t;
using FieldSize = std::uint64_t;

// Describes one named field for the settings file, the command line and JSON.
struct FieldInfo {
  const char* name;
  FieldKind kind;
  bool saved;  // written to the settings file
};

// A field that one thread writes while others read it: a run's status
// (logfile size, period texts, time taken), shown by the window as the run
// goes on. A number is atomic; a text sits behind its own lock. A read is a
// copy, so a reader never sees half a text; keep that copy, since a
// string_view of it dangles at the end of the statement.
template <typename T>
class LiveField {
 public:
  explicit LiveField(T value) : value_(value) {}
  LiveField(const LiveField&) = delete;
  LiveField& operator=(const LiveField&) = delete;

  // Out of line: inlined, the atomic load makes GCC 12 lose track of a
  // disengaged std::optional in the caller (the run's failure path) and warn
  // that it may be used uninitialized. The call costs nothing that matters:
  // no Live field is read per log line.
  [[gnu::noinline]] T Load() const { return value_.load(std::memory_order_acquire); }
  void Store(T value) { value_.store(value, std::memory_order_release); }

 private:
  std::atomic<T> value_;
};

template <>
class LiveField<std::string> {
 public:
  explicit LiveField(std::string value) : value_(std::move(value)) {}
  LiveField(const LiveField&) = delete;
  LiveField& operator=(const LiveField&) = delete;

  std::string Load() const {
    std::lock_guard lock(mutex_);
    return value_;
  }
  void Store(std::string value) {
    {
      std::lock_guard lock(mutex_);
      value_.swap(value);
    }
    // The old text is freed here, outside the lock.
  }

 private:
  mutable std::mutex mutex_;
  std::string value_;
};

// The first column of the field tables: how a field of each kind is held
// and read. A plain field is read by reference by the thread that owns the
// profile; a Live one is a LiveField, read by copy from any thread.
namespace field_column {

template <FieldKind K, typename T>
struct Plain {
  static constexpr FieldKind kKind = K;
  static constexpr bool kLive = false;
  using Value = T;
  using Stored = T;
  using Read = const T&;
  static const T& Load(const Stored& stored) { return stored; }
  static void Store(Stored& stored, T value) { stored = std::move(value); }
};

template <FieldKind K, typename T>
struct Live {
  static constexpr FieldKind kKind = K;
  static constexpr bool kLive = true;
  using Value = T;
  using Stored = LiveField<T>;
  using Read = T;
  static T Load(const Stored& stored) { return stored.Load(); }
  static void Store(Stored& stored, T value) { stored.Store(std::move(value)); }
};

using Text = Plain<FieldKind::Text, FieldText>;
using Flag = Plain<FieldKind::Flag, FieldFlag>;
using Int = Plain<FieldKind::Int, FieldInt>;
using Time = Plain<FieldKind::Time, FieldTime>;
using Size = Plain<FieldKind::Size, FieldSize>;

using LiveText = Live<FieldKind::Text, FieldText>;
using LiveFlag = Live<FieldKind::Flag, FieldFlag>;
using LiveInt = Live<FieldKind::Int, FieldInt>;
using LiveTime = Live<FieldKind::Time, FieldTime>;
using LiveSize = Live<FieldKind::Size, FieldSize>;

}  // namespace field_column

}  // namespace tlw
