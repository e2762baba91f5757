// A small public class built on the object boundary the way the
// component's classes are: a type library entry, a binding table and a
// dual interface. The boundary's tests use it directly and through the
// test server library.
#pragma once

#include <string>

#include "platform/com/dispatch.h"
#include "platform/com/server.h"
#include "platform/runtime/errors.h"

namespace probe {

using namespace platform::com;

inline const GUID kLibId = guidOf("{7B0C3A52-91D4-4E0B-A7E3-5C2D9F1E6A40}");
inline const CLSID kClsid = guidOf("{3E9A1F60-2B7C-4D8E-9F01-A2B3C4D5E6F7}");
inline const IID kIid = guidOf("{5D4C3B2A-1908-4F7E-8D6C-5B4A39281706}");

inline constexpr DISPID idGreet = 0x60030000;
inline constexpr DISPID idDecorate = 0x60030001;
inline constexpr DISPID idIncrement = 0x60030002;
inline constexpr DISPID idAdd = 0x60030003;
inline constexpr DISPID idFail = 0x60030004;
inline constexpr DISPID idOverflow = 0x60030005;
inline constexpr DISPID idEcho = 0x60030006;
inline constexpr DISPID idDarken = 0x60030007;
inline constexpr DISPID idCount = 0x68030000;
inline constexpr DISPID idName = 0x68030001;

inline const TypeLibraryInfo& library() {
  static const TypeLibraryInfo lib = [] {
    using K = MemberKind;
    InterfaceInfo i{"_CProbe", kIid, true, {}};
    auto text = [](const char* n, bool byRef) { return ParamInfo{n, VT_BSTR, "", byRef, false, {}}; };
    auto lng = [](const char* n, bool byRef) { return ParamInfo{n, VT_I4, "", byRef, false, {}}; };
    i.members = {
        {"Greet",
         idGreet,
         K::Method,
         {text("Name", true), ParamInfo{"Greeting", VT_BSTR, "", false, true, std::string("Hello")}},
         VT_BSTR,
         ""},
        {"Decorate", idDecorate, K::Method, {text("Text", true)}, VT_EMPTY, ""},
        {"Increment", idIncrement, K::Method, {lng("Value", true)}, VT_EMPTY, ""},
        {"Add", idAdd, K::Method, {lng("A", false), ParamInfo{"B", VT_I4, "", false, true, int32_t{10}}}, VT_I4, ""},
        {"Fail", idFail, K::Method, {lng("Number", false), text("Description", false)}, VT_EMPTY, ""},
        {"Overflow", idOverflow, K::Method, {}, VT_I2, ""},
        {"Echo", idEcho, K::Method, {ParamInfo{"Value", VT_VARIANT, "", false, true, {}}}, VT_VARIANT, ""},
        {"Darken", idDarken, K::Method, {ParamInfo{"Shade", VT_I4, "EShade", true, false, {}}}, VT_EMPTY, ""},
        {"Count", idCount, K::PropertyLet, {lng("Count", false)}, VT_EMPTY, ""},
        {"Count", idCount, K::PropertyGet, {}, VT_I4, ""},
        {"Name", idName, K::PropertyPut, {text("Name", false)}, VT_EMPTY, ""},
        {"Name", idName, K::PropertyGet, {}, VT_BSTR, ""},
    };
    TypeLibraryInfo l;
    l.name = "KestrinComTest";
    l.libid = kLibId;
    l.interfaces = {i};
    l.classes = {{"CProbe", kClsid, "_CProbe"}};
    return l;
  }();
  return lib;
}

enum EShade : int32_t { eShade_Light = 1, eShade_Dark = 2 };

inline const char* const kSource = "KestrinComTest.CProbe";

// The early-bound side.
class _CProbe : public IDispatch {
 public:
  virtual HRESULT Add(int32_t A, int32_t B, int32_t* result) = 0;
  virtual HRESULT Fail(int32_t Number, BSTR Description) = 0;

 protected:
  ~_CProbe() = default;
};

class CProbe final : public DispatchObject<CProbe, _CProbe> {
 public:
  static const BindingTable<CProbe>& bindings() {
    static const BindingTable<CProbe> table(library().findInterface("_CProbe"),
                                            {
                                                method<&CProbe::greet>(idGreet),
                                                method<&CProbe::decorate>(idDecorate),
                                                method<&CProbe::increment>(idIncrement),
                                                method<&CProbe::add>(idAdd),
                                                method<&CProbe::fail>(idFail),
                                                method<&CProbe::overflow>(idOverflow),
                                                method<&CProbe::echo>(idEcho),
                                                method<&CProbe::darken>(idDarken),
                                                propertyLet<&CProbe::setCount>(idCount),
                                                propertyGet<&CProbe::count>(idCount),
                                                propertyPut<&CProbe::setName>(idName),
                                                propertyGet<&CProbe::name>(idName),
                                            });
    return table;
  }

  // The members as C++ sees them.
  std::string greet(std::string& name, const std::string& greeting) { return greeting + ", " + name; }
  void decorate(std::string& text) { text = "[" + text + "]"; }
  void increment(int32_t& value) { ++value; }
  int32_t add(int32_t a, int32_t b) { return a + b; }
  void fail(int32_t number, const std::string& description) {
    throw platform::RuntimeError(number, kSource, description);
  }
  int16_t overflow() { platform::raise(platform::err::Overflow); }
  ComVariant echo(const ComVariant& value) { return value.isMissing() ? ComVariant::text("missing") : value; }
  void darken(EShade& shade) { shade = shade == eShade_Light ? eShade_Dark : shade; }
  void setCount(int32_t v) { count_ = v; }
  int32_t count() { return count_; }
  void setName(const std::string& v) { name_ = v; }
  std::string name() { return name_; }

  // Early-bound members.
  HRESULT Add(int32_t A, int32_t B, int32_t* result) override {
    return early([&] {
      if (!result) platform::raise(platform::err::InvalidProcedureCall);
      *result = add(A, B);
    });
  }
  HRESULT Fail(int32_t Number, BSTR Description) override {
    return early([&] { fail(Number, toString(Description)); });
  }

 private:
  int32_t count_ = 0;
  std::string name_;
};

}  // namespace probe
