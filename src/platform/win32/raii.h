// Owners of Win32 handles: each closes its handle exactly once, on every path.
#pragma once

#include <windows.h>

#include <utility>

namespace kovrin::win32 {

template <typename Traits>
class UniqueResource {
 public:
  using Type = typename Traits::Type;

  UniqueResource() = default;
  explicit UniqueResource(Type value) : value_(value) {}
  ~UniqueResource() { reset(); }
  UniqueResource(UniqueResource&& other) noexcept
      : value_(std::exchange(other.value_, Traits::invalid())) {}
  UniqueResource& operator=(UniqueResource&& other) noexcept {
    if (this != &other) reset(std::exchange(other.value_, Traits::invalid()));
    return *this;
  }
  UniqueResource(const UniqueResource&) = delete;
  UniqueResource& operator=(const UniqueResource&) = delete;

  Type get() const { return value_; }
  bool valid() const { return Traits::valid(value_); }
  explicit operator bool() const { return valid(); }
  void reset(Type value = Traits::invalid()) {
    if (Traits::valid(value_)) Traits::close(value_);
    value_ = value;
  }
  Type release() { return std::exchange(value_, Traits::invalid()); }

 private:
  Type value_ = Traits::invalid();
};

struct KernelHandleTraits {
  using Type = HANDLE;
  static Type invalid() { return nullptr; }
  static bool valid(Type h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
  static void close(Type h) { ::CloseHandle(h); }
};

struct FindHandleTraits {
  using Type = HANDLE;
  static Type invalid() { return INVALID_HANDLE_VALUE; }
  static bool valid(Type h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
  static void close(Type h) { ::FindClose(h); }
};

// Process, thread, file, snapshot and event handles.
using UniqueHandle = UniqueResource<KernelHandleTraits>;
// FindFirstFileW search handles.
using UniqueFind = UniqueResource<FindHandleTraits>;

}  // namespace kovrin::win32
