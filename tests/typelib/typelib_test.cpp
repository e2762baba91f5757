#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/com/variant.h"
#include "typelib/interfaces.h"
#include "typelib/typelib.h"

namespace {

using namespace platform::com;
using kestrin::typelib::library;
using K = MemberKind;

struct Member {
  const char* name;
  K kind;
  uint32_t id;
};

struct Class {
  const char* name;
  const char* clsid;
  const char* interfaceName;
  const char* iid;
  std::vector<Member> members;  // in interface order
};

const std::vector<Class>& classes() {
  static const std::vector<Class> c = {
      {"CMainFrontEnd",
       "{A8F56353-8299-4491-9570-9A5B016637AE}",
       "_CMainFrontEnd",
       "{59100222-E82F-4E9C-83D7-63A6433BD6FC}",
       {{"RunEditor", K::Method, 0x60030001}, {"FreeEditor", K::Method, 0x60030002}}},
      {"CErrorHandler",
       "{1169136E-E8D0-4AFB-A934-9A775E9DC052}",
       "_CErrorHandler",
       "{6AC77474-62FE-45EE-B546-E6DDBE86EC06}",
       {{"Init", K::Method, 0x6003000a},
        {"CallStackEnabled", K::PropertyLet, 0x68030009},
        {"CallStackEnabled", K::PropertyGet, 0x68030009},
        {"ErrorDescription", K::PropertyLet, 0x68030008},
        {"ErrorDescription", K::PropertyGet, 0x68030008},
        {"ErrorHandlerActions", K::PropertyLet, 0x68030007},
        {"ErrorHandlerActions", K::PropertyGet, 0x68030007},
        {"ErrorLine", K::PropertyLet, 0x68030006},
        {"ErrorLine", K::PropertyGet, 0x68030006},
        {"ErrorLogFile", K::PropertyLet, 0x68030005},
        {"ErrorLogFile", K::PropertyGet, 0x68030005},
        {"ErrorNumber", K::PropertyLet, 0x68030004},
        {"ErrorNumber", K::PropertyGet, 0x68030004},
        {"Tag", K::PropertyLet, 0x68030003},
        {"Tag", K::PropertyGet, 0x68030003},
        {"TracingEnabled", K::PropertyLet, 0x68030002},
        {"TracingEnabled", K::PropertyGet, 0x68030002},
        {"TracingFlags", K::PropertyLet, 0x68030001},
        {"TracingFlags", K::PropertyGet, 0x68030001},
        {"TracingLogFile", K::PropertyLet, 0x68030000},
        {"TracingLogFile", K::PropertyGet, 0x68030000},
        {"CallStackClear", K::Method, 0x6003000b},
        {"CallStackPop", K::Method, 0x6003000c},
        {"CallStackPush", K::Method, 0x6003000d},
        {"Clear", K::Method, 0x6003000e},
        {"HandleError", K::Method, 0x6003000f}}},
      {"CFile",
       "{20595F27-5949-433C-AAEF-31E8CB210269}",
       "_CFile",
       "{2C34C580-9FA7-4A8B-8F35-45D9359E40D1}",
       {{"Init", K::Method, 0x60030009},
        {"Attributes", K::PropertyGet, 0x68030008},
        {"Contents", K::PropertyLet, 0x68030007},
        {"Contents", K::PropertyGet, 0x68030007},
        {"FileName", K::PropertyGet, 0x68030006},
        {"FileExt", K::PropertyGet, 0x68030005},
        {"FilePath", K::PropertyGet, 0x68030004},
        {"PathFileName", K::PropertyLet, 0x68030003},
        {"PathFileName", K::PropertyGet, 0x68030003},
        {"ReadOnly", K::PropertyGet, 0x68030002},
        {"ShortFileName", K::PropertyGet, 0x68030001},
        {"Size", K::PropertyGet, 0x68030000},
        {"Copy", K::Method, 0x6003000a},
        {"Delete", K::Method, 0x6003000b},
        {"Exists", K::Method, 0x6003000c},
        {"IdenticalWith", K::Method, 0x6003000d},
        {"Move", K::Method, 0x6003000e}}},
      {"CTempScript",
       "{C5FC623E-7530-4861-9C09-DE14B8B01A79}",
       "_CTempScript",
       "{560B781E-625A-4950-A61D-8AE911855037}",
       {{"FullPath", K::PropertyPut, 0x68030001},
        {"FullPath", K::PropertyGet, 0x68030001},
        {"ClassDebugID", K::PropertyGet, 0x68030000}}},
  };
  return c;
}

TEST(TypeLibrary, NamesItselfAndItsVersion) {
  EXPECT_EQ(library().name, "KestrinScriptEditor");
  EXPECT_EQ(formatGuid(library().libid), "{0FCFCDA8-1889-4A50-BA89-8EA3E8585DC2}");
  EXPECT_EQ(library().versionText(), "1.0");
  EXPECT_EQ(library().classes.size(), 4u);
}

TEST(TypeLibrary, HoldsEveryIdentityAndDispatchIdOfTheFourClasses) {
  for (const auto& c : classes()) {
    SCOPED_TRACE(c.name);
    const CoClassInfo* coclass = library().findClass(c.name);
    ASSERT_NE(coclass, nullptr);
    EXPECT_EQ(formatGuid(coclass->clsid), c.clsid);
    EXPECT_EQ(library().findClass(coclass->clsid), coclass);
    const InterfaceInfo* i = library().interfaceOf(*coclass);
    ASSERT_NE(i, nullptr);
    EXPECT_EQ(i->name, c.interfaceName);
    EXPECT_EQ(formatGuid(i->iid), c.iid);
    EXPECT_TRUE(i->dual);
    ASSERT_EQ(i->members.size(), c.members.size());
    for (size_t m = 0; m < c.members.size(); ++m) {
      EXPECT_EQ(i->members[m].name, c.members[m].name) << m;
      EXPECT_EQ(i->members[m].kind, c.members[m].kind) << c.members[m].name;
      EXPECT_EQ(static_cast<uint32_t>(i->members[m].id), c.members[m].id) << c.members[m].name;
    }
  }
}

TEST(TypeLibrary, DescribesTheArgumentsCallersDependOn) {
  const InterfaceInfo* front = library().findInterface("_CMainFrontEnd");
  ASSERT_NE(front, nullptr);
  const MemberInfo& run = front->members[0];
  ASSERT_EQ(run.params.size(), 1u);
  EXPECT_EQ(run.params[0].name, "ThisScript");
  EXPECT_EQ(run.params[0].type, VT_BSTR);
  EXPECT_TRUE(run.params[0].byRef);
  EXPECT_TRUE(run.params[0].optional);
  EXPECT_EQ(std::get<std::string>(run.params[0].defaultValue), "");
  EXPECT_EQ(run.result, VT_I4);
  EXPECT_EQ(front->members[1].result, VT_VARIANT);

  const InterfaceInfo* handler = library().findInterface("_CErrorHandler");
  ASSERT_NE(handler, nullptr);
  const MemberInfo& init = handler->members[0];
  ASSERT_EQ(init.params.size(), 6u);
  EXPECT_FALSE(init.params[0].optional);
  EXPECT_EQ(init.params[0].typeName, "EErrorHandlerActions");
  EXPECT_EQ(std::get<std::string>(init.params[1].defaultValue), "Error Log.txt");
  EXPECT_EQ(std::get<bool>(init.params[2].defaultValue), false);
  EXPECT_EQ(std::get<bool>(init.params[3].defaultValue), false);
  EXPECT_EQ(std::get<int32_t>(init.params[4].defaultValue), 2);
  EXPECT_EQ(std::get<std::string>(init.params[5].defaultValue), "Tracing Log.txt");
  for (const auto& p : init.params) EXPECT_TRUE(p.byRef) << p.name;

  // the TracingFlags let alone takes its value by reference
  for (const auto& m : handler->members) {
    if (m.kind == K::PropertyLet) {
      EXPECT_EQ(m.params.at(0).byRef, m.name == "TracingFlags") << m.name;
    }
  }

  const InterfaceInfo* temp = library().findInterface("_CTempScript");
  ASSERT_NE(temp, nullptr);
  EXPECT_FALSE(temp->members[0].params.at(0).byRef);
  EXPECT_EQ(temp->members[2].result, VT_VARIANT);
}

TEST(TypeLibrary, HoldsTheSevenEnumerationsWithTheirIdentitiesAndValues) {
  struct Enum {
    const char* name;
    const char* guid;
    std::vector<std::pair<const char*, int32_t>> members;
  };
  const std::vector<Enum> expected = {
      {"EErrEditor",
       "{3C1AF15A-08CF-411D-8A8C-A5F0741986DB}",
       {{"eErrEditor_InvalidFile", -2147202503}, {"eErrEditor_ComponentFailure", -2147202502}}},
      {"EErrErrorHandler",
       "{C13E50A0-8C15-4831-A1EC-FCF77A356B06}",
       {{"eErrErrorHandler_InvalidFileName", -2147204103},
        {"eErrErrorHandler_InvalidErrorHandlerActions", -2147204102},
        {"eErrErrorHandler_InvalidTracingFlags", -2147204101},
        {"eErrErrorHandler_ComponentFailure", -2147204100}}},
      {"EErrorHandlerActions",
       "{FF931558-1E78-405C-8132-C2506F721932}",
       {{"eErrorHandlerAction_MsgBox", 1},
        {"eErrorHandlerAction_LogToFile", 2},
        {"eErrorHandlerAction_NTLog", 4},
        {"eErrorHandlerAction_Custom", 8}}},
      {"EErrorHandlerReturn",
       "{F887CAC9-1481-4956-8054-B2CE2F9F3BD9}",
       {{"eErrorHandlerReturn_Abort", 0}, {"eErrorHandlerReturn_Retry", 1}, {"eErrorHandlerReturn_Ignore", 2}}},
      {"ETracingFlags",
       "{F4FF67B8-FA98-464E-82E8-7FDA2906E4FF}",
       {{"eTracingFlag_DebugPrint", 1}, {"eTracingFlag_LogToFile", 2}}},
      {"EErrFile",
       "{34EF4954-0126-4D25-9FEC-155742A42AED}",
       {{"eErrFile_NotInitialized", -2147204083},
        {"eErrFile_InvalidFileName", -2147204082},
        {"eErrFile_FileNotFound", -2147204081},
        {"eErrFile_CopyFailed", -2147204080},
        {"eErrFile_MoveFailed", -2147204079},
        {"eErrFile_DeleteFailed", -2147204078},
        {"eErrFile_ComponentFailure", -2147204077}}},
      {"EFileAttributes",
       "{53F2DEFE-1A5B-4B0C-A7FD-6D658A929B25}",
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
  ASSERT_EQ(library().enums.size(), expected.size());
  for (const auto& e : expected) {
    SCOPED_TRACE(e.name);
    const EnumInfo* info = library().findEnum(e.name);
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(formatGuid(info->guid), e.guid);
    ASSERT_EQ(info->members.size(), e.members.size());
    for (size_t m = 0; m < e.members.size(); ++m) {
      EXPECT_EQ(info->members[m].name, e.members[m].first);
      EXPECT_EQ(info->members[m].value, e.members[m].second) << e.members[m].first;
    }
  }
  // the C++ enumerations carry the same values
  EXPECT_EQ(kestrin::typelib::eErrEditor_ComponentFailure, static_cast<int32_t>(0x80044A3Au));
  EXPECT_EQ(kestrin::typelib::eErrFile_FileNotFound, -2147204081);
}

TEST(TypeLibrary, TheComponentServesItsClassesUnderTheLibrarysProgIds) {
  EXPECT_EQ(kestrin::typelib::componentServer().progIdOf("CFile"), "KestrinScriptEditor.CFile");
  EXPECT_EQ(&kestrin::typelib::componentServer().library(), &library());
}

}  // namespace
