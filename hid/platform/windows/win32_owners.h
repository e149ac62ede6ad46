// Owners of Win32 resources: a kernel handle, a loaded module. Each closes
// what it holds exactly once.
#pragma once

#include <windows.h>

#include <utility>

namespace ombrel::platform::windows_hid {

class UniqueHandle {
 public:
  UniqueHandle() = default;
  explicit UniqueHandle(HANDLE handle) : FHandle(handle) {}
  UniqueHandle(UniqueHandle&& other) noexcept
      : FHandle(std::exchange(other.FHandle, INVALID_HANDLE_VALUE)) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) Reset(std::exchange(other.FHandle, INVALID_HANDLE_VALUE));
    return *this;
  }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  ~UniqueHandle() { Reset(); }

  HANDLE Get() const { return FHandle; }
  // CreateFileW fails with INVALID_HANDLE_VALUE, most other calls with null.
  bool Valid() const { return FHandle != INVALID_HANDLE_VALUE && FHandle != nullptr; }
  void Reset(HANDLE handle = INVALID_HANDLE_VALUE) {
    if (Valid()) ::CloseHandle(FHandle);
    FHandle = handle;
  }

 private:
  HANDLE FHandle = INVALID_HANDLE_VALUE;
};

class UniqueModule {
 public:
  UniqueModule() = default;
  explicit UniqueModule(HMODULE module) : FModule(module) {}
  UniqueModule(UniqueModule&& other) noexcept : FModule(std::exchange(other.FModule, nullptr)) {}
  UniqueModule& operator=(UniqueModule&& other) noexcept {
    if (this != &other) Reset(std::exchange(other.FModule, nullptr));
    return *this;
  }
  UniqueModule(const UniqueModule&) = delete;
  UniqueModule& operator=(const UniqueModule&) = delete;
  ~UniqueModule() { Reset(); }

  HMODULE Get() const { return FModule; }
  explicit operator bool() const { return FModule != nullptr; }
  void Reset(HMODULE module = nullptr) {
    if (FModule) ::FreeLibrary(FModule);
    FModule = module;
  }

 private:
  HMODULE FModule = nullptr;
};

}  // namespace ombrel::platform::windows_hid
