// One move-only owner for every kind of platform handle. A traits type names the value
// that means "none" and how a real one is released.
#pragma once

#include <utility>

#include "platform/win32/system_headers.h"

namespace setup::win32 {

template <typename Traits>
class ScopedHandle {
 public:
  using Value = typename Traits::Value;

  ScopedHandle() = default;
  explicit ScopedHandle(Value value) : value_(value) {}
  ~ScopedHandle() { Reset(); }

  ScopedHandle(ScopedHandle&& other) noexcept : value_(other.Release()) {}
  ScopedHandle& operator=(ScopedHandle&& other) noexcept {
    if (this != &other) {
      Reset();
      value_ = other.Release();
    }
    return *this;
  }
  ScopedHandle(const ScopedHandle&) = delete;
  ScopedHandle& operator=(const ScopedHandle&) = delete;

  Value Get() const { return value_; }
  bool Valid() const { return value_ != Traits::Invalid(); }
  explicit operator bool() const { return Valid(); }

  Value Release() { return std::exchange(value_, Traits::Invalid()); }

  void Reset(Value value = Traits::Invalid()) {
    Value old = std::exchange(value_, value);
    if (old != Traits::Invalid()) Traits::Close(old);
  }

 private:
  Value value_ = Traits::Invalid();
};

// FindFirstFileW answers INVALID_HANDLE_VALUE, not NULL, when it finds nothing.
struct FindTraits {
  using Value = HANDLE;
  static Value Invalid() { return INVALID_HANDLE_VALUE; }
  static void Close(Value value) { ::FindClose(value); }
};

// Process, thread and token handles.
struct KernelTraits {
  using Value = HANDLE;
  static Value Invalid() { return nullptr; }
  static void Close(Value value) { ::CloseHandle(value); }
};

// CreateFileW too answers INVALID_HANDLE_VALUE when it fails.
struct FileTraits {
  using Value = HANDLE;
  static Value Invalid() { return INVALID_HANDLE_VALUE; }
  static void Close(Value value) { ::CloseHandle(value); }
};

// Memory the platform allocated for the caller with LocalAlloc (CommandLineToArgvW).
template <typename T>
struct LocalTraits {
  using Value = T*;
  static Value Invalid() { return nullptr; }
  static void Close(Value value) { ::LocalFree(value); }
};

// Only the thread that created a window may destroy it.
struct WindowTraits {
  using Value = HWND;
  static Value Invalid() { return nullptr; }
  static void Close(Value value) { ::DestroyWindow(value); }
};

using FindHandle = ScopedHandle<FindTraits>;
using KernelHandle = ScopedHandle<KernelTraits>;
using FileHandle = ScopedHandle<FileTraits>;
using ArgumentArray = ScopedHandle<LocalTraits<LPWSTR>>;
using WindowHandle = ScopedHandle<WindowTraits>;

}  // namespace setup::win32
