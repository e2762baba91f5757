// Class errors: how every class with error handling reports its failures.
//
// A class owns a block of numbers n; it raises 0x80040000 + n with the
// source "<component name>.<class>" and a fixed English description. The
// last number of the block is the class's catch-all: any failure inside a
// member that the member did not detect itself (a failing runtime or
// platform call, an error raised by another object) becomes that number
// with the description "<class> component failure"; the cause is dropped.
//
//   inline constexpr diagnostics::ClassErrors kFileErrors{"CFile", 17427};
//
//   void CFile::setPath(const std::string& path) {
//     kFileErrors.member([&] {
//       if (path.empty()) kFileErrors.raise(17421, "Invalid path");  // reaches the caller as is
//       path_ = normalise(path);                                      // any failure: 17427
//     });
//   }
//
// What a member changed before it failed stays changed.
#pragma once

#include <cstdint>
#include <source_location>
#include <string>
#include <string_view>
#include <utility>

#include "platform/runtime/errors.h"

namespace kestrin::diagnostics {

// The COM base for interface-defined errors.
inline constexpr uint32_t kClassErrorBase = 0x80040000u;

// 0x80040000 + n as the signed 32-bit number the error carries
// (17401 gives -2147204103).
constexpr int32_t classErrorNumber(int32_t n) {
  return static_cast<int32_t>(kClassErrorBase + static_cast<uint32_t>(n));
}

// "<component file name without extension>.<sourceClass>", the name taken
// from the platform when the error is raised.
std::string classErrorSource(std::string_view sourceClass);

// An error raised by a member's own check. A member's catch-all lets it
// through unchanged (as a plain RuntimeError, so that a member of another
// object that called this one turns it into its own catch-all).
class ClassCheckError : public platform::RuntimeError {
 public:
  using platform::RuntimeError::RuntimeError;
};

// The error block of one class.
class ClassErrors {
 public:
  // className is the class's name in the source and in the catch-all's
  // description; catchAll is the block's last number n.
  constexpr ClassErrors(std::string_view className, int32_t catchAll) : className_(className), catchAll_(catchAll) {}

  std::string_view className() const { return className_; }
  std::string source() const { return classErrorSource(className_); }
  int32_t catchAllNumber() const { return classErrorNumber(catchAll_); }
  std::string catchAllDescription() const;

  // A check of the member's own failed: raises 0x80040000 + n with the
  // class's source and the check's description. Under member() it reaches
  // the caller unchanged. (A class whose few errors carry another source
  // suffix raises them through a second ClassErrors of that name.)
  [[noreturn]] void raise(int32_t n, std::string_view description,
                          std::source_location where = std::source_location::current()) const;

  // Runs a member's body under the class's catch-all and returns its result.
  template <class Body>
  decltype(auto) member(Body&& body) const {
    try {
      return std::forward<Body>(body)();
    } catch (const ClassCheckError& own) {
      throw platform::RuntimeError(own.number(), own.source(), own.description(), own.line());
    } catch (...) {
      raiseCatchAll();
    }
  }

  // Raises the catch-all error.
  [[noreturn]] void raiseCatchAll() const;

 private:
  std::string_view className_;
  int32_t catchAll_;
};

}  // namespace kestrin::diagnostics
