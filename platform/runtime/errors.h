// Runtime errors with the language runtime's numbers and texts.
//
// One failure type carries every error of the system: the runtime's own
// (5 "Invalid procedure call or argument", 6 "Overflow", ...) and the class
// errors of the components (0x80040000 plus a number of the class's block).
// Each knows its number, source, description and the source line where it
// arose (0 when unknown).
#pragma once

#include <cstdint>
#include <exception>
#include <source_location>
#include <string>

namespace platform {

// The runtime's standard error numbers that the system can meet.
namespace err {
inline constexpr int32_t InvalidProcedureCall = 5;
inline constexpr int32_t Overflow = 6;
inline constexpr int32_t SubscriptOutOfRange = 9;
inline constexpr int32_t DivisionByZero = 11;
inline constexpr int32_t TypeMismatch = 13;
inline constexpr int32_t ErrorInLoadingDll = 48;
inline constexpr int32_t BadFileNameOrNumber = 52;
inline constexpr int32_t FileNotFound = 53;
inline constexpr int32_t BadFileMode = 54;
inline constexpr int32_t DeviceIOError = 57;
inline constexpr int32_t FileAlreadyExists = 58;
inline constexpr int32_t DiskFull = 61;
inline constexpr int32_t InputPastEndOfFile = 62;
inline constexpr int32_t PermissionDenied = 70;
inline constexpr int32_t PathFileAccessError = 75;
inline constexpr int32_t PathNotFound = 76;
inline constexpr int32_t ObjectVariableNotSet = 91;
inline constexpr int32_t InvalidUseOfNull = 94;
inline constexpr int32_t ControlArrayElementDoesNotExist = 340;
inline constexpr int32_t InvalidPropertyValue = 380;
inline constexpr int32_t ObjectRequired = 424;
inline constexpr int32_t CantCreateObject = 429;
inline constexpr int32_t ObjectDoesntSupport = 438;
inline constexpr int32_t CantFindDllEntryPoint = 453;
inline constexpr int32_t CancelSelected = 32755;
}  // namespace err

// The runtime's text for a standard error number; "Application-defined or
// object-defined error" for any other number.
std::string errorText(int32_t number);

class RuntimeError : public std::exception {
 public:
  RuntimeError(int32_t number, std::string source, std::string description, int32_t line = 0);

  int32_t number() const noexcept { return number_; }
  const std::string& source() const noexcept { return source_; }
  const std::string& description() const noexcept { return description_; }
  int32_t line() const noexcept { return line_; }

  void setSource(std::string source) { source_ = std::move(source); }
  void setLine(int32_t line) noexcept { line_ = line; }

  const char* what() const noexcept override { return description_.c_str(); }

 private:
  int32_t number_;
  std::string source_;
  std::string description_;
  int32_t line_;
};

// Raises a standard runtime error with its own text; the source is the
// runtime's project name ("KestrinScriptEditor" once the component is
// known, else empty).
[[noreturn]] void raise(int32_t number, std::source_location where = std::source_location::current());

// Raises any error with the given source and description.
[[noreturn]] void raise(int32_t number, std::string source, std::string description,
                        std::source_location where = std::source_location::current());

// The source that standard runtime errors carry; set once by whoever knows
// the component's name.
void setDefaultErrorSource(std::string source);
const std::string& defaultErrorSource();

}  // namespace platform
