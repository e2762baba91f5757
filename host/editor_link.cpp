#include "host/editor_link.h"

#include <climits>
#include <cstdlib>
#include <filesystem>

#include "platform/com/client.h"
#include "platform/com/error_info.h"
#include "platform/com/guid.h"
#include "platform/com/variant.h"
#include "platform/win32/component.h"
#include "platform/win32/library.h"
#include "platform/win32/registry.h"

namespace kestrin_host {

using namespace platform::com;

namespace {

std::string canonical(const std::string& path) {
  std::error_code ec;
  auto p = std::filesystem::weakly_canonical(path, ec);
  return ec ? path : p.string();
}

std::string hex(HRESULT code) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "0x%08X", static_cast<uint32_t>(code));
  return buf;
}

}  // namespace

std::string registeredServerPath(const std::string& progId) {
  CLSID clsid{};
  if (FAILED(CLSIDFromProgID(progId.c_str(), &clsid))) return {};
  std::string path;
  platform::readRegistryText(platform::HKEY_CLASSES_ROOT, "CLSID\\" + formatGuid(clsid) + "\\InprocServer32", "",
                             &path);
  return serverLibraryPath(path);
}

EditorLink::EditorLink(std::string editorFolder) : folder_(canonical(editorFolder)) {
  // The component's folder holds the machine hive, so the registry knows
  // it before the host first reads the registry.
  platform::setMachineHiveFolder(folder_);
  if (platform::componentIdentity().path.empty() && std::filesystem::exists(componentPath())) {
    platform::ComponentIdentity id;
    id.path = componentPath();
    id.folder = folder_;
    id.name = std::filesystem::path(kComponentFile).stem().string();
    id.major = KESTRIN_HOST_VERSION_MAJOR;
    id.minor = KESTRIN_HOST_VERSION_MINOR;
    id.revision = KESTRIN_HOST_VERSION_REVISION;
    platform::setComponentIdentity(id);
  }
}

EditorLink::~EditorLink() { release(); }

std::string EditorLink::componentPath() const { return folder_ + "/" + kComponentFile; }
std::string EditorLink::bridgePath() const { return folder_ + "/Addlets/" + kBridgeFile; }

bool EditorLink::loadBridge(std::string* why) {
  if (bridge_) return true;
  bridge_ = platform::LoadLibrary(bridgePath());
  if (!bridge_) {
    if (why) *why = "the bridge library " + bridgePath() + " cannot be loaded";
    return false;
  }
  return true;
}

bool EditorLink::ensureEditor(std::string* why) {
  if (editor_) return true;
  if (!startCom(why)) return false;
  const std::string component = componentPath();
  if (!std::filesystem::exists(component)) {
    if (why) *why = "there is no component " + component;
    return false;
  }
  if (canonical(registeredServerPath(kEditorProgId)) != component) {
    platform::HMODULE lib = platform::LoadLibrary(component);
    if (!lib) {
      if (why) *why = "the component " + component + " cannot be loaded";
      return false;
    }
    auto reg = reinterpret_cast<HRESULT (*)()>(platform::GetProcAddress(lib, "DllRegisterServer"));
    HRESULT r = reg ? reg() : E_FAIL;
    platform::FreeLibrary(lib);
    if (!reg || FAILED(r)) {
      if (why) *why = reg ? "DllRegisterServer failed with " + hex(r) : "the component exports no DllRegisterServer";
      return false;
    }
  }
  CLSID clsid{};
  HRESULT r = CLSIDFromProgID(kEditorProgId, &clsid);
  if (FAILED(r)) {
    if (why) *why = std::string("the component does not register ") + kEditorProgId + " (" + hex(r) + ")";
    return false;
  }
  r = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, reinterpret_cast<void**>(&editor_));
  if (FAILED(r) || !editor_) {
    editor_ = nullptr;
    if (why) *why = std::string("CoCreateInstance of ") + kEditorProgId + " failed with " + hex(r);
    return false;
  }
  return true;
}

bool EditorLink::startCom(std::string* why) {
  if (comStarted_) return true;
  if (FAILED(CoInitialize(nullptr))) {
    if (why) *why = "COM cannot be initialised on this thread";
    return false;
  }
  comStarted_ = true;
  return true;
}

HRESULT EditorLink::registration(bool unregister, std::string* why) {
  const std::string component = componentPath();
  platform::HMODULE lib = platform::LoadLibrary(component);
  if (!lib) {
    if (why) *why = "the component " + component + " cannot be loaded";
    return E_FAIL;
  }
  const char* entry = unregister ? "DllUnregisterServer" : "DllRegisterServer";
  auto fn = reinterpret_cast<HRESULT (*)()>(platform::GetProcAddress(lib, entry));
  HRESULT r = E_FAIL;
  if (fn) {
    r = fn();
  } else if (why) {
    *why = std::string("the component exports no ") + entry;
  }
  platform::FreeLibrary(lib);
  return r;
}

bool EditorLink::createObject(const std::string& name, const std::string& progId, std::string* why) {
  if (objects_.count(name)) {
    if (why) *why = "there is an object " + name + " already";
    return false;
  }
  if (!startCom(why)) return false;
  CLSID clsid{};
  HRESULT r = CLSIDFromProgID(progId.c_str(), &clsid);
  if (FAILED(r)) {
    if (why) *why = "CLSIDFromProgID of " + progId + " failed with " + hex(r);
    return false;
  }
  IDispatch* object = nullptr;
  r = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, reinterpret_cast<void**>(&object));
  if (FAILED(r) || !object) {
    if (why) *why = "CoCreateInstance of " + progId + " failed with " + hex(r);
    return false;
  }
  objects_[name] = object;
  return true;
}

bool EditorLink::releaseObject(const std::string& name) {
  auto it = objects_.find(name);
  if (it == objects_.end()) return false;
  IDispatch* object = it->second;
  objects_.erase(it);
  object->Release();
  return true;
}

ObjectOutcome EditorLink::callObject(const std::string& name, const std::string& member, MemberCall how,
                                     const std::vector<ComVariant>& arguments) {
  ObjectOutcome out;
  auto it = objects_.find(name);
  if (it == objects_.end()) {
    out.failure = "there is no object " + name;
    return out;
  }
  ComPtr<IDispatch> object = ComPtr<IDispatch>::share(it->second);
  const char* names[] = {member.c_str()};
  DISPID id = 0;
  HRESULT r = object->GetIDsOfNames(IID_NULL, names, 1, 0, &id);
  if (FAILED(r)) {
    out.failure = "GetIDsOfNames of " + member + " failed with " + hex(r);
    return out;
  }
  out.reached = true;
  // The caller's variables, passed by reference, the last argument first.
  out.arguments = arguments;
  std::vector<ComVariant> refs;
  for (size_t i = out.arguments.size(); i-- > 0;) refs.push_back(ComVariant::ref(out.arguments[i].ptr()));
  std::vector<VARIANT> rg;
  for (auto& v : refs) rg.push_back(v.get());
  DISPPARAMS params;
  DISPID putId = DISPID_PROPERTYPUT;
  params.rgvarg = rg.empty() ? nullptr : rg.data();
  params.cArgs = static_cast<uint32_t>(rg.size());
  uint16_t flags = DISPATCH_METHOD | DISPATCH_PROPERTYGET;
  if (how == MemberCall::Get) flags = DISPATCH_PROPERTYGET;
  if (how == MemberCall::Put) {
    flags = DISPATCH_PROPERTYPUT;
    params.rgdispidNamedArgs = &putId;
    params.cNamedArgs = 1;
  }
  VARIANT result;
  VariantInit(&result);
  EXCEPINFO info;
  uint32_t argError = 0;
  r = object->Invoke(id, IID_NULL, 0, flags, &params, &result, &info, &argError);
  if (r == DISP_E_EXCEPTION) {
    platform::RuntimeError e = errorFromExcepInfo(info);
    out.error = HostError{e.number(), e.source(), e.description()};
  } else if (FAILED(r)) {
    out.error = HostError{r, "", "Invoke failed with " + hex(r)};
  }
  out.result = ComVariant::take(result);
  ClearExcepInfo(&info);
  return out;
}

CallOutcome EditorLink::runEditor(const std::optional<std::string>& argument) { return invoke(kRunEditorId, argument); }

CallOutcome EditorLink::freeEditor() { return invoke(kFreeEditorId, std::nullopt); }

CallOutcome EditorLink::invoke(DISPID id, const std::optional<std::string>& argument) {
  CallOutcome out;
  if (!ensureEditor(&out.failure)) return out;
  out.reached = true;
  // The object stays alive for the call even when a nested call releases
  // the host's reference.
  ComPtr<IDispatch> editor = ComPtr<IDispatch>::share(editor_);
  BSTR text = argument ? bstrFrom(*argument) : nullptr;
  ComVariant arg = ComVariant::ref(&text);
  DISPPARAMS params;
  if (argument) {
    params.rgvarg = arg.ptr();
    params.cArgs = 1;
  }
  VARIANT result;
  VariantInit(&result);
  EXCEPINFO info;
  uint32_t argError = 0;
  HRESULT r = editor->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &params, &result, &info, &argError);
  if (r == DISP_E_EXCEPTION) {
    platform::RuntimeError e = errorFromExcepInfo(info);
    out.error = HostError{e.number(), e.source(), e.description()};
  } else if (FAILED(r)) {
    out.error = HostError{r, "", "Invoke failed with " + hex(r)};
  } else if (id == kRunEditorId) {
    ComVariant value = ComVariant::take(result);
    try {
      out.result = value.toLong();
    } catch (const platform::RuntimeError&) {
      out.failure = "RunEditor returned no number";
    }
  }
  ClearExcepInfo(&info);
  VariantClear(&result);
  out.arg = argument ? toString(text) : std::string();
  SysFreeString(text);
  return out;
}

void EditorLink::release() {
  while (!objects_.empty()) releaseObject(objects_.begin()->first);
  if (editor_) {
    editor_->Release();
    editor_ = nullptr;
  }
  if (comStarted_) {
    CoUninitialize();
    comStarted_ = false;
  }
  if (bridge_) {
    platform::FreeLibrary(bridge_);
    bridge_ = 0;
  }
}

}  // namespace kestrin_host
