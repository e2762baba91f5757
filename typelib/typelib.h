// The component's type library "KestrinScriptEditor" 1.0: its creatable
// classes with their dual interfaces, and its enumerations, as data that
// the object boundary serves (GetIDsOfNames, Invoke, registration).
#pragma once

#include <cstdint>

#include "platform/com/server.h"
#include "platform/com/typeinfo.h"

namespace kestrin::typelib {

const platform::com::TypeLibraryInfo& library();

// The component's one server. Each public class adds itself to it; the
// component's exported entry points forward to it.
platform::com::Server& componentServer();

// A class error number: the base for interface-defined errors plus n, as
// the library publishes it (signed).
constexpr int32_t classError(int32_t n) { return static_cast<int32_t>(0x80040000u + static_cast<uint32_t>(n)); }

enum EErrEditor : int32_t {
  eErrEditor_InvalidFile = classError(19001),
  eErrEditor_ComponentFailure = classError(19002),
};

enum EErrErrorHandler : int32_t {
  eErrErrorHandler_InvalidFileName = classError(17401),
  eErrErrorHandler_InvalidErrorHandlerActions = classError(17402),
  eErrErrorHandler_InvalidTracingFlags = classError(17403),
  eErrErrorHandler_ComponentFailure = classError(17404),
};

enum EErrorHandlerActions : int32_t {
  eErrorHandlerAction_MsgBox = 1,
  eErrorHandlerAction_LogToFile = 2,
  eErrorHandlerAction_NTLog = 4,
  eErrorHandlerAction_Custom = 8,
};

enum EErrorHandlerReturn : int32_t {
  eErrorHandlerReturn_Abort = 0,
  eErrorHandlerReturn_Retry = 1,
  eErrorHandlerReturn_Ignore = 2,
};

enum ETracingFlags : int32_t {
  eTracingFlag_DebugPrint = 1,
  eTracingFlag_LogToFile = 2,
};

enum EErrFile : int32_t {
  eErrFile_NotInitialized = classError(17421),
  eErrFile_InvalidFileName = classError(17422),
  eErrFile_FileNotFound = classError(17423),
  eErrFile_CopyFailed = classError(17424),
  eErrFile_MoveFailed = classError(17425),
  eErrFile_DeleteFailed = classError(17426),
  eErrFile_ComponentFailure = classError(17427),
};

enum EFileAttributes : int32_t {
  eFileAttribute_ReadOnly = 1,
  eFileAttribute_Hidden = 2,
  eFileAttribute_System = 4,
  eFileAttribute_Directory = 16,
  eFileAttribute_Archive = 32,
  eFileAttribute_Encrypted = 64,
  eFileAttribute_Normal = 128,
  eFileAttribute_Temporary = 256,
  eFileAttribute_SparseFile = 512,
  eFileAttribute_ReparsePoint = 1024,
  eFileAttribute_Compressed = 2048,
  eFileAttribute_Offline = 4096,
};

}  // namespace kestrin::typelib
