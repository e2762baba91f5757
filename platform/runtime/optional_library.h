#pragma once

// A shared library that only some paths need (the archive writer's, the
// font list's), opened when one of them first runs rather than by the
// loader at every start: a process that never takes those paths maps
// neither the library nor the libraries it pulls in.

#include <mutex>

namespace platform {

class OptionalLibrary {
 public:
  // SONAME is the name the loader knows the library by ("libzip.so.4").
  explicit OptionalLibrary(const char* soname) : soname_(soname) {}
  ~OptionalLibrary();
  OptionalLibrary(const OptionalLibrary&) = delete;
  OptionalLibrary& operator=(const OptionalLibrary&) = delete;

  // The address of the function NAME, or nullptr when the library cannot
  // be opened or has no such function.
  void* function(const char* name);

  // F is the function's type: decltype(&name).
  template <class F>
  F function(const char* name) {
    void* address = function(name);
    F result;
    static_assert(sizeof(result) == sizeof(address));
    // A function pointer from an object pointer, as dlsym returns them.
    __builtin_memcpy(&result, &address, sizeof(result));
    return address ? result : nullptr;
  }

 private:
  const char* soname_;
  std::once_flag once_;
  void* handle_ = nullptr;
};

}  // namespace platform
