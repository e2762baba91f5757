#include "typelib/typelib.h"

#include <string>
#include <utility>
#include <vector>

#include "platform/com/variant.h"
#include "platform/win32/component.h"

namespace kestrin::typelib {

namespace {

using namespace platform::com;
using K = MemberKind;

// Parameters: required or optional with a default, by reference or not;
// an enumerated type carries its enumeration's name.
ParamInfo req(std::string name, VARTYPE type, bool byRef, std::string enumName = "") {
  return ParamInfo{std::move(name), type, std::move(enumName), byRef, false, {}};
}
ParamInfo opt(std::string name, VARTYPE type, bool byRef, DefaultValue def, std::string enumName = "") {
  return ParamInfo{std::move(name), type, std::move(enumName), byRef, true, std::move(def)};
}

MemberInfo member(std::string name, DISPID id, MemberKind kind, std::vector<ParamInfo> params = {},
                  VARTYPE result = VT_EMPTY, std::string resultEnum = "") {
  return MemberInfo{std::move(name), id, kind, std::move(params), result, std::move(resultEnum)};
}

// A property's let (its value as the one parameter) followed by its get.
void letGet(std::vector<MemberInfo>& out, const std::string& name, DISPID id, VARTYPE type, bool letByRef = false,
            const std::string& enumName = "") {
  out.push_back(member(name, id, K::PropertyLet, {req(name, type, letByRef, enumName)}));
  out.push_back(member(name, id, K::PropertyGet, {}, type, enumName));
}

InterfaceInfo mainFrontEnd() {
  InterfaceInfo i{"_CMainFrontEnd", guidOf("{59100222-E82F-4E9C-83D7-63A6433BD6FC}"), true, {}};
  i.members.push_back(
      member("RunEditor", 0x60030001, K::Method, {opt("ThisScript", VT_BSTR, true, std::string())}, VT_I4));
  i.members.push_back(member("FreeEditor", 0x60030002, K::Method, {}, VT_VARIANT));
  return i;
}

InterfaceInfo errorHandler() {
  InterfaceInfo i{"_CErrorHandler", guidOf("{6AC77474-62FE-45EE-B546-E6DDBE86EC06}"), true, {}};
  auto& m = i.members;
  m.push_back(member(
      "Init", 0x6003000a, K::Method,
      {req("ErrorHandlerActions", VT_I4, true, "EErrorHandlerActions"),
       opt("ErrorLogFile", VT_BSTR, true, std::string("Error Log.txt")), opt("CallStackEnabled", VT_BOOL, true, false),
       opt("TracingEnabled", VT_BOOL, true, false), opt("TracingFlags", VT_I4, true, int32_t{2}, "ETracingFlags"),
       opt("TracingLogFile", VT_BSTR, true, std::string("Tracing Log.txt"))}));
  letGet(m, "CallStackEnabled", 0x68030009, VT_BOOL);
  letGet(m, "ErrorDescription", 0x68030008, VT_BSTR);
  letGet(m, "ErrorHandlerActions", 0x68030007, VT_I4, false, "EErrorHandlerActions");
  letGet(m, "ErrorLine", 0x68030006, VT_I4);
  letGet(m, "ErrorLogFile", 0x68030005, VT_BSTR);
  letGet(m, "ErrorNumber", 0x68030004, VT_I4);
  letGet(m, "Tag", 0x68030003, VT_BSTR);
  letGet(m, "TracingEnabled", 0x68030002, VT_BOOL);
  letGet(m, "TracingFlags", 0x68030001, VT_I4, true, "ETracingFlags");
  letGet(m, "TracingLogFile", 0x68030000, VT_BSTR);
  m.push_back(member("CallStackClear", 0x6003000b, K::Method));
  m.push_back(member("CallStackPop", 0x6003000c, K::Method));
  m.push_back(member("CallStackPush", 0x6003000d, K::Method,
                     {req("Procedure", VT_BSTR, true), opt("Data", VT_BSTR, true, std::string())}));
  m.push_back(member("Clear", 0x6003000e, K::Method,
                     {opt("ClearLogFile", VT_BOOL, true, true), opt("ClearTracingLogFile", VT_BOOL, true, true)}));
  m.push_back(member("HandleError", 0x6003000f, K::Method, {opt("Procedure", VT_BSTR, true, std::string())}, VT_I4,
                     "EErrorHandlerReturn"));
  return i;
}

InterfaceInfo file() {
  InterfaceInfo i{"_CFile", guidOf("{2C34C580-9FA7-4A8B-8F35-45D9359E40D1}"), true, {}};
  auto& m = i.members;
  m.push_back(member("Init", 0x60030009, K::Method, {req("PathFileName", VT_BSTR, true)}));
  m.push_back(member("Attributes", 0x68030008, K::PropertyGet, {}, VT_I4, "EFileAttributes"));
  letGet(m, "Contents", 0x68030007, VT_BSTR, true);
  m.push_back(member("FileName", 0x68030006, K::PropertyGet, {}, VT_BSTR));
  m.push_back(member("FileExt", 0x68030005, K::PropertyGet, {}, VT_BSTR));
  m.push_back(member("FilePath", 0x68030004, K::PropertyGet, {}, VT_BSTR));
  letGet(m, "PathFileName", 0x68030003, VT_BSTR, true);
  m.push_back(member("ReadOnly", 0x68030002, K::PropertyGet, {}, VT_BOOL));
  m.push_back(member("ShortFileName", 0x68030001, K::PropertyGet, {}, VT_BSTR));
  m.push_back(member("Size", 0x68030000, K::PropertyGet, {}, VT_I4));
  m.push_back(member("Copy", 0x6003000a, K::Method, {req("NewFileName", VT_BSTR, true)}));
  m.push_back(member("Delete", 0x6003000b, K::Method));
  m.push_back(member("Exists", 0x6003000c, K::Method, {}, VT_BOOL));
  m.push_back(member("IdenticalWith", 0x6003000d, K::Method, {req("ReferenceFileName", VT_BSTR, true)}, VT_BOOL));
  m.push_back(member("Move", 0x6003000e, K::Method, {req("NewFileName", VT_BSTR, true)}));
  return i;
}

InterfaceInfo tempScript() {
  InterfaceInfo i{"_CTempScript", guidOf("{560B781E-625A-4950-A61D-8AE911855037}"), true, {}};
  i.members.push_back(member("FullPath", 0x68030001, K::PropertyPut, {req("FullPath", VT_BSTR, false)}));
  i.members.push_back(member("FullPath", 0x68030001, K::PropertyGet, {}, VT_BSTR));
  i.members.push_back(member("ClassDebugID", 0x68030000, K::PropertyGet, {}, VT_VARIANT));
  return i;
}

std::vector<EnumMemberInfo> classErrors(const std::string& prefix, std::vector<std::pair<std::string, int32_t>> names) {
  std::vector<EnumMemberInfo> out;
  for (auto& [name, n] : names) out.push_back({prefix + "_" + name, classError(n)});
  return out;
}

TypeLibraryInfo build() {
  TypeLibraryInfo lib;
  lib.name = "KestrinScriptEditor";
  lib.libid = guidOf("{0FCFCDA8-1889-4A50-BA89-8EA3E8585DC2}");
  lib.major = 1;
  lib.minor = 0;
  lib.interfaces = {mainFrontEnd(), errorHandler(), file(), tempScript()};
  lib.classes = {
      {"CMainFrontEnd", guidOf("{A8F56353-8299-4491-9570-9A5B016637AE}"), "_CMainFrontEnd"},
      {"CErrorHandler", guidOf("{1169136E-E8D0-4AFB-A934-9A775E9DC052}"), "_CErrorHandler"},
      {"CFile", guidOf("{20595F27-5949-433C-AAEF-31E8CB210269}"), "_CFile"},
      {"CTempScript", guidOf("{C5FC623E-7530-4861-9C09-DE14B8B01A79}"), "_CTempScript"},
  };
  lib.enums = {
      // The editor's errors have no published identity of their own; this
      // one is fixed here once and for all.
      {"EErrEditor", guidOf("{3C1AF15A-08CF-411D-8A8C-A5F0741986DB}"),
       classErrors("eErrEditor", {{"InvalidFile", 19001}, {"ComponentFailure", 19002}})},
      {"EErrErrorHandler", guidOf("{C13E50A0-8C15-4831-A1EC-FCF77A356B06}"),
       classErrors("eErrErrorHandler", {{"InvalidFileName", 17401},
                                        {"InvalidErrorHandlerActions", 17402},
                                        {"InvalidTracingFlags", 17403},
                                        {"ComponentFailure", 17404}})},
      {"EErrorHandlerActions",
       guidOf("{FF931558-1E78-405C-8132-C2506F721932}"),
       {{"eErrorHandlerAction_MsgBox", 1},
        {"eErrorHandlerAction_LogToFile", 2},
        {"eErrorHandlerAction_NTLog", 4},
        {"eErrorHandlerAction_Custom", 8}}},
      {"EErrorHandlerReturn",
       guidOf("{F887CAC9-1481-4956-8054-B2CE2F9F3BD9}"),
       {{"eErrorHandlerReturn_Abort", 0}, {"eErrorHandlerReturn_Retry", 1}, {"eErrorHandlerReturn_Ignore", 2}}},
      {"ETracingFlags",
       guidOf("{F4FF67B8-FA98-464E-82E8-7FDA2906E4FF}"),
       {{"eTracingFlag_DebugPrint", 1}, {"eTracingFlag_LogToFile", 2}}},
      {"EErrFile", guidOf("{34EF4954-0126-4D25-9FEC-155742A42AED}"),
       classErrors("eErrFile", {{"NotInitialized", 17421},
                                {"InvalidFileName", 17422},
                                {"FileNotFound", 17423},
                                {"CopyFailed", 17424},
                                {"MoveFailed", 17425},
                                {"DeleteFailed", 17426},
                                {"ComponentFailure", 17427}})},
      {"EFileAttributes",
       guidOf("{53F2DEFE-1A5B-4B0C-A7FD-6D658A929B25}"),
       {{"eFileAttribute_ReadOnly", 1},
        {"eFileAttribute_Hidden", 2},
        {"eFileAttribute_System", 4},
        {"eFileAttribute_Directory", 16},
        {"eFileAttribute_Archive", 32},
        {"eFileAttribute_Encrypted", 64},
        {"eFileAttribute_Normal", 128},
        {"eFileAttribute_Temporary", 256},
        {"eFileAttribute_SparseFile", 512},
        {"eFileAttribute_ReparsePoint", 1024},
        {"eFileAttribute_Compressed", 2048},
        {"eFileAttribute_Offline", 4096}}},
  };
  return lib;
}

}  // namespace

const platform::com::TypeLibraryInfo& library() {
  static const platform::com::TypeLibraryInfo lib = build();
  return lib;
}

platform::com::Server& componentServer() {
  static platform::com::Server server(library(), [] { return platform::componentIdentity().path; });
  return server;
}

}  // namespace kestrin::typelib
