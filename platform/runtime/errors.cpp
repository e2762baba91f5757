#include "platform/runtime/errors.h"

#include <utility>

namespace platform {

namespace {
std::string& defaultSourceStorage() {
  static std::string source;
  return source;
}
}  // namespace

std::string errorText(int32_t number) {
  switch (number) {
    case err::InvalidProcedureCall: return "Invalid procedure call or argument";
    case err::Overflow: return "Overflow";
    case err::SubscriptOutOfRange: return "Subscript out of range";
    case err::DivisionByZero: return "Division by zero";
    case err::TypeMismatch: return "Type mismatch";
    case err::ErrorInLoadingDll: return "Error in loading DLL";
    case err::BadFileNameOrNumber: return "Bad file name or number";
    case err::FileNotFound: return "File not found";
    case err::BadFileMode: return "Bad file mode";
    case err::DeviceIOError: return "Device I/O error";
    case err::FileAlreadyExists: return "File already exists";
    case err::DiskFull: return "Disk full";
    case err::InputPastEndOfFile: return "Input past end of file";
    case err::PermissionDenied: return "Permission denied";
    case err::PathFileAccessError: return "Path/File access error";
    case err::PathNotFound: return "Path not found";
    case err::ObjectVariableNotSet: return "Object variable or With block variable not set";
    case err::InvalidUseOfNull: return "Invalid use of Null";
    case err::ControlArrayElementDoesNotExist: return "Control array element does not exist";
    case err::InvalidPropertyValue: return "Invalid property value";
    case err::ObjectRequired: return "Object required";
    case err::CantCreateObject: return "ActiveX component can't create object";
    case err::ObjectDoesntSupport: return "Object doesn't support this property or method";
    case err::CantFindDllEntryPoint: return "Can't find DLL entry point";
    case err::CancelSelected: return "Cancel was selected.";
    default: return "Application-defined or object-defined error";
  }
}

RuntimeError::RuntimeError(int32_t number, std::string source, std::string description, int32_t line)
    : number_(number), source_(std::move(source)), description_(std::move(description)), line_(line) {}

void raise(int32_t number, std::source_location where) {
  throw RuntimeError(number, defaultErrorSource(), errorText(number), static_cast<int32_t>(where.line()));
}

void raise(int32_t number, std::string source, std::string description, std::source_location where) {
  throw RuntimeError(number, std::move(source), std::move(description), static_cast<int32_t>(where.line()));
}

void setDefaultErrorSource(std::string source) { defaultSourceStorage() = std::move(source); }
const std::string& defaultErrorSource() { return defaultSourceStorage(); }

}  // namespace platform
