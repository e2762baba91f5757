// The host's side of the editor: the component registered and activated the
// way a host application does it (registry, library load, class object,
// late-bound calls by dispatch id), and the demo bridge library loaded at
// start.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/com/interfaces.h"
#include "platform/com/variant.h"

namespace kestrin_host {

inline constexpr const char* kComponentFile = "KestrinScriptEditor.so";
inline constexpr const char* kEditorProgId = "KestrinScriptEditor.CMainFrontEnd";
inline constexpr const char* kBridgeFile = "kzenvb.dll";
inline constexpr platform::com::DISPID kRunEditorId = 0x60030001;
inline constexpr platform::com::DISPID kFreeEditorId = 0x60030002;

// What the editor raised to the host.
struct HostError {
  int32_t number = 0;
  std::string source;
  std::string description;
};

// The outcome of one host call.
struct CallOutcome {
  bool reached = false;            // the call was made (the editor could be created)
  std::string failure;             // why it could not be made
  int32_t result = 0;              // RunEditor's result
  std::string arg;                 // RunEditor's argument after the call
  std::optional<HostError> error;  // an error the call raised
};

// The outcome of one late-bound call on an object of the component.
struct ObjectOutcome {
  bool reached = false;                              // the member was found and Invoke was called
  std::string failure;                               // why not
  platform::com::ComVariant result;                  // what a method or property get returned
  std::vector<platform::com::ComVariant> arguments;  // the arguments after the call, the first first
  std::optional<HostError> error;                    // an error the call raised
};

// How an object's member is called.
enum class MemberCall { Method, Get, Put };

class EditorLink {
 public:
  // editorFolder: the folder that holds the component and its Addlets.
  explicit EditorLink(std::string editorFolder);
  ~EditorLink();
  EditorLink(const EditorLink&) = delete;
  EditorLink& operator=(const EditorLink&) = delete;

  const std::string& editorFolder() const { return folder_; }
  std::string componentPath() const;
  std::string bridgePath() const;

  // Loads the bridge library from Addlets, as the host application keeps it
  // loaded; returns false (with the reason) when it cannot.
  bool loadBridge(std::string* why);

  // Registers the component when its class is not registered or is
  // registered at another path, then creates CMainFrontEnd by its ProgID.
  // Returns false with the reason when it cannot.
  bool ensureEditor(std::string* why);

  // RunEditor with no argument or with the text, passed by reference.
  CallOutcome runEditor(const std::optional<std::string>& argument);
  CallOutcome freeEditor();

  // DllRegisterServer or DllUnregisterServer of the component, called in a
  // library loaded for it; returns the result (E_FAIL with the reason when
  // the entry point cannot be reached).
  platform::com::HRESULT registration(bool unregister, std::string* why);

  // The host's own objects of the component, by the names the host gives
  // them: made by ProgID through the registry (CLSIDFromProgID and
  // CoCreateInstance), as the CAM application makes them.
  bool createObject(const std::string& name, const std::string& progId, std::string* why);
  bool hasObject(const std::string& name) const { return objects_.count(name) != 0; }
  // Gives the object back; false when there is none of that name.
  bool releaseObject(const std::string& name);
  // A call by name: GetIDsOfNames, then Invoke with the arguments passed
  // by reference (so that the member may write them back); a put passes
  // its one argument as the new value.
  ObjectOutcome callObject(const std::string& name, const std::string& member, MemberCall how,
                           const std::vector<platform::com::ComVariant>& arguments);

  // Gives back the host's objects and the editor object and uninitialises
  // COM.
  void release();

 private:
  bool startCom(std::string* why);
  CallOutcome invoke(platform::com::DISPID id, const std::optional<std::string>& argument);

  std::string folder_;
  bool comStarted_ = false;
  platform::com::IDispatch* editor_ = nullptr;
  std::map<std::string, platform::com::IDispatch*> objects_;
  uint32_t bridge_ = 0;
};

// The registered in-process server path of a ProgID's class ("" when none).
std::string registeredServerPath(const std::string& progId);

}  // namespace kestrin_host
